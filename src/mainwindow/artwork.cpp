#include "mainwindow/artwork.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tovrin {

namespace {

QPixmap IconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // Calendar leaf behind, with its red binding.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 2.5, 20, 20), 2, 2);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(2.5, 2.5, 20, 5));
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            p.drawPoint(QPointF(6 + col * 4.5, 11 + row * 3.5));
        }
    }

    // Camera in front.
    QPainterPath body;
    body.addRoundedRect(QRectF(9.5, 14.5, 21, 14), 2.5, 2.5);
    body.addRect(QRectF(13.5, 11.5, 7, 4));
    p.setPen(QPen(QColor(20, 30, 60), 1));
    p.setBrush(QColor(40, 70, 140));
    p.drawPath(body.simplified());
    p.setBrush(QColor(220, 230, 245));
    p.drawEllipse(QPointF(20, 21.5), 5, 5);
    p.setBrush(QColor(30, 40, 70));
    p.drawEllipse(QPointF(20, 21.5), 2.6, 2.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 60));
    p.drawRect(QRectF(26, 16.5, 3, 2));
    return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        icon.addPixmap(IconPixmap(size));
    }
    return icon;
}

QPixmap HeadingBand(int widthPixels, int heightPixels) {
    QPixmap pixmap(widthPixels, heightPixels);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, widthPixels, 0);
    gradient.setColorAt(0.0, QColor(10, 36, 106));
    gradient.setColorAt(1.0, QColor(120, 160, 220));
    p.fillRect(pixmap.rect(), gradient);
    return pixmap;
}

}  // namespace tovrin
