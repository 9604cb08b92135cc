// The store's file steps made to fail, or raced by another program, through
// its fault seam, on files of several hundred records: each outcome must be
// an error naming the file with the file as it was, or the right new file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "data_file.h"
#include "file_faults.h"
#include "raw_record.h"
#include "temp_folder.h"
#include "transceiver_store.h"

namespace kelvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::RawRecord;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

constexpr std::size_t kMany = 300;  // past the scans' 128-record chunks

std::string NameOf(std::size_t i) { return "R" + std::to_string(i); }

Bytes ManyRecords(std::size_t count) {
  Bytes all;
  for (std::size_t i = 0; i < count; ++i) {
    const Bytes r = RawRecord(NameOf(i), static_cast<unsigned char>(i % 250 + 1));
    all.insert(all.end(), r.begin(), r.end());
  }
  return all;
}

Bytes Without(const Bytes& file, std::size_t index) {
  Bytes b = file;
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(index * kRecordSize),
          b.begin() + static_cast<std::ptrdiff_t>((index + 1) * kRecordSize));
  return b;
}

// Installs a hook for one test and removes it afterwards.
struct Hooked {
  explicit Hooked(FileFaultHook hook) { SetFileFaultHook(std::move(hook)); }
  ~Hooked() { SetFileFaultHook({}); }
};

RecordBytes BytesAt(const Bytes& file, std::size_t index) {
  RecordBytes r{};
  std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(index * kRecordSize), kRecordSize,
              r.begin());
  return r;
}

// An edit that makes the file hold file's records.
auto Becoming(const Bytes& file) {
  return [&file](const RecordList&) {
    RecordList next(file.size() / kRecordSize);
    for (std::size_t i = 0; i < next.size(); ++i) next[i] = BytesAt(file, i);
    return std::optional<RecordList>(next);
  };
}

class Seam : public ::testing::Test {
 protected:
  TempFolder folder;
  TransceiverStore store{folder.path()};
  const Bytes many = ManyRecords(kMany);
  void SetUp() override { WriteBytes(folder.DataFile(), many); }
  std::vector<std::string> Entries() {
    auto e = folder.Entries();
    std::sort(e.begin(), e.end());
    return e;
  }
};

TEST_F(Seam, ScansAndEditsFarIntoALargeFile) {
  const StoreResult<std::vector<std::string>> names = store.ListRecordNames();
  ASSERT_TRUE(names.ok());
  ASSERT_EQ(names.value().size(), kMany);
  for (std::size_t i : {0u, 127u, 128u, 129u, 256u, 299u}) EXPECT_EQ(names.value()[i], NameOf(i));
  trans found;
  ASSERT_TRUE(store.FindRecordByName(NameOf(290), found).value());
  EXPECT_EQ(found, DecodeRecord(BytesAt(many, 290)));
  EXPECT_EQ(store.RecordsReadOnly().value()[200], BytesAt(many, 200));

  ASSERT_TRUE(store.DeleteRecordAt(250).ok());
  EXPECT_EQ(ReadBytes(folder.DataFile()), Without(many, 250));
  EXPECT_EQ(Entries(), std::vector<std::string>{"DataTran.Dat"});
}

