// tovrin-cli's folder walk takes the names of the engine's one list
// (exif/photo_kinds.h), the same the window's file list shows.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/photo_kinds.h"
#include "photo_list.h"
#include "test_files.h"

namespace tovrin::cli {
namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

TEST(PhotoList, NamesAreTheEnginesList) {
    for (const PhotoKind& kind : PhotoKinds) {
        const std::string ext(kind.extension);
        EXPECT_TRUE(IsPhotoName("a." + ext)) << ext;
        EXPECT_TRUE(IsPhotoName("a." + upper(ext))) << ext;
        EXPECT_FALSE(IsPhotoName("a." + ext + ".txt")) << ext;
        EXPECT_FALSE(IsPhotoName(ext)) << ext;
    }
    EXPECT_FALSE(IsPhotoName("a.gif"));
    EXPECT_FALSE(IsPhotoName("a.crw"));
}

TEST(PhotoList, WalkTakesEveryKind) {
    test::TempDir dir("写真");
    const test::Bytes some = test::ToBytes("bytes");
    std::vector<std::string> expected;
    for (const PhotoKind& kind : PhotoKinds) {
        const std::string ext(kind.extension);
        for (const std::string& name : {"p." + ext, "Q." + upper(ext)}) {
            test::WriteBytes(dir.path(name), some);
            expected.push_back(dir.path(name));
        }
        test::WriteBytes(dir.path("n." + ext + ".bak"), some);
#ifndef _WIN32
        // Hidden by its leading dot (on Windows only the attribute hides).
        test::WriteBytes(dir.path("." + ext), some);
        test::WriteBytes(dir.path(".h." + ext), some);
#endif
    }
    test::WriteBytes(dir.path("notes.txt"), some);
    test::WriteBytes(dir.path("heic"), some);
    const std::vector<Target> found = ExpandTargets({{dir.folder(), 0}}, true);
    std::vector<std::string> paths;
    for (const Target& t : found) {
        EXPECT_EQ(t.error, 0) << t.path;
        paths.push_back(t.path);
    }
    std::sort(paths.begin(), paths.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(paths, expected);
}

}  // namespace
}  // namespace tovrin::cli
