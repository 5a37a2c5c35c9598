#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QTextBrowser;
class QWidget;

namespace tovrin {

// The help pages shown beside the main window: non-modal windows owned by it,
// closed all at once when the program ends. A page that is asked for again
// comes to the front in the window that already shows it.
class HelpWindows {
public:
    explicit HelpWindows(QWidget* owner);

    // Shows the page at `pagePath`; a missing page opens nothing and shows no
    // message.
    void open(const QString& pagePath);
    void closeAll();

    // The help windows that are open, oldest first.
    QList<QTextBrowser*> windows() const;
    bool isHelpWindow(const QWidget* window) const;

private:
    QWidget* m_owner;
    QList<QPointer<QTextBrowser>> m_windows;
};

}  // namespace tovrin
