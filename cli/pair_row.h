#pragma once
// One pair as a report row: the details panel's texts, the rate error and the
// tolerance it allows, and its SocketCAN equivalent.

#include <cstdint>
#include <optional>

#include "calc_report.h"
#include "combination.h"
#include "details.h"
#include "socketcan.h"

namespace kelvane::cli {

// What every row of one report shares.
struct PairContext {
  std::optional<std::uint32_t> socketCanClock;  // SocketCanClock(Fclk)
  std::string device = "DEV";                   // for the ip link command
  // The kernel's own setting of the pair (--from-ip-json): shown as the one
  // in use instead of the split this program would choose.
  std::optional<SocketCanTiming> inUse;
};

// The pair against the wanted rate; both empty when no rate is wanted.
struct PairVerdict {
  std::optional<double> rateError;  // fraction of the wanted rate
  std::optional<bool> toleranceOk;  // WithinTolerance
};

// index counts from 1 in listing order; propSegment from PropagationSegment.
ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText, int propSegment, const PairContext& context,
                      const PairVerdict& verdict);

}  // namespace kelvane::cli
