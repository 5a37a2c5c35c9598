#include "photo/picture_reader.h"

#include <optional>
#include <string>

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include "exif/container.h"
#include "exif/photo_file.h"
#include "exif/photo_kinds.h"
#include "exif/preview.h"
#include "exif/runtime_error.h"
#include "photo/heif_picture.h"
#include "ui/path_text.h"

namespace tovrin {

namespace {

// No embedded preview is this large; a span that claims so is not read into memory.
constexpr std::int64_t LargestPreview = std::int64_t{128} << 20;

bool qtReads(const char* format) {
    return QImageReader::supportedImageFormats().contains(QByteArray(format));
}

// The name a HEIF-family file goes by, for its notice.
QString heifFormatName(const PhotoKind* byName) {
    if (byName != nullptr) {
        if (byName->extension == "heic") return QStringLiteral("HEIC");
        if (byName->extension == "avif") return QStringLiteral("AVIF");
    }
    return QStringLiteral("HEIF");
}

}  // namespace

QString PictureReader::movieNotice() { return QStringLiteral("動画の縮小表示はありません"); }

QString PictureReader::rawWithoutPreviewNotice() {
    return QStringLiteral("この RAW ファイルには表示できるプレビュー画像がありません");
}

QString PictureReader::notInThisBuildNotice(const QString& format) {
    return format + QStringLiteral(" の縮小表示はこの版では表示できません");
}

PictureReader::PictureReader(const QString& path) : m_path(path) {
    if (!QFileInfo::exists(path)) {
        throw RuntimeError(error::FileNotFound);
    }
    const PhotoKind* byName = PhotoKindOfName(EnginePath(QFileInfo(path).fileName()));
    FileKind kind = FileKind::Unknown;
    bool raw = false;
    {
        // The engine tells what the file is; it also raises the open's own errors (75 for a
        // folder or a device, ...).
        PhotoFile file(EnginePath(path), PhotoFile::Mode::Read);
        kind = KindOfFile(file);
        if (kind == FileKind::Unknown) kind = MapContainer(file).kind;
        // ISO base media files are told apart by their brands, which only the container map
        // reads; until it knows one, the name says which it is meant to be.
        if (kind == FileKind::Unknown && byName != nullptr &&
            (byName->kind == FileKind::Heif || byName->kind == FileKind::Cr3 ||
             byName->kind == FileKind::QuickTime)) {
            kind = byName->kind;
        }
        raw = kind == FileKind::Raf || kind == FileKind::Cr3 ||
              (kind == FileKind::Tiff && byName != nullptr && byName->raw);
        if (raw) {
            const std::optional<ByteSpan> preview = FindPreviewJpeg(file);
            if (preview && preview->size <= LargestPreview) {
                m_preview.resize(static_cast<qsizetype>(preview->size));
                file.read(preview->first, m_preview.data(),
                          static_cast<std::size_t>(preview->size));
            }
        }
    }

    switch (kind) {
        case FileKind::QuickTime:
            m_notice = movieNotice();
            return;
        case FileKind::Heif:
            if (!heif::Available()) {
                m_notice = notInThisBuildNotice(heifFormatName(byName));
                return;
            }
            openHeif(path);
            return;
        case FileKind::WebP:
            if (!qtReads("webp")) {
                m_notice = notInThisBuildNotice(QStringLiteral("WebP"));
                return;
            }
            break;
        default:
            break;
    }
    if (raw) {
        if (m_preview.isEmpty()) {
            m_notice = rawWithoutPreviewNotice();
            return;
        }
        openPreview();
        return;
    }
    if (kind == FileKind::Tiff && !qtReads("tiff")) {
        m_notice = notInThisBuildNotice(QStringLiteral("TIFF"));
        return;
    }
    // JPEG, PNG, WebP, TIFF, and anything else Qt may know by its content.
    m_reader = std::make_unique<QImageReader>(path);
    m_reader->setAutoTransform(false);
    const QSize size = m_reader->size();
    if (size.isEmpty()) {
        const auto failure = m_reader->error();
        if (failure == QImageReader::FileNotFoundError || failure == QImageReader::DeviceError) {
            // The file is there but cannot be read (a folder, no permission, a device fault).
            throw RuntimeError(error::PathFileAccess);
        }
        throw RuntimeError(error::BadPicture);
    }
    m_naturalSize = size;
}

PictureReader::~PictureReader() = default;

void PictureReader::openPreview() {
    m_buffer = std::make_unique<QBuffer>(&m_preview);
    m_buffer->open(QIODevice::ReadOnly);
    m_reader = std::make_unique<QImageReader>(m_buffer.get(), QByteArrayLiteral("jpeg"));
    m_reader->setAutoTransform(false);
    const QSize size = m_reader->size();
    if (size.isEmpty()) {
        throw RuntimeError(error::BadPicture);
    }
    m_naturalSize = size;
}

void PictureReader::openHeif(const QString& path) {
    m_source = Source::Heif;
    const QSize size = heif::PrimarySize(path);
    if (size.isEmpty()) {
        throw RuntimeError(error::BadPicture);
    }
    m_naturalSize = size;
}

QImage PictureReader::decodeScaled(QSize size) {
    if (!hasPicture()) {
        throw RuntimeError(error::BadPicture);
    }
    const QSize shown = size.expandedTo(QSize(1, 1));
    if (m_source == Source::Heif) {
        const QImage whole = decode(shown);
        return whole.size() == shown
                   ? whole
                   : whole.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_reader->setScaledSize(shown);
    return decode();
}

QImage PictureReader::decodeClip(const QRect& clip) {
    if (!hasPicture()) {
        throw RuntimeError(error::BadPicture);
    }
    const QRect inside = clip.intersected(QRect(QPoint(0, 0), m_naturalSize));
    if (inside.isEmpty()) {
        throw RuntimeError(error::InvalidCall);
    }
    if (m_source == Source::Heif) {
        QImage whole = decode();
        // The decoded picture is the natural size the file states; one that is not is scaled to
        // it first, so the clip is the part asked for.
        if (whole.size() != m_naturalSize) {
            whole = whole.scaled(m_naturalSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        return whole.copy(inside);
    }
    m_reader->setClipRect(inside);
    return decode();
}

QImage PictureReader::decode(QSize atLeast) {
    QImage pixels =
        m_source == Source::Heif ? heif::DecodePrimary(m_path, atLeast) : m_reader->read();
    if (pixels.isNull()) {
        throw RuntimeError(error::BadPicture);
    }
    return pixels;
}

}  // namespace tovrin
