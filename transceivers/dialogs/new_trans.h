#pragma once
// " Insert and Edit Transceivers": adds, pages through, modifies and deletes
// the records of the transceiver file.

#include <QString>

#include "data_exchange.h"
#include "multi_tip_ctrl.h"
#include "template_dialog.h"
#include "transceiver_store.h"

namespace kelvane {

class StoredLengthLimit;

class CNewTrans : public TemplateDialog {
  Q_OBJECT
 public:
  explicit CNewTrans(QWidget* parent = nullptr);

  CMultiTipCtrl& toolTip() { return toolTip_; }
  int currentOffset() const { return currentOffset_; }

  // Runs the data exchange; toMembers false writes the members to the boxes.
  bool UpdateData(bool toMembers);

 private:
  void OnInitDialog();
  void ApplyMode();
  void OnInsertMode();
  void OnEditMode();
  void ClearBoxes();
  bool ShowCurrentRecord();
  void OnNext();
  void OnPrevious();
  void ShowRecordAt(int offset);
  void OnAdd();
  bool AddChecked();
  void OnModify();
  void OnDelete();
  void RefreshCount();
  void ShowFileAsItIsNow();
  bool FillRecordFromBoxes();
  void OnClose();
  void ShowCodePageRefusal();
  void SetRecordShown(bool shown);
  bool InsertMode() const;
  int RecordIndex() const;

  CMultiTipCtrl toolTip_;
  trans record_{};
  QString countText_ = QStringLiteral("0");
  QString recordNumberText_ = QStringLiteral("0");
  QString description_;
  int currentOffset_ = 0;
  // Whether the boxes show the stored record at currentOffset_: only then may
  // "Modify" and "Delete" touch it.
  bool recordShown_ = false;
  // The bytes of that record as read, which Modify and Delete check against
  // the file, since another program may have changed it meanwhile.
  RecordBytes shownBytes_{};
  DataExchange exchange_;
  StoredLengthLimit* descriptionLimit_ = nullptr;
};

}  // namespace kelvane
