#pragma once

#include <cstddef>
#include <functional>

#include <QSize>
#include <QString>

class QAbstractItemModel;
class QFontMetrics;
class QTableView;
class QWidget;

namespace tovrin {

// Calls read(i) for each i from 0 to total - 1, in order, for a preview that
// reads a folder's photos before its dialog opens. A folder that takes a
// while shows its progress over `parent` under `title`, and can be cancelled
// there: then false is returned and the rest is not read.
bool ReadWithProgress(QWidget* parent, const QString& title, std::size_t total,
                      const std::function<void(std::size_t)>& read);

// Gives a preview dialog `size`, and at least the height of the window it
// opens over: a dialog that ends just above the lists' bottom leaves a strip
// of them showing that looks like a stray control. Never larger than the
// screen.
void ResizeOverParent(QWidget& dialog, QSize size, QWidget* parent);

// A preview's table over `model`: read-only, whole rows selected, one line
// of its font per row, columns the user may widen. Widths are set from the
// font, never from the rows: measuring the contents would go through every
// row of a large folder at each change.
QTableView* NewPreviewTable(QWidget* parent, QAbstractItemModel* model);

// What a preview's column takes beside the widest text it will show.
int PreviewPad(const QFontMetrics& metrics);

}  // namespace tovrin
