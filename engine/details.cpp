#include "details.h"

#include "ieee.h"
#include "number_text.h"
#include "text_forms.h"

namespace kelvane {
namespace {

// Digits `from`..`from + count - 1` (from 0) of a text that may be short.
std::string Digits(std::string_view text, std::size_t from, std::size_t count) {
  if (from >= text.size()) return {};
  return std::string(text.substr(from, count));
}

}  // namespace

CombinationFieldTexts DescribeCombination(std::string_view btr0Binary, std::string_view btr1Binary,
                                          double tclk, double fclk, double* timeQuantum) {
  CombinationFieldTexts texts;
  texts.sjwBits = Digits(btr0Binary, 0, 2);
  texts.brpBits = Digits(btr0Binary, 2, 6);
  texts.samBit = Digits(btr1Binary, 0, 1);
  texts.tseg2Bits = Digits(btr1Binary, 1, 3);
  texts.tseg1Bits = Digits(btr1Binary, 4, 4);

  const double sjw = BinaryDigitsToValue(texts.sjwBits);
  const double brp = BinaryDigitsToValue(texts.brpBits);
  const double sam = BinaryDigitsToValue(texts.samBit) - 1;
  const double tseg2 = BinaryDigitsToValue(texts.tseg2Bits);
  const double tseg1 = BinaryDigitsToValue(texts.tseg1Bits);

  const double tscl = brp * (2 * tclk);
  if (timeQuantum != nullptr) *timeQuantum = tscl;
  double bitTime = 0;
  double rate = 0;
  if (fclk != 0) {
    bitTime = (tseg1 * tscl + tscl) + tseg2 * tscl;
    rate = Divide(1000000, bitTime);
  }
  const double nbt = tseg1 + 1 + tseg2;

  texts.baudRate = FormatF(rate);
  texts.nbt = FormatDTruncated(nbt);
  texts.bitDuration = FormatF(bitTime != 0 ? bitTime / 1000 : 0.0);
  texts.timeQuantum = FormatDTruncated(tscl);
  texts.sjw = FormatDTruncated(sjw);
  texts.brp = FormatDTruncated(brp);
  texts.sam = FormatDTruncated(sam);
  texts.tseg2 = FormatDTruncated(tseg2);
  texts.tseg1 = FormatDTruncated(tseg1);
  texts.samplePoint = FormatF((nbt - tseg2) / nbt * 100);
  return texts;
}

CombinationDetails ComputeDetailsFromBinary(std::string_view btr0Binary,
                                            std::string_view btr1Binary, int selectedIndex,
                                            double tclk, double fclk,
                                            const PropagationSettings& propagation) {
  CombinationDetails details;
  details.fields = DescribeCombination(btr0Binary, btr1Binary, tclk, fclk, &details.timeQuantum);
  double propDelay = propagation.propDelay;
  if (propagation.useStandardProp) {
    propDelay = details.timeQuantum;
    details.newPropDelay = propDelay;
  }
  details.prop = FormatF(Divide(propDelay, details.timeQuantum));
  details.current = selectedIndex + 1;
  return details;
}

CombinationDetails ComputeDetails(std::string_view btr0Hex, std::string_view btr1Hex,
                                  int selectedIndex, double tclk, double fclk,
                                  const PropagationSettings& propagation) {
  return ComputeDetailsFromBinary(HexToBinary(btr0Hex), HexToBinary(btr1Hex), selectedIndex, tclk,
                                  fclk, propagation);
}

}  // namespace kelvane
