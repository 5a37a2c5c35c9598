#include "mainwindow/from_name_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "exif/name_date.h"
#include "mainwindow/reading_progress.h"

namespace tovrin {

namespace {

const QString Title = QStringLiteral("ファイル名から日付を設定");
// The first entry of the pattern box: the usual forms, no pattern at all.
const QString Automatic = QStringLiteral("自動 (よくある名前の形式)");

void SetTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

}  // namespace

std::optional<std::vector<PhotoBefore>> ReadFromNamePreview(QWidget* parent,
                                                            const std::string& folderPath,
                                                            const std::vector<std::string>& names) {
    std::vector<PhotoBefore> photos;
    photos.reserve(names.size());
    const bool read = ReadWithProgress(parent, Title, names.size(), [&](std::size_t i) {
        photos.push_back(ReadPhotoBefore(folderPath, names[i]));
    });
    if (!read) return std::nullopt;
    return photos;
}

FromNameDialog::FromNameDialog(std::vector<PhotoBefore> photos, const DateChoice& form,
                               bool addMissing, const LocalDateTime& now, QWidget* parent)
    : QDialog(parent), m_form(form) {
    setObjectName(QStringLiteral("FromNameDialog"));
    setWindowTitle(Title);
    m_preview = new FromNameModel(std::move(photos), now, this);

    // The pattern: the usual forms (an empty box, which says so), a few
    // examples to start from, or the user's own.
    m_pattern = new QComboBox(this);
    m_pattern->setObjectName(QStringLiteral("cboPattern"));
    m_pattern->setEditable(true);
    m_pattern->setInsertPolicy(QComboBox::NoInsert);
    m_pattern->addItems({Automatic, QStringLiteral("{Y}{M}{D}_{h}{m}{s}"),
                         QStringLiteral("{*}_{Y}{M}{D}_{h}{m}{s}"),
                         QStringLiteral("{Y}-{M}-{D} {h}.{m}.{s}"),
                         QStringLiteral("{*}{Y}-{M}-{D}{*}")});
    m_pattern->lineEdit()->setPlaceholderText(Automatic);
    m_pattern->lineEdit()->clear();
    // Completing a pattern from the examples while it is typed would
    // preview one the user never wrote.
    m_pattern->setCompleter(nullptr);
    connect(m_pattern, &QComboBox::activated, this, [this](int index) {
        if (index == 0) m_pattern->lineEdit()->clear();
    });
    connect(m_pattern, &QComboBox::editTextChanged, this, &FromNameDialog::follow);

    auto* fields = new QLabel(
        QStringLiteral("{Y} 年 (4 桁)　{M} 月　{D} 日　{h} 時　{m} 分　{s} 秒 (各 2 桁)　"
                       "{*} 任意の文字"),
        this);
    QPalette secondary = fields->palette();
    secondary.setColor(QPalette::WindowText,
                       secondary.color(QPalette::Disabled, QPalette::WindowText).darker(130));
    fields->setPalette(secondary);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("lblProblem"));
    SetTextColor(m_problem, Qt::red);
    m_problem->setWordWrap(true);
    m_problem->hide();

    m_table = NewPreviewTable(this, m_preview);
    const QFontMetrics metrics(m_table->font());
    const int pad = PreviewPad(metrics);
    const int nameWidth =
        metrics.horizontalAdvance(QStringLiteral("IMG_20210314_121530.jpg")) + pad;
    const int dateWidth = metrics.horizontalAdvance(QStringLiteral("0000:00:00 00:00:00")) + pad;
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(FromNameModel::After, QHeaderView::Stretch);
    header->resizeSection(FromNameModel::Name, nameWidth);
    header->resizeSection(FromNameModel::Before, dateWidth);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblCount"));

