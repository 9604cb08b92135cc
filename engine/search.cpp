#include "search.h"

#include <array>
#include <optional>

#include "exact_rate_match.h"
#include "ieee.h"
#include "text_forms.h"

namespace kelvane {
namespace {

// The acceptance test reorganised for the sweep order: everything that does not
// depend on SJW is decided once per BRP. Every double expression is the one
// AcceptCombination evaluates, so the decisions are identical.
class SweepTester {
 public:
  explicit SweepTester(const CalculationRequest& request) : request_(request) {
    for (int rule = 1; rule <= RuleSet::kRuleCount; ++rule) on_[rule] = request.rules.IsOn(rule);
    if (on_[9] && request.exactPass) exact_.emplace(request.enteredRate, request.baudDecimals);
    for (int brp = 1; brp <= 64; ++brp) tscl_[brp] = 2 * request.tclk * brp;
  }

  // Accepted SJW values (bit sjw - 1) for one BRP of one sweep.
  unsigned AcceptedSjwMask(int sam, int tseg2, int tseg1, int brp) const {
    const double tscl = tscl_[brp];
    const double ttseg1 = tseg1 * tscl;
    const double ttseg2 = tseg2 * tscl;
    if (on_[1] && sam == 0 && !(tseg2 >= 2)) return 0;
    if (on_[2] && sam == 1 && !(tseg2 >= 3)) return 0;
    if (on_[3] && !(ttseg2 >= 2 * tscl)) return 0;
    if (on_[5] && !(ttseg1 >= ttseg2)) return 0;
    if (on_[8] && sam == 1 && !(ttseg2 >= 3 * tscl)) return 0;
    if (on_[9] && !RateAccepted(ttseg2 + (ttseg1 + tscl))) return 0;
    if (on_[10] && !(request_.tsclMin <= tscl && tscl <= request_.tsclMax)) return 0;
    const int nbt = tseg1 + tseg2 + 1;
    if (on_[11] && nbt != request_.ciaQuanta) return 0;
    if (request_.largeTolerance && !(nbt >= 8 && nbt <= 16)) return 0;

    const double tprop = request_.useStandardProp ? tscl : request_.propDelay;
    unsigned mask = 0;
    for (int sjw = 1; sjw <= 4; ++sjw) {
      const double tsjw = sjw * tscl;
      if (on_[4] && !(ttseg2 >= tsjw)) continue;
      if (on_[6] && !(ttseg1 >= tsjw + tprop)) continue;
      if (on_[7] && sam == 1 && !(ttseg1 >= (tsjw + tprop) + tscl)) continue;
      mask |= 1u << (sjw - 1);
    }
    return mask;
  }

 private:
  bool RateAccepted(double bitTime) const {
    const float rounded = ToSingle(bitTime);
    const double rate = rounded == 0 ? 0.0 : 1000000 / static_cast<double>(rounded);
    if (exact_) return exact_->Matches(rate);
    const double entered = request_.enteredRate;
    return entered - entered * 0.01 <= rate && rate <= entered + entered * 0.01;
  }

  const CalculationRequest& request_;
  std::array<bool, RuleSet::kRuleCount + 1> on_{};
  std::array<double, 65> tscl_{};
  std::optional<ExactRateMatch> exact_;
};

}  // namespace

SearchOutcome RunSearch(const CalculationRequest& request, const SearchCallbacks& callbacks) {
  const SweepTester tester(request);
  SearchOutcome outcome;
  int lastPosition = -1;
  AcceptedPair pair;
  for (int sam = 0; sam <= 1 && !outcome.stopped; ++sam) {
    for (int tseg2 = 1; tseg2 <= 8 && !outcome.stopped; ++tseg2) {
      for (int tseg1 = 1; tseg1 <= 16; ++tseg1) {
        if (callbacks.mayGoOn && !callbacks.mayGoOn()) {
          outcome.stopped = true;
          break;
        }
        for (int brp = 1; brp <= 64; ++brp) {
          const unsigned mask = tester.AcceptedSjwMask(sam, tseg2, tseg1, brp);
          for (int sjw = 1; sjw <= 4; ++sjw) {
            if ((mask >> (sjw - 1)) & 1u) {
              pair.combination = Combination{brp, sjw, tseg1, tseg2, sam};
              pair.btr0 = RegisterHexText(EncodeBtr0(pair.combination));
              pair.btr1 = RegisterHexText(EncodeBtr1(pair.combination));
              pair.total = ++outcome.accepted;
              if (callbacks.accepted) callbacks.accepted(pair);
            }
            const int position = static_cast<int>((100u * static_cast<unsigned>(outcome.visited)) >> 16);
            ++outcome.visited;
            if (position != lastPosition) {
              lastPosition = position;
              if (callbacks.progress) callbacks.progress(position);
            }
          }
        }
      }
    }
  }
  if (callbacks.progress) callbacks.progress(100);
  return outcome;
}

SearchFollowUp FollowUpAfterSearch(const SearchOutcome& outcome, bool exactPass) {
  if (outcome.accepted > 0) {
    return exactPass ? SearchFollowUp::kSelectFirstThenThank
                     : SearchFollowUp::kSelectFirstAndRestoreExactPass;
  }
  return exactPass ? SearchFollowUp::kOfferOnePercentPass : SearchFollowUp::kReportNothingFound;
}

}  // namespace kelvane
