#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include <QAbstractTableModel>

#include "run/shift_preview.h"

namespace tovrin {

// The shift's preview as a table: one row for each text of a photo's date
// that the shift looks at, its EXIF texts first, then the copies of the date
// that go with them (XMP, IPTC, IFD0's own); a photo where nothing moves gets
// one row saying so. Each row has its photo, its place, and its text before
// and after; a copy the shift would leave as it is says so, and why in its
// tooltip. The texts are read once; a new offset changes only the "after"
// column, worked out as rows are drawn, so a folder of thousands follows the
// offset at the cost of the rows in view.
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

    // The copies of the date the previewed photos hold, and how many of them
    // the shift by the offset would leave as they are (none of a photo the
    // shift leaves whole).
    struct CopyCount {
        std::size_t copies = 0;
        std::size_t left = 0;
    };
    CopyCount copyCount() const { return m_count; }

signals:
    void copyCountChanged();

private:
    const std::vector<ShiftedText>* shifted(std::size_t photo) const;
    QString afterText(std::size_t photo, int copy) const;
    std::size_t leftCopies() const;
    void countLeftCopies();

    struct Row {
        std::size_t photo;
        int copy;  // into the photo's copies; -1: the photo has none that moves
    };
    std::vector<PhotoDates> m_photos;
    std::vector<Row> m_rows;
    std::vector<std::size_t> m_withCopies;  // the photos that hold copies
    std::int64_t m_offset = 0;
    CopyCount m_count;
    // The offsets that take no date of the photos with copies out of years 1
    // to 9999, and the copies left by any of them (as by none).
    OffsetSpan m_ordinary{std::numeric_limits<std::int64_t>::min(),
                          std::numeric_limits<std::int64_t>::max()};
    std::size_t m_leftByNone = 0;
    // One photo's texts at the offset, kept while its rows are drawn: each
    // cell of them asks, and the copies' rule runs once for all.
    mutable struct {
        std::size_t photo = static_cast<std::size_t>(-1);
        std::int64_t offset = 0;
        std::optional<std::vector<ShiftedText>> texts;
    } m_shifted;
};

}  // namespace tovrin
