// The one list of names Tovrin handles: which names it takes, in any case,
// and the pattern the window's file list is built from.
#include <set>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "exif/photo_kinds.h"

namespace tovrin {
namespace {

struct NameCase {
    const char* name;
    bool taken;
};

class PhotoNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(PhotoNames, TakenOrNot) {
    const NameCase c = GetParam();
    EXPECT_EQ(IsPhotoName(c.name), c.taken) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Taken, PhotoNames,
    ::testing::Values(NameCase{"a.jpg", true}, NameCase{"a.JPG", true}, NameCase{"b.Jpeg", true},
                      NameCase{"c.jpe", true}, NameCase{"IMG_0001.HEIC", true},
                      NameCase{"x.heif", true}, NameCase{"x.HIF", true}, NameCase{"x.avif", true},
                      NameCase{"scan.tif", true}, NameCase{"scan.TIFF", true},
                      NameCase{"r.dng", true}, NameCase{"r.CR2", true}, NameCase{"r.cr3", true},
                      NameCase{"r.nef", true}, NameCase{"r.NRW", true}, NameCase{"r.arw", true},
                      NameCase{"r.srf", true}, NameCase{"r.sr2", true}, NameCase{"r.pef", true},
                      NameCase{"r.srw", true}, NameCase{"r.orf", true}, NameCase{"r.Rw2", true},
                      NameCase{"r.RAF", true}, NameCase{"p.png", true}, NameCase{"w.WebP", true},
                      NameCase{"m.mov", true}, NameCase{"m.MP4", true}, NameCase{"m.m4v", true},
                      NameCase{"m.3GP", true}, NameCase{"写真 1.jpg", true},
                      NameCase{"two.dots.heic", true},
                      // Only the name counts: a hidden name is one of the list; whether a
                      // listing shows it is IsHiddenEntry's rule (tested with the listings).
                      NameCase{".heic", true}, NameCase{".x.jpg", true}));

INSTANTIATE_TEST_SUITE_P(
    NotTaken, PhotoNames,
    ::testing::Values(NameCase{"a.jpg.txt", false}, NameCase{"a.jpg.bak", false},
                      NameCase{"jpg", false}, NameCase{"heic", false}, NameCase{"", false},
                      NameCase{".", false}, NameCase{"a.", false}, NameCase{"a.jpgx", false},
                      NameCase{"a.xjpg", false}, NameCase{"a.jp", false}, NameCase{"a.jpg ", false},
                      NameCase{"a. jpg", false}, NameCase{"a.gif", false}, NameCase{"a.bmp", false},
                      NameCase{"a.crw", false}, NameCase{"a.mts", false}, NameCase{"a.xmp", false},
                      NameCase{"a.txt", false},
                      // A letter that only looks upper case in another script is no ASCII one.
                      NameCase{"a.ｊｐｇ", false}));

TEST(PhotoKinds, TheListAsAsked) {
    std::string all;
    for (const PhotoKind& kind : PhotoKinds) {
        if (!all.empty()) all += ' ';
        all += kind.extension;
    }
    EXPECT_EQ(all,
              "jpg jpeg jpe heic heif hif avif tif tiff dng cr2 cr3 nef nrw arw srf sr2 pef srw "
              "orf rw2 raf png webp mov mp4 m4v 3gp");
    std::set<std::string_view> distinct;
    for (const PhotoKind& kind : PhotoKinds) {
        EXPECT_TRUE(distinct.insert(kind.extension).second) << kind.extension;
        for (const char c : kind.extension) EXPECT_FALSE(c >= 'A' && c <= 'Z') << kind.extension;
    }
}

TEST(PhotoKinds, EachNameItsKind) {
    const auto kindOf = [](const char* name) {
        const PhotoKind* kind = PhotoKindOfName(name);
        return kind ? kind->kind : FileKind::Unknown;
    };
    EXPECT_EQ(kindOf("a.JPE"), FileKind::Jpeg);
    EXPECT_EQ(kindOf("a.hif"), FileKind::Heif);
    EXPECT_EQ(kindOf("a.avif"), FileKind::Heif);
    EXPECT_EQ(kindOf("a.tif"), FileKind::Tiff);
    EXPECT_EQ(kindOf("a.NEF"), FileKind::Tiff);
    EXPECT_EQ(kindOf("a.cr3"), FileKind::Cr3);
    EXPECT_EQ(kindOf("a.raf"), FileKind::Raf);
    EXPECT_EQ(kindOf("a.png"), FileKind::Png);
    EXPECT_EQ(kindOf("a.webp"), FileKind::WebP);
    EXPECT_EQ(kindOf("a.3gp"), FileKind::QuickTime);
    EXPECT_EQ(kindOf("a.txt"), FileKind::Unknown);
    // Raw: a camera's file whose picture is its embedded preview; a TIFF is a picture itself.
    for (const char* raw : {"dng", "cr2", "cr3", "nef", "nrw", "arw", "srf", "sr2", "pef", "srw",
                            "orf", "rw2", "raf"})
        EXPECT_TRUE(PhotoKindOfName(std::string("x.") + raw)->raw) << raw;
    for (const char* picture : {"jpg", "tif", "tiff", "heic", "png", "webp", "mov"})
        EXPECT_FALSE(PhotoKindOfName(std::string("x.") + picture)->raw) << picture;
}

TEST(PhotoKinds, PatternOfTheFileList) {
    EXPECT_EQ(PhotoNamePattern(),
              "*.jpg;*.jpeg;*.jpe;*.heic;*.heif;*.hif;*.avif;*.tif;*.tiff;*.dng;*.cr2;*.cr3;"
              "*.nef;*.nrw;*.arw;*.srf;*.sr2;*.pef;*.srw;*.orf;*.rw2;*.raf;*.png;*.webp;*.mov;"
              "*.mp4;*.m4v;*.3gp");
}

}  // namespace
}  // namespace tovrin
