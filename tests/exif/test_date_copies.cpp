// The copies of a photo's date outside the EXIF tables: found where they lie,
// in both XMP forms and in IPTC, and a malformed block reported, never
// followed.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/copy_plan.h"
#include "exif/date_copies.h"
#include "exif/md5.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/sidecar.h"
#include "jpeg_builder.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

Bytes Xmp(const std::string& packet) { return test::XmpSegment(packet); }

Bytes Iptc(const std::vector<std::pair<int, std::string>>& records, bool damaged = false,
           const std::string& digest = "") {
    return test::IptcSegment(records, damaged, digest);
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

// Both XMP forms and IPTC are found; a malformed block is reported, not
// followed; Extended XMP is noted and left alone, not refused.
TEST(DateCopies, FoundReportedOrNoted) {
    const struct {
        const char* name;
        std::vector<Bytes> segments;
        std::vector<std::string> found;
        std::size_t problems, notes;
    } cases[] = {
        {"both XMP forms and IPTC",
         {Xmp("<x:xmpmeta><rdf:RDF><rdf:Description "
              "xmp:CreateDate='2006-05-04T10:11:12+09:00'\n"
              "   xmp:ModifyDate=\"2006-05-04T10:11:12.50\" xmp:CreateDateX=\"no\">"
              "<exif:DateTimeOriginal>2006-05-04T10:11:12</exif:DateTimeOriginal>"
              "<photoshop:DateCreated>2006-05-04</photoshop:DateCreated>"
              "</rdf:Description></rdf:RDF></x:xmpmeta>"),
          Iptc({{55, "20060504"}, {60, "101112+0900"}, {120, "caption"}})},
         {"xmp:CreateDate=2006-05-04T10:11:12+09:00", "xmp:ModifyDate=2006-05-04T10:11:12.50",
          "exif:DateTimeOriginal=2006-05-04T10:11:12", "photoshop:DateCreated=2006-05-04",
          "IPTC 2:55 DateCreated=20060504", "IPTC 2:60 TimeCreated=101112+0900"},
         0,
         0},
        {"malformed blocks",
         {Xmp("<rdf:Description xmp:CreateDate=\"2006-05-04T10:11:12"),
          Iptc({{55, "20060504"}}, true),
          test::Segment(
              0xFFE1,
              test::ToBytes(std::string("http://ns.adobe.com/xmp/extension/\0", 35) + "x"))},
         {"IPTC 2:55 DateCreated=20060504"},
         2,
         1},
        {"no copies", {}, {}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::Jpeg jpeg = test::CameraPhoto();
        jpeg.before.insert(jpeg.before.end(), c.segments.begin(), c.segments.end());
        const Found f = Scan(jpeg);
        EXPECT_EQ(f.found, c.found);
        EXPECT_EQ(f.problems.size(), c.problems);
        EXPECT_EQ(f.notes.size(), c.notes);
    }
}

TEST(Md5, KnownDigests) {
    const auto hex = [](std::string_view text) {
        std::string out;
        for (const unsigned char b : Md5(text)) {
            out += "0123456789abcdef"[b >> 4];
            out += "0123456789abcdef"[b & 15];
        }
        return out;
    };
    EXPECT_EQ(hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(hex("1234567890123456789012345678901234567890123456789012345678901234567890123456"
                  "7890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// Each form keeps its length and layout: only the parts it has change, a
// fraction becomes zeros on a set, a zone stays unless a new one fits it.
TEST(CopyText, EachFormKeepsItsLayout) {
    const LocalDateTime t{2007, 1, 23, 9, 5, 0};
    struct Case {
        CopyForm form;
        const char* old;
        const char* written;  // "" when the text is no date of its form
        const char* zone = nullptr;
    };
    const Case cases[] = {
        {CopyForm::Xmp, "2006-05-04T10:11:12+09:00", "2007-01-23T09:05:00+09:00"},
        {CopyForm::Xmp, "2006-05-04T10:11:12.50", "2007-01-23T09:05:00.00"},
        {CopyForm::Xmp, "2006-05-04T10:11Z", "2007-01-23T09:05Z"},
        {CopyForm::Xmp, "2006-05-04", "2007-01-23"},
        {CopyForm::Xmp, "2006-05", "2007-01"},
        {CopyForm::Xmp, "2006", "2007"},
        {CopyForm::Xmp, "2006:05:04 10:11:12", "2007:01:23 09:05:00"},
        {CopyForm::Xmp, "2006-05-04T10:11:12+09:00", "2007-01-23T09:05:00-03:30", "-03:30"},
        {CopyForm::Xmp, "2006-05-04T10:11:12Z", "", "+02:00"},  // "Z" cannot hold it
        {CopyForm::Xmp, "2006-05-04T10:11:12", "2007-01-23T09:05:00", "+02:00"},
        {CopyForm::IptcDate, "20060504", "20070123"},
        {CopyForm::IptcTime, "101112+0900", "090500+0900"},
        {CopyForm::IptcTime, "101112+0900", "090500+0200", "+02:00"},
        {CopyForm::IptcTime, "101112", "090500"},
        // No date of the form: left to the caller to report.
        {CopyForm::Xmp, "2006-13-04", ""},
        {CopyForm::Xmp, "2006-05-04T25:00", ""},
        {CopyForm::Xmp, "2006-05-04T10:11:12+9", ""},
        {CopyForm::Xmp, "2006-05-04T10:11:12.", ""},
        {CopyForm::Xmp, "yesterday", ""},
        {CopyForm::Xmp, "", ""},
        {CopyForm::IptcDate, "2006054", ""},
        {CopyForm::IptcTime, "101160+0900", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.old);
        const auto read = ReadCopyText(c.form, c.old);
        std::optional<std::string> written;
        if (read) {
            std::optional<std::string> zone;
            if (c.zone) zone = c.zone;
            written = WriteCopyText(c.form, c.old, *read, t, true, zone);
        }
        EXPECT_EQ(written.value_or(""), c.written);
        if (written) {
            EXPECT_EQ(written->size(), std::string(c.old).size());
        }
    }
}

// A photo with every kind of copy: XMP in both forms (a fraction, a zone, a
// date alone), IPTC's date and time with a digest that matches, a copy of
// DateTimeOriginal in IFD0 and of DateTime in IFD1, zone offsets, and a
// sidecar beside it.
test::Jpeg PhotoWithCopies(const std::string& digest = "match") {
    test::Jpeg jpeg = test::CameraPhoto();
    jpeg.tiff.ifd0.insert(jpeg.tiff.ifd0.begin() + 3, test::Text(0x9003, "2006:05:04 10:11:12"));
    jpeg.tiff.ifd1 = {test::Text(0x0132, "2006:05:04 10:11:12")};
    jpeg.tiff.exif->push_back(test::Text(0x9010, "+09:00"));
    jpeg.tiff.exif->push_back(test::Text(0x9011, "+09:00"));
    jpeg.before.push_back(
        Xmp("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description "
            "xmlns:xap='http://ns.adobe.com/xap/1.0/' xap:CreateDate='2006-05-04T10:11:12+09:00' "
            "xmp:ModifyDate=\"2006-05-04T10:11:12.50\">"
            "<photoshop:DateCreated>2006-05-04</photoshop:DateCreated>"
            "</rdf:Description></rdf:RDF></x:xmpmeta>"));
    jpeg.before.push_back(Iptc({{55, "20060504"}, {60, "101112+0900"}}, false, digest));
    return jpeg;
}
const std::string Sidecar =
    "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
    "<rdf:RDF><rdf:Description exif:DateTimeOriginal=\"2006-05-04T10:11:12\"/></rdf:RDF>"
    "</x:xmpmeta>\n<?xpacket end='w'?>";

// The values of every copy, in file order, and of the sidecar's.
std::vector<std::string> CopyValues(const std::string& path) {
    std::vector<std::string> values;
    for (const std::string& p : {path, path.substr(0, path.size() - 4) + ".xmp"}) {
        if (p != path && !std::filesystem::exists(NativePath(p))) continue;
        PhotoFile file(p, PhotoFile::Mode::Read);
        for (const DateCopyFound& c : FindDateCopies(file).found) values.push_back(c.value);
    }
    return values;
}

bool DigestCurrent(const std::string& path) {
    PhotoFile file(path, PhotoFile::Mode::Read);
    const DateCopies copies = FindDateCopies(file);
    return !copies.iptc.empty() && copies.iptc[0].digest && copies.iptc[0].digestMatches;
}

struct Change {
    const char* name;
    std::function<PhotoDateUpdate(const std::string& folder, const ChangeOptions&)> run;
    std::vector<std::string> copies;  // XMP, IPTC, then the sidecar's
};

TEST(CopiesInStep, SetShiftAndUndoMoveEveryCopy) {
    DateChoice set;
    set.date = {2007, 1, 23};
    set.time = {9, 5, 0};
    DateChoice keep = set;
    keep.keepTime = true;
    DateChoice otherDay = set;
    otherDay.filterOn = true;
    otherDay.filterDate = {2001, 1, 1};
    const auto setting = [](const DateChoice& choice) {
        return [choice](const std::string& folder, const ChangeOptions& options) {
            return UpdatePhotoDate(folder, "a.jpg", choice, options);
        };
    };
    const auto shifting = [](std::int64_t seconds, std::string onlyOn = "") {
        return [seconds, onlyOn](const std::string& folder, ChangeOptions options) {
            options.onlyOn = onlyOn;
            return ShiftPhotoDate(folder, "a.jpg", seconds, options);
        };
    };
    const std::vector<std::string> before{"2006-05-04T10:11:12+09:00",
                                          "2006-05-04T10:11:12.50",
                                          "2006-05-04",
                                          "20060504",
                                          "101112+0900",
                                          "2006-05-04T10:11:12"};
    const Change changes[] = {
        {"set",
         setting(set),
         {"2007-01-23T09:05:00+09:00", "2007-01-23T09:05:00.00", "2007-01-23", "20070123",
          "090500+0900", "2007-01-23T09:05:00"}},
        {"set keeping the time",
         setting(keep),
         {"2007-01-23T10:11:12+09:00", "2007-01-23T10:11:12.50", "2007-01-23", "20070123",
          "101112+0900", "2007-01-23T10:11:12"}},
        {"set on another day", setting(otherDay), before},
        {"shift past midnight",
         shifting(14 * 3600),
         {"2006-05-05T00:11:12+09:00", "2006-05-05T00:11:12.50", "2006-05-05", "20060505",
          "001112+0900", "2006-05-05T00:11:12"}},
        {"shift on its day",
         shifting(-3600, "2006:05:04"),
         {"2006-05-04T09:11:12+09:00", "2006-05-04T09:11:12.50", "2006-05-04", "20060504",
          "091112+0900", "2006-05-04T09:11:12"}},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        test::TempDir dir;
        const Bytes original = PhotoWithCopies().build();
        const std::string path = dir.write("a.jpg", original);
        dir.write("a.xmp", test::ToBytes(Sidecar));
        ASSERT_EQ(CopyValues(path), before);
        std::vector<PendingChange> journal;
        ChangeOptions options;
        options.beforeWrite = [&](const PendingChange& c) { journal.push_back(c); };
        change.run(dir.folder(), options);

        EXPECT_EQ(CopyValues(path), change.copies);
        {
            // IFD0's DateTimeOriginal and IFD1's DateTime follow the capture date.
            PhotoFile file(path, PhotoFile::Mode::Read);
            const DateFields fields = FindDateFields(file, 19);
            ASSERT_EQ(fields.copies.size(), 2u);
            PhotoInfo info;
            ReadPhotoInfo(file, "a.jpg", info);
            for (const DateField& copy : fields.copies)
                EXPECT_EQ(copy.current, info.DateTimeOriginal.substr(0, 19));
        }
        EXPECT_TRUE(DigestCurrent(path));
        if (journal.empty()) {
            EXPECT_EQ(change.copies, before);
            continue;
        }
        // Undo gives back every copy, the sidecar's too, byte for byte.
        ASSERT_EQ(RestorePhotoDates(journal.front()), Restore::Restored);
        EXPECT_TRUE(test::ReadBytes(path) == original);
        EXPECT_EQ(test::ToText(test::ReadBytes(dir.folder() + "a.xmp")), Sidecar);
    }
}

// A shift to a zone moves the dates and every copy by the difference from
// the zone the photo keeps, and writes the new zone into both offsets.
TEST(CopiesInStep, AShiftToAZone) {
    test::TempDir dir;
    const std::string path = dir.write("a.jpg", PhotoWithCopies().build());
    ChangeOptions toZone;
    toZone.zone = "+02:00";
    toZone.moveToZone = true;
    ASSERT_TRUE(ShiftPhotoDate(dir.folder(), "a.jpg", 0, toZone).result.changed);
    PhotoInfo info;
    ReadPhotoInfo(dir.folder(), "a.jpg", info);
    EXPECT_EQ(info.DateTimeOriginal, "2006:05:04 03:11:12");
    EXPECT_EQ(CopyValues(path)[0], "2006-05-04T03:11:12+02:00");
    EXPECT_EQ(CopyValues(path)[4], "031112+0200");
    PhotoFile file(path, PhotoFile::Mode::Read);
    const DateFields fields = FindDateFields(file, 19);
    ASSERT_EQ(fields.offsets.size(), 2u);
    for (const DateField& f : fields.offsets) EXPECT_EQ(f.current, "+02:00");
}

// A damaged copy keeps the whole photo (and its sidecar) as it was, with an
// error that says why; only EXIF may still be changed, when asked.
TEST(CopiesInStep, DamagedCopiesRefuseThePhoto) {
    const auto withXmp = [](const std::string& packet) {
        test::Jpeg jpeg = test::CameraPhoto();
        jpeg.before.push_back(Xmp(packet));
        return jpeg;
    };
    const auto withIptc = [](bool damaged, const std::string& digest) {
        test::Jpeg jpeg = test::CameraPhoto();
        jpeg.before.push_back(Iptc({{55, "20060504"}}, damaged, digest));
        return jpeg;
    };
    struct Case {
        const char* name;
        test::Jpeg jpeg;
        std::string sidecar;
    };
    const Case cases[] = {
        {"unterminated attribute", withXmp("<rdf:Description xmp:CreateDate='2006-05-04"), ""},
        {"unterminated element", withXmp("<xmp:CreateDate>2006-05-04T10:11:12"), ""},
        {"huge value",
         withXmp("<rdf:Description xmp:CreateDate='2006" + std::string(60000, '1') + "'/>"), ""},
        {"record past its block", withIptc(true, ""), ""},
        {"digest of 15 bytes", withIptc(false, "short"), ""},
        {"truncated sidecar", test::CameraPhoto(), Sidecar.substr(0, 150)},
    };
    DateChoice set;
    set.date = {2007, 1, 23};
    set.time = {9, 5, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const Bytes original = c.jpeg.build();
        const std::string path = dir.write("a.jpg", original);
        if (!c.sidecar.empty()) dir.write("a.xmp", test::ToBytes(c.sidecar));
        try {
            UpdatePhotoDate(dir.folder(), "a.jpg", set);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), 481);
            EXPECT_NE(e.description().find("変更しませんでした"), std::string::npos);
        }
        EXPECT_TRUE(test::ReadBytes(path) == original);
        if (!c.sidecar.empty()) {
            EXPECT_EQ(test::ToText(test::ReadBytes(dir.folder() + "a.xmp")), c.sidecar);
        }
        EXPECT_TRUE(UpdatePhotoDate(dir.folder(), "a.jpg", set, {.exifOnly = true}).result.changed);
    }
}

// A sidecar marked read-only stays as it is, and the photo is still changed.
TEST(CopiesInStep, AReadOnlyOrLinkedSidecarIsLeft) {
    test::TempDir dir;
    dir.write("a.jpg", test::CameraPhoto().build());
    const std::string sidecar = dir.write("a.xmp", test::ToBytes(Sidecar));
    std::filesystem::permissions(NativePath(sidecar), std::filesystem::perms::owner_read);
    DateChoice set;
    set.date = {2007, 1, 23};
    set.time = {9, 5, 0};
    const PhotoDateUpdate update = UpdatePhotoDate(dir.folder(), "a.jpg", set);
    EXPECT_TRUE(update.result.changed);
    EXPECT_EQ(test::ToText(test::ReadBytes(sidecar)), Sidecar);
    ASSERT_EQ(update.copiesLeft.size(), 1u);
    EXPECT_EQ(update.copiesLeft[0], "a.xmp: 読み取り専用のため、そのままです");
    std::filesystem::permissions(NativePath(sidecar), std::filesystem::perms::owner_all);
#ifndef _WIN32
    // A link to a sidecar elsewhere is left as well: a rename would put a
    // file in the link's place and leave the one it leads to old.
    test::TempDir elsewhere;
    const std::string target = elsewhere.write("kept.xmp", test::ToBytes(Sidecar));
    std::filesystem::remove(NativePath(sidecar));
    std::filesystem::create_symlink(NativePath(target), NativePath(sidecar));
    const PhotoDateUpdate linked = UpdatePhotoDate(dir.folder(), "a.jpg", set);
    EXPECT_TRUE(std::filesystem::is_symlink(NativePath(sidecar)));
    EXPECT_EQ(test::ToText(test::ReadBytes(target)), Sidecar);
    ASSERT_EQ(linked.copiesLeft.size(), 1u);
    EXPECT_EQ(linked.copiesLeft[0], "a.xmp: リンクのため、そのままです");
#endif
}

// A digest that did not match before is no promise to keep: left, and said.
TEST(CopiesInStep, AStaleDigestIsLeftAndReported) {
    test::TempDir dir;
    const std::string path = dir.write("a.jpg", PhotoWithCopies("stale").build());
    DateChoice set;
    set.date = {2007, 1, 23};
    set.time = {9, 5, 0};
    const PhotoDateUpdate update = UpdatePhotoDate(dir.folder(), "a.jpg", set);
    EXPECT_EQ(CopyValues(path)[3], "20070123");
    EXPECT_FALSE(DigestCurrent(path));
    EXPECT_TRUE(std::any_of(update.copiesLeft.begin(), update.copiesLeft.end(),
                            [](const std::string& s) { return s.rfind("IPTCDigest", 0) == 0; }));
}

// A TIFF keeps its IPTC records in IFD0 and may keep them again among its
// Photoshop resources, with their digest: as ExifTool writes one (the records
// apart, the digest alone among the resources) and as Photoshop does (both,
// the digest beside the resources' own). Every copy takes the new date, the
// digest is made current, and undo gives back every byte.
TEST(CopiesInStep, ATiffsIptcAndItsDigestMoveWithTheDate) {
    std::string iim;
    for (const std::string value : {"20060504", "101112+0900"})
        iim += std::string{'\x1C', '\x02', value.size() == 8 ? '\x37' : '\x3C', '\0',
                           static_cast<char>(value.size())} +
               value;
    const auto md5 = Md5(iim);
    const std::string digest = std::string("8BIM\x04\x25\0\0\0\0\0\x10", 12) +
                               std::string(reinterpret_cast<const char*>(md5.data()), 16);
    const Bytes segment = Iptc({{55, "20060504"}, {60, "101112+0900"}}, false, "match");
    const std::string withRecords(segment.begin() + 18, segment.end());  // past "Photoshop 3.0"
    for (const std::string& resources : {digest, withRecords}) {
        SCOPED_TRACE(resources.size());
        test::Tiff tiff;
        const auto undefined = [](std::uint16_t tag, const std::string& data) {
            return test::Text(tag, data, static_cast<std::uint32_t>(data.size()), 7);
        };
        tiff.ifd0 = {test::Text(0x0132, "2006:05:04 10:11:12"), undefined(0x83BB, iim),
                     undefined(0x8649, resources), test::ExifPointer()};
        tiff.exif = std::vector<test::Entry>{test::Text(0x9003, "2006:05:04 10:11:12")};
        test::TempDir dir;
        const Bytes before = tiff.build();
        const std::string path = dir.write("scan.tif", before);
        std::vector<PendingChange> journal;
        UpdatePhotoDate(dir.folder(), "scan.tif", {{2007, 1, 23}, {9, 5, 0}, false, false, {}},
                        {.beforeWrite = [&](const PendingChange& c) { journal.push_back(c); }});
        PhotoFile file(path, PhotoFile::Mode::Read);
        const DateCopies copies = FindDateCopies(file);
        EXPECT_TRUE(copies.problems.empty());
        EXPECT_EQ(copies.found.size(), resources == digest ? 2u : 4u);
        for (const DateCopyFound& c : copies.found)
            EXPECT_TRUE(c.value == "20070123" || c.value == "090500+0900") << c.value;
        const auto withDigest =
            std::find_if(copies.iptc.begin(), copies.iptc.end(),
                         [](const IptcBlock& b) { return b.digest.has_value(); });
        ASSERT_NE(withDigest, copies.iptc.end());
        EXPECT_TRUE(withDigest->digestMatches);
        file.close();
        ASSERT_EQ(journal.size(), 1u);
        EXPECT_EQ(RestorePhotoDates(journal[0]), Restore::Restored);
        EXPECT_TRUE(test::ReadBytes(path) == before);
    }
}

}  // namespace
}  // namespace tovrin
