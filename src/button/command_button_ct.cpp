#include "button/command_button_ct.h"

#include <array>
#include <utility>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>

#include "button/button_face.h"
#include "button/graphical_button.h"
#include "ui/virtual_keys.h"

namespace tovrin {

namespace {

qint16 MouseButtonCode(Qt::MouseButtons buttons) {
    qint16 code = 0;
    if (buttons & Qt::LeftButton) {
        code |= 1;
    }
    if (buttons & Qt::RightButton) {
        code |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        code |= 4;
    }
    return code;
}

// The text a key types when a handler has replaced the key: letters in the
// case the Shift key gives, other printable keys as themselves.
QString TextOfKey(int key, Qt::KeyboardModifiers modifiers) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter(key);
        return modifiers & Qt::ShiftModifier ? QString(letter) : QString(letter.toLower());
    }
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) {
        return QString(QChar(key));
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        return QStringLiteral("\r");
    }
    return {};
}

}  // namespace

CommandButtonCT::CommandButtonCT(QObject* parent) : QObject(parent) {}

CommandButtonCT::~CommandButtonCT() { detach(); }

void CommandButtonCT::setCaption(const QString& caption) {
    m_caption = caption;
    redraw();
}

void CommandButtonCT::setColor(ColorValue color) {
    m_color = color;
    redraw();
}

bool CommandButtonCT::Enabled() const { return m_command && m_command->isEnabled(); }

void CommandButtonCT::setEnabled(bool enabled) {
    if (m_command) {
        m_command->setEnabled(enabled);
    }
}

void CommandButtonCT::Load(QPushButton* button) {
    if (button != m_command) {
        detach();
    }
    m_command = button;
    if (!m_command) {
        return;
    }
    m_command->installEventFilter(this);
    // Mouse moves are raised while the pointer is over the button, pressed or not.
    m_command->setMouseTracking(true);
    QObject::disconnect(m_clickConnection);
    m_clickConnection =
        connect(m_command, &QPushButton::clicked, this, &CommandButtonCT::raiseClick);

    m_picture = ButtonPicture(*m_command);
    m_caption = m_command->text();
    redraw();
}

void CommandButtonCT::setName(const QString& name) { m_name = name; }

void CommandButtonCT::setPicture(const tovrin::Picture& picture) {
    m_picture = picture;
    redraw();
}

void CommandButtonCT::setPictureMode(int mode) {
    m_pictureMode = mode;
    redraw();
}

void CommandButtonCT::setPicturePosition(int position) {
    m_picturePosition = position;
    redraw();
}

void CommandButtonCT::Refresh() { redraw(); }

void CommandButtonCT::setStyle(int style) {
    m_style = style;
    redraw();
}

bool CommandButtonCT::Value() const { return m_command && (m_command->isDown() || m_raisingClick); }

bool CommandButtonCT::Visible() const { return m_command && m_command->isVisible(); }

void CommandButtonCT::setVisible(bool visible) {
    if (m_command) {
        m_command->setVisible(visible);
    }
}

void CommandButtonCT::detach() {
    QObject::disconnect(m_clickConnection);
    if (m_command) {
        m_command->removeEventFilter(this);
    }
    m_command = nullptr;
}

