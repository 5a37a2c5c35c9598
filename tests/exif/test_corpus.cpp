// The real photos of the corpus: every one against its manifest (the reader's
// status and fields, the writer's result and bytes for the three fixed
// choices); a round trip through independent readers; and every prefix of
// some, cut inside their EXIF block.
#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <filesystem>

#include <gtest/gtest.h>

#include "corpus.h"
#include "exif/date_copies.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"
#include "sha256.h"

namespace tovrin {
namespace {

using test::Bytes;

// The manifest's first choice: a new date and time, no filter.
const DateChoice W1 = test::ManifestChoice("W1", nullptr);

// Where two byte strings first differ, 1-based, for a failure message.
long FirstDifference(const Bytes& a, const Bytes& b) {
    return std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin() + 1;
}

// Every photo has its manifest entry, and there are photos of every kind for
// the round trip and the truncation below.
TEST(CorpusFolder, IsComplete) {
    if (test::CorpusDir().empty()) GTEST_SKIP() << "no photo corpus (set TOVRIN_CORPUS_DIR)";
    std::vector<std::string> photos;
    for (const auto& e : std::filesystem::directory_iterator(NativePath(test::CorpusPhotos()))) {
        const std::string name = Utf8Path(e.path().filename());
        if (name.find(".jp") != std::string::npos) photos.push_back(name);
    }
    std::sort(photos.begin(), photos.end());
    EXPECT_EQ(photos, test::CorpusNames());
    EXPECT_GE(test::SmallestPerKind(2).size(), 8u);
}

class Corpus : public ::testing::TestWithParam<std::string> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

TEST_P(Corpus, ReaderAgreesWithManifest) {
    const test::Json& expected = test::CorpusEntry(GetParam())["expected"];
    // At a corrupt offset the reader may stop early, keeping only what it had.
    const bool corrupt = test::CorpusEntry(GetParam()).value("corrupt", test::Json()).is_object();
    PhotoInfo info;
    EXPECT_EQ(ReadPhotoInfo(test::CorpusPhotos(), GetParam(), info), expected["status"].get<int>());
    EXPECT_EQ(info.TiffBase, expected["TiffBase"].get<int>());
    const std::pair<const char*, const std::string&> texts[] = {
        {"DateTime", info.DateTime},
        {"DateTimeOriginal", info.DateTimeOriginal},
        {"DateTimeDigitized", info.DateTimeDigitized},
        {"Make", info.Make},
        {"Model", info.Model}};
    for (const auto& [key, text] : texts) {
        EXPECT_TRUE((corrupt && text.empty()) || text == test::Latin1(expected[key])) << key;
    }
    const std::pair<const char*, std::int32_t> numbers[] = {
        {"PixelXDimension", info.PixelXDimension}, {"PixelYDimension", info.PixelYDimension}};
    for (const auto& [key, value] : numbers) {
        EXPECT_TRUE((corrupt && value == 0) || value == expected[key].get<int>()) << key;
    }
}

TEST_P(Corpus, WriterAgreesWithManifest) {
    const Bytes original = test::ReadBytes(test::CorpusPhotos() + GetParam());
    test::TempDir dir;
    for (const char* writeCase : {"W1", "W2", "W3"}) {
        SCOPED_TRACE(writeCase);
        const test::Json& want = test::CorpusEntry(GetParam())["write"][writeCase];
        const std::string path = dir.write("photo.jpg", original);
        const WriteResult result = WriteEmbeddedDate(
            dir.folder(), "photo.jpg", test::ManifestChoice(writeCase, want["filter"]));
        EXPECT_EQ(result.status, want["status"].get<bool>());
        EXPECT_EQ(result.dateWritten, want["date_written"].get<bool>());
        EXPECT_EQ(result.changed, want["changed"].get<bool>());

        Bytes expected = original;
        for (const test::Json& w : want["writes"]) {
            const std::string text = test::Latin1(w["text"]);
            const auto at = static_cast<std::size_t>(w["pos"].get<std::int64_t>() - 1);
            ASSERT_LE(at + text.size(), expected.size());
            std::copy(text.begin(), text.end(), expected.begin() + static_cast<long>(at));
        }
        const Bytes after = test::ReadBytes(path);
        ASSERT_TRUE(after == expected) << "difference at " << FirstDifference(after, expected);
        EXPECT_EQ(test::Sha256Hex(after), want["sha256_after"].get<std::string>());

        // The same choice once more changes nothing.
        WriteEmbeddedDate(dir.folder(), "photo.jpg",
                          test::ManifestChoice(writeCase, want["filter"]));
        EXPECT_TRUE(test::ReadBytes(path) == after) << "a second write changed the photo";
    }
}

INSTANTIATE_TEST_SUITE_P(Photos, Corpus, ::testing::ValuesIn(test::CorpusNames()));

// A photo and the position just past its EXIF block.
class CorpusPhoto : public ::testing::TestWithParam<std::pair<std::string, std::size_t>> {};
using RoundTrip = CorpusPhoto;
using Truncated = CorpusPhoto;
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RoundTrip);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Truncated);

