#include "mainwindow/help_windows.h"

#include <algorithm>
#include <utility>

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>

namespace tovrin {

namespace {

constexpr QSize HelpWindowSize(640, 560);

// A window of reading closes from the keyboard, as viewers do: Esc or Ctrl+W.
class ClosedByKeyboard : public QObject {
public:
    explicit ClosedByKeyboard(QWidget* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool closing =
                (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) ||
                (key->key() == Qt::Key_W && key->modifiers() == Qt::ControlModifier);
            if (closing) {
                if (event->type() == QEvent::KeyPress) m_window->close();
                event->accept();
                return event->type() == QEvent::KeyPress;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_window;
};

// Right of the owner when the screen has room there, else over its right part.
QPoint BesideOwner(const QWidget* owner, QSize size) {
    const QRect frame = owner->frameGeometry();
    const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(frame.topLeft(), size);
    // Kept on the screen; a screen smaller than the window shows its top-left.
    const int left =
        std::max(std::min(frame.right() + 1, room.right() + 1 - size.width()), room.left());
    const int top = std::max(std::min(frame.top(), room.bottom() + 1 - size.height()), room.top());
    return {left, top};
}

}  // namespace

HelpWindows::HelpWindows(QWidget* owner) : m_owner(owner) {}

void HelpWindows::open(const QString& pagePath) {
    const QFileInfo page(pagePath);
    if (!page.isFile()) {
        return;
    }
    const QUrl source = QUrl::fromLocalFile(page.absoluteFilePath());
    for (QTextBrowser* window : windows()) {
        if (window->source() == source) {
            window->showNormal();
            window->raise();
            window->activateWindow();
            return;
        }
    }
    auto* browser = new QTextBrowser(m_owner);
    browser->setObjectName(QStringLiteral("HelpWindow"));
    browser->setWindowFlag(Qt::Window);
    browser->setAttribute(Qt::WA_DeleteOnClose);
    browser->setOpenExternalLinks(true);
    browser->installEventFilter(new ClosedByKeyboard(browser));
    browser->setSource(source);
    const QString title = browser->documentTitle();
    browser->setWindowTitle(title.isEmpty() ? QStringLiteral("Tovrin") : title);
    browser->resize(HelpWindowSize);
    browser->move(BesideOwner(m_owner, HelpWindowSize));
    browser->show();
    m_windows.append(browser);
}

void HelpWindows::closeAll() {
    for (const QPointer<QTextBrowser>& window : std::as_const(m_windows)) {
        if (window) {
            window->close();
        }
    }
    m_windows.clear();
}

QList<QTextBrowser*> HelpWindows::windows() const {
    QList<QTextBrowser*> open;
    for (const QPointer<QTextBrowser>& window : m_windows) {
        if (window && window->isVisible()) {
            open.append(window);
        }
    }
    return open;
}

bool HelpWindows::isHelpWindow(const QWidget* window) const {
    return std::any_of(m_windows.cbegin(), m_windows.cend(),
                       [window](const QPointer<QTextBrowser>& w) { return w.data() == window; });
}

}  // namespace tovrin
