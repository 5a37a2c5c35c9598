// libFuzzer target for the reader and the writer. The judge (judge.cpp) runs
// the engine on the input and checks every changed byte against a structure
// walk of its own; a failure stops the run so libFuzzer keeps the input.
//
// TOVRIN_FUZZ_KNOWN_DAMAGE=ignore lets structural failures pass (counted,
// the first few printed): for a campaign on an engine that is known not to
// guard every table yet, so it can look for the other failures.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "judge.h"

namespace {

bool ignoreStructural() {
    static const bool ignore = [] {
        const char* v = std::getenv("TOVRIN_FUZZ_KNOWN_DAMAGE");
        return v && std::string(v) == "ignore";
    }();
    return ignore;
}

long long structuralSeen = 0;

void reportStructural() {
    if (structuralSeen > 0)
        std::fprintf(stderr, "structural failures let pass (TOVRIN_FUZZ_KNOWN_DAMAGE=ignore): %lld\n",
                     structuralSeen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tovrin_fuzz::Verdict verdict = tovrin_fuzz::JudgeOneInput(data, size);
    if (verdict.ok()) return 0;
    if (verdict.structural && ignoreStructural()) {
        if (structuralSeen++ == 0) std::atexit(reportStructural);
        if (structuralSeen <= 5)
            std::fprintf(stderr, "structural failure let pass: %s\n", verdict.failure.c_str());
        return 0;
    }
    std::fprintf(stderr, "fuzz check failed: %s\n", verdict.failure.c_str());
    std::abort();
}
