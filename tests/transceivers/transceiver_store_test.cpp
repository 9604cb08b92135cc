#include "transceiver_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "raw_record.h"
#include "temp_folder.h"

namespace kelvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Exists;
using testing::RawRecord;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::int32_t Int32At(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 |
                                   std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24);
}

trans Named(const std::string& name, const std::string& description = "d") {
  trans r;
  r.name = name;
  r.description = description;
  SetDelayRowLabels(r);
  r.rows[kRowOnTxd].max = 11;
  r.rows[kRowOffRxd].nom = -7;
  return r;
}

class Store : public ::testing::Test {
 protected:
  TempFolder folder;
  TransceiverStore store{folder.path()};
};

TEST_F(Store, SeedingAMissingFileWritesTheTwoDefaultsIn880Bytes) {
  ASSERT_FALSE(Exists(folder.DataFile()));
  const StoreResult<bool> seeded = store.SeedDefaultRecords();
  ASSERT_TRUE(seeded.ok()) << seeded.error().message;
  EXPECT_TRUE(seeded.value());
  const Bytes b = ReadBytes(folder.DataFile());
  ASSERT_EQ(b.size(), 880u);
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data()), "PCA82C251");
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 440), "PCA82C251-47");
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(b.data() + 15)), 130u);
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(b.data() + 440 + 15)), 152u);
  // min, nom, max of tOnTXD, tOffTXD, tOnRXD, tOffRXD at 248 + 32 r + 12.
  const std::int32_t expected[2][4][3] = {
      {{0, 0, 50}, {0, 40, 80}, {0, 55, 120}, {0, 90, 190}},
      {{0, 0, 50}, {0, 40, 80}, {0, 290, 400}, {0, 440, 550}},
  };
  for (std::size_t rec = 0; rec < 2; ++rec) {
    for (std::size_t row = 0; row < 4; ++row) {
      for (std::size_t v = 0; v < 3; ++v) {
        EXPECT_EQ(Int32At(b, 440 * rec + 248 + 32 * row + 12 + 4 * v), expected[rec][row][v])
            << "record " << rec << " row " << row + 1 << " value " << v;
      }
    }
  }
}

TEST_F(Store, SeedingAFileWithRecordsWritesNothing) {
  const Bytes before = Concat({RawRecord("ONE", 0x11)});
  WriteBytes(folder.DataFile(), before);
  const StoreResult<bool> seeded = store.SeedDefaultRecords();
  ASSERT_TRUE(seeded.ok());
  EXPECT_FALSE(seeded.value());
  EXPECT_EQ(ReadBytes(folder.DataFile()), before);
}

TEST_F(Store, AnEmptiedFileIsSeededAgain) {
  WriteBytes(folder.DataFile(), {});
  ASSERT_TRUE(store.SeedDefaultRecords().value());
  EXPECT_EQ(ReadBytes(folder.DataFile()).size(), 880u);
}

TEST_F(Store, AFileShorterThanOneRecordHasNoRecordsAndIsNeverChanged) {
  for (std::size_t size : {std::size_t{1}, std::size_t{200}, std::size_t{439}}) {
    SCOPED_TRACE(size);
    const Bytes fragment(size, 'P');
    WriteBytes(folder.DataFile(), fragment);
    EXPECT_FALSE(store.SeedDefaultRecords().value());
    EXPECT_EQ(store.CountRecords().value(), 0);
    EXPECT_EQ(store.CountRecordsReadOnly().value(), 0);
    EXPECT_TRUE(store.ListRecordNames().value().empty());
    trans buffer = Named("UNTOUCHED");
    EXPECT_FALSE(store.FindRecordByName(std::string(size < 15 ? size : 15, 'P'), buffer).value());
    EXPECT_EQ(buffer.name, "UNTOUCHED");
    EXPECT_FALSE(store.ReadRecordAt(0, buffer).value());
    EXPECT_EQ(store.DeleteRecordAt(0).error().code, StoreErrc::NoSuchRecord);
    EXPECT_EQ(ReadBytes(folder.DataFile()), fragment);
  }
}

