#include "mainwindow/shift_preview_model.h"

#include "ui/path_text.h"

namespace tovrin {

namespace {

// The photo's texts hold one character a byte; show bytes from 0x80 as Latin-1.
QString shown(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

ShiftPreviewModel::ShiftPreviewModel(std::vector<PhotoDates> photos, QObject* parent)
    : QAbstractTableModel(parent), m_photos(std::move(photos)) {
    m_rows.reserve(m_photos.size() * 3);
    for (std::size_t i = 0; i < m_photos.size(); ++i) {
        const int copies = static_cast<int>(m_photos[i].copies.size());
        if (copies == 0) m_rows.push_back({i, -1});
        for (int k = 0; k < copies; ++k) m_rows.push_back({i, k});
    }
}

int ShiftPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ShiftPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ShiftPreviewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    const PhotoDates& photo = m_photos[row.photo];
    const DateCopy* copy =
        row.copy < 0 ? nullptr : &photo.copies[static_cast<std::size_t>(row.copy)];
    switch (index.column()) {
        case Name:
            return WindowPath(photo.name);
        case Place:
            return copy ? QString::fromLatin1(copy->place.c_str()) : QString();
        case Before:
            return copy ? shown(copy->before) : QString();
        case After:
            return afterText(photo, row.copy);
        default:
            return {};
    }
}

QString ShiftPreviewModel::afterText(const PhotoDates& photo, int copy) const {
    if (copy < 0) return QStringLiteral("(変更なし)");
    // Every copy of the photo is shifted: one out of range keeps them all.
    const auto texts = ShiftedTexts(photo, m_offset);
    if (!texts) return QStringLiteral("(範囲外)");
    const std::string& after = (*texts)[static_cast<std::size_t>(copy)];
    if (after == photo.copies[static_cast<std::size_t>(copy)].before)
        return QStringLiteral("(変更なし)");
    return QString::fromLatin1(after.c_str());
}

QVariant ShiftPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    switch (section) {
        case Name:
            return QStringLiteral("ファイル名");
        case Place:
            return QStringLiteral("項目");
        case Before:
            return QStringLiteral("変更前");
        case After:
            return QStringLiteral("変更後");
        default:
            return {};
    }
}

void ShiftPreviewModel::setOffset(std::int64_t seconds) {
    if (seconds == m_offset) return;
    m_offset = seconds;
    if (m_rows.empty()) return;
    // One signal for the whole column: the view repaints what it shows and
    // asks for nothing else.
    emit dataChanged(index(0, After), index(rowCount() - 1, After), {Qt::DisplayRole});
}

}  // namespace tovrin
