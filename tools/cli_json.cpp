#include "cli_json.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "exif/tiff_layout.h"
#include "exif/utf8.h"

namespace tovrin::cli {

namespace {

// The path as shown (U+FFFD for every byte that is not UTF-8) and, when that
// is not exact, its bytes in hex.
struct ShownPath {
    std::string text;
    std::string bytes;  // "" when text is exact
};

ShownPath showPath(const std::string& path) {
    ShownPath shown;
    std::size_t valid = 0;
    while (valid < path.size()) {
        const std::size_t n = Utf8SequenceAt(path, valid);
        if (n == 0) break;
        valid += n;
    }
    if (valid == path.size()) {
        shown.text = path;
        return shown;
    }
    bool exact = true;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = Utf8SequenceAt(path, i);
        if (n == 0) {
            shown.text += "\xEF\xBF\xBD";
            exact = false;
            ++i;
        } else {
            shown.text.append(path, i, n);
            i += n;
        }
    }
    if (!exact) {
        static const char digits[] = "0123456789abcdef";
        for (const unsigned char c : path) {
            shown.bytes += digits[c >> 4];
            shown.bytes += digits[c & 0xF];
        }
    }
    return shown;
}

// One JSON object written straight as text, members in the order given, for
// the lines printed once per photo: building a document first cost more than
// reading the photo. Texts must be valid UTF-8; they are escaped as the
// library escapes them, so every line reads the same whichever way it was made.
class ObjectText {
public:
    ObjectText() { m_text.reserve(320); }
    ObjectText& text(const char* name, const std::string& value) {
        key(name);
        quote(value);
        return *this;
    }
    // A text of the photo, one character a byte (a byte from 0x80 on is the
    // Latin-1 character of that code): at most TextLimit bytes,
    // then "…", and the name (with prefix) kept for the line's "cut" member.
    ObjectText& photoText(const char* name, const std::string& bytes, const char* prefix = "") {
        key(name);
        if (bytes.size() <= TextLimit) {
            quote(bytes, true);
            return *this;
        }
        quote(bytes.substr(0, TextLimit), true, "\xE2\x80\xA6");  // "…"
        m_cut.push_back(std::string(prefix) + name);
        return *this;
    }
    ObjectText& number(const char* name, long long value) {
        key(name);
        m_text += std::to_string(value);
        return *this;
    }
    ObjectText& boolean(const char* name, bool value) {
        key(name);
        m_text += value ? "true" : "false";
        return *this;
    }
    ObjectText& texts(const char* name, const std::vector<std::string>& values) {
        key(name);
        m_text += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) m_text += ',';
            quote(values[i]);
        }
        m_text += ']';
        return *this;
    }
    // Opens a member that is a list of objects: item() opens each, close()
    // ends it, endList() ends the list.
    ObjectText& list(const char* name) {
        key(name);
        m_text += '[';
        m_items = 0;
        return *this;
    }
    ObjectText& item() {
        if (m_items++ > 0) m_text += ',';
        m_text += '{';
        m_first = true;
        return *this;
    }
    ObjectText& endList() {
        m_text += ']';
        m_first = false;
        return *this;
    }
    // Opens a member that is itself an object; close() ends it.
    ObjectText& open(const char* name) {
        key(name);
        m_text += '{';
        m_first = true;
        return *this;
    }
    ObjectText& close() {
        m_text += '}';
        m_first = false;
        return *this;
    }
    ObjectText& path(const std::string& path) {
        const ShownPath shown = showPath(path);
        text("path", shown.text);
        if (!shown.bytes.empty()) text("pathBytes", shown.bytes);
        return *this;
    }
    // Adds "cut" when some photo text was cut, then ends the object; a line
    // without it shows every text whole.
    std::string done() {
        if (!m_cut.empty()) texts("cut", m_cut);
        m_text += '}';
        return std::move(m_text);
    }

private:
    void key(const char* name) {
        if (!m_first) m_text += ',';
        m_first = false;
        m_text += '"';
        m_text += name;
        m_text += "\":";
    }
    // With latin1, each byte of 0x80 and above is the character of that
    // number, written as two bytes of UTF-8.
    void quote(const std::string& value, bool latin1 = false, const char* tail = "") {
        m_text += '"';
        std::size_t plain = 0;  // start of the run of bytes copied as they are
        for (std::size_t i = 0; i < value.size(); ++i) {
            const char c = value[i];
            const auto b = static_cast<unsigned char>(c);
            if (c != '"' && c != '\\' && b >= 0x20 && !(latin1 && b >= 0x80)) continue;
            m_text.append(value, plain, i - plain);
            plain = i + 1;
            if (b >= 0x80) {
                m_text += static_cast<char>(0xC0 | (b >> 6));
                m_text += static_cast<char>(0x80 | (b & 0x3F));
                continue;
            }
            switch (c) {
                case '"':
                    m_text += "\\\"";
                    break;
                case '\\':
                    m_text += "\\\\";
                    break;
                case '\b':
                    m_text += "\\b";
                    break;
                case '\f':
                    m_text += "\\f";
                    break;
                case '\n':
                    m_text += "\\n";
                    break;
                case '\r':
                    m_text += "\\r";
                    break;
                case '\t':
                    m_text += "\\t";
                    break;
                default: {
                    static const char digits[] = "0123456789abcdef";
                    m_text += "\\u00";
                    m_text += digits[(c >> 4) & 0xF];
                    m_text += digits[c & 0xF];
                }
            }
        }
        m_text.append(value, plain, value.size() - plain);
        m_text += tail;
        m_text += '"';
    }

    std::string m_text{"{"};
    bool m_first = true;
    std::vector<std::string> m_cut;
    std::size_t m_items = 0;
};

