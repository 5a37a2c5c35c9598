// Writes the fuzzer's starting corpus into a folder: the hostile seeds built
// in hostile_seeds.cpp and the first bytes of every sample photo, each behind
// its choice byte. Run before a campaign; nothing of it is kept in the tree.
//
//   fuzz_seeds OUT_FOLDER [PHOTOS_FOLDER]

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "exif/paths.h"
#include "hostile_seeds.h"

namespace {

bool writeSeed(const std::filesystem::path& folder, const std::string& name,
               const std::vector<unsigned char>& bytes) {
    std::ofstream out(folder / tovrin::NativePath(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT_FOLDER [PHOTOS_FOLDER]\n");
        return 2;
    }
    const std::filesystem::path out = tovrin::NativePath(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    int written = 0;
    for (const auto& seed : tovrin_fuzz::HostileSeeds())
        written += writeSeed(out, "hostile-" + seed.name, seed.input) ? 1 : 0;
    if (argc == 3) {
        // A photo's Exif block lies in its first 64 KiB; 16 KiB keeps most of
        // it and keeps each run short.
        int n = 0;
        for (const auto& seed : tovrin_fuzz::PhotoSeeds(argv[2], 16384))
            written += writeSeed(out, "photo-" + std::to_string(n++), seed.input) ? 1 : 0;
    }
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return written > 0 ? 0 : 1;
}
