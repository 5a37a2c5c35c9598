#pragma once

// Checks of the judge itself, apart from any engine (judge_checks.cpp).

#include <string>
#include <vector>

#include "hostile_seeds.h"

namespace tovrin_fuzz {

// The judge's walk on the sample files of other formats in `folder`
// against the ranges read by hand from `exiftool -v3`; prints each mismatch
// and returns how many samples failed.
int CheckSampleLayouts(const std::string& folder);

// The judge's verdicts on writes simulated in each of `seeds` (a fuzz input:
// choice byte, file): sound ones pass, each broken promise fails. Returns
// how many verdicts were not as they must be.
int CheckSimulatedWrites(const std::vector<Seed>& seeds);

}  // namespace tovrin_fuzz