    // A name that gives a day only keeps the photo's own time, or takes
    // the one chosen here.
    m_keepTime = new QCheckBox(QStringLiteral("日付だけの名前は時刻を保持する"), this);
    m_keepTime->setObjectName(QStringLiteral("chkKeepTime"));
    m_keepTime->setChecked(form.keepTime);
    m_time = new QTimeEdit(QTime(form.time.hour, form.time.minute, form.time.second), this);
    m_time->setObjectName(QStringLiteral("tmeTime"));
    m_time->setDisplayFormat(QStringLiteral("H:mm:ss"));
    auto* timeLabel = new QLabel(QStringLiteral("保持しないときの時刻:"), this);
    const auto timeFollows = [this, timeLabel] {
        m_time->setEnabled(!m_keepTime->isChecked());
        timeLabel->setEnabled(!m_keepTime->isChecked());
    };
    timeFollows();
    connect(m_keepTime, &QCheckBox::toggled, this, timeFollows);
    connect(m_keepTime, &QCheckBox::toggled, this, &FromNameDialog::follow);
    connect(m_time, &QTimeEdit::timeChanged, this, &FromNameDialog::follow);

    m_addMissing = new QCheckBox(QStringLiteral("EXIFのない写真にも日付を書き込む"), this);
    m_addMissing->setObjectName(QStringLiteral("chkAddMissing"));
    m_addMissing->setChecked(addMissing);
    connect(m_addMissing, &QCheckBox::toggled, this, &FromNameDialog::follow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_run = buttons->button(QDialogButtonBox::Ok);
    m_run->setText(QStringLiteral("実行"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_preview, &FromNameModel::countChanged, this,
            [this] { m_count->setText(m_preview->countText()); });

    auto* patternRow = new QHBoxLayout;
    auto* patternLabel = new QLabel(QStringLiteral("ファイル名の形式(&P):"), this);
    patternLabel->setBuddy(m_pattern);
    patternRow->addWidget(patternLabel);
    patternRow->addWidget(m_pattern, 1);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_keepTime);
    timeRow->addSpacing(pad);
    timeRow->addWidget(timeLabel);
    timeRow->addWidget(m_time);
    timeRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patternRow);
    layout->addWidget(fields);
    layout->addWidget(m_problem);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_count);
    layout->addLayout(timeRow);
    layout->addWidget(m_addMissing);
    if (form.filterOn) {
        // The day filter of the window holds here too; said, since the
        // preview cannot tell which photos it leaves out.
        auto* filter =
            new QLabel(QStringLiteral("「指定した埋込日付の写真全てを対象」がオンのため、"
                                      "埋込日付が %1/%2/%3 の写真だけを変更します。")
                           .arg(form.filterDate.year, 4, 10, QLatin1Char('0'))
                           .arg(form.filterDate.month, 2, 10, QLatin1Char('0'))
                           .arg(form.filterDate.day, 2, 10, QLatin1Char('0')),
                       this);
        filter->setWordWrap(true);
        layout->addWidget(filter);
    }
    layout->addWidget(buttons);

    m_count->setText(m_preview->countText());
    follow();

    // Wide enough for a name and both dates with a note.
    ResizeOverParent(*this,
                     QSize(std::max(760, nameWidth + 2 * dateWidth +
                                             metrics.horizontalAdvance(Automatic) + 4 * pad),
                           460),
                     parent);
}

std::string FromNameDialog::pattern() const {
    const QString text = m_pattern->currentText();
    return text == Automatic ? std::string() : text.toStdString();
}

void FromNameDialog::setPattern(const QString& pattern) { m_pattern->setEditText(pattern); }

bool FromNameDialog::addMissing() const { return m_addMissing->isChecked(); }

DateSource FromNameDialog::source() const {
    DateSource source;
    source.choice = m_form;
    source.choice.keepTime = m_keepTime->isChecked();
    const QTime time = m_time->time();
    source.choice.time = TimeOfDay{time.hour(), time.minute(), time.second()};
    source.fromName = true;
    source.namePattern = pattern();
    return source;
}

void FromNameDialog::follow() {
    const std::string text = pattern();
    const std::string problem = text.empty() ? std::string() : NamePatternProblem(text);
    m_problem->setText(QString::fromStdString(problem));
    m_problem->setVisible(!problem.empty());
    // A pattern that cannot be used leaves the table as it was, greyed: the
    // rows of a half-typed pattern would flicker past to no purpose.
    if (problem.empty()) m_preview->setSource(source(), addMissing());
    m_table->setEnabled(problem.empty());
    m_run->setEnabled(problem.empty() && m_preview->count().dated > 0);
}

}  // namespace tovrin
