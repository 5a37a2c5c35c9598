#include "exif/reader.h"

#include <algorithm>
#include <cctype>

#include "exif/byte_access.h"
#include "exif/container.h"
#include "exif/exif_walk.h"
#include "exif/local_time.h"
#include "exif/movie_time.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

using namespace tiff;

// A text is read at most `count` bytes: one of 4 bytes or less stands in the
// value field itself, a longer one at TiffBase + offset. The bound keeps a
// damaged or padded field from running on into whatever follows it, and the
// segment's end keeps a crafted count from reading megabytes past the EXIF
// data: a text never leaves the segment that holds it. One that starts
// outside it reads as empty.
std::string entryText(PhotoFile& file, std::int64_t e, int order, std::int64_t tiffBase,
                      const ByteSpan& segment) {
    const auto count = static_cast<std::uint32_t>(ReadDword(file, e + 4, order));
    const std::int64_t p =
        count > 4 ? tiffBase + static_cast<std::uint32_t>(ReadDword(file, e + 8, order)) : e + 8;
    if (p < segment.first || p >= segment.end()) return {};
    return ReadText(file, p, std::min<std::int64_t>(count, segment.end() - p));
}

std::int32_t entryNumber(PhotoFile& file, std::int64_t e, int order) {
    if (ReadWord(file, e + 2, order) == TypeShort)
        return static_cast<std::uint16_t>(ReadWord(file, e + 8, order));
    return ReadDword(file, e + 8, order);
}

}  // namespace

std::int32_t WalkTiff(PhotoFile& file, const ExifBlock& block, PhotoInfo& info) {
    TiffStructure structure;
    const auto read = [&](const IfdEntry& entry) {
        const std::int64_t e = entry.position;
        const int order = structure.order;
        std::string* text = nullptr;
        if (entry.directory == Directory::Ifd0) {
            switch (entry.tag) {
                case TagDateTime:
                    text = &info.DateTime;
                    break;
                case TagMake:
                    text = &info.Make;
                    break;
                case TagModel:
                    text = &info.Model;
                    break;
                default:
                    break;
            }
        } else {
            switch (entry.tag) {
                case TagDateTimeOriginal:
                    text = &info.DateTimeOriginal;
                    break;
                case TagDateTimeDigitized:
                    text = &info.DateTimeDigitized;
                    break;
                case TagPixelXDimension:
                    info.PixelXDimension = entryNumber(file, e, order);
                    break;
                case TagPixelYDimension:
                    info.PixelYDimension = entryNumber(file, e, order);
                    break;
                default:
                    break;
            }
        }
        // A later entry of the same tag wins.
        if (text) *text = entryText(file, e, order, block.tiffBase, block.app1);
    };
    const WalkEnd end =
        WalkTiffStructure(file, block.tiffBase, structure, read, block.magic, block.holds);
    return end == WalkEnd::Complete ? structure.exifCount : 0;
}

std::int32_t ReadPhotoInfo(const std::string& folderPath, const std::string& fileName,
                           PhotoInfo& info) {
    if (fileName.rfind('.') == std::string::npos) return 0;
    PhotoFile file(folderPath + fileName, PhotoFile::Mode::Read);
    const std::int32_t status = ReadPhotoInfo(file, fileName, info);
    file.close();
    return status;
}

std::int32_t ReadPhotoInfo(PhotoFile& file, const std::string& fileName, PhotoInfo& info) {
    if (fileName.rfind('.') == std::string::npos) return 0;
    info = PhotoInfo{};

    // What the file is comes from its first bytes, not its name: a file named
    // as a JPEG that is something else is read as what it is.
    std::int32_t status = 0;
    const ContainerMap map = MapContainer(file);
    // The photo's own block first: what it says stands; a later block (CR3
    // keeps IFD0 and the Exif IFD apart) fills in only what is still empty.
    for (std::size_t i = 0; i < map.exif.size(); ++i) {
        const ExifBlock& block = map.exif[i];
        PhotoInfo read;
        std::int32_t count = 0;
        try {
            count = WalkTiff(file, block, read);
        } catch (const OutsideFile&) {
            // A corrupt offset: what was read before it stays, the block
            // counts as one without usable EXIF data.
            count = 0;
        }
        if (i == 0) {
            info = read;
            info.TiffBase = static_cast<std::int32_t>(block.tiffBase);
        } else {
            for (auto [field, from] :
                 {std::pair{&info.DateTime, &read.DateTime},
                  std::pair{&info.DateTimeOriginal, &read.DateTimeOriginal},
                  std::pair{&info.DateTimeDigitized, &read.DateTimeDigitized},
                  std::pair{&info.Make, &read.Make}, std::pair{&info.Model, &read.Model}})
                if (field->empty()) *field = *from;
            if (info.PixelXDimension == 0) info.PixelXDimension = read.PixelXDimension;
            if (info.PixelYDimension == 0) info.PixelYDimension = read.PixelYDimension;
        }
        status += count;
    }
    // A movie without EXIF: its header's times, read as UTC (the format's
    // own rule; a camera's local clock is only told by an EXIF date beside
    // them).
    if (map.exif.empty() && !map.movieTimes.empty()) {
        const auto textOf = [&](const MovieTime& time) {
            std::string bytes(static_cast<std::size_t>(time.bytes.size), '\0');
            file.read(time.bytes.first, bytes.data(), bytes.size());
            const std::uint64_t seconds = MovieSeconds(bytes);
            const auto moment = seconds == 0 ? std::nullopt : MovieMoment(seconds, MovieClock::Utc);
            return moment ? ExifMomentText(*moment) : std::string();
        };
        for (const MovieTime& time : map.movieTimes) {
            std::string& text = time.creation ? info.DateTimeOriginal : info.DateTime;
            if (text.empty()) text = textOf(time);
        }
        info.DateTimeDigitized = info.DateTimeOriginal;
        status = static_cast<std::int32_t>(map.movieTimes.size());
    }
    // The container states the size where EXIF does not (PNG, HEIF, WebP).
    if (info.PixelXDimension == 0 && info.PixelYDimension == 0) {
        info.PixelXDimension = map.width;
        info.PixelYDimension = map.height;
    }
    info.FileDateText = GeneralDateText(ToLocal(file.lastWriteSeconds()));
    return status;
}

}  // namespace tovrin
