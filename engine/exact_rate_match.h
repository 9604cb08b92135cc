#pragma once
// The exact baud-rate comparison prepared once per calculation: the rates whose
// N-decimal text equals the entered rate's form one closed interval of doubles,
// found once, so each test is two comparisons instead of two written texts.

#include <string>

namespace kelvane {

class ExactRateMatch {
 public:
  ExactRateMatch(double enteredRate, int decimals);

  // Same decision as RateMatches(rate, enteredRate, decimals, true).
  bool Matches(double rate) const;

  double Lowest() const { return lowest_; }
  double Highest() const { return highest_; }

 private:
  int decimals_;
  bool finiteTarget_;
  std::string targetText_;  // used only when the entered rate is not finite
  double lowest_ = 0.0;
  double highest_ = -1.0;
};

}  // namespace kelvane
