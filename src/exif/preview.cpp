#include "exif/preview.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "exif/byte_access.h"
#include "exif/container.h"
#include "exif/photo_file.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

std::uint32_t dword(PhotoFile& file, std::int64_t p, int order) {
    return static_cast<std::uint32_t>(ReadDword(file, p, order));
}
std::uint16_t word(PhotoFile& file, std::int64_t p, int order) {
    return static_cast<std::uint16_t>(ReadWord(file, p, order));
}

// The first value of an entry as an unsigned number: a SHORT stands in the
// first two bytes of the field, a LONG (or IFD) fills it; 0 for other types
// or counts, which give no offset or length.
std::uint32_t firstNumber(PhotoFile& file, std::int64_t entry, int order) {
    const std::uint16_t type = word(file, entry + 2, order);
    if (type == 3) return word(file, entry + 8, order);
    if (type == 4 || type == 13) return dword(file, entry + 8, order);
    return 0;
}

void collectTiffCandidates(PhotoFile& file, std::vector<ByteSpan>& candidates) {
    ExifBlock block;
    if (!LocateTiffFileBlock(file, block)) return;
    const std::int64_t base = block.tiffBase;
    const int order = ReadWordMotorola(file, base) == tiff::MarkIntel ? Intel : Motorola;
    if (!file.contains(base + 4, 4)) return;

    struct Pending {
        std::int64_t at;
        bool chain;  // IFD0 or a directory of its chain: its link leads on
        bool ifd0;
    };
    std::vector<Pending> pending{{base + dword(file, base + 4, order), true, true}};
    std::vector<std::int64_t> walked;
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        // Offsets of 0 and into the header lead to no directory; each
        // directory is walked once, and no more than MaxDirectories of them.
        if (next.at < base + 8 || !file.contains(next.at, 2)) continue;
        if (std::find(walked.begin(), walked.end(), next.at) != walked.end()) continue;
        if (static_cast<int>(walked.size()) >= MaxDirectories) break;
        walked.push_back(next.at);

        const std::int64_t count = word(file, next.at, order);
        std::uint32_t compression = 0;
        std::int64_t jpegAt = -1, jpegLength = -1;
        std::int64_t stripAt = -1, stripLength = -1;
        std::vector<Pending> found;
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t e = next.at + 2 + i * tiff::EntrySize;
            if (!file.contains(e, tiff::EntrySize)) break;
            const std::uint16_t tag = word(file, e, order);
            const std::uint16_t type = word(file, e + 2, order);
            const std::uint32_t n = dword(file, e + 4, order);
            switch (tag) {
                case 0x0103:  // Compression
                    compression = firstNumber(file, e, order);
                    break;
                case 0x0111:  // StripOffsets: one strip only
                    if (n == 1) stripAt = firstNumber(file, e, order);
                    break;
                case 0x0117:  // StripByteCounts
                    if (n == 1) stripLength = firstNumber(file, e, order);
                    break;
                case 0x0201:  // JPEGInterchangeFormat
                    jpegAt = firstNumber(file, e, order);
                    break;
                case 0x0202:  // JPEGInterchangeFormatLength
                    jpegLength = firstNumber(file, e, order);
                    break;
                case 0x002E:  // RW2's JpgFromRaw: the entry's value bytes
                    if (next.ifd0 && tiff::TypeSize(type) == 1 && n > 4)
                        candidates.push_back({base + dword(file, e + 8, order), n});
                    break;
                case 0x014A: {  // SubIFDs: one offset in the field, or an array
                    const std::int64_t size = tiff::TypeSize(type) * n;
                    if (tiff::TypeSize(type) != 4) break;
                    const std::int64_t values = size > 4 ? base + dword(file, e + 8, order) : e + 8;
                    for (std::int64_t k = 0; k < n && k < MaxDirectories; ++k) {
                        if (!file.contains(values + 4 * k, 4)) break;
                        found.push_back({base + dword(file, values + 4 * k, order), false, false});
                    }
                    break;
                }
                default:
                    break;
            }
        }
        if (jpegAt > 0 && jpegLength > 0) candidates.push_back({base + jpegAt, jpegLength});
        if ((compression == 6 || compression == 7) && stripAt > 0 && stripLength > 0)
            candidates.push_back({base + stripAt, stripLength});
        const std::int64_t link = next.at + 2 + count * tiff::EntrySize;
        if (next.chain && file.contains(link, 4)) {
            const std::uint32_t offset = dword(file, link, order);
            if (offset != 0) found.push_back({base + offset, true, false});
        }
        // Walked in the order met: the SubIFDs, then the next of the chain.
        pending.insert(pending.end(), found.rbegin(), found.rend());
    }
}

}  // namespace

bool IsDecodableJpeg(PhotoFile& file, const ByteSpan& span) {
    if (span.first < 1 || span.size < 4 || !file.contains(span.first, span.size)) return false;
    int frame = -1;
    try {
        WalkJpegSegments(file, span, [&](const JpegSegment& s) {
            // SOF0..SOF15 but DHT C4, JPG C8 and DAC CC.
            if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
                s.marker != 0xCC) {
                frame = s.marker;
                return false;
            }
            return true;
        });
    } catch (const OutsideFile&) {
        return false;
    }
    return frame == 0xC0 || frame == 0xC1 || frame == 0xC2;
}

std::optional<ByteSpan> FindPreviewJpeg(PhotoFile& file) {
    std::vector<ByteSpan> candidates;
    if (KindOfFile(file) == FileKind::Tiff) {
        try {
            collectTiffCandidates(file, candidates);
        } catch (const OutsideFile&) {
            // Every read is checked first; what was found before stands.
        }
    } else {
        const ContainerMap map = MapContainer(file);
        if (map.preview) candidates.push_back(*map.preview);
    }
    std::optional<ByteSpan> best;
    for (const ByteSpan& candidate : candidates)
        if ((!best || candidate.size > best->size) && IsDecodableJpeg(file, candidate))
            best = candidate;
    return best;
}

}  // namespace tovrin
