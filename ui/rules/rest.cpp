#include "rest.h"

#include <QAbstractButton>

#include "dialog_137.h"
#include "dialog_137_ids.h"
#include "rule_check_boxes.h"

namespace kelvane {
namespace {

constexpr int kToolTipShowMs = 10000;

}  // namespace

CRest::CRest(const QString& ruleSet, QWidget* parent)
    : TemplateDialog(res::Dialog137(), parent), ruleSet_(ruleSet) {
  if (auto* ok = controlAs<QAbstractButton>(res::rule_ids::kOk))
    connect(ok, &QAbstractButton::clicked, this, &CRest::accept);
  if (auto* cancel = controlAs<QAbstractButton>(res::rule_ids::kCancel))
    connect(cancel, &QAbstractButton::clicked, this, &CRest::reject);
  OnInitDialog();
}

void CRest::OnInitDialog() {
  const auto& boxes = RuleCheckBoxes();
  for (int i = 0; i < kRuleCount; ++i) {
    // A character other than "1" (or a rule set that is too short) leaves the rule off.
    const bool on = i < ruleSet_.size() && ruleSet_.at(i) == QLatin1Char('1');
    if (auto* box = controlAs<QAbstractButton>(boxes[i].id)) box->setChecked(on);
  }

  toolTip_.Create(this);
  for (const RuleCheckBox& rule : boxes)
    toolTip_.AddTool(control(rule.id), QString::fromUtf8(rule.toolTip));
  // The rule texts are long; they need more time to be read than the default.
  toolTip_.SetDelayTime(TTDT_AUTOPOP, kToolTipShowMs);
  toolTip_.Activate(true);
}

void CRest::accept() {
  QString rules(kRuleCount, QLatin1Char('0'));
  const auto& boxes = RuleCheckBoxes();
  for (int i = 0; i < kRuleCount; ++i) {
    const auto* box = controlAs<QAbstractButton>(boxes[i].id);
    if (box && box->isChecked()) rules[i] = QLatin1Char('1');
  }
  ruleSet_ = rules;
  TemplateDialog::accept();
}

bool RunRuleDialog(QWidget* parent, QString& ruleSet) {
  CRest dialog(ruleSet, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  ruleSet = dialog.ruleSet();
  return true;
}

bool RunRuleDialog(QWidget* parent, std::string& ruleSet) {
  QString rules = QString::fromStdString(ruleSet);
  if (!RunRuleDialog(parent, rules)) return false;
  ruleSet = rules.toStdString();
  return true;
}

}  // namespace kelvane
