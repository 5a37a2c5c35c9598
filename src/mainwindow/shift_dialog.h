#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "run/shift_preview.h"

class QSpinBox;
class QTableView;

namespace tovrin {

class ShiftPreviewModel;

// Reads, once, the dates a shift would move in each named photo of
// folderPath (ending with the separator), with the filter day onlyOn. A
// folder that takes a while shows its progress over `parent`, and the
// reading can be cancelled there: then nothing is returned, and nothing is to
// be shifted.
std::optional<std::vector<PhotoDates>> ReadShiftPreview(QWidget* parent,
                                                        const std::string& folderPath,
                                                        const std::vector<std::string>& names,
                                                        const std::string& onlyOn);

// "日時をずらす": asks for an offset of days, hours, minutes and seconds (each
// may be negative) and shows, for every photo the shift would reach, each of
// its dates that moves, before and after, following the offset as it
// changes. The shift itself goes through the date-setting run.
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

private:
    ShiftPreviewModel* m_preview = nullptr;
    QSpinBox* m_days = nullptr;
    QSpinBox* m_hours = nullptr;
    QSpinBox* m_minutes = nullptr;
    QSpinBox* m_seconds = nullptr;
    QTableView* m_table = nullptr;
};

}  // namespace tovrin
