#pragma once
// The dialogs' road to the transceiver file: each call runs one store
// operation and, when the file fails, shows the error (which names the file)
// in a message box over parent and reports the failure to the caller.

#include <QString>
#include <QStringList>
#include <optional>

#include "transceiver_store.h"

class QWidget;

namespace kelvane {

// How a write that checks the record shown ended.
enum class CheckedWrite { Done, Failed, Changed };

class TransceiverFile {
 public:
  explicit TransceiverFile(QWidget* parent) : parent_(parent) {}

  bool SeedDefaultRecords();
  // The records of a file that may only be read are counted too, silently.
  std::optional<int> CountRecords();
  // Whether the file may be written; says why not when it may not.
  bool CheckWritable();
  // nullopt after a file error; false when the index has no whole record.
  // raw, when given, receives the record's bytes.
  std::optional<bool> ReadRecordAt(int index, trans& record, RecordBytes* raw = nullptr);
  std::optional<bool> FindRecordByName(const QString& name, trans& record);
  // The new record count. A name that the file holds by then is refused
  // without a message, nameTaken set: the caller says it in its own words.
  std::optional<int> AppendRecord(const trans& record, bool& nameTaken);
  // Only while record index is still the bytes shown; Changed (after the
  // message) when another program changed it.
  CheckedWrite WriteRecordAt(int index, const trans& record, const RecordBytes& shown);
  CheckedWrite DeleteRecordAt(int index, const RecordBytes& shown);
  std::optional<QStringList> ListRecordNames();

 private:
  template <class F>
  bool Guarded(F&& operation);

  QWidget* parent_;
};

// Texts of a record as the dialogs show them: the stored bytes decoded from
// the file's code page, the stored line breaks (CR LF) as plain line feeds.
QString NameOf(const trans& record);
QString DescriptionOf(const trans& record);

// The description as the file stores it (line feeds become CR LF); how many
// characters that takes is what the 199-character field limits.
int StoredDescriptionLength(const QString& shown);

// Whether every character of text has a place in the file's code page.
bool FitsCodePage(const QString& text);

// Writes name and description into the record; false (record untouched) when
// a text does not fit its field or the code page.
bool SetTexts(trans& record, const QString& name, const QString& shownDescription);

}  // namespace kelvane
