#include "mainwindow/undo_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "exif/local_time.h"

namespace tovrin {

namespace {

constexpr int IdRole = Qt::UserRole;

// The run's moment in local time, "2024/05/10 12:34:56"; ids hold UTC.
QString LocalTimeText(const std::string& id) {
    const LocalDateTime utc = RunTime(id);
    if (utc.year == 0) return QString::fromStdString(id);
    const LocalDateTime t = ToLocal(WallSeconds(utc));
    return QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

// "3件", and beside it the copies of the date the run rewrote, when any:
// "3件 (日付の写し 5件)".
QString PhotosText(const RecordedRun& run) {
    QString text = QStringLiteral("%1件").arg(static_cast<qulonglong>(run.photos));
    if (run.copies > 0)
        text += QStringLiteral(" (日付の写し %1件)").arg(static_cast<qulonglong>(run.copies));
    return text;
}

}  // namespace

QString UndoDialog::KindText(const std::string& kind) {
    if (kind == "window") return QStringLiteral("日付設定");
    if (kind == "set") return QStringLiteral("日付設定 (コマンド)");
    if (kind == "shift") return QStringLiteral("日時をずらす");
    if (kind == "undo") return QStringLiteral("元に戻す");
    return QString::fromStdString(kind);
}

UndoDialog::UndoDialog(const std::vector<RecordedRun>& runs, const std::string& latest,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("UndoDialog"));
    setWindowTitle(QStringLiteral("元に戻す"));
    auto* label = new QLabel(QStringLiteral("元に戻す処理を選んで下さい。"));

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("runs"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("日時"), QStringLiteral("処理"), QStringLiteral("写真"),
                             QStringLiteral("状態")});
    QTreeWidgetItem* offered = nullptr;
    for (const RecordedRun& run : runs) {
        QString state;
        if (run.givenBack) {
            state = QStringLiteral("元に戻し済み");
        } else if (run.id == latest) {
            state = QStringLiteral("直前の処理");
        }
        auto* item = new QTreeWidgetItem(
            m_list, {LocalTimeText(run.id), KindText(run.kind), PhotosText(run), state});
        item->setData(0, IdRole, QString::fromStdString(run.id));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        // Given back already: its photos hold their old dates again.
        if (run.givenBack) item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        if (run.id == latest) offered = item;
    }
    for (int c = 0; c < m_list->columnCount(); ++c) m_list->resizeColumnToContents(c);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("元に戻す"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->flags() & Qt::ItemIsEnabled) accept();
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [ok](QTreeWidgetItem* item) { ok->setEnabled(item != nullptr); });
    if (offered) {
        m_list->setCurrentItem(offered);
    } else {
        ok->setEnabled(false);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(520, 300);
}

std::string UndoDialog::chosenRun() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return {};
    return item->data(0, IdRole).toString().toStdString();
}

}  // namespace tovrin
