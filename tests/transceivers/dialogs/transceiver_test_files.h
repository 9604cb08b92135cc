#pragma once
// Transceiver files for the dialog tests, written and read byte by byte so that
// the tests check the file's layout independently of the store's own code.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <array>
#include <string>

namespace kelvane::testing {

inline constexpr int kRecordBytes = 440;
inline const char* const kFileName = "DataTran.Dat";

// A fresh empty working directory for the lifetime of the object.
class WorkingDirectory {
 public:
  WorkingDirectory();
  ~WorkingDirectory();
  bool ok() const { return ok_; }
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString previous_;
  bool ok_ = false;
};

struct TestRecord {
  QByteArray name;         // bytes as stored
  QByteArray description;  // bytes as stored
  // min, nom, max of tOnTXD, tOffTXD, tOnRXD, tOffRXD.
  std::array<int, 12> delays{};
};

QByteArray RecordImage(const TestRecord& record);
void WriteTransceiverFile(const QList<QByteArray>& records);
QByteArray ReadTransceiverFile();
bool TransceiverFileExists();

// Fields of record index of a file's bytes.
QByteArray NameInFile(const QByteArray& file, int index);
QByteArray DescriptionInFile(const QByteArray& file, int index);
QByteArray RowLabel(const QByteArray& file, int index, int row);
std::array<int, 12> DelaysInFile(const QByteArray& file, int index);
int RecordCount(const QByteArray& file);

// The two records the selection seeds an empty file with.
TestRecord DefaultRecord0();
TestRecord DefaultRecord1();

}  // namespace kelvane::testing
