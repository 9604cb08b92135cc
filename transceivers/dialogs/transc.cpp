#include "transc.h"

#include <QAbstractButton>
#include <QComboBox>

#include "control_tool_tips.h"
#include "dialog_141.h"
#include "dialog_141_ids.h"
#include "message_box.h"
#include "new_trans.h"
#include "propagation.h"
#include "transceiver_file.h"
#include "widget_text.h"

namespace kelvane {
namespace {

using namespace res::selection_ids;

constexpr const char* kPlaceholder = "Select...";
// The list shows its entries in upper case, so that is what it gives back.
constexpr const char* kPlaceholderShown = "SELECT...";

constexpr ControlToolTip kToolTips[] = {
    {kList, "List the Transceivers for choose which to use"},
    {kInsertNew, "Let to Create new Transceivers as well as Modify Existing"},
    {kLogicDelay,
     "Sum of the Effective Loop Delays of all Devices but\nthe Transceivers in the Signal Path, "
     "in nano seconds"},
    {kLineDelay, "Specific Line Delay in nano seconds"},
    {kLineLength, "Bus Line Length Between Nodes in meters"},
    {kStandard, "Use Standard Values for calcs.  tProp standard is equal to Tscl"},
    {kFromTransceiver,
     "Use Data from the Selected Transceiver for make calcs to use\n in the applicated rules.  "
     "Here tProp is calculated"},
    {kDescription, "Description for the Selected Transceiver"},
    {kTTx, "Delay of TxD (Transmit Data Input) Node, in nano seconds"},
    {kTRx, "Delay of RxD (Receive Data Output) Node, in nano seconds"},
    {kTLoopEffect, "Effective Transceiver Loop delay between pin TxD and RxD, in nano seconds"},
    {kTProp, "Round-Trip Delay or Two-Way Propagation Delay, in nano seconds"},
    {kTBus, "Delay of the Bus or Transfer medium, in nano seconds"},
    {kRefresh, "Refresh calcs when the user make changes in values"},
};

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CTransc::CTransc(PropagationSettings& owner, QWidget* parent)
    : TemplateDialog(res::Dialog141(), parent),
      list_(controlAs<QComboBox>(kList)),
      owner_(owner),
      exchange_(*this) {
  exchange_.text(kLineDelay, lineDelayText_)
      .integer(kLineLength, lineLength_)
      .integer(kLogicDelay, logicDelay_);

  if (auto* ok = controlAs<QAbstractButton>(kOk))
    connect(ok, &QAbstractButton::clicked, this, &CTransc::accept);
  if (auto* cancel = controlAs<QAbstractButton>(kCancel))
    connect(cancel, &QAbstractButton::clicked, this, &CTransc::reject);
  if (auto* button = controlAs<QAbstractButton>(kInsertNew))
    connect(button, &QAbstractButton::clicked, this, &CTransc::OnInsertNew);
  if (list_) connect(list_, &QComboBox::activated, this, &CTransc::OnSelectionChanged);
  for (int id : {kStandard, kFromTransceiver}) {
    if (auto* radio = controlAs<QAbstractButton>(id))
      connect(radio, &QAbstractButton::clicked, this, &CTransc::ApplyMode);
  }
  if (auto* button = controlAs<QAbstractButton>(kRefresh))
    connect(button, &QAbstractButton::clicked, this, [this] { Refresh(); });
  OnInitDialog();
}

bool CTransc::UpdateData(bool toMembers) {
  const bool ok = exchange_.run(toMembers);
  if (!toMembers) {
    for (int id : {kLineDelay, kLineLength, kLogicDelay}) ShowStart(control(id));
  }
  return ok;
}

bool CTransc::StandardMode() const {
  const auto* standard = controlAs<QAbstractButton>(kStandard);
  return standard && standard->isChecked();
}

void CTransc::OnInitDialog() {
  TransceiverFile(this).SeedDefaultRecords();

  toolTip_.Create(this);
  AddControlToolTips(toolTip_, *this, kToolTips);

  FillTransceiverList();
  if (owner_.useStandardProp) {
    if (auto* standard = controlAs<QAbstractButton>(kStandard)) standard->setChecked(true);
    ApplyMode();
    return;
  }
  if (auto* fromTransceiver = controlAs<QAbstractButton>(kFromTransceiver))
    fromTransceiver->setChecked(true);
  logicDelay_ = owner_.logicDelay;
  lineDelayText_ = FromStd(LineDelayText(owner_.lineDelay));
  lineLength_ = owner_.lineLength;
  UpdateData(false);
  OnSelectionChanged();
}

void CTransc::FillTransceiverList() {
  recordFor_.clear();
  if (!list_) return;
  list_->clear();
  list_->addItem(QString::fromLatin1(kPlaceholder));
  if (const std::optional<QStringList> names = TransceiverFile(this).ListRecordNames())
    list_->addItems(*names);
  list_->setCurrentIndex(0);
  UpdateData(false);
  if (!owner_.useStandardProp) {
    // Restored by position, as it was stored; a position that no longer
    // exists leaves the list without a selection.
    const int index = owner_.transceiverIndex;
    list_->setCurrentIndex(index >= 0 && index < list_->count() ? index : -1);
  }
}

void CTransc::ApplyMode() {
  const bool standard = StandardMode();
  for (int id : {kList, kLineDelay, kLineLength, kLogicDelay, kRefresh})
    control(id)->setEnabled(!standard);
  if (standard) ClearSelection();
}

void CTransc::ClearSelection() {
  if (list_) list_->setCurrentIndex(0);
  for (int id : {kDescription, kTLoopEffect, kTRx, kTProp, kTTx, kTBus})
    SetTextOf(control(id), {});
  SetTextOf(control(kLogicDelay), QStringLiteral("0"));
  SetTextOf(control(kLineDelay), QStringLiteral("0.0"));
  SetTextOf(control(kLineLength), QStringLiteral("0"));
}

void CTransc::TellNotFound() {
  ShowMessage(this, QStringLiteral("Transceiver's Data not found.  Bad Name or File is "
                                   "Corrupted.\nPlease go to \"Edit And Insert Transceivers\" in "
                                   "order to solve the problem"));
}

void CTransc::OnSelectionChanged() {
  if (!list_) return;
  const QString text = list_->currentText();
  if (text == QLatin1String(kPlaceholderShown)) return;
  recordFor_.clear();
  std::optional<bool> found = false;
  if (list_->currentIndex() >= 0) found = TransceiverFile(this).FindRecordByName(text, record_);
  if (!found) return;  // the file error has been shown
  if (!*found) {
    TellNotFound();
    return;
  }
  recordFor_ = text;
  SetTextOf(control(kDescription), DescriptionOf(record_));
  ComputePropagation();
}

void CTransc::ComputePropagation() {
  // A box that does not hold an integer has been reported; the computation
  // goes on with the value it had before.
  UpdateData(true);
  const PropagationResult result = kelvane::ComputePropagation(
      record_, lineDelayText_.toStdString(), lineLength_, logicDelay_);
  lineDelayText_ = FromStd(result.lineDelayText);
  SetTextOf(control(kTTx), FromStd(result.tTXText()));
  SetTextOf(control(kTRx), FromStd(result.tRXText()));
  SetTextOf(control(kTLoopEffect), FromStd(result.tLoopEffectText()));
  SetTextOf(control(kTBus), FromStd(result.tBusText()));
  SetTextOf(control(kTProp), FromStd(result.tPROPText()));
  tProp_ = result.tPROP;
  UpdateData(false);
}

bool CTransc::Refresh() {
  if (!list_) return false;
  selectedName_ = list_->currentText();
  selectedIndex_ = list_->currentIndex();
  if (selectedName_ == QLatin1String(kPlaceholderShown)) {
    ClearSelection();
    return true;
  }
  // Only the record found for this very entry may give the delays.
  if (selectedIndex_ < 0 || recordFor_.isEmpty() || recordFor_ != selectedName_) {
    TellNotFound();
    return false;
  }
  ComputePropagation();
  return true;
}

void CTransc::OnInsertNew() {
  {
    CNewTrans editor(this);
    editor.exec();
  }
  FillTransceiverList();
  ClearSelection();
}

void CTransc::accept() {
  const bool standard =
      StandardMode() || !list_ || list_->currentText() == QLatin1String(kPlaceholderShown);
  const bool standardBefore = owner_.useStandardProp;
  owner_.useStandardProp = standard;
  if (!Refresh()) {
    // No delays can be taken from a transceiver that was not found; the
    // settings keep what they had and the dialog stays open.
    owner_.useStandardProp = standardBefore;
    return;
  }
  if (UpdateData(true)) TemplateDialog::accept();
}

bool RunTransceiverDialog(QWidget* parent, PropagationSettings& settings) {
  const bool standardBefore = settings.useStandardProp;
  CTransc dialog(settings, parent);
  if (dialog.exec() != QDialog::Accepted) {
    settings.useStandardProp = standardBefore;
    return false;
  }
  if (!settings.useStandardProp) {
    settings.propDelay = dialog.tProp();
    settings.transceiverName = dialog.selectedName().toStdString();
    settings.lineDelay = LineDelayForSettings(dialog.lineDelayText().toStdString());
    settings.logicDelay = dialog.logicDelay();
    settings.lineLength = dialog.lineLength();
    settings.transceiverIndex = dialog.selectedIndex();
  }
  return true;
}

}  // namespace kelvane
