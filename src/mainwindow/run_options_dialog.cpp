#include "mainwindow/run_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tovrin {

namespace {

// An explanation under an option, indented to its text and in the colour of
// secondary text. Its lines break where the text says, never inside a
// phrase: the dialog is as wide as the longest line.
QLabel* Explanation(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setContentsMargins(22, 0, 0, 6);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     palette.color(QPalette::Disabled, QPalette::WindowText).darker(130));
    label->setPalette(palette);
    return label;
}

}  // namespace

RunOptionsDialog::RunOptionsDialog(const RunHost::RunOptions& options, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("RunOptionsDialog"));
    setWindowTitle(QStringLiteral("実行オプション"));

    m_addMissing = new QCheckBox(QStringLiteral("EXIFのない写真にも日付を書き込む"), this);
    m_addMissing->setObjectName(QStringLiteral("chkAddMissing"));
    m_addMissing->setChecked(options.addMissing);

    m_step = new QCheckBox(QStringLiteral("名前順に時刻をずらす"), this);
    m_step->setObjectName(QStringLiteral("chkStep"));
    m_stepCount = new QSpinBox(this);
    m_stepCount->setObjectName(QStringLiteral("spnStep"));
    m_stepCount->setRange(1, 3600);
    m_stepUnit = new QComboBox(this);
    m_stepUnit->setObjectName(QStringLiteral("cboStepUnit"));
    m_stepUnit->addItem(QStringLiteral("秒"));
    m_stepUnit->addItem(QStringLiteral("分"));
    // A step of whole minutes shows as minutes; none shows one second, the
    // step that keeps a set of scans closest to the chosen moment.
    const std::int64_t step = options.stepSeconds;
    const bool minutes = step >= 60 && step % 60 == 0 && step / 60 <= m_stepCount->maximum();
    m_step->setChecked(step > 0);
    m_stepUnit->setCurrentIndex(minutes ? Minutes : Seconds);
    m_stepCount->setValue(step <= 0 ? 1 : static_cast<int>(minutes ? step / 60 : step));
    const auto follow = [this] {
        m_stepCount->setEnabled(m_step->isChecked());
        m_stepUnit->setEnabled(m_step->isChecked());
    };
    follow();
    connect(m_step, &QCheckBox::toggled, this, follow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* stepRow = new QHBoxLayout;
    stepRow->addWidget(m_step);
    stepRow->addWidget(m_stepCount);
    stepRow->addWidget(m_stepUnit);
    stepRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_addMissing);
    layout->addWidget(Explanation(
        QStringLiteral("EXIF のない JPEG・PNG の写真に、日付を入れた EXIF を加えます。"), this));
    layout->addLayout(stepRow);
    layout->addWidget(Explanation(QStringLiteral("スキャンした写真などに、名前の順に 1 枚ずつ"
                                                 "時刻をずらした日時を書き込みます。\n"
                                                 "「時分秒は保持する」を選んでいても、"
                                                 "設定日時の時刻から順にずらします。\n"
                                                 "この設定は Tovrin を終了するまで有効です。"),
                                  this));
    layout->addStretch();
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

RunHost::RunOptions RunOptionsDialog::options() const {
    RunHost::RunOptions options;
    options.addMissing = m_addMissing->isChecked();
    if (m_step->isChecked()) {
        options.stepSeconds =
            std::int64_t{m_stepCount->value()} * (m_stepUnit->currentIndex() == Minutes ? 60 : 1);
    }
    return options;
}

}  // namespace tovrin
