#pragma once
// One pair as a report row: the details panel's texts, the tolerance it allows
// and its SocketCAN equivalent.

#include "calc_report.h"
#include "combination.h"
#include "details.h"

namespace kelvane::cli {

// index counts from 1 in listing order; timeQuantum in ns is the one behind the
// texts; propSegment from PropagationSegment.
ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText,
                      double timeQuantum, int propSegment);

}  // namespace kelvane::cli
