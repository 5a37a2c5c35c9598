// The copies of a photo's date outside the EXIF tables: found where they lie,
// in both XMP forms and in IPTC, and a malformed block reported, never
// followed.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/date_copies.h"
#include "exif/photo_file.h"
#include "jpeg_builder.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

Bytes Xmp(const std::string& packet) {
    return test::Segment(0xFFE1,
                         test::ToBytes(std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet));
}

// A Photoshop APP13 with one IPTC resource holding the given records.
Bytes Iptc(const std::vector<std::pair<int, std::string>>& records, bool damaged = false) {
    std::string iim;
    for (const auto& [dataset, value] : records) {
        iim += std::string{'\x1C', '\x02', static_cast<char>(dataset), '\0',
                           static_cast<char>(value.size())};
        iim += value;
    }
    if (damaged) iim += std::string{'\x1C', '\x02', '\x37', '\x7F', '\x00'};  // runs past
    std::string block = std::string("Photoshop 3.0\0", 14) + "8BIM" + std::string{'\x04', '\x04'} +
                        std::string(2, '\0');  // empty name, padded to even
    const auto size = static_cast<std::uint32_t>(iim.size());
    block += std::string{static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                         static_cast<char>(size >> 8), static_cast<char>(size)};
    block += iim;
    if (iim.size() % 2) block += '\0';
    return test::Segment(0xFFED, test::ToBytes(block));
}

struct Found {
    std::vector<std::string> found;  // "place=value"
    std::vector<std::string> problems;
    std::vector<std::string> notes;
};

Found Scan(const test::Jpeg& jpeg) {
    test::TempDir dir;
    const Bytes bytes = jpeg.build();
    const std::string path = dir.write("a.jpg", bytes);
    PhotoFile file(path, PhotoFile::Mode::Read);
    const DateCopies copies = FindDateCopies(file);
    Found out;
    const std::string text(bytes.begin(), bytes.end());
    for (const DateCopyFound& c : copies.found) {
        // The span names exactly the bytes of the value in the file.
        EXPECT_EQ(text.substr(static_cast<std::size_t>(c.text.first - 1),
                              static_cast<std::size_t>(c.text.size)),
                  c.value);
        out.found.push_back(c.place + "=" + c.value);
    }
    out.problems = copies.problems;
    out.notes = copies.notes;
    return out;
}

TEST(DateCopies, BothXmpFormsAndIptcAreFound) {
    test::Jpeg jpeg = test::CameraPhoto();
    jpeg.before.push_back(
        Xmp("<x:xmpmeta><rdf:RDF><rdf:Description xmp:CreateDate='2006-05-04T10:11:12+09:00'\n"
            "   xmp:ModifyDate=\"2006-05-04T10:11:12.50\" xmp:CreateDateX=\"no\">"
            "<exif:DateTimeOriginal>2006-05-04T10:11:12</exif:DateTimeOriginal>"
            "<photoshop:DateCreated>2006-05-04</photoshop:DateCreated>"
            "</rdf:Description></rdf:RDF></x:xmpmeta>"));
    jpeg.before.push_back(Iptc({{55, "20060504"}, {60, "101112+0900"}, {120, "caption"}}));
    const Found f = Scan(jpeg);
    EXPECT_EQ(f.found, (std::vector<std::string>{
                           "xmp:CreateDate=2006-05-04T10:11:12+09:00",
                           "xmp:ModifyDate=2006-05-04T10:11:12.50",
                           "exif:DateTimeOriginal=2006-05-04T10:11:12",
                           "photoshop:DateCreated=2006-05-04",
                           "IPTC 2:55 DateCreated=20060504",
                           "IPTC 2:60 TimeCreated=101112+0900",
                       }));
    EXPECT_TRUE(f.problems.empty());
}

TEST(DateCopies, AMalformedBlockIsReportedNotFollowed) {
    test::Jpeg jpeg = test::CameraPhoto();
    jpeg.before.push_back(Xmp("<rdf:Description xmp:CreateDate=\"2006-05-04T10:11:12"));
    jpeg.before.push_back(Iptc({{55, "20060504"}}, true));
    jpeg.before.push_back(test::Segment(
        0xFFE1, test::ToBytes(std::string("http://ns.adobe.com/xmp/extension/\0", 35) + "x")));
    const Found f = Scan(jpeg);
    EXPECT_EQ(f.found, (std::vector<std::string>{"IPTC 2:55 DateCreated=20060504"}));
    EXPECT_EQ(f.problems.size(), 2u);
    EXPECT_EQ(f.notes.size(), 1u);  // Extended XMP is left alone, not refused
}

TEST(DateCopies, APhotoWithoutCopiesHasNone) {
    const Found f = Scan(test::CameraPhoto());
    EXPECT_TRUE(f.found.empty());
    EXPECT_TRUE(f.problems.empty());
}

}  // namespace
}  // namespace tovrin
