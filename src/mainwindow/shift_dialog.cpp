#include "mainwindow/shift_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "ui/path_text.h"

namespace tovrin {

namespace {

// The photo's texts hold one character a byte; show bytes from 0x80 as Latin-1.
QString shown(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QSpinBox* spin(int limit, const QString& suffix) {
    auto* box = new QSpinBox;
    box->setRange(-limit, limit);
    box->setSuffix(suffix);
    return box;
}

}  // namespace

ShiftDialog::ShiftDialog(const std::string& folderPath, const std::vector<std::string>& names,
                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("日時をずらす"));
    m_days = spin(3650000, QStringLiteral(" 日"));
    m_hours = spin(23, QStringLiteral(" 時間"));
    m_minutes = spin(59, QStringLiteral(" 分"));
    m_seconds = spin(59, QStringLiteral(" 秒"));
    auto* offset = new QHBoxLayout;
    for (QSpinBox* box : {m_days, m_hours, m_minutes, m_seconds}) {
        offset->addWidget(box);
        connect(box, &QSpinBox::valueChanged, this, &ShiftDialog::updatePreview);
    }

    m_table = new QTableWidget(static_cast<int>(names.size()), 3, this);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("ファイル名"), QStringLiteral("変更前"), QStringLiteral("変更後")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (std::size_t i = 0; i < names.size(); ++i) {
        PhotoInfo info;
        try {
            ReadPhotoInfo(folderPath, names[i], info);
        } catch (const RuntimeError&) {
            // A photo that cannot be read shows no date; the run reports it.
        }
        m_rows.push_back({info.DateTimeOriginal});
        const int row = static_cast<int>(i);
        m_table->setItem(row, 0, new QTableWidgetItem(WindowPath(names[i])));
        m_table->setItem(row, 1, new QTableWidgetItem(shown(info.DateTimeOriginal)));
        m_table->setItem(row, 2, new QTableWidgetItem);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ずらす量（前へは負の値）:")));
    layout->addLayout(offset);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(560, 420);
    updatePreview();
}

std::int64_t ShiftDialog::offsetSeconds() const {
    return std::int64_t{m_days->value()} * 86400 + std::int64_t{m_hours->value()} * 3600 +
           std::int64_t{m_minutes->value()} * 60 + m_seconds->value();
}

void ShiftDialog::setOffset(int days, int hours, int minutes, int seconds) {
    m_days->setValue(days);
    m_hours->setValue(hours);
    m_minutes->setValue(minutes);
    m_seconds->setValue(seconds);
}

QString ShiftDialog::afterText(int row) const { return m_table->item(row, 2)->text(); }

void ShiftDialog::updatePreview() {
    const std::int64_t offset = offsetSeconds();
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        QString after = QStringLiteral("(変更なし)");
        if (const auto before = ParseExifMoment(m_rows[i].before)) {
            const auto moved = ShiftMoment(*before, offset);
            after =
                moved ? QString::fromStdString(ExifMomentText(*moved)) : QStringLiteral("(範囲外)");
        }
        m_table->item(static_cast<int>(i), 2)->setText(after);
    }
}

}  // namespace tovrin
