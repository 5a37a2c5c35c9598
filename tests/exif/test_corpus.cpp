// Every real photo of the corpus against its manifest: the reader's status and
// fields, and the writer's result and bytes for the three fixed choices.
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "manifest.h"
#include "reader.h"
#include "test_files.h"
#include "writer.h"

namespace tovrin {
namespace {

using test::Bytes;

TEST(CorpusFolder, EveryPhotoHasAManifestEntry) {
    if (test::CorpusDir().empty()) GTEST_SKIP() << "no photo corpus (set TOVRIN_CORPUS_DIR)";
    std::set<std::string> photos;
    for (const auto& e : std::filesystem::directory_iterator(test::CorpusPhotos())) {
        const std::string ext = e.path().extension().string();
        if (!ext.empty() && (ext[1] == 'j' || ext[1] == 'J')) photos.insert(e.path().filename());
    }
    const auto names = test::CorpusNames();
    EXPECT_GT(names.size(), 0u) << "manifest lists no photos";
    EXPECT_EQ(photos, std::set<std::string>(names.begin(), names.end()));
}

class Corpus : public ::testing::TestWithParam<std::string> {
protected:
    QJsonObject entry() const { return test::CorpusEntry(GetParam()); }
};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

TEST_P(Corpus, ReaderAgreesWithManifest) {
    const QJsonObject expected = entry().value("expected").toObject();
    const QJsonObject corrupt = entry().value("corrupt").toObject();
    PhotoInfo info;
    const std::int32_t status = ReadPhotoInfo(test::CorpusPhotos(), GetParam(), info);
    EXPECT_EQ(status, expected.value("status").toInt());
    EXPECT_EQ(info.TiffBase, expected.value("TiffBase").toInt());
    EXPECT_FALSE(info.FileDateText.empty());
    const struct {
        const char* key;
        const std::string& text;
    } texts[] = {{"DateTime", info.DateTime},
                 {"DateTimeOriginal", info.DateTimeOriginal},
                 {"DateTimeDigitized", info.DateTimeDigitized},
                 {"Make", info.Make},
                 {"Model", info.Model}};
    for (const auto& t : texts) {
        const std::string want = test::Latin1(expected.value(t.key));
        // At a corrupt offset the reader may stop early, keeping only what it had.
        if (!corrupt.isEmpty() && t.text.empty()) continue;
        EXPECT_EQ(t.text, want) << t.key;
    }
    const struct {
        const char* key;
        std::int32_t value;
    } numbers[] = {{"PixelXDimension", info.PixelXDimension},
                   {"PixelYDimension", info.PixelYDimension}};
    for (const auto& n : numbers) {
        if (!corrupt.isEmpty() && n.value == 0) continue;
        EXPECT_EQ(n.value, expected.value(n.key).toInt()) << n.key;
    }
}

TEST_P(Corpus, WriterAgreesWithManifest) {
    const Bytes original = test::ReadBytes(test::CorpusPhotos() + GetParam());
    ASSERT_EQ(test::Sha256(original), entry().value("sha256").toString().toStdString());
    test::TempDir dir;
    for (const char* writeCase : {"W1", "W2", "W3"}) {
        SCOPED_TRACE(writeCase);
        const QJsonObject want = entry().value("write").toObject().value(writeCase).toObject();
        const std::string path = dir.write("photo.jpg", original);
        const WriteResult result = WriteEmbeddedDate(
            dir.folder(), "photo.jpg", test::ManifestChoice(writeCase, want.value("filter")));
        EXPECT_EQ(result.status, want.value("status").toBool());
        EXPECT_EQ(result.dateWritten, want.value("date_written").toBool());

        Bytes expected = original;
        for (const QJsonValue& w : want.value("writes").toArray()) {
            const std::string text = test::Latin1(w.toObject().value("text"));
            const auto at = static_cast<std::size_t>(w.toObject().value("pos").toInteger() - 1);
            ASSERT_LE(at + text.size(), expected.size());
            std::copy(text.begin(), text.end(), expected.begin() + static_cast<long>(at));
        }
        const Bytes after = test::ReadBytes(path);
        ASSERT_EQ(after.size(), original.size());
        for (std::size_t i = 0; i < after.size(); ++i) {
            ASSERT_EQ(after[i], expected[i]) << "first difference at position " << i + 1;
        }
        EXPECT_EQ(test::Sha256(after), want.value("sha256_after").toString().toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Photos, Corpus, ::testing::ValuesIn(test::CorpusNames()),
                         [](const auto& info) { return test::TestName(info.index, info.param); });

}  // namespace
}  // namespace tovrin