void writeDates(ObjectText& out, const char* name, const std::string& dateTime,
                const std::string& original, const std::string& digitized, const char* prefix) {
    out.open(name)
        .photoText("DateTime", dateTime, prefix)
        .photoText("DateTimeOriginal", original, prefix)
        .photoText("DateTimeDigitized", digitized, prefix)
        .close();
}

}  // namespace

Line PathLine(const std::string& path) {
    const ShownPath shown = showPath(path);
    Line line;
    line["path"] = shown.text;
    if (!shown.bytes.empty()) line["pathBytes"] = shown.bytes;
    return line;
}

Line ErrorLine(const std::string& path, int number, const std::string& description) {
    Line line = PathLine(path);
    line["error"] = number;
    line["description"] = description;
    return line;
}

std::string InfoText(const std::string& path, std::int32_t status, const PhotoInfo& info,
                     const CopyList& copies) {
    ObjectText out;
    out.path(path)
        .boolean("status", status > 0)
        .number("exifEntries", status)
        .number("TiffBase", info.TiffBase)
        .photoText("DateTime", info.DateTime)
        .photoText("DateTimeOriginal", info.DateTimeOriginal)
        .photoText("DateTimeDigitized", info.DateTimeDigitized)
        .number("PixelXDimension", info.PixelXDimension)
        .number("PixelYDimension", info.PixelYDimension)
        .photoText("Make", info.Make)
        .photoText("Model", info.Model)
        .photoText("FileDateText", info.FileDateText);
    out.list("copies");
    bool agree = true;
    bool compared = false;
    for (const CopyListing& c : copies.copies) {
        out.item().text("where", c.where).text("name", c.name).photoText("text", c.text);
        if (c.agrees) out.boolean("agrees", *c.agrees);
        out.close();
        compared = compared || c.agrees.has_value();
        agree = agree && c.agrees.value_or(true);
    }
    out.endList();
    if (compared) out.boolean("copiesAgree", agree);
    if (!copies.problems.empty()) out.texts("copyProblems", copies.problems);
    return out.done();
}

DateTexts DatesAfter(const PhotoDateUpdate& update) {
    DateTexts after{update.before.DateTime, update.before.DateTimeOriginal,
                    update.before.DateTimeDigitized};
    for (const DateField& w : update.writes) {
        const std::string& written = w.written.empty() ? update.newText : w.written;
        std::string* text = w.tag == tiff::TagDateTime            ? &after.DateTime
                            : w.tag == tiff::TagDateTimeOriginal  ? &after.DateTimeOriginal
                            : w.tag == tiff::TagDateTimeDigitized ? &after.DateTimeDigitized
                                                                  : nullptr;
        if (text == nullptr) continue;
        // The new bytes cover the start of the field; what the old text had
        // beyond them stays. An old text that ended (at a NUL) inside the
        // written span is taken to end where the new bytes end, as a date
        // field's own terminating NUL makes it.
        *text = written + (text->size() > written.size() ? text->substr(written.size()) : "");
    }
    // A photo that gained an EXIF block has the moment in all three.
    if (update.added) after = {update.newText, update.newText, update.newText};
    // A movie without EXIF shows its header's times.
    if (update.before.TiffBase == 0 && !update.added) {
        if (!update.movieCreated.empty())
            after.DateTimeOriginal = after.DateTimeDigitized = update.movieCreated;
        if (!update.movieModified.empty()) after.DateTime = update.movieModified;
    }
    return after;
}

std::string SetText(const std::string& path, const PhotoDateUpdate& update, bool skipped) {
    const PhotoInfo& old = update.before;
    ObjectText out;
    out.path(path)
        .boolean("status", update.result.status)
        .boolean("changed", update.result.changed)
        .boolean("dateWritten", update.result.dateWritten);
    writeDates(out, "old", old.DateTime, old.DateTimeOriginal, old.DateTimeDigitized, "old.");
    // Planned writes count only when the plan is carried out (or would be).
    if (update.result.changed) {
        const DateTexts after = DatesAfter(update);
        writeDates(out, "new", after.DateTime, after.DateTimeOriginal, after.DateTimeDigitized,
                   "new.");
    } else {
        writeDates(out, "new", old.DateTime, old.DateTimeOriginal, old.DateTimeDigitized, "new.");
    }
    // A photo left as it was because its new moment would not do.
    if (update.refusedAsFuture) out.text("refused", "future");
    if (update.refusedOutOfRange) out.text("refused", "out of range");
    if (update.refusedNoZone) out.text("refused", "no zone");
    // The copies of the date outside the three texts: how many the photo
    // holds, how many are (or would be) written, and those left as they were.
    out.number("copies", static_cast<std::int64_t>(update.copies));
    out.number("copiesWritten",
               static_cast<std::int64_t>(update.result.changed ? update.copiesWritten : 0));
    if (!update.copiesLeft.empty()) out.texts("copiesLeft", update.copiesLeft);
    if (!update.movieClock.empty()) out.text("movieClock", update.movieClock);
    if (update.added) out.boolean("added", true);
    if (skipped || !update.skipped.empty()) out.boolean("skipped", true);
    if (!update.skipped.empty()) out.text("reason", update.skipped);
    return out.done();
}

std::string Dump(const Line& line) {
    // Every text was made valid UTF-8 above; replacing stays as the last
    // guard so that a line is never lost to an exception.
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tovrin::cli