TEST_P(RoundTrip, IndependentReadersSeeTheNewDates) {
    if (test::RunProcess({"exiftool", "-ver"}).exitCode != 0) {
        GTEST_SKIP() << "exiftool is not installed";
    }
    test::TempDir dir;
    const std::string path = dir.copy(test::CorpusPhotos() + GetParam().first, "photo.jpg");
    const auto read = [&](std::vector<std::string> args) {
        args.push_back(path);
        return test::RunProcess(args).out;
    };
    const std::string warnings = read({"exiftool", "-a", "-s3", "-Warning"});
    const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", W1);
    ASSERT_TRUE(result.status && result.dateWritten);

    const std::string dates = "2007:01:23 09:05:00\n2007:01:23 09:05:00\n2007:01:23 09:05:00\n";
    EXPECT_EQ(read({"exiftool", "-s3", "-IFD0:ModifyDate", "-ExifIFD:DateTimeOriginal",
                    "-ExifIFD:CreateDate"}),
              dates);
    EXPECT_EQ(read({"exiftool", "-a", "-s3", "-Warning"}), warnings)
        << "ExifTool's warnings changed";
    if (test::RunProcess({"exiv2", "-V"}).exitCode != 0) return;
    EXPECT_EQ(read({"exiv2", "-Pv", "-K", "Exif.Image.DateTime", "-K",
                    "Exif.Photo.DateTimeOriginal", "-K", "Exif.Photo.DateTimeDigitized"}),
              dates);
}

// Two photos of each kind (byte order, TIFF header position).
INSTANTIATE_TEST_SUITE_P(Photos, RoundTrip, ::testing::ValuesIn(test::SmallestPerKind(2)));

// A cut before the end of the directories fails without a write; a later cut
// writes every date field that lies wholly before it, as the whole photo gets
// it, and no byte of a text the cut runs through. The reader never invents values.
TEST_P(Truncated, EveryPrefixIsHarmless) {
    const auto& [name, exifEnd] = GetParam();
    const Bytes whole = test::ReadBytes(test::CorpusPhotos() + name);
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", whole);
    PhotoInfo wholeInfo;
    const std::int32_t wholeStatus = ReadPhotoInfo(dir.folder(), "photo.jpg", wholeInfo);
    ASSERT_GT(wholeStatus, 0);
    ASSERT_TRUE(WriteEmbeddedDate(dir.folder(), "photo.jpg", W1).status);
    const Bytes written = test::ReadBytes(path);
    // The rewritten date fields: 0-based start and size (the entry's count).
    const test::Json& entry = test::CorpusEntry(name);
    std::map<std::string, int> seen;
    std::vector<std::pair<std::size_t, std::size_t>> fields;
    for (const test::Json& w : entry["write"]["W1"]["writes"]) {
        const std::string tag = w["tag"].get<std::string>();
        fields.emplace_back(w["pos"].get<std::size_t>() - 1,
                            entry["entries"][tag][seen[tag]++]["count"].get<std::size_t>());
    }
    ASSERT_EQ(fields.size(), 3u);

    for (std::size_t n = 0; n <= std::min(whole.size(), exifEnd + 16); ++n) {
        SCOPED_TRACE(n);
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(n));
        dir.write("photo.jpg", prefix);
        PhotoInfo info;
        const std::int32_t status = ReadPhotoInfo(dir.folder(), "photo.jpg", info);
        ASSERT_TRUE(status == 0 || status == wholeStatus) << status;
        for (auto field : {&PhotoInfo::Make, &PhotoInfo::Model, &PhotoInfo::DateTime,
                           &PhotoInfo::DateTimeOriginal, &PhotoInfo::DateTimeDigitized}) {
            ASSERT_EQ((wholeInfo.*field).compare(0, (info.*field).size(), info.*field), 0)
                << "not part of the whole photo's value: " << info.*field;
        }
        for (auto field : {&PhotoInfo::PixelXDimension, &PhotoInfo::PixelYDimension}) {
            ASSERT_TRUE(info.*field == 0 || info.*field == wholeInfo.*field);
        }

        const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", W1);
        const Bytes after = test::ReadBytes(path);
        if (!result.status) {
            ASSERT_FALSE(result.dateWritten);
            ASSERT_EQ(after, prefix);
            continue;
        }
        // A field whose text fits before the cut but whose NUL does not may go either way.
        Bytes expected = prefix;
        for (const auto& [start, size] : fields) {
            const auto at = static_cast<long>(start);
            const bool touched =
                start + 19 <= n &&
                !std::equal(after.begin() + at, after.begin() + at + 19, prefix.begin() + at);
            if (start + size <= n || touched) {
                std::copy_n(written.begin() + at, 19, expected.begin() + at);
            }
        }
        ASSERT_TRUE(after == expected) << "difference at " << FirstDifference(after, expected);
    }
}

