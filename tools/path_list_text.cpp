#include "path_list_text.h"

#include <cstdint>

#include "exif/utf8.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tovrin::cli {

namespace {

void appendHexByte(std::string& text, unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    text += "\\x";
    text += digits[(value >> 4) & 0xF];
    text += digits[value & 0xF];
}

// A line that is no text: shown so that a person can tell which it was.
std::string shownBytes(const std::string& bytes) {
    std::string text;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            appendHexByte(text, c);
        }
    }
    return text;
}

void appendUtf8(std::string& text, char32_t cp) {
    if (cp < 0x80) {
        text += static_cast<char>(cp);
    } else if (cp < 0x800) {
        text += static_cast<char>(0xC0 | (cp >> 6));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text += static_cast<char>(0xE0 | (cp >> 12));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (cp >> 18));
        text += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 code units to UTF-8; an unpaired surrogate makes the line one that
// could not be decoded, shown with "\u{XXXX}" for that unit.
DecodedLine fromUtf16(const std::u16string& units) {
    DecodedLine line;
    std::string shown;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t{u} - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            appendUtf8(line.text, cp);
            appendUtf8(shown, cp);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            line.decoded = false;
            static const char digits[] = "0123456789ABCDEF";
            shown += "\\u{";
            for (int shift = 12; shift >= 0; shift -= 4) shown += digits[(u >> shift) & 0xF];
            shown += "}";
        } else {
            appendUtf8(line.text, u);
            appendUtf8(shown, u);
        }
    }
    if (!line.decoded) line.text = shown;
    return line;
}

std::vector<DecodedLine> utf16Lines(const std::string& bytes, bool bigEndian, char32_t separator) {
    std::vector<DecodedLine> lines;
    std::u16string units;
    const std::size_t whole = bytes.size() / 2 * 2;
    for (std::size_t i = 0; i < whole; i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        const auto unit = static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
        if (unit == separator) {
            if (separator == U'\n' && !units.empty() && units.back() == u'\r') units.pop_back();
            lines.push_back(fromUtf16(units));
            units.clear();
        } else {
            units += unit;
        }
    }
    if (whole != bytes.size()) {
        // Half a unit at the end: that line is cut, not text.
        DecodedLine cut = fromUtf16(units);
        cut.decoded = false;
        appendHexByte(cut.text, static_cast<unsigned char>(bytes.back()));
        lines.push_back(cut);
    } else if (!units.empty()) {
        if (separator == U'\n' && units.back() == u'\r') units.pop_back();
        lines.push_back(fromUtf16(units));
    }
    return lines;
}

std::vector<std::string> split(const std::string& bytes, std::size_t from, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = from;
    while (start < bytes.size()) {
        std::size_t stop = bytes.find(separator, start);
        if (stop == std::string::npos) stop = bytes.size();
        std::size_t end = stop;
        if (separator == '\n' && end > start && bytes[end - 1] == '\r') --end;
        pieces.push_back(bytes.substr(start, end - start));
        start = stop + 1;
    }
    return pieces;
}

#ifdef _WIN32
// A line in the ANSI code page as UTF-8; false when it holds a byte sequence
// that page does not have.
bool fromAnsi(const std::string& bytes, std::string& utf8) {
    utf8.clear();
    if (bytes.empty()) return true;
    const int length = static_cast<int>(bytes.size());
    const int wideLength =
        ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (wideLength <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(),
                          wideLength);
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    utf8.assign(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), size, nullptr, nullptr);
    return true;
}
#endif

}  // namespace

std::vector<DecodedLine> DecodePathList(const std::string& bytes, char32_t separator) {
    const auto startsWith = [&](const char* mark, std::size_t n) {
        return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
    };
    if (startsWith("\xFF\xFE", 2)) return utf16Lines(bytes.substr(2), false, separator);
    if (startsWith("\xFE\xFF", 2)) return utf16Lines(bytes.substr(2), true, separator);
    const bool marked = startsWith("\xEF\xBB\xBF", 3);
    const std::vector<std::string> pieces =
        split(bytes, marked ? 3 : 0, static_cast<char>(separator));
    std::vector<DecodedLine> lines;
    lines.reserve(pieces.size());
    // Without a mark, one valid UTF-8 text is taken as UTF-8 whole: a list
    // is in one encoding, not one per line.
    const bool utf8 = marked || IsWellFormedUtf8(bytes);
    for (const std::string& piece : pieces) {
        if (utf8) {
            if (IsWellFormedUtf8(piece)) {
                lines.push_back({piece, true});
            } else {
                lines.push_back({shownBytes(piece), false});
            }
            continue;
        }
#ifdef _WIN32
        DecodedLine line;
        if (!fromAnsi(piece, line.text)) line = {shownBytes(piece), false};
        lines.push_back(std::move(line));
#else
        lines.push_back({piece, true});
#endif
    }
    return lines;
}

}  // namespace tovrin::cli