// Each fault with the operation it hits; the file must stay as it was.
TEST_F(Seam, AFailedStepLeavesTheFileAsItWasAndNoCopyBehind) {
  trans changed;
  changed.name = "CHANGED";
  SetDelayRowLabels(changed);
  struct Case {
    const char* what;
    FileStep step;
    bool copy;
    FileFault fault;
    std::function<std::string()> run;
  };
  const auto outcome = [](const auto& r) { return r.ok() ? std::string("ok") : r.error().message; };
  const auto dropFirst = [](const RecordList& r) {
    return std::optional<RecordList>(RecordList(r.begin() + 1, r.end()));
  };
  const Case cases[] = {
      {"delete, copy not flushed",
       FileStep::Flush,
       true,
       {0, EIO},
       [&] { return outcome(store.DeleteRecordAt(3)); }},
      {"delete, short read",
       FileStep::Read,
       false,
       {1000, 0},
       [&] { return outcome(store.DeleteRecordAt(3)); }},
      {"delete, copy cut",
       FileStep::Write,
       true,
       {5000, ENOSPC},
       [&] { return outcome(store.DeleteRecordAt(3)); }},
      {"delete, no rename",
       FileStep::Replace,
       true,
       {0, EXDEV},
       [&] { return outcome(store.DeleteRecordAt(3)); }},
      {"append, cut",
       FileStep::Write,
       false,
       {200, ENOSPC},
       [&] { return outcome(store.AppendRecord(changed)); }},
      {"append, not flushed",
       FileStep::Flush,
       false,
       {0, EIO},
       [&] { return outcome(store.AppendRecord(changed)); }},
      {"modify, cut",
       FileStep::Write,
       false,
       {100, ENOSPC},
       [&] { return outcome(store.WriteRecordAt(10, changed)); }},
      {"modify, not flushed",
       FileStep::Flush,
       false,
       {0, EIO},
       [&] { return outcome(store.WriteRecordAt(10, changed)); }},
      // An edit that saw no records would write a file of its own.
      {"update, read fails",
       FileStep::Read,
       false,
       {0, EIO},
       [&] { return outcome(store.Update(dropFirst)); }},
      {"update, short read",
       FileStep::Read,
       false,
       {440 * 7, 0},
       [&] { return outcome(store.Update(dropFirst)); }},
  };
  for (const Case& c : cases) {
    int hits = 0;
    Hooked hook([&](const FileStepInfo& info) {
      // Only the first matching step fails, so that putting things back works.
      if (info.step != c.step || info.copy != c.copy || hits++ > 0) return FileFault{};
      return c.fault;
    });
    const std::string result = c.run();
    EXPECT_NE(result, "ok") << c.what;
    EXPECT_NE(result.find(folder.DataFile()), std::string::npos) << c.what << ": " << result;
    EXPECT_EQ(ReadBytes(folder.DataFile()), many) << c.what;
    EXPECT_EQ(Entries(), std::vector<std::string>{"DataTran.Dat"}) << c.what;
  }

  // Seeding an empty file: a failed flush leaves it empty, to be seeded again.
  WriteBytes(folder.DataFile(), {});
  {
    Hooked hook([](const FileStepInfo& info) {
      return info.step == FileStep::Flush ? FileFault{0, EIO} : FileFault{};
    });
    EXPECT_FALSE(store.SeedDefaultRecords().ok());
  }
  EXPECT_TRUE(ReadBytes(folder.DataFile()).empty());
}

TEST_F(Seam, AFileReplacedBetweenOpenAndLockIsOpenedAgain) {
  const Bytes other = Concat({RawRecord("OTHER", 7), RawRecord("MORE", 8)});
  const std::string replacement = folder.File("replacement");
  bool raced = false;
  Hooked hook([&](const FileStepInfo& info) {
    if (info.step == FileStep::Opened && !raced) {
      // Another program's delete gives its new copy the file's name.
      raced = true;
      WriteBytes(replacement, other);
      EXPECT_EQ(::rename(replacement.c_str(), folder.DataFile().c_str()), 0);
    }
    return FileFault{};
  });
  trans added;
  added.name = "ADDED";
  ASSERT_EQ(store.AppendRecord(added).value(), 3);
  const Bytes after = ReadBytes(folder.DataFile());
  ASSERT_EQ(after.size(), 3 * kRecordSize);
  EXPECT_EQ(Bytes(after.begin(), after.begin() + 880), other);
  EXPECT_EQ(DecodeRecord(BytesAt(after, 2)).name, "ADDED");
}

TEST_F(Seam, ModifyAndDeleteActOnlyOnTheRecordShown) {
  const RecordBytes shown = BytesAt(many, 20);
  trans changed;
  changed.name = "CHANGED";
  SetDelayRowLabels(changed);
  // Another program deletes an earlier record: record 20 is now R21.
  ASSERT_TRUE(store.DeleteRecordAt(5).ok());
  const Bytes moved = ReadBytes(folder.DataFile());
  const std::string message = "The file \"" + folder.DataFile() +
                              "\" has been changed by another program since this record was "
                              "shown. Nothing was written; the record is shown again as the file "
                              "holds it now.";
  const StoreResult<Done> written = store.WriteRecordAt(20, changed, &shown);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error().code, StoreErrc::Changed);
  EXPECT_EQ(written.error().message, message);
  EXPECT_EQ(store.DeleteRecordAt(20, &shown).error().message, message);
  EXPECT_EQ(store.DeleteRecordAt(kMany, &shown).error().code, StoreErrc::Changed);
  EXPECT_EQ(ReadBytes(folder.DataFile()), moved);

  // At its new place it is still the record shown.
  ASSERT_TRUE(store.WriteRecordAt(19, changed, &shown).ok());
  const RecordBytes now = BytesAt(ReadBytes(folder.DataFile()), 19);
  ASSERT_TRUE(store.DeleteRecordAt(19, &now).ok());
  EXPECT_EQ(ReadBytes(folder.DataFile()), Without(moved, 19));
}

