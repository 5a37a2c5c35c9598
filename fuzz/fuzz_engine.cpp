// libFuzzer target for the reader and the writer. The judge (judge.cpp) runs
// the engine on the input and checks every changed byte against a structure
// walk of its own; a failure stops the run so libFuzzer keeps the input.
//
// Built as fuzz_engine for every input, and once per container with
// TOVRIN_FUZZ_KIND ("tiff", "heif", "cr3", "png", "webp", "raf",
// "quicktime"): such a target judges only files of its kind (by their first
// bytes, as KindOfFile names them) and keeps no other in its corpus. The PNG
// target puts back most mutated chunks' CRCs and the WebP target most RIFF
// sizes, so mutations reach the chunks' contents instead of stopping at a
// damaged chunk; the rest keep them damaged.
//
// TOVRIN_FUZZ_KNOWN_DAMAGE=ignore lets the failures today's engine is known
// for pass (counted, the first few printed): writes where a table or value
// the engine does not know stands, and reader texts longer than their
// segment. A campaign on that engine then looks for everything else.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "judge.h"

namespace {

bool ignoreKnown() {
    static const bool ignore = [] {
        const char* v = std::getenv("TOVRIN_FUZZ_KNOWN_DAMAGE");
        return v && std::string(v) == "ignore";
    }();
    return ignore;
}

long long knownSeen = 0;

void reportKnown() {
    std::fprintf(stderr, "known failures let pass (TOVRIN_FUZZ_KNOWN_DAMAGE=ignore): %lld\n",
                 knownSeen);
}

#ifdef TOVRIN_FUZZ_KIND
bool ofMyKind(const std::uint8_t* data, std::size_t size) {
    return size > 1 && tovrin_fuzz::KindOfFile(std::vector<unsigned char>(data + 1, data + size)) ==
                           TOVRIN_FUZZ_KIND;
}

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// After a mutation: a PNG's chunks get their CRCs back, a WebP its RIFF size.
void fixUp(std::uint8_t* photo, std::size_t size) {
    const std::string kind = TOVRIN_FUZZ_KIND;
    if (kind == "png") {
        for (std::size_t p = 8; p + 12 <= size;) {
            const std::uint32_t length = be32(photo + p);
            if (length > size - p - 12) break;
            const std::uint32_t crc = tovrin_fuzz::Crc32(photo + p + 4, length + 4);
            for (int i = 0; i < 4; ++i)
                photo[p + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
            p += 12 + length;
        }
    } else if (kind == "webp" && size >= 12) {
        const auto riff = static_cast<std::uint32_t>(size - 8);
        for (int i = 0; i < 4; ++i) photo[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
    }
}
#endif

}  // namespace

#ifdef TOVRIN_FUZZ_KIND
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (size > 1 && seed % 8 != 0) fixUp(data + 1, size - 1);
    return size;
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#ifdef TOVRIN_FUZZ_KIND
    if (!ofMyKind(data, size)) return -1;
#endif
    const tovrin_fuzz::Verdict verdict = tovrin_fuzz::JudgeOneInput(data, size);
    if (verdict.ok()) return 0;
    if (verdict.kind != tovrin_fuzz::Failure::Promise && ignoreKnown()) {
        if (knownSeen++ == 0) std::atexit(reportKnown);
        if (knownSeen <= 5)
            std::fprintf(stderr, "known failure let pass: %s\n", verdict.failure.c_str());
        return 0;
    }
    std::fprintf(stderr, "fuzz check failed: %s\n", verdict.failure.c_str());
    std::abort();
}
