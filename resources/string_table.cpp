#include "string_table.h"

#include "menu_133.h"

namespace kelvane::res {
namespace {

constexpr StringEntry kStrings[] = {
    {kIdsAboutBox, "&About Kelvane..."},
    {Cmd::Exit, "Close the Application"},
    {Cmd::RulesStandard, "Enablle only the Default Rules"},
    {Cmd::RulesDisableAll, "Disable All the Rules"},
    {Cmd::RulesEnableAll, "Enable All Rules, the calcs are more estricted"},
    {Cmd::RulesCustomize, "You can choise the Rules."},
    {Cmd::Transceiver, "Select the Kind of Transeiver for the Calcs"},
    {Cmd::WebPage, "https://www.orvena.example/"},
    {Cmd::About, "Kelvane from Orvena"},
};

}  // namespace

std::span<const StringEntry> StringTable() { return kStrings; }

const char* LoadString(int id) {
  for (const StringEntry& e : kStrings) {
    if (e.id == id) return e.text;
  }
  return "";
}

}  // namespace kelvane::res
