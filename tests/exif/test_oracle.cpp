// Round trip through independent readers: after a write, ExifTool and Exiv2
// read the new dates back and find nothing newly wrong with the photo.
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "manifest.h"
#include "process.h"
#include "test_files.h"
#include "writer.h"

namespace tovrin {
namespace {

using test::Bytes;

constexpr const char* NewDate = "2007:01:23 09:05:00";

// Photos whose three dates the first choice rewrites, covering both byte
// orders and both TIFF header positions, two of each kind.
std::vector<std::string> RoundTripPhotos() {
    std::map<std::string, int> perKind;
    std::vector<std::string> chosen;
    for (const std::string& name : test::CorpusNames()) {
        const QJsonObject e = test::CorpusEntry(name);
        const QJsonObject w1 = e.value("write").toObject().value("W1").toObject();
        if (!w1.value("date_written").toBool() || w1.value("writes").toArray().size() != 3) {
            continue;
        }
        const std::string kind =
            e.value("structure").toObject().value("byte_order").toString().toStdString() +
            std::to_string(e.value("expected").toObject().value("TiffBase").toInt());
        if (perKind[kind]++ < 2) chosen.push_back(name);
    }
    return chosen;
}

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

class RoundTrip : public ::testing::TestWithParam<std::string> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RoundTrip);

TEST_P(RoundTrip, IndependentReadersSeeTheNewDates) {
    if (!test::ToolAvailable("exiftool", "-ver")) GTEST_SKIP() << "exiftool is not installed";
    const QJsonObject w1 =
        test::CorpusEntry(GetParam()).value("write").toObject().value("W1").toObject();
    test::TempDir dir;
    const std::string path = dir.copy(test::CorpusPhotos() + GetParam(), "photo.jpg");
    const Bytes before = test::ReadBytes(path);
    const auto warningsBefore =
        Lines(test::RunProcess({"exiftool", "-a", "-s3", "-Warning", path}).out);

    const WriteResult result =
        WriteEmbeddedDate(dir.folder(), "photo.jpg", test::ManifestChoice("W1", QJsonValue()));
    ASSERT_TRUE(result.status);
    EXPECT_TRUE(result.dateWritten);

    // Same length; every changed byte lies inside one of the rewritten fields.
    const Bytes after = test::ReadBytes(path);
    ASSERT_EQ(after.size(), before.size());
    std::map<std::string, std::string> exiftoolTag{{"0132", "IFD0:ModifyDate"},
                                                   {"9003", "ExifIFD:DateTimeOriginal"},
                                                   {"9004", "ExifIFD:CreateDate"}};
    std::map<std::string, std::string> exiv2Key{{"0132", "Exif.Image.DateTime"},
                                                {"9003", "Exif.Photo.DateTimeOriginal"},
                                                {"9004", "Exif.Photo.DateTimeDigitized"}};
    std::vector<bool> inField(after.size(), false);
    for (const QJsonValue& w : w1.value("writes").toArray()) {
        const auto pos = static_cast<std::size_t>(w.toObject().value("pos").toInteger());
        for (std::size_t i = 0; i < 19; ++i) inField[pos - 1 + i] = true;
    }
    for (std::size_t i = 0; i < after.size(); ++i) {
        ASSERT_TRUE(inField[i] || after[i] == before[i]) << "changed outside a field at " << i + 1;
    }

    const auto json = test::RunProcess({"exiftool", "-j", "-G1", "-IFD0:ModifyDate",
                                        "-ExifIFD:DateTimeOriginal", "-ExifIFD:CreateDate", path});
    ASSERT_EQ(json.exitCode, 0);
    const QJsonObject tags =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array().at(0).toObject();
    for (const auto& [tag, name] : exiftoolTag) {
        EXPECT_EQ(tags.value(QString::fromStdString(name)).toString().toStdString(), NewDate)
            << name;
    }
    const auto warningsAfter =
        Lines(test::RunProcess({"exiftool", "-a", "-s3", "-Warning", path}).out);
    for (const std::string& w : warningsAfter) {
        EXPECT_TRUE(warningsBefore.count(w)) << "new ExifTool warning: " << w;
    }

    if (!test::ToolAvailable("exiv2", "-V")) return;
    std::vector<std::string> args{"exiv2", "-pt"};
    for (const auto& [tag, key] : exiv2Key) args.insert(args.end(), {"-K", key});
    args.push_back(path);
    const std::string exiv2 = test::RunProcess(args).out;
    for (const auto& [tag, key] : exiv2Key) {
        const auto start = exiv2.find(key);
        ASSERT_NE(start, std::string::npos) << key;
        const std::string line = exiv2.substr(start, exiv2.find('\n', start) - start);
        EXPECT_NE(line.find(NewDate), std::string::npos) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Photos, RoundTrip, ::testing::ValuesIn(RoundTripPhotos()),
                         [](const auto& info) { return test::TestName(info.index, info.param); });

TEST(RoundTripCorpus, IsPresent) {
    if (test::CorpusDir().empty()) GTEST_SKIP() << "no photo corpus (set TOVRIN_CORPUS_DIR)";
    EXPECT_GE(RoundTripPhotos().size(), 4u);
}

}  // namespace
}  // namespace tovrin
