#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

#include "exif/local_time.h"
#include "run/date_source.h"

namespace tovrin {

// A photo as the from-name preview shows it before the change, read once.
struct PhotoBefore {
    std::string name;  // as the run's targets name it
    enum class State {
        Exif,        // holds an EXIF block; `date` is its DateTimeOriginal ("" when none)
        NoExif,      // holds none
        Unreadable,  // could not be read (the run says why)
    } state = State::Exif;
    std::string date;  // as stored, one character a byte
};

// Reads folderPath + name (folderPath ends with the separator). Never throws.
PhotoBefore ReadPhotoBefore(const std::string& folderPath, const std::string& name);

// The preview of setting each photo's date from its file name, as a table:
// each photo's name, its capture date now, and what the run would write, or
// why it would write nothing (in the colour of disabled text). The photos are
// read once; a new pattern or time works from the names alone, so a folder of
// thousands follows the pattern as it is typed.
class FromNameModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Before, After, ColumnCount };

    FromNameModel(std::vector<PhotoBefore> photos, const LocalDateTime& now,
                  QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // What the run would take: `source` with fromName set, and whether a
    // photo without EXIF gets a block of its own.
    void setSource(const DateSource& source, bool addMissing);

    // How the photos would come out: dated by the run, or left because the
    // name tells no moment, the photo has no EXIF to write into, or the
    // moment lies after now.
    struct Count {
        std::size_t dated = 0;
        std::size_t unnamed = 0;
        std::size_t withoutExif = 0;
        std::size_t future = 0;
    };
    Count count() const { return m_count; }
    // The count as the line under the table says it.
    QString countText() const;

signals:
    void countChanged();

private:
    struct Row {
        QString after;
        bool dated = false;
    };
    std::vector<PhotoBefore> m_photos;
    LocalDateTime m_now;
    std::vector<Row> m_rows;
    Count m_count;
};

}  // namespace tovrin