TEST_F(Seam, AFileLargerThan64MiBIsNeitherReadNorWritten) {
  const std::int64_t size = kMaxDataFileBytes + 1;
  ASSERT_EQ(::truncate(folder.DataFile().c_str(), size), 0);
  const std::string message =
      "The file \"" + folder.DataFile() +
      "\" is 67108865 bytes long, more than a transceiver file may be "
      "(67108864 bytes, about 150,000 records). It was not read or changed.";
  trans buffer;
  EXPECT_EQ(store.ListRecordNamesReadOnly().error().message, message);
  EXPECT_EQ(store.FindRecordByName("R1", buffer).error().message, message);
  EXPECT_EQ(store.AppendRecord(buffer).error().code, StoreErrc::TooLarge);
  EXPECT_EQ(store.DeleteRecordAt(0).error().code, StoreErrc::TooLarge);
  EXPECT_EQ(store.SeedDefaultRecords().error().code, StoreErrc::TooLarge);
  struct stat st {};
  ASSERT_EQ(::stat(folder.DataFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_size, size);
  EXPECT_EQ(Entries(), std::vector<std::string>{"DataTran.Dat"});
  // Exactly the limit is still a file to work with.
  ASSERT_EQ(::truncate(folder.DataFile().c_str(), kMaxDataFileBytes), 0);
  EXPECT_EQ(store.CountRecordsReadOnly().value(), kMaxDataFileBytes / 440);
}

// Whichever single step of an update fails, the file is the old one or the
// new one: never two records changed in place with the second one failing.
TEST_F(Seam, AnUpdateOfSeveralRecordsIsWholeWhicheverStepFails) {
  const Bytes large = ManyRecords(5000);  // more than one step of a copy's writes
  WriteBytes(folder.DataFile(), large);
  Bytes changed = large;
  for (std::size_t index : {3u, 4000u}) changed[index * kRecordSize + 1] = 'X';
  for (FileStep step : {FileStep::Read, FileStep::Write, FileStep::Flush, FileStep::Replace}) {
    for (int failing = 0;; ++failing) {
      WriteBytes(folder.DataFile(), large);
      int seen = 0;
      Hooked hook([&](const FileStepInfo& info) {
        return info.step == step && seen++ == failing ? FileFault{0, EIO} : FileFault{};
      });
      const bool ok = store.Update(Becoming(changed)).ok();
      const Bytes now = ReadBytes(folder.DataFile());
      ASSERT_TRUE(ok ? now == changed : now == large) << "step " << int(step) << " #" << failing;
      ASSERT_EQ(Entries(), std::vector<std::string>{"DataTran.Dat"});
      if (seen <= failing) break;  // every step of this kind has failed once
    }
  }
}

// A child deleting from, or importing into, a large file is killed at every
// step of the store and at several moments: the file is always the old one
// or the new one, and a copy left under its name (a kill between naming it
// and renaming it) goes at the next write.
TEST(StoreKill, AKilledDeleteOrImportLeavesTheOldFileOrTheNewOne) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  constexpr std::size_t kCount = 8000;  // 3.5 MB: four steps of an import's copy, 55 of a delete's
  const Bytes large = ManyRecords(kCount);
  Bytes imported = large;
  for (std::size_t i = 0; i < kCount; ++i) imported[i * kRecordSize + 20] = '!';
  const std::string left = TransceiverStore::NewCopyName(folder.DataFile());
  const std::function<void()> operations[] = {
      [&] { (void)store.DeleteRecordAt(0); },
      [&] { (void)store.Update(Becoming(imported)); },
  };
  const Bytes results[] = {Without(large, 0), imported};
  for (int op = 0; op < 2; ++op) {
    int oldSeen = 0, newSeen = 0;
    // Kills after a delay (negative n), then at the n-th step.
    for (int n : {-6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 30, 60, 90, 200}) {
      WriteBytes(folder.DataFile(), large);
      const pid_t pid = ::fork();
      if (pid == 0) {
        int steps = 0;
        SetFileFaultHook([&](const FileStepInfo&) {
          if (steps++ == n) ::raise(SIGKILL);
          return FileFault{};
        });
        operations[op]();
        ::_exit(0);
      }
      if (n < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * (n + 6) * (n + 6)));
        ::kill(pid, SIGKILL);
      }
      int status = 0;
      ::waitpid(pid, &status, 0);
      const Bytes now = ReadBytes(folder.DataFile());
      ASSERT_TRUE(now == large || now == results[op]) << "operation " << op << ", kill " << n;
      (now == large ? oldSeen : newSeen)++;
      for (const std::string& entry : folder.Entries()) {
        EXPECT_TRUE(folder.File(entry) == folder.DataFile() || folder.File(entry) == left) << entry;
      }
      trans added;
      added.name = "X";
      ASSERT_TRUE(store.AppendRecord(added).ok());
      EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
      if (n >= 0 && WIFEXITED(status)) break;  // finished before its n-th step
    }
    EXPECT_GT(oldSeen, 0) << "no kill came during operation " << op;
    EXPECT_GT(newSeen, 0) << "operation " << op << " never finished";
  }
}

}  // namespace
}  // namespace kelvane
