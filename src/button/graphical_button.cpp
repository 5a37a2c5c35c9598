#include "button/graphical_button.h"

#include <algorithm>

#include <QVariant>

namespace tovrin {

namespace {

constexpr char GraphicalProperty[] = "tovrinGraphicalStyle";
constexpr char PictureProperty[] = "tovrinPicture";
constexpr char IconKeyProperty[] = "tovrinPictureIconKey";

QSize NaturalIconSize(const QIcon& icon, QSize fallback) {
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty()) {
        return fallback;
    }
    return *std::max_element(sizes.begin(), sizes.end(), [](QSize a, QSize b) {
        return a.width() * a.height() < b.width() * b.height();
    });
}

}  // namespace

void SetGraphicalStyle(QPushButton& button, bool graphical) {
    button.setProperty(GraphicalProperty, graphical);
}

bool IsGraphicalStyle(const QPushButton& button) {
    return button.property(GraphicalProperty).toBool();
}

ColorValue ButtonBackColor(const QPushButton& button) {
    return ValueFromColor(button.palette().color(QPalette::Active, QPalette::Button));
}

Picture ButtonPicture(const QPushButton& button) {
    const QVariant stored = button.property(PictureProperty);
    if (stored.isValid() &&
        button.property(IconKeyProperty).toLongLong() == button.icon().cacheKey()) {
        return stored.value<Picture>();
    }
    if (button.icon().isNull()) {
        return {};
    }
    return CreatePicture(
        MakeIconHandle(button.icon(), NaturalIconSize(button.icon(), button.iconSize())),
        int(PictureType::Icon));
}

void SetButtonPicture(QPushButton& button, const Picture& picture) {
    QIcon icon;
    QSize size = button.iconSize();
    if (picture.type() == PictureType::Icon) {
        icon = picture.handle()->icon();
        size = picture.handle()->iconSize();
    } else if (!picture.isEmpty()) {
        const ColorValue back = TranslateColor(ButtonBackColor(button));
        const QImage bitmap = PictureToBitmap(picture, back).bitmap();
        if (!bitmap.isNull()) {
            icon = QIcon(QPixmap::fromImage(bitmap));
            size = bitmap.size();
        }
    }
    button.setIconSize(size);
    button.setIcon(icon);
    button.setProperty(PictureProperty, QVariant::fromValue(picture));
    button.setProperty(IconKeyProperty, button.icon().cacheKey());
}

}  // namespace tovrin
