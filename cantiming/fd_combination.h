#pragma once
// Choosing a CAN FD pair: one nominal and one data timing at the same clock.
// The order, best first: exact rates in both phases; then the sample points
// nearest their targets (the two misses added); then what CiA 601-3 advises
// for FD networks, a data prescaler of 1 or 2 (TDC works only then) and then
// the same prescaler in both phases; then the larger five-condition tolerance. A
// pair whose largest rate error plus the oscillator tolerance asked for
// exceeds that tolerance, or that holds a marked setting, is never the one
// recommended. Lists of thousands of timings per phase make millions of
// pairs, so the pairs are ranked a group of equal sample-point misses at a
// time and only as far as the listing and the recommendation need.

#include "fd_tolerance.h"
#include "timing.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvane::cantiming {

struct FdCandidate {
  PhaseTiming timing;
  double errorPpm = 0.0;        // its rate against the wanted one, signed
  bool exact = true;            // the rate is exactly the wanted one
  bool usable = true;           // not marked in its own list
  std::int64_t samplePointMiss = 0;  // |sample point - target| in steps of 1e-9 per cent
};

struct FdCombination {
  std::size_t nominal = 0;  // indices into the candidate lists
  std::size_t data = 0;
  FdToleranceResult tolerance;
  bool withinTolerance = false;  // largest rate error + oscillator tolerance <= tolerance.limit
  bool recommendable = false;    // within, and neither setting marked
};

struct FdRanking {
  // The first `limit` pairs in order; then the recommended pair when it
  // comes later in the order.
  std::vector<FdCombination> listed;
  std::optional<std::size_t> recommended;  // index into listed
  std::uint64_t total = 0;                 // nominal x data
  bool searchedAll = true;  // false: the search for a recommendable pair stopped at its cap
};

// Candidates with a timing the tolerance formulas cannot take are left out.
FdRanking RankCombinations(const std::vector<FdCandidate>& nominal,
                           const std::vector<FdCandidate>& data, std::uint64_t oscillatorPpm,
                           std::size_t limit);

// largest rate error (ppm) + oscillator tolerance (ppm) <= the tolerance, exactly
// when the error is 0.
bool WithinFdTolerance(const FdToleranceResult& tolerance, double errorPpm,
                       std::uint64_t oscillatorPpm);

// |sample point of the timing - targetPct| in steps of 1e-9 per cent.
std::int64_t SamplePointMiss(const PhaseTiming& timing, double targetPct);

}  // namespace kelvane::cantiming
