// Giving a photo without EXIF a block of its own: every real photo of the
// corpus that has none, and PNG, read back by ExifTool; what may not take one;
// the way back, and the way back again.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "exif/added_exif.h"
#include "exif/crc32.h"
#include "exif/paths.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "run_process.h"
#include "test_files.h"

namespace tovrin {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

const DateChoice Moment{{1998, 7, 1}, {10, 20, 30}, false, false, {}};
const std::string MomentText = "1998:07:01 10:20:30";

bool HaveExifTool() { return test::RunProcess({"exiftool", "-ver"}).exitCode == 0; }

// A PNG of one gray pixel, without eXIf, its chunks' CRCs right; with a
// tIME, as many writers leave one, its only date.
Bytes PlainPng(bool withTime = false) {
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&](const std::string& type, const Bytes& data) {
        Bytes body(type.begin(), type.end());
        body.insert(body.end(), data.begin(), data.end());
        const std::uint32_t size = static_cast<std::uint32_t>(data.size());
        const std::uint32_t crc = Crc32(body.data(), body.size());
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(size >> s));
        out.insert(out.end(), body.begin(), body.end());
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(crc >> s));
    };
    chunk("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    if (withTime) chunk("tIME", {0x07, 0xD0, 1, 2, 3, 4, 5});
    chunk("IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    chunk("IEND", {});
    return out;
}

// The photos without EXIF: the corpus's (read as having none) and our own.
std::vector<std::pair<std::string, Bytes>> PhotosWithoutExif() {
    std::vector<std::pair<std::string, Bytes>> photos;
    const std::string corpus = test::CorpusPhotos();
    std::error_code ec;
    if (!corpus.empty() && fs::is_directory(NativePath(corpus), ec)) {
        for (const auto& e : fs::directory_iterator(NativePath(corpus))) {
            const std::string path = Utf8Path(e.path());
            PhotoInfo info;
            if (e.path().extension() != ".jpg" ||
                ReadPhotoInfo(FolderPath(corpus), Utf8Path(e.path().filename()), info) != 0)
                continue;
            PhotoFile file(path, PhotoFile::Mode::Read);
            if (PlanAddedExif(file, MomentText)) photos.emplace_back(path, test::ReadBytes(path));
        }
    }
    test::Jpeg plain;
    plain.withExif = false;
    photos.emplace_back("jfif.jpg", plain.build());
    plain.before.clear();  // no APP0: the block goes right after SOI
    photos.emplace_back("bare.jpg", plain.build());
    photos.emplace_back("pixel.png", PlainPng());
    photos.emplace_back("timed.png", PlainPng(true));  // its tIME stays as it was
    return photos;
}

TEST(AddedExif, EveryPhotoWithoutExifGetsOneExifToolReads) {
    const auto photos = PhotosWithoutExif();
    std::error_code ec;
    if (fs::is_directory(NativePath(test::CorpusPhotos()), ec)) {
        EXPECT_GE(photos.size(), 4u + 20u) << "the corpus photos without EXIF, and ours";
    }
    for (const auto& [source, original] : photos) {
        SCOPED_TRACE(source);
        test::TempDir dir;
        const std::string name = Utf8Path(NativePath(source).filename());
        const std::string path = dir.write(name, original);
        fs::permissions(NativePath(path), fs::perms(0640));
        // The photo's own mode goes with it (Windows keeps only read-only).
        const auto expectMode = [](const std::string& p) {
#ifndef _WIN32
            EXPECT_EQ(fs::status(NativePath(p)).permissions() & fs::perms::all, fs::perms(0640));
#else
            (void)p;
#endif
        };
        std::vector<PendingChange> journal;
        ChangeOptions options{.beforeWrite = [&](const PendingChange& c) { journal.push_back(c); },
                              .zone = std::string("+09:00"),
                              .addMissing = true};
        const PhotoDateUpdate u = UpdatePhotoDate(dir.folder(), name, Moment, options);
        ASSERT_TRUE(u.added && u.result.changed);
        ASSERT_EQ(journal.size(), 1u);
        ASSERT_EQ(journal[0].writes.size(), 1u);
        const DateField& splice = journal[0].writes[0];

        // Every byte of the photo is where it was, the block between them.
        const Bytes after = test::ReadBytes(path);
        Bytes expected = original;
        expected.insert(expected.begin() + (splice.position - 1), splice.written.begin(),
                        splice.written.end());
        EXPECT_TRUE(after == expected);
        expectMode(path);
        EXPECT_EQ(LastWriteTime(path), (LocalDateTime{1998, 7, 1, 10, 20, 30}));
        EXPECT_FALSE(fs::exists(NativePath(ReplacementPath(path))));
        PhotoInfo info;
        ASSERT_GT(ReadPhotoInfo(dir.folder(), name, info), 0);
        EXPECT_EQ(info.DateTimeOriginal, MomentText);
        EXPECT_EQ(info.DateTime, MomentText);

        if (HaveExifTool()) {
            // Any warning is one the photo had before.
            const auto warning = [](const std::string& file) {
                const auto run = test::RunProcess({"exiftool", "-j", "-G1", "-warning", file});
                return nlohmann::json::parse(run.out, nullptr, false)[0].value("ExifTool:Warning",
                                                                               "");
            };
            const std::string before = dir.write("before-" + name, original);
            const auto run =
                test::RunProcess({"exiftool", "-j", "-G1", "-a", "-warning", "-DateTimeOriginal",
                                  "-CreateDate", "-ModifyDate", "-OffsetTimeOriginal",
                                  "-ExifVersion", "-ImageWidth", "-ExifImageWidth", path});
            const nlohmann::json tags = nlohmann::json::parse(run.out, nullptr, false)[0];
            EXPECT_EQ(tags.value("ExifIFD:DateTimeOriginal", ""), MomentText) << run.out;
            EXPECT_EQ(tags.value("ExifIFD:CreateDate", ""), MomentText);
            EXPECT_EQ(tags.value("IFD0:ModifyDate", ""), MomentText);
            EXPECT_EQ(tags.value("ExifIFD:OffsetTimeOriginal", ""), "+09:00");
            // The size the picture states, where it states one.
            const int width = tags.value("File:ImageWidth", tags.value("PNG:ImageWidth", 0));
            EXPECT_EQ(tags.value("ExifIFD:ExifImageWidth", width), width);
            EXPECT_EQ(tags.value("ExifTool:Warning", ""), warning(before)) << run.out;
        }

        // Undo takes exactly the block away, with the old times; undoing
        // the undo puts it back.
        std::vector<PendingChange> back;
        EXPECT_EQ(RestorePhotoDates(journal[0], [&](const PendingChange& c) { back.push_back(c); }),
                  Restore::Restored);
        EXPECT_TRUE(test::ReadBytes(path) == original);
        expectMode(path);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(RestorePhotoDates(journal[0]), Restore::AlreadyBefore);
        EXPECT_EQ(RestorePhotoDates(back[0]), Restore::Restored);
        EXPECT_TRUE(test::ReadBytes(path) == expected);
    }
}

// Given back only while the photo holds the block where the change put it.
TEST(AddedExif, UndoLeavesAPhotoChangedSince) {
    test::TempDir dir;
    test::Jpeg plain;
    plain.withExif = false;
    const std::string path = dir.write("p.jpg", plain.build());
    std::vector<PendingChange> journal;
    UpdatePhotoDate(
        dir.folder(), "p.jpg", Moment,
        {.beforeWrite = [&](const PendingChange& c) { journal.push_back(c); }, .addMissing = true});
    ASSERT_EQ(journal.size(), 1u);
    // A date set since, in place: the block no longer holds what was added.
    UpdatePhotoDate(dir.folder(), "p.jpg", {{2001, 2, 3}, {4, 5, 6}, false, false, {}});
    const Bytes changed = test::ReadBytes(path);
    EXPECT_EQ(RestorePhotoDates(journal[0]), Restore::ChangedSince);
    // A journal edited to take away other bytes of the same length.
    PendingChange edited = journal[0];
    edited.writes[0].position += 2;
    EXPECT_NE(RestorePhotoDates(edited), Restore::Restored);
    EXPECT_TRUE(test::ReadBytes(path) == changed);
}

// What never takes a block: a photo with EXIF (even without dates), a broken
// JPEG, another kind of file, a filter day, a dry run, a link.
TEST(AddedExif, OnlyWhereItIsSafe) {
    test::TempDir dir;
    test::Jpeg undated = test::CameraPhoto();
    undated.tiff.ifd0.resize(2);
    undated.tiff.exif.reset();
    test::Jpeg plain;
    plain.withExif = false;
    Bytes broken = plain.build();
    broken[5] = 0x40;  // APP0's length runs past the end
    const Bytes tiff{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    DateChoice filtered = Moment;
    filtered.filterOn = true;
    filtered.filterDate = {1998, 7, 1};
    const struct {
        const char* name;
        Bytes bytes;
        DateChoice choice;
        bool dryRun;
    } cases[] = {
        {"undated.jpg", undated.build(), Moment, false},
        {"broken.jpg", broken, Moment, false},
        {"scan.tif", tiff, Moment, false},
        {"day.jpg", plain.build(), filtered, false},
        {"dry.jpg", plain.build(), Moment, true},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write(c.name, c.bytes);
        const PhotoDateUpdate u = UpdatePhotoDate(dir.folder(), c.name, c.choice,
                                                  {.dryRun = c.dryRun, .addMissing = true});
        EXPECT_EQ(u.added, c.dryRun) << c.name;
        EXPECT_TRUE(test::ReadBytes(path) == c.bytes) << c.name;
        EXPECT_FALSE(fs::exists(NativePath(ReplacementPath(path)))) << c.name;
    }
#ifndef _WIN32
    const std::string target = dir.write("target.jpg", plain.build());
    fs::create_symlink(NativePath(target), NativePath(dir.path("link.jpg")));
    try {
        UpdatePhotoDate(dir.folder(), "link.jpg", Moment, {.addMissing = true});
        ADD_FAILURE() << "a link was replaced";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), error::PathFileAccess);
    }
    EXPECT_TRUE(fs::is_symlink(NativePath(dir.path("link.jpg"))));
    EXPECT_TRUE(test::ReadBytes(target) == plain.build());
#endif
}

}  // namespace
}  // namespace tovrin
