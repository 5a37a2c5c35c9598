// The text of a --files-from list, in each encoding Windows and Linux tools
// write such lists in.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "exif/utf8.h"
#include "path_list_text.h"

namespace tovrin::cli {
namespace {

// "写真\a.jpg" and "b.jpg" in each form.
const std::string Photo = "\xE5\x86\x99\xE7\x9C\x9F\\a.jpg";

std::string utf16(const std::u16string& text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

struct Expected {
    std::string text;
    bool decoded;
};

const std::vector<Expected> PhotoAndB = {{Photo, true}, {"b.jpg", true}};

void expectLines(const std::vector<DecodedLine>& lines, const std::vector<Expected>& expected) {
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].text, expected[i].text);
        EXPECT_EQ(lines[i].decoded, expected[i].decoded);
    }
}

TEST(DecodePathList, ReadsEachEncodingByItsMark) {
    const struct {
        const char* name;
        std::string bytes;
        char32_t separator;
        std::vector<Expected> lines;
    } cases[] = {
        {"UTF-8", Photo + "\nb.jpg\n", U'\n', PhotoAndB},
        {"UTF-8, CR LF", Photo + "\r\nb.jpg", U'\n', PhotoAndB},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + Photo + "\r\n", U'\n', {{Photo, true}}},
        {"UTF-8, NUL-ended", Photo + '\0' + "b\r.jpg", U'\0', {{Photo, true}, {"b\r.jpg", true}}},
        {"UTF-16 LE", utf16(u"\u5199\u771F\\a.jpg\r\nb.jpg\r\n"), U'\n', PhotoAndB},
        {"UTF-16 BE", utf16(u"\u5199\u771F\\a.jpg\nb.jpg", true), U'\n', PhotoAndB},
        {"UTF-16, NUL-ended",
         utf16(std::u16string(u"a.jpg\0b.jpg", 11)),
         U'\0',
         {{"a.jpg", true}, {"b.jpg", true}}},
        {"UTF-16, a character past U+FFFF",
         utf16(u"\U0001F4F7.jpg"),
         U'\n',
         {{"\xF0\x9F\x93\xB7.jpg", true}}},
        {"empty lines are kept", "\n\na\n", U'\n', {{"", true}, {"", true}, {"a", true}}},
        {"nothing", "", U'\n', {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectLines(DecodePathList(c.bytes, c.separator), c.lines);
    }
}

// A line that is no text is that line's failure alone; it is shown so that a
// person can find it.
TEST(DecodePathList, ALineThatIsNoTextFailsAlone) {
    const struct {
        const char* name;
        std::string bytes;
        std::vector<Expected> lines;
    } cases[] = {
        {"a lone surrogate in UTF-16",
         utf16(u"a.jpg\n\xD83D.jpg\nb.jpg"),
         {{"a.jpg", true}, {"\\u{D83D}.jpg", false}, {"b.jpg", true}}},
        {"half a UTF-16 unit at the end",
         utf16(u"a.jpg\n") + "b",
         {{"a.jpg", true}, {"\\x62", false}}},
        {"not UTF-8 after a UTF-8 mark",
         "\xEF\xBB\xBF"
         "a.jpg\n\xFF\xFE.jpg\n",
         {{"a.jpg", true}, {"\\xFF\\xFE.jpg", false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectLines(DecodePathList(c.bytes, U'\n'), c.lines);
    }
}

// Without a mark and not UTF-8: on Windows the ANSI code page (932 on the
// users' systems, which the suite runs under), elsewhere the bytes, which are
// what Linux names are.
TEST(DecodePathList, TextThatIsNotUtf8) {
    // "写真\a.jpg" in code page 932, as cmd's "dir /b >" writes it.
    const std::string cp932 = "\x8E\xCA\x90\x5E\\a.jpg";
    const std::vector<DecodedLine> lines = DecodePathList(cp932 + "\r\nb.jpg\r\n", U'\n');
#ifdef _WIN32
    if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is not 932";
    expectLines(lines, PhotoAndB);
    // A lead byte without its second byte is no code page 932 text.
    expectLines(DecodePathList("a.jpg\n\x82\nb.jpg", U'\n'),
                {{"a.jpg", true}, {"\\x82", false}, {"b.jpg", true}});
#else
    expectLines(lines, {{cp932, true}, {"b.jpg", true}});
#endif
}

TEST(IsWellFormedUtf8, TellsWellFormedFromNot) {
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"abc", true},
        {Photo, true},
        {"\xF0\x9F\x93\xB7", true},
        {"\xC0\xAF", false},          // overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xE5\x86", false},          // cut short
        {"\x8E\xCA", false},          // code page 932
    };
    for (const auto& c : cases) EXPECT_EQ(IsWellFormedUtf8(c.bytes), c.valid) << c.bytes;
}

}  // namespace
}  // namespace tovrin::cli
