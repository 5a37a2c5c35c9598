#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "run/shift_preview.h"

class QLabel;
class QSpinBox;
class QTableView;

namespace tovrin {

class ShiftPreviewModel;

// Reads, once, the dates a shift would move in each named photo of
// folderPath (ending with the separator), with the filter day onlyOn, and,
// unless exifOnly, the copies of the date that move with them. A folder that
// takes a while shows its progress over `parent`, and the reading can be
// cancelled there: then nothing is returned, and nothing is to be shifted.
std::optional<std::vector<PhotoDates>> ReadShiftPreview(QWidget* parent,
                                                        const std::string& folderPath,
                                                        const std::vector<std::string>& names,
                                                        const std::string& onlyOn,
                                                        bool exifOnly = false);

// "日時をずらす": asks for an offset of days, hours, minutes and seconds (each
// may be negative) and shows, for every photo the shift would reach, each of
// its dates that moves, before and after, following the offset as it
// changes. Below the table, how many copies of the date the photos hold and
// how many of them would stay as they are, when they hold any. The shift
// itself goes through the date-setting run.
class ShiftDialog : public QDialog {
    Q_OBJECT
public:
    explicit ShiftDialog(std::vector<PhotoDates> photos, QWidget* parent = nullptr);

    // The offset in seconds of wall-clock time; negative moves earlier.
    std::int64_t offsetSeconds() const;
    void setOffset(int days, int hours, int minutes, int seconds);

    // The preview's table, as shown.
    const ShiftPreviewModel& preview() const { return *m_preview; }
    QTableView* table() const { return m_table; }
    // The count of the copies of the date under the table; hidden without any.
    QLabel* copiesLabel() const { return m_copies; }

private:
    ShiftPreviewModel* m_preview = nullptr;
    QSpinBox* m_days = nullptr;
    QSpinBox* m_hours = nullptr;
    QSpinBox* m_minutes = nullptr;
    QSpinBox* m_seconds = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_copies = nullptr;
};

}  // namespace tovrin
