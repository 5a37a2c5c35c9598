// Writes the fuzzer's starting corpus into a folder: the hostile seeds built
// in hostile_seeds.cpp and the sample files of the folders given, each behind
// its choice byte. Run before a campaign; nothing of it is kept in the tree.
//
//   fuzz_seeds OUT_FOLDER [PHOTOS_FOLDER]
//       the JPEG hostile seeds, and the first 16 KiB of each photo (for fuzz_engine)
//   fuzz_seeds --kind KIND OUT_FOLDER [FOLDER...]
//       the hostile seeds of one kind ("tiff", "heif", "cr3", "png", "webp",
//       "raf", "quicktime", as KindOfFile names them) and the whole files of
//       that kind in the folders (up to 2 MiB each: a container cut short is
//       one the judge cannot walk), for fuzz_KIND

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "exif/paths.h"
#include "hostile_seeds.h"
#include "judge.h"

namespace {

bool writeSeed(const std::filesystem::path& folder, const std::string& name,
               const std::vector<unsigned char>& bytes) {
    std::ofstream out(folder / tovrin::NativePath(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The kind of a fuzz input's file (after its choice byte).
std::string kindOf(const std::vector<unsigned char>& input) {
    return tovrin_fuzz::KindOfFile(std::vector<unsigned char>(input.begin() + 1, input.end()));
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    std::string kind;
    if (argc > 2 && std::string(argv[1]) == "--kind") {
        kind = argv[2];
        first = 3;
    }
    if (argc <= first || (kind.empty() && argc > first + 2)) {
        std::fprintf(stderr,
                     "usage: fuzz_seeds OUT_FOLDER [PHOTOS_FOLDER]\n"
                     "       fuzz_seeds --kind KIND OUT_FOLDER [FOLDER...]\n");
        return 2;
    }
    const std::filesystem::path out = tovrin::NativePath(argv[first]);
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    int written = 0;
    for (const auto& seed : tovrin_fuzz::HostileSeeds())
        if (kindOf(seed.input) == (kind.empty() ? "jpeg" : kind))
            written += writeSeed(out, "hostile-" + seed.name, seed.input) ? 1 : 0;
    int n = 0;
    for (int i = first + 1; i < argc; ++i) {
        // A JPEG's Exif block lies in its first 64 KiB; 16 KiB keeps most of
        // it and keeps each run short. Other containers are kept whole.
        const std::size_t limit = kind.empty() ? 16384 : std::size_t{1} << 21;
        for (const auto& seed : tovrin_fuzz::PhotoSeeds(argv[i], limit))
            if (kind.empty() || (kindOf(seed.input) == kind && seed.input.size() <= limit))
                written += writeSeed(out, "photo-" + std::to_string(n++), seed.input) ? 1 : 0;
    }
    std::printf("%d seeds written to %s\n", written, argv[first]);
    return written > 0 ? 0 : 1;
}
