#include "transceiver_file.h"

#include "message_box.h"
#include "windows1252.h"

namespace kelvane {
namespace {

constexpr int kNameChars = static_cast<int>(kMaxNameLength);
constexpr int kDescriptionChars = static_cast<int>(kMaxDescriptionLength);

// The file keeps a line break as CR LF; the boxes work with a plain line feed.
QString StoredLineBreaks(const QString& shown) {
  QString stored = shown;
  stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return stored;
}

}  // namespace

template <class Result>
static bool Report(QWidget* parent, const Result& result) {
  if (result.ok()) return true;
  ShowMessage(parent, QString::fromStdString(result.error().message));
  return false;
}

bool TransceiverFile::SeedDefaultRecords() {
  return Report(parent_, TransceiverStore().SeedDefaultRecords());
}

std::optional<int> TransceiverFile::CountRecords() {
  const TransceiverStore store;
  const auto result = store.CountRecords();
  if (!result.ok() && result.error().code == StoreErrc::FileSystem) {
    // Opening for writing was refused; the records can still be shown.
    const auto readOnly = store.CountRecordsReadOnly();
    if (readOnly.ok()) return static_cast<int>(readOnly.value());
  }
  if (!Report(parent_, result)) return std::nullopt;
  return static_cast<int>(result.value());
}

bool TransceiverFile::CheckWritable() { return Report(parent_, TransceiverStore().CountRecords()); }

std::optional<bool> TransceiverFile::ReadRecordAt(int index, trans& record, RecordBytes* raw) {
  const auto result = TransceiverStore().ReadRecordAt(index, record, raw);
  if (!Report(parent_, result)) return std::nullopt;
  return result.value();
}

std::optional<bool> TransceiverFile::FindRecordByName(const QString& name, trans& record) {
  const auto result = TransceiverStore().FindRecordByName(name.toStdString(), record);
  if (!Report(parent_, result)) return std::nullopt;
  return result.value();
}

std::optional<int> TransceiverFile::AppendRecord(const trans& record, bool& nameTaken) {
  const auto result = TransceiverStore().AppendNewRecord(record);
  nameTaken = !result.ok() && result.error().code == StoreErrc::NameTaken;
  if (nameTaken || !Report(parent_, result)) return std::nullopt;
  return static_cast<int>(result.value());
}

template <class Result>
static CheckedWrite Checked(QWidget* parent, const Result& result) {
  if (Report(parent, result)) return CheckedWrite::Done;
  return result.error().code == StoreErrc::Changed ? CheckedWrite::Changed : CheckedWrite::Failed;
}

CheckedWrite TransceiverFile::WriteRecordAt(int index, const trans& record,
                                            const RecordBytes& shown) {
  return Checked(parent_, TransceiverStore().WriteRecordAt(index, record, &shown));
}

CheckedWrite TransceiverFile::DeleteRecordAt(int index, const RecordBytes& shown) {
  return Checked(parent_, TransceiverStore().DeleteRecordAt(index, &shown));
}

std::optional<QStringList> TransceiverFile::ListRecordNames() {
  const auto result = TransceiverStore().ListRecordNames();
  if (!Report(parent_, result)) return std::nullopt;
  QStringList names;
  for (const std::string& name : result.value()) names << QString::fromStdString(name);
  return names;
}

QString NameOf(const trans& record) { return QString::fromStdString(record.name); }

QString DescriptionOf(const trans& record) {
  QString shown = QString::fromStdString(record.description);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

int StoredDescriptionLength(const QString& shown) {
  return static_cast<int>(shown.size() + shown.count(QLatin1Char('\n')));
}

bool FitsCodePage(const QString& text) {
  return Utf8ToWindows1252(text.toStdString()).has_value();
}

bool SetTexts(trans& record, const QString& name, const QString& shownDescription) {
  const QString description = StoredLineBreaks(shownDescription);
  if (!FitsCodePage(name) || !FitsCodePage(description)) return false;
  if (name.size() > kNameChars || description.size() > kDescriptionChars) return false;
  record.name = name.toStdString();
  record.description = description.toStdString();
  return true;
}

}  // namespace kelvane
