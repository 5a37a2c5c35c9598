#pragma once

#include <QDialog>

#include "run/run_host.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace tovrin {

// "実行オプション": whether a photo without EXIF gets a date of its own, and
// whether the photos of a run get moments a step apart in name order (for
// scans kept in album order). Shows `options` as they stand; options() is
// what the user chose.
class RunOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit RunOptionsDialog(const RunHost::RunOptions& options, QWidget* parent = nullptr);

    RunHost::RunOptions options() const;

    // The step's unit, as the unit box lists them.
    enum StepUnit { Seconds, Minutes };

private:
    QCheckBox* m_addMissing = nullptr;
    QCheckBox* m_step = nullptr;
    QSpinBox* m_stepCount = nullptr;
    QComboBox* m_stepUnit = nullptr;
};

}  // namespace tovrin
