// Runs the fuzz target without libFuzzer: on the files named on the command
// line, or else on deterministic mutations of real photos' first bytes, so the
// target's checks run in every build as an ordinary test.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "exif/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::uint8_t> readPrefix(const std::filesystem::path& p, std::size_t limit) {
    std::ifstream in(p, std::ios::binary);
    std::vector<std::uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            const auto bytes = readPrefix(argv[i], std::size_t{1} << 26);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        }
        return 0;
    }
    // An ASCII folder name (Z:/... under Wine), so the narrow environment will do.
    const char* corpus = std::getenv("TOVRIN_CORPUS_DIR");
    const std::filesystem::path photos =
        corpus ? tovrin::NativePath(corpus) / "photos" : std::filesystem::path();
    std::error_code ec;
    if (!corpus || !std::filesystem::is_directory(photos, ec)) {
        std::printf("sample photos not found (TOVRIN_CORPUS_DIR); nothing to replay\n");
        return 0;
    }
    std::vector<std::vector<std::uint8_t>> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(photos)) {
        if (seeds.size() >= 24) break;
        auto bytes = readPrefix(entry.path(), 8192);
        bytes.insert(bytes.begin(), 0);  // the choice byte
        seeds.push_back(std::move(bytes));
    }
    std::mt19937 rng(20070123);
    int runs = 0;
    for (int round = 0; round < 150; ++round) {
        for (auto seed : seeds) {
            seed[0] = static_cast<std::uint8_t>(rng());
            const int flips = 1 + static_cast<int>(rng() % 8);
            for (int f = 0; f < flips && seed.size() > 1; ++f)
                seed[1 + rng() % (seed.size() - 1)] = static_cast<std::uint8_t>(rng());
            if (rng() % 4 == 0) seed.resize(1 + rng() % seed.size());
            LLVMFuzzerTestOneInput(seed.data(), seed.size());
            ++runs;
        }
    }
    std::printf("%d mutated inputs passed\n", runs);
    return 0;
}
