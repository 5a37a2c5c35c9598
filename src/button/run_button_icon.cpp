#include "button/run_button_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace tovrin {

namespace {

QImage IconImage() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);

    // The page, with a one-pixel dark outline.
    const QRect page(3, 5, 26, 24);
    painter.fillRect(page, QColor(64, 64, 64));
    painter.fillRect(page.adjusted(1, 1, -1, -1), Qt::white);
    // The heading band of the month.
    painter.fillRect(QRect(4, 6, 24, 6), QColor(200, 32, 32));
    // Binding rings above the band.
    painter.fillRect(QRect(9, 2, 2, 6), QColor(96, 96, 96));
    painter.fillRect(QRect(21, 2, 2, 6), QColor(96, 96, 96));
    // Days: three rows of five, one of them marked.
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QRect day(6 + column * 4, 14 + row * 4, 3, 3);
            const bool marked = row == 1 && column == 3;
            painter.fillRect(day, marked ? QColor(200, 32, 32) : QColor(150, 150, 150));
        }
    }
    return image;
}

}  // namespace

QIcon RunButtonIcon() { return QIcon(QPixmap::fromImage(IconImage())); }

}  // namespace tovrin
