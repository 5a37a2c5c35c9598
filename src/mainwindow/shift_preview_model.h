#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>

#include "run/shift_preview.h"

namespace tovrin {

// The shift's preview as a table: one row for each copy of a photo's date
// that moves (a photo where nothing moves gets one row saying so), with its
// photo, its place, and its text before and after. The texts are read once;
// a new offset changes only the "after" column, worked out as rows are
// drawn, so a folder of thousands follows the offset at the cost of the rows
// in view. Another kind of copy (XMP, IPTC) is more rows, not a new table.
class ShiftPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Place, Before, After, ColumnCount };

    explicit ShiftPreviewModel(std::vector<PhotoDates> photos, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The offset in seconds the "after" column shows.
    void setOffset(std::int64_t seconds);
    std::int64_t offset() const { return m_offset; }

private:
    QString afterText(const PhotoDates& photo, int copy) const;

    struct Row {
        std::size_t photo;
        int copy;  // into the photo's copies; -1: the photo has none that moves
    };
    std::vector<PhotoDates> m_photos;
    std::vector<Row> m_rows;
    std::int64_t m_offset = 0;
};

}  // namespace tovrin
