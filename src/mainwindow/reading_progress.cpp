#include "mainwindow/reading_progress.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHeaderView>
#include <QProgressDialog>
#include <QScreen>
#include <QTableView>
#include <QWidget>

namespace tovrin {

bool ReadWithProgress(QWidget* parent, const QString& title, std::size_t total,
                      const std::function<void(std::size_t)>& read) {
    QProgressDialog progress(QStringLiteral("写真の日付を読み込んでいます..."),
                             QStringLiteral("キャンセル"), 0, static_cast<int>(total), parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    // A folder read in a blink shows no dialog at all.
    progress.setMinimumDuration(500);
    progress.setValue(0);
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (std::size_t i = 0; i < total; ++i) {
        // The window repaints and the cancel button answers while the folder
        // is read: every 30 ms, and once as soon as the first photo is read,
        // so that even a small folder gives what waits on the events a turn.
        if (i == 1 || sinceEvents.elapsed() >= 30) {
            progress.setValue(static_cast<int>(i));
            // Until the dialog shows, the window's own controls must not
            // change the folder or the choice under the reading.
            QCoreApplication::processEvents(
                progress.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
            if (progress.wasCanceled()) return false;
            sinceEvents.restart();
        }
        read(i);
    }
    return true;
}

void ResizeOverParent(QWidget& dialog, QSize size, QWidget* parent) {
    if (parent != nullptr) {
        size.setHeight(std::max(size.height(), parent->window()->frameGeometry().height()));
        if (const QScreen* screen = parent->screen())
            size = size.boundedTo(screen->availableGeometry().size());
    }
    dialog.resize(size);
}

QTableView* NewPreviewTable(QWidget* parent, QAbstractItemModel* model) {
    auto* table = new QTableView(parent);
    table->setModel(model);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const QFontMetrics metrics(table->font());
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + PreviewPad(metrics) / 2);
    return table;
}

int PreviewPad(const QFontMetrics& metrics) {
    return 2 * metrics.horizontalAdvance(QLatin1Char('M'));
}

}  // namespace tovrin