// The smallest photo of each kind (byte order, TIFF header position).
INSTANTIATE_TEST_SUITE_P(Photos, Truncated, ::testing::ValuesIn(test::SmallestPerKind(1)));

// The corpus photos that carry copies of their date outside EXIF, and the
// XMP sample of the formats folder.
std::vector<std::string> PhotosWithCopies() {
    std::vector<std::string> paths;
    if (test::CorpusDir().empty()) return paths;
    std::vector<std::string> candidates;
    for (const std::string& name : test::CorpusNames())
        candidates.push_back(test::CorpusPhotos() + name);
    candidates.push_back(FolderPath(test::CorpusDir()) + "formats" + PathSeparator + "XMP.jpg");
    for (const std::string& path : candidates) {
        try {
            PhotoFile file(path, PhotoFile::Mode::Read);
            if (!FindDateCopies(file).found.empty()) paths.push_back(path);
        } catch (const RuntimeError&) {
        }
    }
    return paths;
}

// ExifTool's name of each copy the engine rewrites, with the digits of the
// new moment it must show (its own precision: a date, a time, or both).
struct OracleTag {
    const char* exiftool;
    const char* place;  // the engine's name, as a copy left is reported
    const char* digits;
};
constexpr OracleTag OracleTags[] = {
    {"IFD0:ModifyDate", "", "20070123090500"},
    {"ExifIFD:DateTimeOriginal", "", "20070123090500"},
    {"ExifIFD:CreateDate", "", "20070123090500"},
    {"IFD0:DateTimeOriginal", "", "20070123090500"},
    {"IFD0:CreateDate", "", "20070123090500"},
    {"IFD1:ModifyDate", "", "20070123090500"},
    {"XMP-xmp:CreateDate", "xmp:CreateDate", "20070123090500"},
    {"XMP-xmp:ModifyDate", "xmp:ModifyDate", "20070123090500"},
    {"XMP-exif:DateTimeOriginal", "exif:DateTimeOriginal", "20070123090500"},
    {"XMP-exif:DateTimeDigitized", "exif:DateTimeDigitized", "20070123090500"},
    {"XMP-photoshop:DateCreated", "photoshop:DateCreated", "20070123090500"},
    {"XMP-tiff:DateTime", "tiff:DateTime", "20070123090500"},
    {"IPTC:DateCreated", "IPTC 2:55", "20070123"},
    {"IPTC:TimeCreated", "IPTC 2:60", "090500"},
    {"IPTC:DigitalCreationDate", "IPTC 2:62", "20070123"},
    {"IPTC:DigitalCreationTime", "IPTC 2:63", "090500"},
};

class CopiesOracle : public ::testing::TestWithParam<std::string> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CopiesOracle);

