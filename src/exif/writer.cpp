#include "exif/writer.h"

#include <vector>

#include "exif/byte_access.h"
#include "exif/photo_file.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

using namespace tiff;

struct PlannedWrite {
    std::int64_t position;
    bool isDateTime;  // IFD0 0x0132: writing it makes the photo count as changed
};

class DatePlanner {
public:
    DatePlanner(PhotoFile& file, const DateChoice& choice)
        : m_file(file), m_newText(NewDateText(choice)), m_filter(FilterDateText(choice)) {}

    // Plans the rewrite of the date entry at e when it is a real date field:
    // an ASCII text at least as long as what we write, lying inside the file.
    // Anything else carrying a date tag is left alone rather than risk
    // overwriting bytes that are not a date.
    void consider(std::int64_t e, int order, std::int32_t base, bool isDateTime) {
        if (ReadWord(m_file, e + 2, order) != TypeAscii) return;
        const std::int32_t count = ReadDword(m_file, e + 4, order);
        if (count < 5 || count < static_cast<std::int64_t>(m_newText.size())) return;
        const std::int64_t d = std::int64_t{base} + ReadDword(m_file, e + 8, order);
        if (!m_file.contains(d, static_cast<std::int64_t>(m_newText.size()))) return;
        if (!m_filter.empty() && ReadText(m_file, d).substr(0, 10) != m_filter) return;
        m_writes.push_back({d, isDateTime});
    }

    WriteResult apply() {
        WriteResult result{true, false};
        for (const auto& w : m_writes) {
            WriteText(m_file, w.position, m_newText);
            if (w.isDateTime) result.dateWritten = true;
        }
        return result;
    }

private:
    PhotoFile& m_file;
    std::string m_newText;
    std::string m_filter;
    std::vector<PlannedWrite> m_writes;
};

// Walks the same layout as the reader and plans every write; returns false
// when the photo lacks the structure the walk needs. Nothing is written here.
bool planWrites(PhotoFile& file, DatePlanner& planner) {
    std::int64_t p = 1;
    if (ReadWordMotorola(file, p) != MarkerSoi) return false;
    p += 2;
    std::int16_t m = ReadWordMotorola(file, p);
    p += 2;
    if (m == MarkerApp0) {
        p += static_cast<std::uint16_t>(ReadWordMotorola(file, p));
        m = ReadWordMotorola(file, p);
        p += 2;
    }
    if (m != MarkerApp1) return false;
    const std::int64_t base64 = p + 8;
    if (ReadDwordMotorola(file, p + 2) != SignatureExif) return false;
    const auto base = static_cast<std::int32_t>(base64);

    int order = 0;
    const std::int16_t mark = ReadWordMotorola(file, base);
    if (mark == MarkIntel) {
        order = Intel;
    } else if (mark == MarkMotorola) {
        order = Motorola;
    } else {
        return false;
    }
    // The 42 is not checked here; the reading that precedes every write did.
    p = base64 + 8;
    const auto ifd0Count = static_cast<std::uint16_t>(ReadWord(file, p, order));
    p += 2;
    if (ifd0Count == 0) return false;

    bool hasExif = false;
    std::int32_t exifOffset = 0;
    for (std::int64_t i = 0; i < ifd0Count; ++i) {
        const std::int64_t e = p + i * EntrySize;
        const std::int16_t tag = ReadWord(file, e, order);
        if (tag == TagDateTime) {
            planner.consider(e, order, base, true);
        } else if (tag == TagExifPointer) {
            exifOffset = ReadDword(file, e + 8, order);
            hasExif = true;
        }
    }
    if (!hasExif) return false;

    p = base64 + exifOffset;
    const auto exifCount = static_cast<std::uint16_t>(ReadWord(file, p, order));
    p += 2;
    if (exifCount == 0) return false;
    for (std::int64_t i = 0; i < exifCount; ++i) {
        const std::int64_t e = p + i * EntrySize;
        const std::int16_t tag = ReadWord(file, e, order);
        if (tag == TagDateTimeOriginal || tag == TagDateTimeDigitized)
            planner.consider(e, order, base, false);
    }
    return true;
}

}  // namespace

WriteResult WriteEmbeddedDate(const std::string& folderPath, const std::string& fileName,
                              const DateChoice& choice) {
    PhotoFile file(folderPath + fileName, PhotoFile::Mode::ReadWrite);
    DatePlanner planner(file, choice);
    WriteResult result;
    // Validate, then write: a photo whose walk does not complete keeps every
    // byte, so a failure never leaves it half rewritten.
    bool complete = false;
    try {
        complete = planWrites(file, planner);
    } catch (const OutsideFile&) {
        complete = false;
    }
    if (complete) result = planner.apply();
    file.close();
    return result;
}

}  // namespace tovrin