void CommandButtonCT::redraw() {
    if (!m_command) {
        return;
    }
    QPushButton& button = *m_command;
    if (!IsGraphicalStyle(button)) {
        button.setText(QStringLiteral("[Wrong Style]"));
        return;
    }

    // The picture is flattened onto the button's own background, so an icon's
    // transparent parts take that colour.
    tovrin::Picture facePicture;
    if (m_pictureMode == DrawPictureMode) {
        facePicture = PictureToBitmap(m_picture, TranslateColor(ButtonBackColor(button)));
    }

    FaceInput input;
    input.clientWidth = button.width();
    input.clientHeight = button.height();
    if (!facePicture.isEmpty()) {
        input.pictureWidth = FacePicturePixels(facePicture.width());
        input.pictureHeight = FacePicturePixels(facePicture.height());
    }
    // The face uses the application's default font, not the button's own.
    const QFont font = QApplication::font();
    if (m_style == FaceCaption) {
        const QSize extent =
            QFontMetrics(font).size(Qt::TextSingleLine | Qt::TextShowMnemonic, m_caption);
        input.captionWidth = extent.width();
        input.captionHeight = extent.height();
    }
    input.style = m_style;
    input.picturePosition = m_picturePosition;

    const FaceLayout layout = ComposeFace(input);
    QImage face = PaintFace(layout, facePicture.bitmap(), m_caption, font, m_style, m_color,
                            QGuiApplication::palette());

    // With the caption on the face, the button's own caption would show twice
    // (and its "&" would give it an access key): it goes.
    button.setText(QString());
    SetButtonPicture(button,
                     CreatePicture(MakeBitmapHandle(std::move(face)), int(PictureType::Bitmap)));
}

void CommandButtonCT::raiseClick() {
    m_raisingClick = true;
    emit Click();
    m_raisingClick = false;
}

bool CommandButtonCT::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_command || m_forwarding) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:  // the second press of a double click
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return passMouse(event);
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return passKey(event);
        case QEvent::FocusIn:
            emit GotFocus();
            return false;
        case QEvent::FocusOut:
            emit LostFocus();
            return false;
        default:
            return false;
    }
}

bool CommandButtonCT::passMouse(QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // Press and release name the button that changed; a move names all held.
    qint16 button =
        MouseButtonCode(event->type() == QEvent::MouseMove ? mouse->buttons() : mouse->button());
    qint16 shift = ShiftState(mouse->modifiers());
    float x = float(mouse->position().x() * TwipsPerPixel);
    float y = float(mouse->position().y() * TwipsPerPixel);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            emit MouseDown(button, shift, x, y);
            break;
        case QEvent::MouseButtonRelease:
            emit MouseUp(button, shift, x, y);
            break;
        default:
            emit MouseMove(button, shift, x, y);
            break;
    }
    return false;
}

bool CommandButtonCT::passKey(QEvent* event) {
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    // A handler may attach another button; this event then stays as it was.
    const QPushButton* target = m_command;
    const bool down = event->type() == QEvent::KeyPress;
    const qint16 originalCode = VirtualKeyFromQt(keyEvent->key());
    qint16 keyCode = originalCode;
    qint16 shift = ShiftState(keyEvent->modifiers());
    if (down) {
        emit KeyDown(keyCode, shift);
    } else {
        emit KeyUp(keyCode, shift);
    }
    if (m_command != target) {
        return false;
    }

    int key = keyEvent->key();
    QString text = keyEvent->text();
    if (keyCode != originalCode) {
        if (keyCode == 0) {
            return true;  // the handler took the key away
        }
        key = QtKeyFromVirtualKey(keyCode);
        text = TextOfKey(key, keyEvent->modifiers());
    }
    if (down && text.size() == 1) {
        const qint16 originalAscii = qint16(text.at(0).unicode());
        qint16 keyAscii = originalAscii;
        emit KeyPress(keyAscii);
        if (m_command != target) {
            return false;
        }
        if (keyAscii != originalAscii) {
            // 0 cancels the character only; the key itself still reaches the button.
            text = keyAscii == 0 ? QString() : QString(QChar(char16_t(keyAscii)));
        }
    }
    if (key == keyEvent->key() && text == keyEvent->text()) {
        return false;
    }
    QKeyEvent replacement(event->type(), key, keyEvent->modifiers(), text, keyEvent->isAutoRepeat(),
                          quint16(keyEvent->count()));
    m_forwarding = true;
    QCoreApplication::sendEvent(m_command, &replacement);
    m_forwarding = false;
    return true;
}

}  // namespace tovrin
