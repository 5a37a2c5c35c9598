#include "photo/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace tovrin {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    // No background of its own: the panel behind shows wherever the picture does not reach.
    // Mouse moves without a button pressed are reported too (the thumbnail's tooltip).
    setMouseTracking(true);
}

void PictureBox::setStretch(bool on) {
    m_stretch = on;
    if (!m_stretch) {
        takeNaturalSize();
    }
}

void PictureBox::setPicture(const QImage& pixels, QSize naturalSize, QRect region) {
    m_notice.clear();
    m_pixels = pixels;
    m_naturalSize = naturalSize;
    m_region = region.isEmpty() ? QRect(QPoint(0, 0), naturalSize) : region;
    if (!m_stretch) {
        takeNaturalSize();
    }
    update();
}

void PictureBox::clearPicture() {
    m_notice.clear();
    m_pixels = QImage();
    m_naturalSize = QSize();
    m_region = QRect();
    update();
}

void PictureBox::setNotice(const QString& text) {
    m_pixels = QImage();
    m_naturalSize = QSize();
    m_region = QRect();
    m_notice = text;
    update();
}

void PictureBox::takeNaturalSize() {
    if (hasPicture()) {
        resize(m_naturalSize);
    }
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (hasNotice()) {
        // The element has no background of its own: the panel behind it (drawn in the
        // palette's ButtonText colour) shows, and the text takes the colour the window's own
        // surfaces have, so it reads on the panel as the window's texts read on the window.
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Window));
        painter.setFont(font());
        const int margin = 6;
        painter.drawText(rect().adjusted(margin, margin, -margin, -margin),
                         Qt::AlignCenter | Qt::TextWordWrap, m_notice);
        return;
    }
    if (!hasPicture() || m_naturalSize.isEmpty()) {
        return;
    }
    // Natural picture coordinates -> this element's rectangle.
    const double fx = m_stretch ? double(width()) / m_naturalSize.width() : 1.0;
    const double fy = m_stretch ? double(height()) / m_naturalSize.height() : 1.0;
    const QRectF target(m_region.x() * fx, m_region.y() * fy, m_region.width() * fx,
                        m_region.height() * fy);
    QPainter painter(this);
    if (target.size() != QSizeF(m_pixels.size())) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    painter.drawImage(target, m_pixels);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
    QWidget::mouseDoubleClickEvent(event);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved();
    QWidget::mouseMoveEvent(event);
}

}  // namespace tovrin