TEST_F(Store, EveryOperationCreatesAMissingFileEmptyButTheReadOnlyOnes) {
  EXPECT_EQ(store.CountRecordsReadOnly().value(), 0);
  EXPECT_TRUE(store.ListRecordNamesReadOnly().value().empty());
  trans buffer;
  EXPECT_FALSE(store.FindRecordByNameReadOnly("PCA82C251", buffer).value());
  EXPECT_FALSE(Exists(folder.DataFile()));

  EXPECT_EQ(store.CountRecords().value(), 0);
  ASSERT_TRUE(Exists(folder.DataFile()));
  EXPECT_TRUE(ReadBytes(folder.DataFile()).empty());
  ::unlink(folder.DataFile().c_str());
  EXPECT_FALSE(store.ReadRecordAt(0, buffer).value());
  EXPECT_TRUE(Exists(folder.DataFile()));
  ::unlink(folder.DataFile().c_str());
  EXPECT_FALSE(store.FindRecordByName("X", buffer).value());
  EXPECT_TRUE(Exists(folder.DataFile()));
  ::unlink(folder.DataFile().c_str());
  EXPECT_TRUE(store.ListRecordNames().value().empty());
  EXPECT_TRUE(Exists(folder.DataFile()));
}

TEST_F(Store, NamesAreComparedByteForByteAndTheFirstMatchWins) {
  ASSERT_TRUE(store.SeedDefaultRecords().value());
  trans buffer;
  EXPECT_FALSE(store.FindRecordByName("pca82c251", buffer).value());
  EXPECT_EQ(buffer.name, "PCA82C251-47") << "the last record read stays in the buffer";
  EXPECT_FALSE(store.FindRecordByName("PCA82C251 ", buffer).value());
  EXPECT_FALSE(store.FindRecordByName("PCA82C25", buffer).value());
  EXPECT_FALSE(store.FindRecordByName("", buffer).value());

  ASSERT_EQ(store.AppendRecord(Named("TWIN", "first")).value(), 3);
  ASSERT_EQ(store.AppendRecord(Named("TWIN", "second")).value(), 4);
  ASSERT_TRUE(store.FindRecordByName("TWIN", buffer).value());
  EXPECT_EQ(buffer.description, "first");
  ASSERT_TRUE(store.FindRecordByNameReadOnly("TWIN", buffer).value());
  EXPECT_EQ(buffer.description, "first");
  ASSERT_TRUE(store.FindRecordByName("PCA82C251", buffer).value());
  EXPECT_EQ(buffer.rows[kRowOffRxd].max, 190);
}

TEST_F(Store, EightBitNamesAreFoundByTheirUtf8Form) {
  ASSERT_EQ(store.AppendRecord(Named("M\u00FCller \u20AC")).value(), 1);
  const Bytes b = ReadBytes(folder.DataFile());
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data()), "M\xFCller \x80");
  trans buffer;
  EXPECT_TRUE(store.FindRecordByName("M\u00FCller \u20AC", buffer).value());
  EXPECT_FALSE(store.FindRecordByName("M\u00DCller \u20AC", buffer).value());
  EXPECT_FALSE(store.FindRecordByName("\u03A9", buffer).value());  // no 8-bit form
  EXPECT_EQ(store.ListRecordNames().value(), std::vector<std::string>{"M\u00FCller \u20AC"});
}

TEST_F(Store, DeletingRecordZeroOfThreeMovesTheOthersByteForByte) {
  const Bytes a = RawRecord("A", 0xA1), b = RawRecord("B", 0xB2), c = RawRecord("C", 0xC3);
  WriteBytes(folder.DataFile(), Concat({a, b, c}));
  const StoreResult<Done> deleted = store.DeleteRecordAt(0);
  ASSERT_TRUE(deleted.ok()) << deleted.error().message;
  EXPECT_EQ(ReadBytes(folder.DataFile()), Concat({b, c}));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
}

TEST_F(Store, DeletingKeepsTheOrderOfTheRest) {
  const Bytes a = RawRecord("A", 1), b = RawRecord("B", 2), c = RawRecord("C", 3),
              d = RawRecord("D", 4);
  WriteBytes(folder.DataFile(), Concat({a, b, c, d}));
  ASSERT_TRUE(store.DeleteRecordAt(1).ok());
  EXPECT_EQ(ReadBytes(folder.DataFile()), Concat({a, c, d}));
  ASSERT_TRUE(store.DeleteRecordAt(2).ok());
  EXPECT_EQ(ReadBytes(folder.DataFile()), Concat({a, c}));
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  EXPECT_TRUE(ReadBytes(folder.DataFile()).empty());
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
}

