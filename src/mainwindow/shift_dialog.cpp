#include "mainwindow/shift_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "mainwindow/reading_progress.h"
#include "mainwindow/shift_preview_model.h"

namespace tovrin {

namespace {

QSpinBox* spin(int limit, const QString& suffix) {
    auto* box = new QSpinBox;
    box->setRange(-limit, limit);
    box->setSuffix(suffix);
    return box;
}

}  // namespace

std::optional<std::vector<PhotoDates>> ReadShiftPreview(QWidget* parent,
                                                        const std::string& folderPath,
                                                        const std::vector<std::string>& names,
                                                        const std::string& onlyOn, bool exifOnly) {
    std::vector<PhotoDates> photos;
    photos.reserve(names.size());
    const bool read =
        ReadWithProgress(parent, QStringLiteral("日時をずらす"), names.size(), [&](std::size_t i) {
            if (auto photo = ReadShiftDates(folderPath, names[i], onlyOn, exifOnly))
                photos.push_back(std::move(*photo));
        });
    if (!read) return std::nullopt;
    return photos;
}

ShiftDialog::ShiftDialog(std::vector<PhotoDates> photos, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("日時をずらす"));
    m_preview = new ShiftPreviewModel(std::move(photos), this);
    m_days = spin(3650000, QStringLiteral(" 日"));
    m_hours = spin(23, QStringLiteral(" 時間"));
    m_minutes = spin(59, QStringLiteral(" 分"));
    m_seconds = spin(59, QStringLiteral(" 秒"));
    auto* offset = new QHBoxLayout;
    for (QSpinBox* box : {m_days, m_hours, m_minutes, m_seconds}) {
        offset->addWidget(box);
        connect(box, &QSpinBox::valueChanged, this,
                [this] { m_preview->setOffset(offsetSeconds()); });
    }

    m_table = NewPreviewTable(this, m_preview);
    // A date is always as wide as the widest one; the file name takes what is left.
    // Copies bring longer places and texts of their own forms: the widest
    // of each that the photos may hold, when they hold any.
    const bool copies = m_preview->copyCount().copies > 0;
    const QFontMetrics metrics(m_table->font());
    const int pad = PreviewPad(metrics);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(ShiftPreviewModel::Name, QHeaderView::Stretch);
    const int placeWidth =
        metrics.horizontalAdvance(copies ? QStringLiteral("IPTC 2:62 DigitalCreationDate")
                                         : QStringLiteral("DateTimeDigitized")) +
        pad;
    const int dateWidth =
        metrics.horizontalAdvance(copies ? QStringLiteral("0000-00-00T00:00:00.00+00:00")
                                         : QStringLiteral("0000:00:00 00:00:00")) +
        pad;
    header->resizeSection(ShiftPreviewModel::Place, placeWidth);
    for (int column : {ShiftPreviewModel::Before, ShiftPreviewModel::After})
        header->resizeSection(column, dateWidth);

    m_copies = new QLabel(this);
    m_copies->setObjectName(QStringLiteral("copies"));
    const auto showCopies = [this] {
        const ShiftPreviewModel::CopyCount count = m_preview->copyCount();
        m_copies->setText(
            QStringLiteral("XMP・IPTC などの日付の写し: %1 件 (そのままになるもの %2 件)")
                .arg(static_cast<qulonglong>(count.copies))
                .arg(static_cast<qulonglong>(count.left)));
    };
    showCopies();
    m_copies->setVisible(copies);
    connect(m_preview, &ShiftPreviewModel::copyCountChanged, this, showCopies);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ずらす量（前へは負の値）:")));
    layout->addLayout(offset);
    layout->addWidget(m_table);
    layout->addWidget(m_copies);
    layout->addWidget(buttons);
    // Wide enough for the dates and a file name beside them.
    ResizeOverParent(*this, QSize(std::max(720, placeWidth + 2 * dateWidth + 12 * pad), 420),
                     parent);
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

}  // namespace tovrin
