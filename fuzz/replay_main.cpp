// Runs the fuzz target's judge without libFuzzer, so its checks run in every
// build as an ordinary test:
//
//   fuzz_engine_replay FILE...   judges each file (a fuzz input: choice byte, photo)
//   fuzz_engine_replay           the hostile seeds, the sample photos, and
//                                deterministic mutations of the photos' first bytes
//
// The engine of today still writes into a few hostile seeds (it knows IFD0 and
// the Exif IFD only) and reads one text past its segment; those seeds are
// listed below and reported without failing the test, as are the mutations'
// failures of those two kinds (a flipped count or offset makes a hostile
// photo of a sound one).
// Every other failure counts: a sample photo, a hostile seed not listed, a
// broken promise anywhere. TOVRIN_FUZZ_ALL_HOSTILE=1 makes every failure
// count, for the engine that guards every table; it also mutates the hostile
// seeds.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "exif/paths.h"
#include "hostile_seeds.h"
#include "judge.h"

namespace {

// Hostile seeds the engine of today fails, each for a structure it does not
// know of. Empty this list once the engine guards every table.
const std::set<std::string> damagedByTodaysEngine = {
    // A date aimed at a table or a value outside IFD0 and the Exif IFD.
    "date-into-ifd1-table", "date-into-gps-table", "date-into-interop-table",
    "date-into-subifd-table", "date-into-makernote", "date-into-thumbnail",
    "date-into-make-value", "date-into-gps-value", "count-max-rationals-over-dates",
    // IFD0 read at 8 whatever the header says.
    "ifd0-offset-not-8",
    // The Exif pointer read as a signed offset, 200 bytes before the header.
    "exif-pointer-ffffff38",
    // A TIFF header without its 42.
    "tiff-magic-not-42",
    // The reader reads a text to its NUL or its count, past the end of the segment.
    "text-runs-past-app1",
};

std::vector<std::uint8_t> readPrefix(const std::filesystem::path& p, std::size_t limit) {
    std::ifstream in(p, std::ios::binary);
    std::vector<std::uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool allHostileCount() {
    const char* v = std::getenv("TOVRIN_FUZZ_ALL_HOSTILE");
    return v && *v && std::string(v) != "0";
}

// Keeps a failing input where the test ran, to be replayed by name; the
// first twenty are enough to start from.
void keep(const std::vector<std::uint8_t>& input, int n) {
    if (n > 20) return;
    const std::string name = "fuzz-replay-failure-" + std::to_string(n) + ".bin";
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
    std::printf("  input kept as %s\n", name.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            const auto bytes = readPrefix(argv[i], std::size_t{1} << 26);
            const auto verdict = tovrin_fuzz::JudgeOneInput(bytes.data(), bytes.size());
            std::printf("%s: %s%s\n", argv[i], verdict.ok() ? "ok" : "FAILED: ",
                        verdict.failure.c_str());
            failures += verdict.ok() ? 0 : 1;
        }
        return failures ? 1 : 0;
    }

    const bool strict = allHostileCount();
    int known = 0;
    const auto hostile = tovrin_fuzz::HostileSeeds();
    for (const auto& seed : hostile) {
        const auto verdict = tovrin_fuzz::JudgeOneInput(seed.input.data(), seed.input.size());
        const bool listed = damagedByTodaysEngine.count(seed.name) > 0;
        if (verdict.ok()) {
            std::printf("hostile %-32s ok%s\n", seed.name.c_str(),
                        listed ? " (listed as damaged: drop it from the list)" : "");
        } else if (listed && !strict) {
            std::printf("hostile %-32s damaged, as known of today's engine: %s\n", seed.name.c_str(),
                        verdict.failure.c_str());
            ++known;
        } else {
            std::printf("hostile %-32s FAILED: %s\n  a correct engine: %s\n", seed.name.c_str(),
                        verdict.failure.c_str(), seed.expect.c_str());
            ++failures;
        }
    }

    // An ASCII folder name (Z:/... under Wine), so the narrow environment will do.
    const char* corpus = std::getenv("TOVRIN_CORPUS_DIR");
    const std::string photos = corpus ? std::string(corpus) + "/photos" : std::string();
    const auto real = tovrin_fuzz::PhotoSeeds(photos, 65536);
    if (real.empty()) std::printf("sample photos not found (TOVRIN_CORPUS_DIR); none replayed\n");
    for (const auto& seed : real) {
        const auto verdict = tovrin_fuzz::JudgeOneInput(seed.input.data(), seed.input.size());
        if (verdict.ok()) continue;
        std::printf("photo %s FAILED: %s\n", seed.name.c_str(), verdict.failure.c_str());
        keep(seed.input, ++failures);
    }

    // The first 8 KiB of 24 photos (and, when every failure counts, the
    // hostile seeds), a few bytes changed at random, again and again.
    std::vector<const tovrin_fuzz::Seed*> bases;
    for (std::size_t i = 0; i < real.size() && i < 24; ++i) bases.push_back(&real[i]);
    if (strict)
        for (const auto& seed : hostile) bases.push_back(&seed);
    std::mt19937 rng(20070123);
    int runs = 0;
    int mutantsDamaged = 0;
    for (int round = 0; round < 150 && !bases.empty(); ++round) {
        for (const tovrin_fuzz::Seed* base : bases) {
            const auto& from = base->input;
            std::vector<std::uint8_t> input(
                from.begin(), from.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(from.size(), 8193)));
            input[0] = static_cast<std::uint8_t>(rng());
            const int flips = 1 + static_cast<int>(rng() % 8);
            for (int f = 0; f < flips && input.size() > 1; ++f)
                input[1 + rng() % (input.size() - 1)] = static_cast<std::uint8_t>(rng());
            if (rng() % 4 == 0) input.resize(1 + rng() % input.size());
            const auto verdict = tovrin_fuzz::JudgeOneInput(input.data(), input.size());
            ++runs;
            if (verdict.ok()) continue;
            if (verdict.kind != tovrin_fuzz::Failure::Promise && !strict) {
                ++mutantsDamaged;
                continue;
            }
            std::printf("mutation %d of %s FAILED: %s\n", round, base->name.c_str(), verdict.failure.c_str());
            keep(input, ++failures);
        }
    }
    std::printf("%zu hostile seeds, %zu photos and %d mutated inputs replayed\n", hostile.size(),
                real.size(), runs);
    if (!strict)
        std::printf("let pass as known of today's engine: %d hostile seeds, %d mutated inputs damaged "
                    "(TOVRIN_FUZZ_ALL_HOSTILE=1 counts them)\n", known, mutantsDamaged);
    std::printf("%d failures\n", failures);
    return failures ? 1 : 0;
}
