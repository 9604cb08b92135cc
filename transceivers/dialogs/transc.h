#pragma once
// " Select Transceiver": turns a transceiver's delays, the bus line and the
// controller's loop delay into the propagation delay that rules 6 and 7 use.

#include <QString>

#include "data_exchange.h"
#include "multi_tip_ctrl.h"
#include "propagation_settings.h"
#include "template_dialog.h"
#include "transceiver_store.h"

class QComboBox;

namespace kelvane {

class CTransc : public TemplateDialog {
  Q_OBJECT
 public:
  // owner: the settings the dialog starts from; OK sets its useStandardProp
  // at once (RunTransceiverDialog takes care of the rest).
  explicit CTransc(PropagationSettings& owner, QWidget* parent = nullptr);

  CMultiTipCtrl& toolTip() { return toolTip_; }

  // What OK leaves for the caller to copy.
  double tProp() const { return tProp_; }
  int selectedIndex() const { return selectedIndex_; }
  const QString& selectedName() const { return selectedName_; }
  const QString& lineDelayText() const { return lineDelayText_; }
  int lineLength() const { return lineLength_; }
  int logicDelay() const { return logicDelay_; }

  bool UpdateData(bool toMembers);
  void accept() override;

 private:
  void OnInitDialog();
  void FillTransceiverList();
  void ApplyMode();
  void ClearSelection();
  void OnSelectionChanged();
  void ComputePropagation();
  bool Refresh();
  void OnInsertNew();
  bool StandardMode() const;
  void TellNotFound();

  int selectedIndex_ = -1;
  double tProp_ = 0.0;
  QString selectedName_;
  CMultiTipCtrl toolTip_;
  QComboBox* list_ = nullptr;
  QString lineDelayText_;
  int lineLength_ = 0;
  int logicDelay_ = 0;
  trans record_{};
  // The list text whose record is in record_; empty when the buffer holds no
  // record the user chose (never found, or the list was rebuilt since).
  QString recordFor_;
  PropagationSettings& owner_;
  DataExchange exchange_;
};

// The menu command "&Transceiver...": runs CTransc over parent with settings.
// OK in transceiver mode with a transceiver chosen copies the computed delay,
// the name, the list position and the three entries into settings; OK in
// standard mode only sets useStandardProp. Any other ending gives
// useStandardProp back the value it had, because a refused OK may have
// changed it; nothing else is touched. Returns whether the dialog ended with OK.
bool RunTransceiverDialog(QWidget* parent, PropagationSettings& settings);

}  // namespace kelvane
