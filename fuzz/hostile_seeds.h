#pragma once

// Small photos built byte by byte, each aimed at one part of the structure a
// date write must never touch. Built in code rather than kept as files, so
// the repository holds no binary blobs and each seed says what it aims at.

#include <string>
#include <vector>

namespace tovrin_fuzz {

struct Seed {
    std::string name;
    // The fuzz input: the choice byte, then the photo.
    std::vector<unsigned char> input;
    // What a correct engine does with it, for the reader of a failure.
    std::string expect;
};

std::vector<Seed> HostileSeeds();

// The first `limit` bytes of every photo in `folder`, each behind a choice
// byte of 0, sorted by file name. Empty when the folder cannot be read.
std::vector<Seed> PhotoSeeds(const std::string& folder, std::size_t limit);

}  // namespace tovrin_fuzz
