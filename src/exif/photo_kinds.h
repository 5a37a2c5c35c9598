#pragma once

#include <array>
#include <string>
#include <string_view>

#include "exif/container.h"

namespace tovrin {

// The one list of the names Tovrin handles, by their extension, letters in
// any case. The window's file list and tovrin-cli's folder walk both take it
// from here; what a file is, is told by its first bytes (KindOfFile), the name
// only says which files are offered at all.
struct PhotoKind {
    std::string_view extension;  // lower case, without the dot
    FileKind kind;               // what a file of this name is expected to be
    bool raw = false;            // a camera's raw file: its picture is its embedded preview
};

inline constexpr std::array<PhotoKind, 28> PhotoKinds{{
    {"jpg", FileKind::Jpeg},       {"jpeg", FileKind::Jpeg},      {"jpe", FileKind::Jpeg},
    {"heic", FileKind::Heif},      {"heif", FileKind::Heif},      {"hif", FileKind::Heif},
    {"avif", FileKind::Heif},      {"tif", FileKind::Tiff},       {"tiff", FileKind::Tiff},
    {"dng", FileKind::Tiff, true}, {"cr2", FileKind::Tiff, true}, {"cr3", FileKind::Cr3, true},
    {"nef", FileKind::Tiff, true}, {"nrw", FileKind::Tiff, true}, {"arw", FileKind::Tiff, true},
    {"srf", FileKind::Tiff, true}, {"sr2", FileKind::Tiff, true}, {"pef", FileKind::Tiff, true},
    {"srw", FileKind::Tiff, true}, {"orf", FileKind::Tiff, true}, {"rw2", FileKind::Tiff, true},
    {"raf", FileKind::Raf, true},  {"png", FileKind::Png},        {"webp", FileKind::WebP},
    {"mov", FileKind::QuickTime},  {"mp4", FileKind::QuickTime},  {"m4v", FileKind::QuickTime},
    {"3gp", FileKind::QuickTime},
}};

// The entry of PhotoKinds whose extension the name ends in (after its last
// "."), letters in any case; nullptr for any other name. Only the name counts:
// ".heic" is a name of the list (whether a listing shows such a hidden entry is
// IsHiddenEntry's rule), "a.jpg.txt" and "jpg" are none.
const PhotoKind* PhotoKindOfName(std::string_view name);

// True for a name of the list.
inline bool IsPhotoName(std::string_view name) { return PhotoKindOfName(name) != nullptr; }

// The list as a file list's pattern: "*.jpg;*.jpeg;...", in the list's order.
std::string PhotoNamePattern();

}  // namespace tovrin
