#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>

class QSpinBox;
class QTableWidget;

namespace tovrin {

// "日時をずらす": asks for an offset of days, hours, minutes and seconds (each
// may be negative) and shows, for every photo the shift would reach, its
// DateTimeOriginal before and after, updated as the offset changes. The
// shift itself goes through the date-setting run.
class ShiftDialog : public QDialog {
    Q_OBJECT
public:
    // folderPath ends with the separator; names are the photos to shift.
    ShiftDialog(const std::string& folderPath, const std::vector<std::string>& names,
                QWidget* parent = nullptr);

    // The offset in seconds of wall-clock time; negative moves earlier.
    std::int64_t offsetSeconds() const;

    // For tests: the table's "after" text of row `row`.
    QString afterText(int row) const;
    void setOffset(int days, int hours, int minutes, int seconds);

private:
    void updatePreview();

    struct Row {
        std::string before;  // DateTimeOriginal as read
    };
    std::vector<Row> m_rows;
    QSpinBox* m_days = nullptr;
    QSpinBox* m_hours = nullptr;
    QSpinBox* m_minutes = nullptr;
    QSpinBox* m_seconds = nullptr;
    QTableWidget* m_table = nullptr;
};

}  // namespace tovrin
