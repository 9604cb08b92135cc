#include "menu_dialogs.h"

#include <string>

#include "kelvane_dlg.h"
#include "rest.h"
#include "transc.h"

namespace kelvane {

void ConnectMenuDialogs(CKelvaneDlg& window) {
  window.runRuleDialog = [](CKelvaneDlg& owner) {
    std::string rules = owner.ruleSet().Text();
    if (!RunRuleDialog(&owner, rules)) return false;
    // The dialog hands back one "0" or "1" per rule, so this always holds.
    if (const std::optional<RuleSet> set = RuleSet::FromText(rules)) owner.setRuleSet(*set);
    return true;
  };
  window.runTransceiverDialog = [](CKelvaneDlg& owner) {
    RunTransceiverDialog(&owner, owner.propagationSettings());
  };
}

}  // namespace kelvane
