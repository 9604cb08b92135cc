#include "register_test.h"

#include "number_text.h"
#include "text_forms.h"

namespace kelvane {
namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

bool TestEntryIsValid(std::string_view text) {
  return text.size() >= 2 && IsHexDigit(text[0]) && IsHexDigit(text[1]);
}

bool TestEntriesInvalid(std::string_view btr0Text, std::string_view btr1Text) {
  return !TestEntryIsValid(btr0Text) || !TestEntryIsValid(btr1Text);
}

RegisterTestResult RunRegisterTest(std::string_view btr0Text, std::string_view btr1Text,
                                   std::string_view oscillatorText) {
  RegisterTestResult result;
  result.fclk = ReadDouble(oscillatorText) * 1000000;
  result.tclk = result.fclk == 0 ? 0.0 : 1000000000 / result.fclk;
  result.fields = DescribeCombination(HexToBinary(btr0Text), HexToBinary(btr1Text), result.tclk,
                                      result.fclk, &result.timeQuantum);
  return result;
}

}  // namespace kelvane
