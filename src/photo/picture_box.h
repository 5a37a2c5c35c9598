#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
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
    // Empties the element: no picture and no notice.
    void clearPicture();
    bool hasPicture() const { return !m_pixels.isNull(); }

    // Shows `text` in place of a picture: a file of a kind Tovrin lists that has no picture here
    // (a movie, a raw file without a preview, a format this build cannot decode). The element
    // keeps its rectangle, which should be the panel's it stands on, and draws the text centred
    // and wrapped in the panel's colours: the dark panel shows as it does for no picture, with
    // the text on it. Clears any picture; setPicture() and clearPicture() clear the notice.
    void setNotice(const QString& text);
    bool hasNotice() const { return !m_notice.isEmpty(); }
    const QString& notice() const { return m_notice; }

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
    QString m_notice;
    QSize m_naturalSize;
    QRect m_region;
};

}  // namespace tovrin
