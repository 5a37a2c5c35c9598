#pragma once

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include "button/picture.h"
#include "button/system_color.h"

namespace tovrin {

// Takes over a push button of the graphical style and draws its whole face:
// a picture beside the caption (or a colour swatch), arranged by
// PicturePosition, composed as one bitmap that becomes the button's picture.
// The button's own caption is emptied. The button's events are raised again
// as this object's signals; their arguments are references, so a handler that
// changes KeyCode or KeyAscii changes what the button receives (connect
// directly, never queued). Mouse positions are in twips.
//
// Load comes first. Before it, the storing members only store, and the
// members that act on the button do nothing.
class CommandButtonCT : public QObject {
    Q_OBJECT

public:
    explicit CommandButtonCT(QObject* parent = nullptr);
    ~CommandButtonCT() override;

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    ColorValue Color() const { return m_color; }
    void setColor(ColorValue color);

    // The attached button's enabled state; no redraw, the button greys its
    // face itself.
    bool Enabled() const;
    void setEnabled(bool enabled);

    // Attaches button: its picture and caption become Picture and Caption,
    // then the face is drawn.
    void Load(QPushButton* button);

    QString Name() const { return m_name; }
    void setName(const QString& name);

    tovrin::Picture Picture() const { return m_picture; }
    void setPicture(const tovrin::Picture& picture);

    int PictureMode() const { return m_pictureMode; }
    void setPictureMode(int mode);

    int PicturePosition() const { return m_picturePosition; }
    void setPicturePosition(int position);

    void Refresh();

    int Style() const { return m_style; }
    void setStyle(int style);

    // True while the button is held down or its Click is being raised.
    bool Value() const;

    bool Visible() const;
    void setVisible(bool visible);

    QPushButton* button() const { return m_command; }

signals:
    void Click();
    void MouseDown(qint16& Button, qint16& Shift, float& X, float& Y);
    void MouseMove(qint16& Button, qint16& Shift, float& X, float& Y);
    void MouseUp(qint16& Button, qint16& Shift, float& X, float& Y);
    void KeyDown(qint16& KeyCode, qint16& Shift);
    void KeyUp(qint16& KeyCode, qint16& Shift);
    void KeyPress(qint16& KeyAscii);
    void GotFocus();
    void LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void detach();
    void redraw();
    bool passMouse(QEvent* event);
    bool passKey(QEvent* event);
    void raiseClick();

    QPointer<QPushButton> m_command;
    QMetaObject::Connection m_clickConnection;
    QString m_name = QStringLiteral("CommandButtonCT");
    QString m_caption;
    tovrin::Picture m_picture;
    int m_picturePosition = 2;
    int m_pictureMode = 99;
    int m_style = 0;
    ColorValue m_color = 0x00FFFFFF;
    bool m_raisingClick = false;
    bool m_forwarding = false;
};

}  // namespace tovrin
