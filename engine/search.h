#pragma once
// The exhaustive search over all 65536 combinations, without any window: the
// caller supplies callbacks for the accepted pairs, the progress position and
// the stop question.

#include <functional>
#include <string>

#include "calculation_request.h"
#include "combination.h"

namespace kelvane {

inline constexpr int kCombinationCount = 65536;

struct AcceptedPair {
  std::string btr0;         // two upper-case hexadecimal digits, for the BTR0 list
  std::string btr1;         // the same for BTR1, at the same index
  Combination combination;
  int total = 0;            // the "Total:" value after this pair, counted from 1
};

struct SearchCallbacks {
  // Called for each accepted combination, in visiting order.
  std::function<void(const AcceptedPair&)> accepted;
  // The progress bar position, floor(100 x visited / 65536) after each
  // combination; called only when it changes (0 first), and with 100 at the end.
  std::function<void(int position)> progress;
  // Asked before every sweep over BRP and SJW (256 times in a full pass, the
  // first sweep included); false ends the search before that sweep. A sweep
  // that has begun always runs to its end.
  std::function<bool()> mayGoOn;
};

struct SearchOutcome {
  int accepted = 0;  // number of accepted combinations
  int visited = 0;   // number of combinations tested
  bool stopped = false;
};

// Visits SAM 0..1, TSEG2 1..8, TSEG1 1..16, BRP 1..64, SJW 1..4 (outermost
// first) and accepts exactly what AcceptCombination accepts.
SearchOutcome RunSearch(const CalculationRequest& request, const SearchCallbacks& callbacks);

// What the window does when a pass has ended.
enum class SearchFollowUp {
  // Select the first pair (which shows its details), focus the BTR0 list,
  // then show the thank-you window.
  kSelectFirstThenThank,
  // 1 % pass with results: select the first pair and set exactPass back to true.
  kSelectFirstAndRestoreExactPass,
  // Exact pass without results: ask kOnePercentQuestion (caption
  // kOnePercentCaption, Yes/No, question icon). Yes: clear exactPass, run the
  // whole "Calculate" handler again, then show the thank-you window.
  // No: reset the window.
  kOfferOnePercentPass,
  // 1 % pass without results: show kNothingFoundMessage (OK only, application
  // caption), set exactPass back to true, reset the window.
  kReportNothingFound,
};
SearchFollowUp FollowUpAfterSearch(const SearchOutcome& outcome, bool exactPass);

// Asked after an accepted pair when the user pressed the right mouse button;
// Yes/No buttons and a question icon. Yes makes mayGoOn answer false.
inline constexpr char kStopQuestion[] = "Do you want to stop the process?";
inline constexpr char kStopCaption[] = " Stop Operation";
inline constexpr char kOnePercentQuestion[] =
    "No Match with Exact Value, Do you want to Search with 1% percent range?";
inline constexpr char kOnePercentCaption[] = " Increase the Search ";
inline constexpr char kNothingFoundMessage[] = "No combinations were found";

}  // namespace kelvane
