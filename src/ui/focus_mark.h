#pragma once

#include <QStyledItemDelegate>

namespace tovrin {

// Draws list entries as usual and, while the list has the keyboard focus, a
// dotted frame around its current entry: without it nothing tells which of
// the two lists the arrow keys will move, since both show their selection
// alike.
class FocusMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace tovrin
