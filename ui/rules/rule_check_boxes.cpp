#include "rule_check_boxes.h"

#include "dialog_137_ids.h"

namespace kelvane {

const std::array<RuleCheckBox, kRuleCount>& RuleCheckBoxes() {
  using namespace res::rule_ids;
  // The identifiers do not follow the rule numbers; the order here does.
  static const std::array<RuleCheckBox, kRuleCount> boxes = {{
      {kRule1,
       "When 1-Sample Mode is selected (SAM=0 in Bit Time Register\n  1), Bit Time Segment 2 "
       "most be at least 2"},
      {kRule2,
       "When 3-Sample Mode is selected (SAM=1 in Bit Time Register\n  1), Bit Time Segment 2 "
       "most be at least 3"},
      {kRule3,
       "Bit Time Segment 2 period most be greater  or equal as two\nCAN System Clock periods "},
      {kRule4,
       "Bit Time Segment 2 period most be greater or  equal  as  a\nSynchronization Jump Width "
       "period"},
      {kRule5,
       "Bit Time Segment 1 period most be greater or  equal  as  a\nBit Time Segment 2 period"},
      {kRule6,
       "Bit Time Segment 1 period most be greater  or equal as the sum\nof  Synchronization  Jump "
       "Width period and Propagation  Delay\nTime"},
      {kRule7,
       "Bit Time Segment 1 period most be greater  or equal as the sum\nof  Synchronization  Jump "
       "Width period, Propagation Delay Time\nand CAN System Clock period when 3-Sample Mode is "
       "selected "},
      {kRule8,
       "Bit Time Segment 2 period most be greater  or equal as three \nCAN System Clock periods "},
      {kRule9,
       "To List the combinations with the same entered Baud  Rate.  If\nthere are not similar "
       "values the program will ask if you  want to\nsearch again with a 5% of Baud Rate range"},
      {kRule10,
       "To  List only the combinations who its calculated CAN System Clock\nPeriod will be "
       "between the maximun and minimal CAN System Clock\nPeriod, calculated with a Cia Nominal "
       "value and a percent given by\nthe ppm value from Fclk mAx/Min value"},
      {kRule11, "To use Cia recomended Values for select the number of Time Quanta per Bit"},
  }};
  return boxes;
}

}  // namespace kelvane
