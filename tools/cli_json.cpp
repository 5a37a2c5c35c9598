#include "cli_json.h"

#include <vector>

#include "exif/tiff_layout.h"

namespace tovrin::cli {

namespace {

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t utf8SequenceAt(const std::string& text, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n > text.size() - i) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return n;
}

// The texts of one line as shown: each at most TextLimit bytes of the photo,
// the names of those that were cut kept for the line's "cut" member.
class ShownTexts {
public:
    std::string operator()(const std::string& bytes, const std::string& name) {
        if (bytes.size() <= TextLimit) return Latin1ToUtf8(bytes);
        m_cut.push_back(name);
        return Latin1ToUtf8(bytes.substr(0, TextLimit)) + "\xE2\x80\xA6";  // "…"
    }
    // Adds "cut" when some text was cut; a line without it shows every text
    // whole.
    void mark(Line& line) const {
        if (!m_cut.empty()) line["cut"] = m_cut;
    }

private:
    std::vector<std::string> m_cut;
};

Line dates(const std::string& dateTime, const std::string& original, const std::string& digitized,
           const std::string& prefix, ShownTexts& shown) {
    Line d;
    d["DateTime"] = shown(dateTime, prefix + "DateTime");
    d["DateTimeOriginal"] = shown(original, prefix + "DateTimeOriginal");
    d["DateTimeDigitized"] = shown(digitized, prefix + "DateTimeDigitized");
    return d;
}

}  // namespace

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

Line PathLine(const std::string& path) {
    std::string shown;
    bool exact = true;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = utf8SequenceAt(path, i);
        if (n == 0) {
            shown += "\xEF\xBF\xBD";
            exact = false;
            ++i;
        } else {
            shown.append(path, i, n);
            i += n;
        }
    }
    Line line;
    line["path"] = shown;
    if (!exact) {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (const unsigned char c : path) {
            hex += digits[c >> 4];
            hex += digits[c & 0xF];
        }
        line["pathBytes"] = hex;
    }
    return line;
}

Line ErrorLine(const std::string& path, int number, const std::string& description) {
    Line line = PathLine(path);
    line["error"] = number;
    line["description"] = description;
    return line;
}

Line InfoLine(const std::string& path, std::int32_t status, const PhotoInfo& info) {
    ShownTexts shown;
    Line line = PathLine(path);
    line["status"] = status;
    line["TiffBase"] = info.TiffBase;
    line["DateTime"] = shown(info.DateTime, "DateTime");
    line["DateTimeOriginal"] = shown(info.DateTimeOriginal, "DateTimeOriginal");
    line["DateTimeDigitized"] = shown(info.DateTimeDigitized, "DateTimeDigitized");
    line["PixelXDimension"] = info.PixelXDimension;
    line["PixelYDimension"] = info.PixelYDimension;
    line["Make"] = shown(info.Make, "Make");
    line["Model"] = shown(info.Model, "Model");
    line["FileDateText"] = shown(info.FileDateText, "FileDateText");
    shown.mark(line);
    return line;
}

PhotoInfo DatesAfter(const PhotoDateUpdate& update) {
    PhotoInfo after = update.before;
    for (const DateField& w : update.writes) {
        const std::string& written = w.written.empty() ? update.newText : w.written;
        std::string* text = w.tag == tiff::TagDateTime                ? &after.DateTime
                            : w.tag == tiff::TagDateTimeOriginal      ? &after.DateTimeOriginal
                            : w.tag == tiff::TagDateTimeDigitized     ? &after.DateTimeDigitized
                                                                      : nullptr;
        if (text == nullptr) continue;
        // The new bytes cover the start of the field; what the old text had
        // beyond them stays. An old text that ended (at a NUL) inside the
        // written span is taken to end where the new bytes end, as a date
        // field's own terminating NUL makes it.
        *text = written + (text->size() > written.size() ? text->substr(written.size()) : "");
    }
    return after;
}

Line SetLine(const std::string& path, const PhotoDateUpdate& update) {
    const PhotoInfo& old = update.before;
    // Planned writes count only when the plan is carried out (or would be).
    const PhotoInfo after = update.result.changed ? DatesAfter(update) : old;
    Line line = PathLine(path);
    line["status"] = update.result.status;
    line["changed"] = update.result.changed;
    line["dateWritten"] = update.result.dateWritten;
    ShownTexts shown;
    line["old"] = dates(old.DateTime, old.DateTimeOriginal, old.DateTimeDigitized, "old.", shown);
    line["new"] =
        dates(after.DateTime, after.DateTimeOriginal, after.DateTimeDigitized, "new.", shown);
    // A photo left as it was because its new moment would not do.
    if (update.refusedAsFuture) line["refused"] = "future";
    if (update.refusedOutOfRange) line["refused"] = "out of range";
    shown.mark(line);
    return line;
}

std::string Dump(const Line& line) {
    // Every text was made valid UTF-8 above; replacing stays as the last
    // guard so that a line is never lost to an exception.
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tovrin::cli
