#include "button/picture.h"

#include <cmath>
#include <optional>
#include <utility>

#include <QPainter>

#include "button/system_color.h"

namespace tovrin {

GraphicsHandle MakeBitmapHandle(QImage bitmap) {
    auto* object = new GraphicsObject(GraphicsObject::Kind::Bitmap);
    object->m_bitmap = std::move(bitmap);
    return GraphicsHandle(object);
}

GraphicsHandle MakeMetafileHandle(QPicture drawing) {
    auto* object = new GraphicsObject(GraphicsObject::Kind::Metafile);
    object->m_drawing = std::move(drawing);
    return GraphicsHandle(object);
}

GraphicsHandle MakeEnhancedMetafileHandle(QPicture drawing) {
    auto* object = new GraphicsObject(GraphicsObject::Kind::EnhancedMetafile);
    object->m_drawing = std::move(drawing);
    return GraphicsHandle(object);
}

GraphicsHandle MakeIconHandle(QIcon icon, QSize naturalSize) {
    auto* object = new GraphicsObject(GraphicsObject::Kind::Icon);
    object->m_icon = std::move(icon);
    object->m_iconSize = naturalSize;
    return GraphicsHandle(object);
}

GraphicsHandle MakePaletteHandle(QList<QRgb> colors) {
    auto* object = new GraphicsObject(GraphicsObject::Kind::Palette);
    object->m_colors = std::move(colors);
    return GraphicsHandle(object);
}

GraphicsHandle MakeBrushHandle(QColor color) {
    auto* object = new GraphicsObject(GraphicsObject::Kind::Brush);
    object->m_brushColor = color;
    return GraphicsHandle(object);
}

Picture::Picture(GraphicsHandle handle, PictureType type, int width, int height,
                 GraphicsHandle palette)
    : m_handle(std::move(handle)),
      m_type(type),
      m_width(width),
      m_height(height),
      m_palette(std::move(palette)) {}

QImage Picture::bitmap() const {
    if (!m_handle || m_handle->kind() != GraphicsObject::Kind::Bitmap) {
        return {};
    }
    QImage image = m_handle->bitmap();
    if (image.format() == QImage::Format_Indexed8 && m_palette && !m_palette->colors().isEmpty()) {
        image.setColorTable(m_palette->colors());
    }
    return image;
}

int PicturePixels(int himetric, double twipsPerPixel) {
    // 1440/2540 to seven digits, kept in single precision like the original
    // constant; multiply first, then divide.
    constexpr float HimetricToTwips = 0.5669292f;
    const double pixels = double(HimetricToTwips) * himetric / twipsPerPixel;
    return int(std::nearbyint(pixels));  // the default rounding mode: half to even
}

int HimetricFromPixels(int pixels) {
    constexpr int HimetricPerInch = 2540;
    constexpr int PixelsPerInch = 96;
    const int sign = pixels < 0 ? -1 : 1;
    const long long scaled = static_cast<long long>(pixels) * sign * HimetricPerInch;
    return sign * int((scaled + PixelsPerInch / 2) / PixelsPerInch);
}

namespace {

std::optional<PictureType> DetectType(GraphicsObject::Kind kind) {
    switch (kind) {
        case GraphicsObject::Kind::Bitmap:
            return PictureType::Bitmap;
        case GraphicsObject::Kind::Metafile:
            return PictureType::Metafile;
        case GraphicsObject::Kind::EnhancedMetafile:
            return PictureType::EnhancedMetafile;
        case GraphicsObject::Kind::Icon:
            return PictureType::Icon;
        case GraphicsObject::Kind::Palette:
        case GraphicsObject::Kind::Brush:
            break;
    }
    return std::nullopt;
}

// The HIMETRIC size of a handle once it is a picture. Metafiles carry no size
// of their own, so theirs comes from the caller's extents.
QSize HimetricSize(const GraphicsObject& object, int xExtent, int yExtent) {
    switch (object.kind()) {
        case GraphicsObject::Kind::Bitmap:
            return {HimetricFromPixels(object.bitmap().width()),
                    HimetricFromPixels(object.bitmap().height())};
        case GraphicsObject::Kind::Icon:
            return {HimetricFromPixels(object.iconSize().width()),
                    HimetricFromPixels(object.iconSize().height())};
        case GraphicsObject::Kind::EnhancedMetafile: {
            const QRect frame = object.drawing().boundingRect();
            return {HimetricFromPixels(frame.width()), HimetricFromPixels(frame.height())};
        }
        case GraphicsObject::Kind::Metafile:
            return {xExtent, yExtent};
        case GraphicsObject::Kind::Palette:
        case GraphicsObject::Kind::Brush:
            break;
    }
    return {};
}

// Plays a recorded drawing so that its own bounds fill target.
void PlayDrawing(QPainter& painter, const QPicture& drawing, const QRect& target) {
    const QRect bounds = drawing.boundingRect();
    if (bounds.isEmpty() || target.isEmpty()) {
        return;
    }
    painter.setWindow(bounds);
    painter.setViewport(target);
    painter.drawPicture(0, 0, drawing);
}

}  // namespace

Picture CreatePicture(GraphicsHandle handle, int type, GraphicsHandle palette, int xExtent,
                      int yExtent) {
    if (!handle) {
        return {};
    }
    const std::optional<PictureType> kindType = DetectType(handle->kind());
    const bool explicitType = type >= 1 && type <= 4;
    if (!kindType || (explicitType && PictureType(type) != *kindType)) {
        // The handle cannot be a picture of that type: creation fails, silently.
        return {};
    }
    const QSize size = HimetricSize(*handle, xExtent, yExtent);
    if (*kindType != PictureType::Bitmap) {
        palette.reset();
    }
    return Picture(std::move(handle), *kindType, size.width(), size.height(), std::move(palette));
}

Picture PictureToBitmap(const Picture& picture, std::uint32_t backColor) {
    if (picture.isEmpty()) {
        return {};
    }
    if (picture.type() == PictureType::Bitmap) {
        return picture;
    }
    const int width = PicturePixels(picture.width());
    const int height = PicturePixels(picture.height());
    if (width <= 0 || height <= 0) {
        return {};
    }
    // A screen-compatible bitmap is opaque: no alpha channel.
    QImage bitmap(width, height, QImage::Format_RGB32);
    bitmap.fill(ColorFromValue(backColor));
    {
        QPainter painter(&bitmap);
        const GraphicsObject& source = *picture.handle();
        switch (picture.type()) {
            case PictureType::Icon: {
                // Icons are drawn at the standard icon size whatever the
                // bitmap's size, blended over the background.
                const QRect iconRect(0, 0, StandardIconSize, StandardIconSize);
                painter.drawPixmap(iconRect, source.icon().pixmap(iconRect.size(), 1.0));
                break;
            }
            case PictureType::EnhancedMetafile:
                PlayDrawing(painter, source.drawing(), QRect(0, 0, width, height));
                break;
            case PictureType::Metafile:
                painter.save();
                PlayDrawing(painter, source.drawing(), QRect(0, 0, width, height));
                painter.restore();
                break;
            case PictureType::Bitmap:
            case PictureType::None:
                break;
        }
    }
    return CreatePicture(MakeBitmapHandle(std::move(bitmap)), 0);
}

}  // namespace tovrin
