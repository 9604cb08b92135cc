#pragma once
// One pair as a report row: the details panel's texts, the tolerance it allows
// and its SocketCAN equivalent.

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
};

// index counts from 1 in listing order; propSegment from PropagationSegment.
ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText, int propSegment, const PairContext& context);

}  // namespace kelvane::cli