TEST_F(Store, DeletingARecordThatIsNotThereChangesNothing) {
  const Bytes two = Concat({RawRecord("A", 1), RawRecord("B", 2)});
  WriteBytes(folder.DataFile(), two);
  for (std::int64_t index : {std::int64_t{2}, std::int64_t{-1}, INT64_MAX}) {
    const StoreResult<Done> result = store.DeleteRecordAt(index);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, StoreErrc::NoSuchRecord);
    EXPECT_NE(result.error().message.find("DataTran.Dat"), std::string::npos);
  }
  EXPECT_EQ(store.DeleteRecordAt(2).error().message,
            "The file \"" + folder.DataFile() + "\" holds no record number 3; it was not changed.");
  EXPECT_EQ(store.DeleteRecordAt(INT64_MAX).error().message,
            "The file \"" + folder.DataFile() +
                "\" holds no record number 9223372036854775808; it was not changed.");
  EXPECT_EQ(ReadBytes(folder.DataFile()), two);
}

TEST_F(Store, DeletingKeepsTheFilePermissionsAndASymbolicLink) {
  const std::string real = folder.File("real.dat");
  WriteBytes(real, Concat({RawRecord("A", 1), RawRecord("B", 2)}));
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real.dat", folder.DataFile().c_str()), 0);
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  struct stat link {}, target {};
  ASSERT_EQ(::lstat(folder.DataFile().c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &target), 0);
  EXPECT_EQ(target.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(real), RawRecord("B", 2));
}

TEST_F(Store, AppendAddsOneRecordAtTheEnd) {
  ASSERT_TRUE(store.SeedDefaultRecords().value());
  const trans added = Named("SN65HVD230", "3.3 V\r\nslope control");
  const StoreResult<std::int64_t> count = store.AppendRecord(added);
  ASSERT_TRUE(count.ok()) << count.error().message;
  EXPECT_EQ(count.value(), 3);
  EXPECT_EQ(store.CountRecords().value(), 3);
  trans buffer;
  ASSERT_TRUE(store.ReadRecordAt(2, buffer).value());
  EXPECT_EQ(buffer, added);
  const Bytes b = ReadBytes(folder.DataFile());
  ASSERT_EQ(b.size(), 1320u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 880 + 15)),
            "3.3 V\r\nslope control");
  EXPECT_EQ(store.ListRecordNames().value(),
            (std::vector<std::string>{"PCA82C251", "PCA82C251-47", "SN65HVD230"}));
}

TEST_F(Store, WriteReplacesOnlyItsOwnRecord) {
  const Bytes a = RawRecord("A", 1), c = RawRecord("C", 3);
  WriteBytes(folder.DataFile(), Concat({a, RawRecord("B", 2), c}));
  const trans replacement = Named("NEW");
  ASSERT_TRUE(store.WriteRecordAt(1, replacement).ok());
  const Bytes after = ReadBytes(folder.DataFile());
  ASSERT_EQ(after.size(), 1320u);
  EXPECT_EQ(Bytes(after.begin(), after.begin() + 440), a);
  EXPECT_EQ(Bytes(after.begin() + 880, after.end()), c);
  trans buffer;
  ASSERT_TRUE(store.ReadRecordAt(1, buffer).value());
  EXPECT_EQ(buffer, replacement);

  for (std::int64_t index : {std::int64_t{3}, std::int64_t{-1}}) {
    const StoreResult<Done> refused = store.WriteRecordAt(index, replacement);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, StoreErrc::NoSuchRecord);
  }
  EXPECT_EQ(ReadBytes(folder.DataFile()).size(), 1320u);
}

TEST_F(Store, ReadingOutsideTheWholeRecordsLeavesTheBufferAlone) {
  WriteBytes(folder.DataFile(), Concat({RawRecord("A", 1), Bytes(439, 'x')}));
  trans buffer = Named("KEEP");
  EXPECT_FALSE(store.ReadRecordAt(1, buffer).value());
  EXPECT_FALSE(store.ReadRecordAt(-1, buffer).value());
  EXPECT_FALSE(store.ReadRecordAt(INT64_MAX, buffer).value());
  EXPECT_EQ(buffer, Named("KEEP"));
  EXPECT_TRUE(store.ReadRecordAt(0, buffer).value());
  EXPECT_EQ(buffer.name, "A");
}

