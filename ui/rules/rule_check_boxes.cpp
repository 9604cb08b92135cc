#include "rule_check_boxes.h"

namespace kelvane {

const std::array<RuleCheckBox, kRuleCount>& RuleCheckBoxes() {
  // The identifiers do not follow the rule numbers; the order here does.
  static const std::array<RuleCheckBox, kRuleCount> boxes = {{
      {1052,
       "When 1-Sample Mode is selected (SAM=0 in Bit Time Register\n  1), Bit Time Segment 2 "
       "most be at least 2"},
      {1061,
       "When 3-Sample Mode is selected (SAM=1 in Bit Time Register\n  1), Bit Time Segment 2 "
       "most be at least 3"},
      {1062,
       "Bit Time Segment 2 period most be greater  or equal as two\nCAN System Clock periods "},
      {1063,
       "Bit Time Segment 2 period most be greater or  equal  as  a\nSynchronization Jump Width "
       "period"},
      {1064,
       "Bit Time Segment 1 period most be greater or  equal  as  a\nBit Time Segment 2 period"},
      {1067,
       "Bit Time Segment 1 period most be greater  or equal as the sum\nof  Synchronization  Jump "
       "Width period and Propagation  Delay\nTime"},
      {1068,
       "Bit Time Segment 1 period most be greater  or equal as the sum\nof  Synchronization  Jump "
       "Width period, Propagation Delay Time\nand CAN System Clock period when 3-Sample Mode is "
       "selected "},
      {1065,
       "Bit Time Segment 2 period most be greater  or equal as three \nCAN System Clock periods "},
      {1066,
       "To List the combinations with the same entered Baud  Rate.  If\nthere are not similar "
       "values the program will ask if you  want to\nsearch again with a 5% of Baud Rate range"},
      {1070,
       "To  List only the combinations who its calculated CAN System Clock\nPeriod will be "
       "between the maximun and minimal CAN System Clock\nPeriod, calculated with a Cia Nominal "
       "value and a percent given by\nthe ppm value from Fclk mAx/Min value"},
      {1071, "To use Cia recomended Values for select the number of Time Quanta per Bit"},
  }};
  return boxes;
}

}  // namespace kelvane
