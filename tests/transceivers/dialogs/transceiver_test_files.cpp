#include "transceiver_test_files.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

namespace kelvane::testing {
namespace {

constexpr int kNameOffset = 0;
constexpr int kNameBytes = 15;
constexpr int kDescriptionOffset = 15;
constexpr int kDescriptionBytes = 200;
constexpr int kRowsOffset = 216;
constexpr int kRowBytes = 32;
constexpr int kLabelBytes = 10;
constexpr int kMinInRow = 12;

QByteArray Zeroed(const QByteArray& bytes, int offset, int size) {
  const QByteArray field = bytes.mid(offset, size);
  const qsizetype end = field.indexOf('\0');
  return end < 0 ? field : field.left(end);
}

}  // namespace

WorkingDirectory::WorkingDirectory() : previous_(QDir::currentPath()) {
  ok_ = dir_.isValid() && QDir::setCurrent(dir_.path());
}

WorkingDirectory::~WorkingDirectory() { QDir::setCurrent(previous_); }

QByteArray RecordImage(const TestRecord& record) {
  QByteArray bytes(kRecordBytes, '\0');
  bytes.replace(kNameOffset, qMin<qsizetype>(record.name.size(), kNameBytes - 1),
                record.name.left(kNameBytes - 1));
  bytes.replace(kDescriptionOffset,
                qMin<qsizetype>(record.description.size(), kDescriptionBytes - 1),
                record.description.left(kDescriptionBytes - 1));
  for (int row = 1; row <= 4; ++row) {
    for (int column = 0; column < 3; ++column) {
      const qint32 value = record.delays[(row - 1) * 3 + column];
      qToLittleEndian<qint32>(value, bytes.data() + kRowsOffset + row * kRowBytes + kMinInRow +
                                         column * 4);
    }
  }
  return bytes;
}

void WriteTransceiverFile(const QList<QByteArray>& records) {
  QFile file(QString::fromLatin1(kFileName));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
  for (const QByteArray& record : records) file.write(record);
}

QByteArray ReadTransceiverFile() {
  QFile file(QString::fromLatin1(kFileName));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

bool TransceiverFileExists() { return QFile::exists(QString::fromLatin1(kFileName)); }

int RecordCount(const QByteArray& file) { return static_cast<int>(file.size() / kRecordBytes); }

QByteArray NameInFile(const QByteArray& file, int index) {
  return Zeroed(file, index * kRecordBytes + kNameOffset, kNameBytes);
}

QByteArray DescriptionInFile(const QByteArray& file, int index) {
  return Zeroed(file, index * kRecordBytes + kDescriptionOffset, kDescriptionBytes);
}

QByteArray RowLabel(const QByteArray& file, int index, int row) {
  return Zeroed(file, index * kRecordBytes + kRowsOffset + row * kRowBytes, kLabelBytes);
}

std::array<int, 12> DelaysInFile(const QByteArray& file, int index) {
  std::array<int, 12> delays{};
  for (int row = 1; row <= 4; ++row) {
    for (int column = 0; column < 3; ++column) {
      const int at = index * kRecordBytes + kRowsOffset + row * kRowBytes + kMinInRow + column * 4;
      delays[(row - 1) * 3 + column] = qFromLittleEndian<qint32>(file.constData() + at);
    }
  }
  return delays;
}

TestRecord DefaultRecord0() {
  return {"PCA82C251",
          "Interface between the CAN protocol controller and the physical bus.  It is primarily "
          "intented for applications in Trucks and buses",
          {0, 0, 50, 0, 40, 80, 0, 55, 120, 0, 90, 190}};
}

TestRecord DefaultRecord1() {
  return {"PCA82C251-47",
          "Interface between the CAN protocol controller and the physical bus.  It is primarily "
          "intented for applications in Trucks and buses. Condition R8 = 47Ohm",
          {0, 0, 50, 0, 40, 80, 0, 290, 400, 0, 440, 550}};
}

}  // namespace kelvane::testing
