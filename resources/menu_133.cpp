#include "menu_133.h"

namespace kelvane::res {
namespace {

using M = MenuItemKind;

constexpr MenuItemTemplate kItems[] = {
    {0, M::Popup, "&File", 0, false},
    {1, M::Separator, "", 0, false},
    {1, M::Command, "E&xit", Cmd::Exit, false},
    {0, M::Popup, "&Configuration", 0, false},
    {1, M::Popup, "&Restrictions", 0, false},
    {2, M::Command, "S&tandar", Cmd::RulesStandard, true},
    {2, M::Command, "Disable &All", Cmd::RulesDisableAll, false},
    {2, M::Command, "&Enable All", Cmd::RulesEnableAll, false},
    {2, M::Separator, "", 0, false},
    {2, M::Command, "Customi&ze...", Cmd::RulesCustomize, false},
    {1, M::Separator, "", 0, false},
    {1, M::Command, "&Transceiver...", Cmd::Transceiver, false},
    {0, M::Popup, "&About", 0, false},
    {1, M::Command, "&Orvena Web Page", Cmd::WebPage, false},
    {1, M::Separator, "", 0, false},
    {1, M::Command, "About &Kelvane...", Cmd::About, false},
};

}  // namespace

constinit const MenuTemplate kMenu133{133, kItems};

}  // namespace kelvane::res
