#include "new_trans.h"

#include <QAbstractButton>
#include <algorithm>
#include <array>

#include "control_tool_tips.h"
#include "dialog_143.h"
#include "dialog_143_ids.h"
#include "message_box.h"
#include "number_text.h"
#include "stored_length_limit.h"
#include "transceiver_file.h"
#include "widget_text.h"

namespace kelvane {
namespace {

using namespace res::editor_ids;

constexpr int kRecordBytes = static_cast<int>(kRecordSize);
constexpr int kNameChars = static_cast<int>(kMaxNameLength);
constexpr int kDescriptionChars = static_cast<int>(kMaxDescriptionLength);
// Nine digits keep every delay, and sums of them, inside 32 bits.
constexpr int kDelayDigits = 9;

// The four delay rows of the record (1 to 4) and their min, nom, max columns.
constexpr int kFirstDelayRow = 1;
constexpr int kDelayRows = 4;
constexpr int kDelayColumns = 3;

int DelayBox(int delayRow, int column) {
  return DelayBoxId(kFirstDelayRow + delayRow, column);
}

constexpr ControlToolTip kToolTips[] = {
    {kName, "The Name of The Transceiver, Model."},
    {kDescription, "Description for the Selected Transceiver."},
    {kCount, "Quantity of Transceivers in Existence."},
    {kRecordNumber, "The Index Number of the Actual Showed Transceiver."},
    {kPrevious, "Navigate to the Previous Transceiver"},
    {kNext, "Navigate to the Next Transceiver"},
    {kInsertMode, "Insert mode, to Include New Transceivers to the List."},
    {kEditMode, "Edit mode, to Make Changes in Existing Transceivers"},
    {kModify,
     "Enabled when the Edit mode is Checked.  Allows Apply the\nModification for a Transceiver"},
    {kDelete,
     "Enabled when the Edit mode is Checked.  Allows Erase an Existing\ntransceiver, the Actual "
     "Transceiver Showed."},
    {kAdd,
     "Enabled when the Insert mode is Checked.  Allows Add a New\nTransceiver to the List of "
     "Existence"},
};

// Row texts of the delay tips; the value's kind is filled in per column.
constexpr const char* kDelayToolTips[kDelayRows] = {
    "Delay TXD to bus Active in nano seconds, %1 Value.\nIf is Empty, Cero Value is Taken",
    "Delay TXD to bus Inactive in nano seconds, %1 Value.\nIf is Empty, Cero Value is Taken",
    "Delay bus Active to RXD in nano seconds, %1 Value.\nIf is Empty, Cero Value is Taken",
    "Delay bus Inactive to RXD in nano seconds, %1 Value.\nIf is Empty, Cero Value is Taken",
};
constexpr const char* kDelayKinds[kDelayColumns] = {"Minimum", "Nominal", "Maximum"};

constexpr const char* kCloseToolTip = "Close The Windows";

const QString kDefaultNames[] = {QStringLiteral("PCA82C251"), QStringLiteral("PCA82C251-47")};

}  // namespace

void CNewTrans::ShowCodePageRefusal() {
  ShowMessage(this, QStringLiteral("The Name and the Description can only hold characters of "
                                   "the Western European (Windows-1252) character set."));
}

CNewTrans::CNewTrans(QWidget* parent)
    : TemplateDialog(res::Dialog143(), parent), exchange_(*this) {
  exchange_.text(kCount, countText_)
      .text(kRecordNumber, recordNumberText_)
      .custom([this](bool toMembers) {
        // The box itself never lets the description grow past what the
        // record holds; this guards texts that were put there otherwise.
        if (!toMembers) {
          SetTextOf(control(kDescription), description_);
          if (descriptionLimit_) descriptionLimit_->Accept();
          return true;
        }
        const QString text = TextOf(control(kDescription));
        if (StoredDescriptionLength(text) > kDescriptionChars) {
          ShowMessage(this, QStringLiteral("Enter no more than %1 characters.")
                                .arg(kDescriptionChars));
          control(kDescription)->setFocus();
          return false;
        }
        description_ = text;
        return true;
      });

  const std::pair<int, void (CNewTrans::*)()> handlers[] = {
      {kClose, &CNewTrans::OnClose},        {kInsertMode, &CNewTrans::OnInsertMode},
      {kEditMode, &CNewTrans::OnEditMode},  {kAdd, &CNewTrans::OnAdd},
      {kNext, &CNewTrans::OnNext},          {kPrevious, &CNewTrans::OnPrevious},
      {kModify, &CNewTrans::OnModify},      {kDelete, &CNewTrans::OnDelete},
  };
  for (const auto& [id, handler] : handlers) {
    if (auto* button = controlAs<QAbstractButton>(id))
      connect(button, &QAbstractButton::clicked, this, handler);
  }
  OnInitDialog();
}

void CNewTrans::OnInitDialog() {
  // Typing stops where the record's field ends, so no name is ever cut short.
  setTextLimit(kName, kNameChars);
  for (int row = 0; row < kDelayRows; ++row) {
    for (int column = 0; column < kDelayColumns; ++column)
      setTextLimit(DelayBox(row, column), kDelayDigits);
  }
  descriptionLimit_ = new StoredLengthLimit(
      control(kDescription), kDescriptionChars, &StoredDescriptionLength, [this] {
        ShowMessage(this, QStringLiteral("You reached the max characters length for the "
                                         "Description (200 characters)"));
      });

  toolTip_.Create(this);
  AddControlToolTips(toolTip_, *this, kToolTips);
  for (int row = 0; row < kDelayRows; ++row) {
    for (int column = 0; column < kDelayColumns; ++column) {
      toolTip_.AddTool(control(DelayBox(row, column)),
                       QString::fromUtf8(kDelayToolTips[row]).arg(QLatin1String(kDelayKinds[column])));
    }
  }
  toolTip_.AddTool(control(kClose), QString::fromUtf8(kCloseToolTip));

  UpdateData(false);
  if (auto* insert = controlAs<QAbstractButton>(kInsertMode)) insert->setChecked(true);
  ApplyMode();
  currentOffset_ = 0;
  ClearBoxes();
  RefreshCount();
}

bool CNewTrans::UpdateData(bool toMembers) { return exchange_.run(toMembers); }

bool CNewTrans::InsertMode() const {
  const auto* insert = controlAs<QAbstractButton>(kInsertMode);
  return insert && insert->isChecked();
}

int CNewTrans::RecordIndex() const { return currentOffset_ / kRecordBytes; }

void CNewTrans::SetRecordShown(bool shown) {
  recordShown_ = shown;
  const bool edit = !InsertMode();
  control(kModify)->setEnabled(edit && shown);
  control(kDelete)->setEnabled(edit && shown);
}

void CNewTrans::ApplyMode() {
  const bool insert = InsertMode();
  for (int id : {kPrevious, kNext, kModify, kDelete}) control(id)->setEnabled(!insert);
  for (int id : {kAdd, kName}) control(id)->setEnabled(insert);
  SetRecordShown(false);
  if (insert) {
    currentOffset_ = 0;
    RefreshCount();
    ClearBoxes();
  }
}

void CNewTrans::OnInsertMode() {
  ApplyMode();
  ClearBoxes();
}

void CNewTrans::OnEditMode() {
  ApplyMode();
  currentOffset_ = 0;
  ShowCurrentRecord();
  if (countText_ == QLatin1String("0")) {
    if (auto* insert = controlAs<QAbstractButton>(kInsertMode)) insert->setChecked(true);
    if (auto* edit = controlAs<QAbstractButton>(kEditMode)) edit->setChecked(false);
    OnInsertMode();
  }
}

void CNewTrans::ClearBoxes() {
  setLimitedText(kName, {}, kNameChars);
  SetTextOf(control(kDescription), {});
  // The member too, or the next writing of the members would bring the text back.
  description_.clear();
  if (descriptionLimit_) descriptionLimit_->Accept();
  for (int row = 0; row < kDelayRows; ++row) {
    for (int column = 0; column < kDelayColumns; ++column)
      SetTextOf(control(DelayBox(row, column)), {});
  }
  SetRecordShown(false);
}

bool CNewTrans::ShowCurrentRecord() {
  TransceiverFile file(this);
  trans record{};
  RecordBytes bytes{};
  const std::optional<bool> read = file.ReadRecordAt(RecordIndex(), record, &bytes);
  if (!read || !*read) return false;
  const std::optional<int> count = file.CountRecords();
  if (!count) return false;

  record_ = record;
  shownBytes_ = bytes;
  // The texts are shown as the file holds them, also when they fill their
  // whole field: writing them back is refused, nothing is cut.
  setLimitedText(kName, NameOf(record_), kNameChars);
  if (descriptionLimit_) descriptionLimit_->Show(DescriptionOf(record_));
  for (int row = 0; row < kDelayRows; ++row) {
    const auto& delays = record_.rows[kFirstDelayRow + row];
    const std::int32_t values[kDelayColumns] = {delays.min, delays.nom, delays.max};
    for (int column = 0; column < kDelayColumns; ++column)
      SetTextOf(control(DelayBox(row, column)), QString::number(values[column]));
  }
  // Taken from the record rather than read back from the box, so that a text
  // too long to be written again does not keep the last record's in the member.
  description_ = DescriptionOf(record_);
  countText_ = QString::number(*count);
  recordNumberText_ = QString::number(RecordIndex() + 1);
  UpdateData(false);
  SetRecordShown(true);
  return true;
}

void CNewTrans::OnNext() {
  if (currentOffset_ + kRecordBytes < kRecordBytes * countText_.toInt())
    ShowRecordAt(currentOffset_ + kRecordBytes);
}

void CNewTrans::OnPrevious() {
  if (currentOffset_ - kRecordBytes >= 0) ShowRecordAt(currentOffset_ - kRecordBytes);
}

void CNewTrans::ShowRecordAt(int offset) {
  const int shown = currentOffset_;
  currentOffset_ = offset;
  // A record that cannot be read (the file changed meanwhile) leaves the form
  // on the one it shows, so that Modify and Delete still act on that one.
  if (!ShowCurrentRecord()) currentOffset_ = shown;
}

void CNewTrans::OnAdd() {
  AddChecked();
  // Also after a refusal or a No: the form starts afresh.
  ClearBoxes();
}

bool CNewTrans::AddChecked() {
  // Blanks at the end cannot be seen in the list: "A " would stand beside "A"
  // as another transceiver. A name of blanks only is no name.
  QString name = TextOf(control(kName));
  while (!name.isEmpty() && name.back().isSpace()) name.chop(1);
  if (name != TextOf(control(kName))) setLimitedText(kName, name, kNameChars);
  if (name.isEmpty()) {
    ShowMessage(this, QStringLiteral("The Field \"Name\" can not be Blank"));
    control(kName)->setFocus();
    return false;
  }
  if (!FitsCodePage(name)) {
    ShowCodePageRefusal();
    return false;
  }
  const auto alreadyThere = [this] {
    ShowMessage(this, QStringLiteral("This Transceiver Already Exist"));
    return false;
  };
  TransceiverFile file(this);
  const std::optional<bool> exists = file.FindRecordByName(name, record_);
  if (!exists) return false;
  if (*exists) return alreadyThere();
  if (!FillRecordFromBoxes()) return false;
  if (ShowMessage(this, QStringLiteral("Save this Data?"), QStringLiteral(" Save Transceiver"),
                  MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return false;
  // Another editor or program may have added the name while the question was
  // open: the append checks it again under the file's lock.
  bool taken = false;
  const std::optional<int> count = file.AppendRecord(record_, taken);
  if (taken) return alreadyThere();
  if (!count) return false;
  countText_ = QString::number(*count);
  recordNumberText_ = countText_;
  UpdateData(false);
  return true;
}

void CNewTrans::OnModify() {
  if (!recordShown_) return;
  if (ShowMessage(this, QStringLiteral("Modify this Record?"), QStringLiteral(" Modify Transceiver"),
                  MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return;
  if (!FillRecordFromBoxes()) return;
  const CheckedWrite written =
      TransceiverFile(this).WriteRecordAt(RecordIndex(), record_, shownBytes_);
  if (written == CheckedWrite::Changed) {
    ShowFileAsItIsNow();
  } else if (written == CheckedWrite::Done) {
    // What the file now holds there, for the next check.
    const StoreResult<RecordBytes> stored = EncodeRecord(record_);
    if (stored) shownBytes_ = stored.value();
  }
}

void CNewTrans::OnDelete() {
  if (!recordShown_) return;
  const QString name = TextOf(control(kName));
  for (const QString& protectedName : kDefaultNames) {
    if (name == protectedName) {
      ShowMessage(this, QStringLiteral("This Value is here By Default. You can not erase it"));
      return;
    }
  }
  if (ShowMessage(this, QStringLiteral("Delete this Record?"), QStringLiteral(" Delete Transceiver"),
                  MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
    return;
  // Deleting replaces the file by a new copy, which a read-only file must not get.
  if (!TransceiverFile(this).CheckWritable()) return;
  // Whether or not the file let the deletion finish, the form no longer shows
  // a record it can stand for, and the count is taken afresh.
  if (TransceiverFile(this).DeleteRecordAt(RecordIndex(), shownBytes_) == CheckedWrite::Changed) {
    ShowFileAsItIsNow();
    return;
  }
  currentOffset_ = 0;
  ClearBoxes();
  RefreshCount();
}

// After another program changed the file: the record shown, found again by
// its name, else the one now at its place (or the last one), else none.
void CNewTrans::ShowFileAsItIsNow() {
  const QString name = NameOf(DecodeRecord(shownBytes_));
  const std::optional<QStringList> names = TransceiverFile(this).ListRecordNames();
  if (names && !names->isEmpty()) {
    const int found = static_cast<int>(names->indexOf(name));
    const int last = static_cast<int>(names->size()) - 1;
    const int index = found >= 0 ? found : std::min(RecordIndex(), last);
    const int shown = currentOffset_;
    currentOffset_ = index * kRecordBytes;
    if (ShowCurrentRecord()) return;
    currentOffset_ = shown;
  }
  currentOffset_ = 0;
  ClearBoxes();
  RefreshCount();
}

void CNewTrans::RefreshCount() {
  const std::optional<int> count = TransceiverFile(this).CountRecords();
  if (!count) return;
  countText_ = QString::number(*count);
  recordNumberText_ = QStringLiteral("0");
  UpdateData(false);
}

bool CNewTrans::FillRecordFromBoxes() {
  if (!UpdateData(true)) return false;
  trans record{};
  const QString name = TextOf(control(kName));
  if (name.size() > kNameChars) {
    // Only a name found in the file can be this long; the box stops typing earlier.
    ShowMessage(this, QStringLiteral("Enter no more than %1 characters.").arg(kNameChars));
    control(kName)->setFocus();
    return false;
  }
  const QString description = description_.isEmpty() ? QStringLiteral(" ") : description_;
  if (!SetTexts(record, name, description)) {
    ShowCodePageRefusal();
    return false;
  }
  for (int row = 0; row < kDelayRows; ++row) {
    auto& delays = record.rows[kFirstDelayRow + row];
    std::int32_t* values[kDelayColumns] = {&delays.min, &delays.nom, &delays.max};
    for (int column = 0; column < kDelayColumns; ++column)
      *values[column] = ReadIntOrZero(TextOf(control(DelayBox(row, column))).toStdString());
  }
  SetDelayRowLabels(record);
  record_ = record;
  return true;
}

void CNewTrans::OnClose() {
  if (UpdateData(true)) accept();
}

}  // namespace kelvane
