#include "mainwindow/shift_preview_model.h"

#include <algorithm>

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
        if (const std::size_t held = m_photos[i].copyCount()) {
            m_withCopies.push_back(i);
            m_count.copies += held;
            const OffsetSpan span = OffsetsInRange(m_photos[i]);
            m_ordinary.first = std::max(m_ordinary.first, span.first);
            m_ordinary.last = std::min(m_ordinary.last, span.last);
        }
    }
    m_leftByNone = leftCopies();
    m_count.left = m_leftByNone;
}

int ShiftPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ShiftPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ShiftPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    const PhotoDates& photo = m_photos[row.photo];
    const DateCopy* copy =
        row.copy < 0 ? nullptr : &photo.copies[static_cast<std::size_t>(row.copy)];
    if (role == Qt::ToolTipRole) {
        // Why a copy stays behind, wherever on its row the pointer rests.
        if (!copy || copy->kind == DateCopy::Kind::Exif) return {};
        const std::vector<ShiftedText>* texts = shifted(row.photo);
        if (!texts) return {};
        const ShiftedText& text = (*texts)[static_cast<std::size_t>(row.copy)];
        if (text.text) return {};
        return QString::fromStdString(text.why);
    }
    switch (index.column()) {
        case Name:
            return WindowPath(photo.name);
        case Place:
            return copy ? QString::fromLatin1(copy->place.c_str()) : QString();
        case Before:
            return copy ? shown(copy->before) : QString();
        case After:
            return afterText(row.photo, row.copy);
        default:
            return {};
    }
}

const std::vector<ShiftedText>* ShiftPreviewModel::shifted(std::size_t photo) const {
    if (m_shifted.photo != photo || m_shifted.offset != m_offset) {
        m_shifted.photo = photo;
        m_shifted.offset = m_offset;
        m_shifted.texts = ShiftedTexts(m_photos[photo], m_offset);
    }
    return m_shifted.texts ? &*m_shifted.texts : nullptr;
}

QString ShiftPreviewModel::afterText(std::size_t photo, int copy) const {
    if (copy < 0) return QStringLiteral("(変更なし)");
    // Every EXIF text of the photo is shifted: one out of range keeps them all.
    const std::vector<ShiftedText>* texts = shifted(photo);
    if (!texts) return QStringLiteral("(範囲外)");
    const ShiftedText& after = (*texts)[static_cast<std::size_t>(copy)];
    if (!after.text) return QStringLiteral("(そのまま)");
    if (*after.text == m_photos[photo].copies[static_cast<std::size_t>(copy)].before)
        return QStringLiteral("(変更なし)");
    return shown(*after.text);
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
    countLeftCopies();
    if (m_rows.empty()) return;
    // One signal for the whole column: the view repaints what it shows and
    // asks for nothing else.
    emit dataChanged(index(0, After), index(rowCount() - 1, After), {Qt::DisplayRole});
}

std::size_t ShiftPreviewModel::leftCopies() const {
    // Only the photos that hold copies: a folder without any costs nothing
    // here, and one with them the copies' rule once a photo.
    std::size_t left = 0;
    for (const std::size_t i : m_withCopies) {
        const auto texts = ShiftedTexts(m_photos[i], m_offset);
        if (!texts) continue;  // the shift leaves the whole photo
        const std::vector<DateCopy>& copies = m_photos[i].copies;
        for (std::size_t k = 0; k < copies.size(); ++k)
            left += copies[k].kind != DateCopy::Kind::Exif && !(*texts)[k].text;
    }
    return left;
}

void ShiftPreviewModel::countLeftCopies() {
    // An offset that takes no date of any photo out of years 1 to 9999
    // leaves the copies that no offset would move, counted once: following
    // the offset then costs nothing however many copies there are.
    const std::size_t left = m_ordinary.contains(m_offset) ? m_leftByNone : leftCopies();
    if (left == m_count.left) return;
    m_count.left = left;
    emit copyCountChanged();
}

}  // namespace tovrin