// After a set, ExifTool shows the new moment in every copy of the date (each
// in its own precision and zone), every other tag as it was, and the IPTC
// digest current wherever it was before.
TEST_P(CopiesOracle, ExifToolSeesOneMomentInEveryCopy) {
    if (test::RunProcess({"exiftool", "-ver"}).exitCode != 0)
        GTEST_SKIP() << "exiftool is not installed";
    test::TempDir dir;
    const std::string path = dir.copy(GetParam(), "photo.jpg");
    const auto tags = [&] {
        return test::Json::parse(
            test::RunProcess({"exiftool", "-j", "-G1", "-a", "-n", "-x", "System:all", "-x",
                              "File:FileAccessDate", "-x", "File:FileModifyDate", "-x",
                              "File:FileInodeChangeDate", "-x", "Composite:all", path})
                .out)[0];
    };
    const test::Json before = tags();
    const auto size = test::ReadBytes(path).size();
    PhotoDateUpdate update;
    try {
        update = UpdatePhotoDate(dir.folder(), "photo.jpg", W1);
    } catch (const RuntimeError& e) {
        // A damaged copy: refused whole, the photo as it was.
        EXPECT_EQ(e.number(), error::BadPicture);
        EXPECT_EQ(tags(), before);
        return;
    }
    if (!update.result.changed) GTEST_SKIP() << "no EXIF date the writer may change";
    const test::Json after = tags();
    EXPECT_EQ(test::ReadBytes(path).size(), size);
    const auto digest = [](const test::Json& t) {
        return t.contains("Photoshop:IPTCDigest") &&
               t["Photoshop:IPTCDigest"] == t.value("File:CurrentIPTCDigest", test::Json());
    };
    if (digest(before)) {
        EXPECT_TRUE(digest(after)) << "IPTCDigest no longer current";
    }
    for (const auto& [key, value] : after.items()) {
        if (key == "Photoshop:IPTCDigest" || key == "File:CurrentIPTCDigest") continue;
        const auto tag = std::find_if(std::begin(OracleTags), std::end(OracleTags),
                                      [&](const OracleTag& t) { return key == t.exiftool; });
        if (tag == std::end(OracleTags)) {
            EXPECT_EQ(value, before[key]) << key << " changed";
            continue;
        }
        const bool left =
            *tag->place != '\0' &&
            std::any_of(update.copiesLeft.begin(), update.copiesLeft.end(),
                        [&](const std::string& l) { return l.rfind(tag->place, 0) == 0; });
        if (left) continue;
        // The digits of the moment, without its fraction or zone.
        const std::string text =
            std::regex_replace(value.is_string() ? value.get<std::string>() : value.dump(),
                               std::regex(R"((\.\d+)?(Z|[+-]\d\d:?\d\d)?$)"), "");
        std::string digits;
        for (const char c : text)
            if (c >= '0' && c <= '9') digits += c;
        const std::string want = tag->digits;
        EXPECT_EQ(digits.substr(0, std::min(digits.size(), want.size())),
                  want.substr(0, std::min(digits.size(), want.size())))
            << key << ": " << value;
    }
}

// A real sidecar (the formats folder's XMP.xmp, beside a corpus photo):
// after a set, ExifTool reads the new moment in each of its dates and every
// other tag as it was; undo gives it back byte for byte.
TEST(SidecarOracle, ExifToolSeesTheNewMomentInTheSidecar) {
    if (test::CorpusDir().empty()) GTEST_SKIP() << "no photo corpus (set TOVRIN_CORPUS_DIR)";
    if (test::RunProcess({"exiftool", "-ver"}).exitCode != 0)
        GTEST_SKIP() << "exiftool is not installed";
    test::TempDir dir;
    dir.copy(test::CorpusPhotos() + "Canon IXUS 400.jpg", "photo.jpg");
    const std::string sidecar = dir.copy(
        FolderPath(test::CorpusDir()) + "formats" + PathSeparator + "XMP.xmp", "photo.xmp");
    const Bytes original = test::ReadBytes(sidecar);
    const auto tags = [&] {
        return test::Json::parse(test::RunProcess({"exiftool", "-j", "-G1", "-a", "-n", "-x",
                                                   "System:all", "-x", "File:all", sidecar})
                                     .out)[0];
    };
    const test::Json before = tags();
    std::vector<PendingChange> journal;
    const PhotoDateUpdate update =
        UpdatePhotoDate(dir.folder(), "photo.jpg", W1,
                        {.beforeWrite = [&](const PendingChange& c) { journal.push_back(c); }});
    ASSERT_TRUE(update.result.changed);
    const test::Json after = tags();
    EXPECT_EQ(test::ReadBytes(sidecar).size(), original.size());
    int dates = 0;
    for (const auto& [key, value] : after.items()) {
        const bool date = key == "XMP-xmp:CreateDate" || key == "XMP-xmp:ModifyDate" ||
                          key == "XMP-exif:DateTimeOriginal" || key == "XMP-exif:DateTimeDigitized";
        if (!date) {
            EXPECT_EQ(value, before[key]) << key << " changed";
            continue;
        }
        ++dates;
        EXPECT_EQ(value.get<std::string>().substr(0, 19), "2007:01:23 09:05:00") << key;
    }
    EXPECT_EQ(dates, 4);
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(RestorePhotoDates(journal.front()), Restore::Restored);
    EXPECT_TRUE(test::ReadBytes(sidecar) == original);
}

INSTANTIATE_TEST_SUITE_P(Photos, CopiesOracle, ::testing::ValuesIn(PhotosWithCopies()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (const char c :
                                  info.param.substr(info.param.find_last_of("/\\") + 1))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name + "_" + std::to_string(info.index);
                         });

}  // namespace
}  // namespace tovrin
