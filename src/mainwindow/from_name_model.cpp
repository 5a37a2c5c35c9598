#include "mainwindow/from_name_model.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

#include "exif/photo_kinds.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "run/date_setting_run.h"
#include "ui/path_text.h"

namespace tovrin {

namespace {

// The photo's texts hold one character a byte; show bytes from 0x80 as Latin-1.
QString shown(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Only a JPEG or a PNG can be given an EXIF block of its own.
bool TakesNewExif(const std::string& name) {
    const PhotoKind* kind = PhotoKindOfName(name);
    return kind && (kind->kind == FileKind::Jpeg || kind->kind == FileKind::Png);
}

// A reason in parentheses, as the preview's other notes are.
QString Note(const std::string& why) {
    const QString text = QString::fromStdString(why);
    return text.startsWith(QLatin1Char('(')) ? text : QLatin1Char('(') + text + QLatin1Char(')');
}

}  // namespace

PhotoBefore ReadPhotoBefore(const std::string& folderPath, const std::string& name) {
    PhotoBefore photo{name, PhotoBefore::State::Exif, {}};
    try {
        PhotoInfo info;
        if (ReadPhotoInfo(folderPath, name, info) == 0) {
            photo.state = PhotoBefore::State::NoExif;
        } else {
            photo.date = info.DateTimeOriginal;
        }
    } catch (...) {
        photo.state = PhotoBefore::State::Unreadable;
    }
    return photo;
}

FromNameModel::FromNameModel(std::vector<PhotoBefore> photos, const LocalDateTime& now,
                             QObject* parent)
    : QAbstractTableModel(parent), m_photos(std::move(photos)), m_now(now) {
    m_rows.resize(m_photos.size());
}

int FromNameModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_photos.size());
}

int FromNameModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FromNameModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const PhotoBefore& photo = m_photos[row];
    if (role == Qt::ForegroundRole) {
        const bool note = index.column() == After
                              ? !m_rows[row].dated
                              : index.column() == Before &&
                                    (photo.state != PhotoBefore::State::Exif || photo.date.empty());
        if (!note) return {};
        return QBrush(QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case Name:
            return WindowPath(photo.name);
        case Before:
            switch (photo.state) {
                case PhotoBefore::State::NoExif:
                    return QStringLiteral("(EXIFなし)");
                case PhotoBefore::State::Unreadable:
                    return QStringLiteral("(読み込めません)");
                case PhotoBefore::State::Exif:
                    return photo.date.empty() ? QStringLiteral("(日付なし)") : shown(photo.date);
            }
            return {};
        case After:
            return m_rows[row].after;
        default:
            return {};
    }
}

QVariant FromNameModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    switch (section) {
        case Name:
            return QStringLiteral("ファイル名");
        case Before:
            return QStringLiteral("変更前");
        case After:
            return QStringLiteral("変更後");
        default:
            return {};
    }
}

void FromNameModel::setSource(const DateSource& source, bool addMissing) {
    Count count;
    for (std::size_t i = 0; i < m_photos.size(); ++i) {
        const PhotoBefore& photo = m_photos[i];
        Row& row = m_rows[i];
        row.dated = false;
        // The rank counts only for a step, which a moment from the name never takes.
        const SourcedChoice sourced = ChoiceForPhoto(source, 0, photo.name);
        if (!sourced.choice) {
            row.after = Note(sourced.skipped.empty() ? "ファイル名から日付を読み取れません"
                                                     : sourced.skipped);
            ++count.unnamed;
            continue;
        }
        // The moment read is shown even where it is not written, so the user
        // sees the name was understood.
        const DateChoice& choice = *sourced.choice;
        row.after = QString::fromStdString(NewDateText(choice));
        if (photo.state == PhotoBefore::State::NoExif &&
            !(addMissing && TakesNewExif(photo.name))) {
            row.after += QStringLiteral(" (EXIFがないため書き込みません)");
            ++count.withoutExif;
            continue;
        }
        if (choice.keepTime) row.after += QStringLiteral(" (時刻はそのまま)");
        if (IsFutureChoice(choice, m_now)) {
            row.after += QStringLiteral(" (現在より先のため変更しません)");
            ++count.future;
        } else {
            row.dated = true;
            ++count.dated;
        }
    }
    if (!m_rows.empty()) {
        // One signal for the whole column: the view repaints what it shows.
        emit dataChanged(index(0, After), index(rowCount() - 1, After),
                         {Qt::DisplayRole, Qt::ToolTipRole, Qt::ForegroundRole});
    }
    const bool changed = count.dated != m_count.dated || count.unnamed != m_count.unnamed ||
                         count.withoutExif != m_count.withoutExif || count.future != m_count.future;
    m_count = count;
    if (changed) emit countChanged();
}

QString FromNameModel::countText() const {
    const auto number = [](std::size_t n) { return QString::number(static_cast<qulonglong>(n)); };
    QString text = QStringLiteral("日付を設定する写真: %1 件 (ファイル名から読めないもの %2 件")
                       .arg(number(m_count.dated), number(m_count.unnamed));
    if (m_count.withoutExif > 0)
        text +=
            QStringLiteral("、EXIFがなく書き込まないもの %1 件").arg(number(m_count.withoutExif));
    if (m_count.future > 0)
        text += QStringLiteral("、現在より先になるもの %1 件").arg(number(m_count.future));
    return text + QLatin1Char(')');
}

}  // namespace tovrin
