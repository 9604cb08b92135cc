#pragma once
// " Customize restrictions": one check box per timing rule.

#include <QString>
#include <string>

#include "multi_tip_ctrl.h"
#include "template_dialog.h"

namespace kelvane {

class CRest : public TemplateDialog {
  Q_OBJECT
 public:
  // ruleSet: eleven characters "0"/"1", character i for rule i + 1.
  explicit CRest(const QString& ruleSet, QWidget* parent = nullptr);

  // The dialog's own rule set: the one it was opened with until OK rewrites it.
  const QString& ruleSet() const { return ruleSet_; }
  CMultiTipCtrl& toolTip() { return toolTip_; }

  void accept() override;

 private:
  void OnInitDialog();

  QString ruleSet_;
  CMultiTipCtrl toolTip_;
};

// Opens the rule dialog modally over parent. On OK ruleSet is replaced by the
// dialog's and true is returned; Cancel leaves it alone and returns false.
// Moving the menu's check mark is the caller's business.
bool RunRuleDialog(QWidget* parent, QString& ruleSet);
bool RunRuleDialog(QWidget* parent, std::string& ruleSet);

}  // namespace kelvane
