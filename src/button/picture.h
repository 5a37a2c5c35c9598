#pragma once

#include <cstdint>
#include <memory>

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QPicture>
#include <QRgb>
#include <QSize>

#include "ui/twips.h"

namespace tovrin {

// The size DrawIcon draws every icon at on a 96-DPI screen.
inline constexpr int StandardIconSize = 32;

// A drawing object that a picture can own: the stand-in for a graphics handle.
// Kinds a picture cannot hold (a palette, a brush) exist so that "this handle is
// no picture at all" stays representable.
class GraphicsObject {
public:
    enum class Kind { Bitmap, Metafile, EnhancedMetafile, Icon, Palette, Brush };

    Kind kind() const { return m_kind; }
    const QImage& bitmap() const { return m_bitmap; }
    const QPicture& drawing() const { return m_drawing; }
    const QIcon& icon() const { return m_icon; }
    // Natural pixel size of an icon.
    QSize iconSize() const { return m_iconSize; }
    const QList<QRgb>& colors() const { return m_colors; }
    QColor brushColor() const { return m_brushColor; }

private:
    friend std::shared_ptr<const GraphicsObject> MakeBitmapHandle(QImage);
    friend std::shared_ptr<const GraphicsObject> MakeMetafileHandle(QPicture);
    friend std::shared_ptr<const GraphicsObject> MakeEnhancedMetafileHandle(QPicture);
    friend std::shared_ptr<const GraphicsObject> MakeIconHandle(QIcon, QSize);
    friend std::shared_ptr<const GraphicsObject> MakePaletteHandle(QList<QRgb>);
    friend std::shared_ptr<const GraphicsObject> MakeBrushHandle(QColor);

    explicit GraphicsObject(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    QImage m_bitmap;
    QPicture m_drawing;
    QIcon m_icon;
    QSize m_iconSize;
    QList<QRgb> m_colors;
    QColor m_brushColor;
};

// A null handle is the 0 handle. The last owner releases the object.
using GraphicsHandle = std::shared_ptr<const GraphicsObject>;

GraphicsHandle MakeBitmapHandle(QImage bitmap);
GraphicsHandle MakeMetafileHandle(QPicture drawing);
GraphicsHandle MakeEnhancedMetafileHandle(QPicture drawing);
GraphicsHandle MakeIconHandle(QIcon icon, QSize naturalSize = {StandardIconSize, StandardIconSize});
GraphicsHandle MakePaletteHandle(QList<QRgb> colors);
GraphicsHandle MakeBrushHandle(QColor color);

enum class PictureType : int { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, EnhancedMetafile = 4 };

// A picture object: owns its handle and knows its size in HIMETRIC (0.01 mm).
// Copies share the handle, as references to one picture object do; an empty
// Picture (no handle, type 0) also stands for "nothing".
class Picture {
public:
    Picture() = default;
    Picture(GraphicsHandle handle, PictureType type, int width, int height,
            GraphicsHandle palette = {});

    const GraphicsHandle& handle() const { return m_handle; }
    PictureType type() const { return m_type; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The palette a bitmap was created with (may be null).
    const GraphicsHandle& palette() const { return m_palette; }

    bool isEmpty() const { return !m_handle || m_type == PictureType::None; }
    // True when both are the same picture object, not merely equal pixels.
    bool isSameObject(const Picture& other) const { return m_handle == other.m_handle; }

    // A bitmap picture's pixels, with its palette applied to an indexed bitmap.
    QImage bitmap() const;

private:
    GraphicsHandle m_handle;
    PictureType m_type = PictureType::None;
    int m_width = 0;
    int m_height = 0;
    GraphicsHandle m_palette;
};

// Pixel extent of a HIMETRIC extent as the picture helpers compute it:
// himetric x 0.5669292 (single precision) / twips per pixel, half to even.
int PicturePixels(int himetric, double twipsPerPixel = TwipsPerPixel);
// HIMETRIC extent of a pixel extent at 96 DPI, as a picture object records a
// bitmap's or an icon's size (rounded half away from zero).
int HimetricFromPixels(int pixels);

// Wraps handle into a picture object that owns it. type outside 1..4 means
// detect the type from the handle's kind. palette goes with bitmaps, the
// extents (HIMETRIC) with metafiles. Returns an empty Picture when handle is
// null or when the handle cannot become a picture of that type.
Picture CreatePicture(GraphicsHandle handle, int type, GraphicsHandle palette = {}, int xExtent = 0,
                      int yExtent = 0);

// A bitmap of picture's pixel size with picture drawn on backColor (a colour
// value, see system_color.h). An empty picture gives an empty Picture; a
// bitmap picture is returned as the very same object.
Picture PictureToBitmap(const Picture& picture, std::uint32_t backColor);

}  // namespace tovrin

Q_DECLARE_METATYPE(tovrin::Picture)