TEST_F(Store, TextsThatDoNotFitAreRefusedBeforeTheFileIsTouched) {
  trans tooLong = Named("ABCDEFGHIJKLMNO");  // 15 characters
  const StoreResult<std::int64_t> refused = store.AppendRecord(tooLong);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, StoreErrc::BadText);
  EXPECT_EQ(refused.error().message,
            "The name is longer than 14 characters. The file \"" + folder.DataFile() +
                "\" was not changed.");
  EXPECT_FALSE(Exists(folder.DataFile()));

  ASSERT_TRUE(store.SeedDefaultRecords().value());
  const Bytes seeded = ReadBytes(folder.DataFile());
  trans greek = Named("OK", "\u03BCs");  // Greek mu, not the micro sign
  EXPECT_EQ(store.WriteRecordAt(0, greek).error().code, StoreErrc::BadText);
  EXPECT_EQ(ReadBytes(folder.DataFile()), seeded);
}

TEST_F(Store, ANameWithoutAZeroByteIsReadWithinItsField) {
  Bytes record = RawRecord("", 0x20);
  std::memset(record.data(), 'Z', 15);
  std::memcpy(record.data() + 15, "desc", 5);
  WriteBytes(folder.DataFile(), Concat({record, RawRecord("NEXT", 1)}));
  EXPECT_EQ(store.ListRecordNames().value(),
            (std::vector<std::string>{std::string(15, 'Z'), "NEXT"}));
  trans buffer;
  ASSERT_TRUE(store.FindRecordByName(std::string(15, 'Z'), buffer).value());
  EXPECT_EQ(buffer.description, "desc");
  EXPECT_FALSE(store.FindRecordByName(std::string(14, 'Z'), buffer).value());
  EXPECT_FALSE(store.FindRecordByName(std::string(15, 'Z') + "desc", buffer).value());
}

TEST_F(Store, ATrailingFragmentIsNeverCountedListedFoundOrLost) {
  const Bytes a = RawRecord("A", 1), b = RawRecord("B", 2);
  const Bytes fragment = RawRecord("FRAG", 9);
  for (std::size_t size : {std::size_t{1}, std::size_t{20}, std::size_t{439}}) {
    SCOPED_TRACE(size);
    const Bytes tail(fragment.begin(), fragment.begin() + static_cast<std::ptrdiff_t>(size));
    WriteBytes(folder.DataFile(), Concat({a, b, tail}));
    EXPECT_EQ(store.CountRecords().value(), 2);
    EXPECT_EQ(store.ListRecordNames().value(), (std::vector<std::string>{"A", "B"}));
    trans buffer;
    EXPECT_FALSE(store.FindRecordByName("FRAG", buffer).value());
    EXPECT_EQ(buffer.name, "B");

    ASSERT_TRUE(store.DeleteRecordAt(0).ok());
    EXPECT_EQ(ReadBytes(folder.DataFile()), Concat({b, tail}));

    // The new record takes the place the count gives it; the fragment follows.
    const StoreResult<std::int64_t> count = store.AppendRecord(Named("NEW"));
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(count.value(), 2);
    const Bytes after = ReadBytes(folder.DataFile());
    ASSERT_EQ(after.size(), 880 + size);
    EXPECT_EQ(Bytes(after.begin() + 880, after.end()), tail);
    ASSERT_TRUE(store.ReadRecordAt(1, buffer).value());
    EXPECT_EQ(buffer, Named("NEW"));
  }
}

TEST(StoreInWorkingDirectory, TheDefaultStoreUsesTheCurrentDirectoryAtEachCall) {
  TempFolder first, second;
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  const TransceiverStore store;
  EXPECT_EQ(store.path(), "DataTran.Dat");
  ASSERT_EQ(::chdir(first.path().c_str()), 0);
  ASSERT_TRUE(store.SeedDefaultRecords().value());
  ASSERT_EQ(::chdir(second.path().c_str()), 0);
  EXPECT_EQ(store.CountRecords().value(), 0);
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_EQ(ReadBytes(first.DataFile()).size(), 880u);
  EXPECT_TRUE(ReadBytes(second.DataFile()).empty());
}

}  // namespace
}  // namespace kelvane
