// Runs the fuzz target's judge without libFuzzer, so its checks run in every
// build as an ordinary test:
//
//   fuzz_engine_replay FILE...   judges each file (a fuzz input: choice byte, photo)
//   fuzz_engine_replay           the hostile seeds, the sample photos, and
//                                deterministic mutations of the photos' first bytes
//
// Every failure counts: a sample photo, a hostile seed, a mutation of either
// (a flipped count or offset makes a hostile photo of a sound one). A seed
// the engine is known to damage may be listed below while it is being fixed;
// it is then reported without failing the test, and its mutations' structural
// and reader-length failures with it.

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

// Hostile seeds the engine is known to damage, while it is being fixed: each
// with the structure it does not guard yet. Empty now: the engine guards
// every table the judge knows.
const std::set<std::string> damagedByTodaysEngine = {};

std::vector<std::uint8_t> readPrefix(const std::filesystem::path& p, std::size_t limit) {
    std::ifstream in(p, std::ios::binary);
    std::vector<std::uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// TOVRIN_FUZZ_ALL_HOSTILE once made every failure count; that is the default
// now, and the variable is ignored. Only a listed seed is let pass.
bool allHostileCount() { return damagedByTodaysEngine.empty(); }

// Keeps a failing input where the test ran, to be replayed by name; the
// first twenty are enough to start from.
void keep(const std::vector<std::uint8_t>& input, int n) {
    if (n > 20) return;
    const std::string name = "fuzz-replay-failure-" + std::to_string(n) + ".bin";
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(input.data()),
              static_cast<std::streamsize>(input.size()));
    std::printf("  input kept as %s\n", name.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            const auto bytes = readPrefix(argv[i], std::size_t{1} << 26);
            const auto verdict = tovrin_fuzz::JudgeOneInput(bytes.data(), bytes.size());
            std::printf("%s: %s%s\n", argv[i],
                        verdict.ok() ? "ok" : "FAILED: ", verdict.failure.c_str());
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
            std::printf("hostile %-32s damaged, as known of today's engine: %s\n",
                        seed.name.c_str(), verdict.failure.c_str());
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

    // The first 8 KiB of 24 photos and the hostile seeds, a few bytes
    // changed at random, again and again.
    std::vector<const tovrin_fuzz::Seed*> bases;
    for (std::size_t i = 0; i < real.size() && i < 24; ++i) bases.push_back(&real[i]);
    for (const auto& seed : hostile) bases.push_back(&seed);
    std::mt19937 rng(20070123);
    int runs = 0;
    int mutantsDamaged = 0;
    for (int round = 0; round < 150 && !bases.empty(); ++round) {
        for (const tovrin_fuzz::Seed* base : bases) {
            const auto& from = base->input;
            std::vector<std::uint8_t> input(
                from.begin(), from.begin() + static_cast<std::ptrdiff_t>(
                                                 std::min<std::size_t>(from.size(), 8193)));
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
            std::printf("mutation %d of %s FAILED: %s\n", round, base->name.c_str(),
                        verdict.failure.c_str());
            keep(input, ++failures);
        }
    }
    std::printf("%zu hostile seeds, %zu photos and %d mutated inputs replayed\n", hostile.size(),
                real.size(), runs);
    if (!strict)
        std::printf(
            "let pass as known of today's engine: %d hostile seeds, %d mutated inputs damaged "
            "(empty the list to count them)\n",
            known, mutantsDamaged);
    std::printf("%d failures\n", failures);
    return failures ? 1 : 0;
}
