#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace tovrin {

// The picture display element of the main window's thumbnail and of the viewer. It has two modes:
// with stretching off it takes the natural size of the picture it holds; with stretching on it
// keeps its own rectangle and scales the picture to fill it exactly.
//
// A photo is seldom decoded at its natural size: the fit decodes it at the size it will be shown,
// and the actual-size view decodes only the part that can be seen. So the element keeps the
// picture's natural size apart from the decoded pixels, and knows which part of the natural
// picture those pixels cover.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    bool stretch() const { return m_stretch; }
    // Off: the element takes the picture's natural size at once. On: it keeps its rectangle.
    void setStretch(bool on);

    // `pixels` is `region` of a picture of `naturalSize` pixels, decoded at any scale; an empty
    // region means the whole picture.
    void setPicture(const QImage& pixels, QSize naturalSize, QRect region = {});
    void clearPicture();
    bool hasPicture() const { return !m_pixels.isNull(); }

    QSize naturalSize() const { return m_naturalSize; }
    const QImage& pixels() const { return m_pixels; }
    QRect region() const { return m_region; }

signals:
    void doubleClicked();
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void takeNaturalSize();

    bool m_stretch = false;
    QImage m_pixels;
    QSize m_naturalSize;
    QRect m_region;
};

}  // namespace tovrin
