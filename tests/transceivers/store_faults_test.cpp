// Failures of the file system: each must come back as an error naming the
// file, leave the file as it was, and never hang or crash.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sstream>

#include "raw_record.h"
#include "temp_folder.h"
#include "transceiver_store.h"

namespace kelvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Exists;
using testing::RawRecord;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0 && errno != EINTR) return;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
}

// Runs body in a child process (so that limits and identities it sets stay
// there) and gives back the lines it returned.
std::vector<std::string> InChild(const std::function<std::vector<std::string>()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return {"pipe failed"};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    for (const std::string& line : body()) out += line + "\n";
    WriteAll(fds[1], out);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char chunk[512];
  ssize_t n;
  while ((n = ::read(fds[0], chunk, sizeof chunk)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"child died"};
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

template <typename T>
std::string Outcome(const StoreResult<T>& r) {
  return r.ok() ? "ok" : r.error().message;
}

std::string OpenError(const std::string& path, const char* reason) {
  return "The file \"" + path + "\" cannot be opened: " + reason + ".";
}

// Every operation of the store, each giving its outcome.
std::vector<std::pair<std::string, std::function<std::string()>>> AllOperations(
    const TransceiverStore& s) {
  static trans buffer;
  trans record;
  record.name = "X";
  return {
      {"SeedDefaultRecords", [&s] { return Outcome(s.SeedDefaultRecords()); }},
      {"CountRecords", [&s] { return Outcome(s.CountRecords()); }},
      {"ReadRecordAt", [&s] { return Outcome(s.ReadRecordAt(0, buffer)); }},
      {"FindRecordByName", [&s] { return Outcome(s.FindRecordByName("A", buffer)); }},
      {"AppendRecord", [&s, record] { return Outcome(s.AppendRecord(record)); }},
      {"WriteRecordAt", [&s, record] { return Outcome(s.WriteRecordAt(0, record)); }},
      {"DeleteRecordAt", [&s] { return Outcome(s.DeleteRecordAt(0)); }},
      {"ListRecordNames", [&s] { return Outcome(s.ListRecordNames()); }},
      {"CountRecordsReadOnly", [&s] { return Outcome(s.CountRecordsReadOnly()); }},
      {"ListRecordNamesReadOnly", [&s] { return Outcome(s.ListRecordNamesReadOnly()); }},
      {"FindRecordByNameReadOnly", [&s] { return Outcome(s.FindRecordByNameReadOnly("A", buffer)); }},
  };
}

TEST(StoreFaults, ADirectoryInPlaceOfTheFile) {
  TempFolder folder;
  ASSERT_EQ(::mkdir(folder.DataFile().c_str(), 0755), 0);
  const TransceiverStore store(folder.path());
  const std::string expected = "\"" + folder.DataFile() +
                               "\" is a folder, not a file; the transceivers cannot be kept in it.";
  for (const auto& [name, run] : AllOperations(store)) EXPECT_EQ(run(), expected) << name;
  trans buffer;
  EXPECT_EQ(store.CountRecords().error().code, StoreErrc::NotAFile);
  EXPECT_EQ(store.ListRecordNamesReadOnly().error().code, StoreErrc::NotAFile);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
}

TEST(StoreFaults, APipeInPlaceOfTheFileIsRefusedWithoutWaiting) {
  TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.DataFile().c_str(), 0644), 0);
  const TransceiverStore store(folder.path());
  const std::string expected =
      "\"" + folder.DataFile() + "\" is not an ordinary file; the transceivers cannot be kept in it.";
  for (const auto& [name, run] : AllOperations(store)) EXPECT_EQ(run(), expected) << name;
}

TEST(StoreFaults, AWorkingDirectoryThatIsGone) {
  TempFolder folder;
  const std::string gone = folder.File("gone");
  ASSERT_EQ(::mkdir(gone.c_str(), 0755), 0);
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(gone.c_str()), 0);
  ASSERT_EQ(::rmdir(gone.c_str()), 0);

  const TransceiverStore store;
  std::vector<std::pair<std::string, std::string>> outcomes;
  for (const auto& [name, run] : AllOperations(store)) outcomes.emplace_back(name, run());
  const StoreResult<std::int64_t> count = store.CountRecords();
  ASSERT_EQ(::chdir(previous), 0);

  const std::string expected = OpenError("DataTran.Dat", "No such file or directory");
  for (const auto& [name, outcome] : outcomes) {
    if (name.ends_with("ReadOnly")) {
      EXPECT_EQ(outcome, "ok") << name << ": nothing there to read";
    } else {
      EXPECT_EQ(outcome, expected) << name;
    }
  }
  ASSERT_FALSE(count.ok());
  EXPECT_EQ(count.error().code, StoreErrc::FileSystem);
  EXPECT_EQ(count.error().systemError, ENOENT);
}

TEST(StoreFaults, AFolderThatIsNotADirectory) {
  TempFolder folder;
  const std::string plain = folder.File("plain");
  WriteBytes(plain, {'x'});
  const TransceiverStore store(plain);
  const std::string expected = OpenError(plain + "/DataTran.Dat", "Not a directory");
  for (const auto& [name, run] : AllOperations(store)) EXPECT_EQ(run(), expected) << name;
  EXPECT_EQ(ReadBytes(plain), Bytes{'x'});
}

// Holds the file's lock from another process until released.
class LockHolder {
 public:
  LockHolder(const std::string& path, int kind) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(path.c_str(), O_RDONLY);
      const char state = (fd >= 0 && ::flock(fd, kind) == 0) ? 'L' : 'E';
      WriteAll(ready[1], std::string(1, state));
      char c;
      while (::read(release[0], &c, 1) < 0 && errno == EINTR) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char state = 0;
    while (::read(ready[0], &state, 1) < 0 && errno == EINTR) {
    }
    ::close(ready[0]);
    locked_ = state == 'L';
  }
  ~LockHolder() { Release(); }
  bool locked() const { return locked_; }
  void Release() {
    if (release_ >= 0) {
      ::close(release_);  // the child's read returns and it exits
      release_ = -1;
    }
    if (pid_ > 0) {
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

TEST(StoreFaults, ALockHeldByAnotherProcessFailsAtOnce) {
  TempFolder folder;
  const Bytes three = Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)});
  WriteBytes(folder.DataFile(), three);
  const TransceiverStore store(folder.path());
  LockHolder holder(folder.DataFile(), LOCK_EX);
  ASSERT_TRUE(holder.locked());

  const std::string expected = "The file \"" + folder.DataFile() +
                               "\" is in use by another program. Please try again when it is free.";
  for (const auto& [name, run] : AllOperations(store)) EXPECT_EQ(run(), expected) << name;
  EXPECT_EQ(store.DeleteRecordAt(0).error().code, StoreErrc::InUse);
  EXPECT_EQ(ReadBytes(folder.DataFile()), three);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});

  holder.Release();
  EXPECT_TRUE(store.DeleteRecordAt(0).ok());
  EXPECT_EQ(store.CountRecords().value(), 2);
}

TEST(StoreFaults, AnotherReaderStopsWritersButNotReadOnlyLookUps) {
  TempFolder folder;
  WriteBytes(folder.DataFile(), RawRecord("A", 1));
  const TransceiverStore store(folder.path());
  LockHolder reader(folder.DataFile(), LOCK_SH);
  ASSERT_TRUE(reader.locked());
  EXPECT_EQ(store.CountRecordsReadOnly().value(), 1);
  EXPECT_EQ(store.ListRecordNamesReadOnly().value(), std::vector<std::string>{"A"});
  trans buffer;
  EXPECT_TRUE(store.FindRecordByNameReadOnly("A", buffer).value());
  EXPECT_EQ(store.CountRecords().error().code, StoreErrc::InUse);
  EXPECT_EQ(store.AppendRecord(trans{}).error().code, StoreErrc::InUse);
}

// Runs body with writes beyond limit bytes failing, as on a full disk.
std::vector<std::string> WithFileSizeLimit(rlim_t limit, const std::function<std::string()>& body) {
  return InChild([&]() -> std::vector<std::string> {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) return {"setrlimit failed"};
    return {body()};
  });
}

TEST(StoreFaults, AWriteThatFailsHalfWayLeavesTheFileAsItWas) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  const std::string tooLarge =
      "The file \"" + folder.DataFile() + "\" cannot be written: File too large.";
  const Bytes three = Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)});
  trans added;
  added.name = "NEW";

  WriteBytes(folder.DataFile(), three);
  // The copy without record 0 needs 880 bytes; the limit stops it at 600.
  EXPECT_EQ(WithFileSizeLimit(600, [&] { return Outcome(store.DeleteRecordAt(0)); }),
            std::vector<std::string>{tooLarge});
  EXPECT_EQ(ReadBytes(folder.DataFile()), three);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});

  // Record 1 spans bytes 440 to 880; only its first 160 bytes can be written.
  EXPECT_EQ(WithFileSizeLimit(600, [&] { return Outcome(store.WriteRecordAt(1, added)); }),
            std::vector<std::string>{tooLarge});
  EXPECT_EQ(ReadBytes(folder.DataFile()), three);

  EXPECT_EQ(WithFileSizeLimit(1320 + 200, [&] { return Outcome(store.AppendRecord(added)); }),
            std::vector<std::string>{tooLarge});
  EXPECT_EQ(ReadBytes(folder.DataFile()), three);

  const Bytes torn = RawRecord("TORN", 4);
  const Bytes withFragment = Concat({three, Bytes(torn.begin(), torn.begin() + 100)});
  WriteBytes(folder.DataFile(), withFragment);
  EXPECT_EQ(WithFileSizeLimit(1320 + 300, [&] { return Outcome(store.AppendRecord(added)); }),
            std::vector<std::string>{tooLarge});
  EXPECT_EQ(ReadBytes(folder.DataFile()), withFragment);

  WriteBytes(folder.DataFile(), {});
  EXPECT_EQ(WithFileSizeLimit(500, [&] { return Outcome(store.SeedDefaultRecords()); }),
            std::vector<std::string>{tooLarge});
  EXPECT_TRUE(ReadBytes(folder.DataFile()).empty()) << "a half seed would never be completed";
  EXPECT_TRUE(store.SeedDefaultRecords().value());
  EXPECT_EQ(ReadBytes(folder.DataFile()).size(), 880u);
}

// Runs body as an unprivileged user when the tests run as root, because root
// may write any folder.
std::vector<std::string> Unprivileged(const std::function<std::vector<std::string>()>& body) {
  return InChild([&]() -> std::vector<std::string> {
    if (::geteuid() == 0) {
      const gid_t nogroup = 65534;
      const uid_t nobody = 65534;
      if (::setgroups(0, nullptr) != 0 || ::setgid(nogroup) != 0 || ::setuid(nobody) != 0) {
        return {"cannot drop privileges"};
      }
    }
    return body();
  });
}

TEST(StoreFaults, AFolderThatMayNotBeWritten) {
  TempFolder folder;
  const std::string locked = folder.File("locked");
  const std::string empty = folder.File("empty");
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(empty.c_str(), 0555), 0);
  const std::string file = locked + "/DataTran.Dat";
  const Bytes three = Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)});
  WriteBytes(file, three);
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);

  const std::vector<std::string> outcomes = Unprivileged([&]() -> std::vector<std::string> {
    const TransceiverStore inLocked(locked);
    const TransceiverStore inEmpty(empty);
    trans added;
    added.name = "NEW";
    return {Outcome(inLocked.DeleteRecordAt(0)), Outcome(inLocked.AppendRecord(added)),
            Outcome(inEmpty.SeedDefaultRecords()), Outcome(inEmpty.CountRecordsReadOnly())};
  });
  ASSERT_EQ(outcomes.size(), 4u) << (outcomes.empty() ? "" : outcomes[0]);
  EXPECT_EQ(outcomes[0], "A new copy of the file \"" + file +
                             "\" cannot be created in its folder: Permission denied. The file "
                             "was not changed.");
  EXPECT_EQ(outcomes[1], "ok") << "the file itself may still be written";
  EXPECT_EQ(outcomes[2], OpenError(empty + "/DataTran.Dat", "Permission denied"));
  EXPECT_EQ(outcomes[3], "ok");

  const Bytes after = ReadBytes(file);
  ASSERT_EQ(after.size(), 1760u);
  EXPECT_EQ(Bytes(after.begin(), after.begin() + 1320), three);
  EXPECT_FALSE(Exists(empty + "/DataTran.Dat"));
}

}  // namespace
}  // namespace kelvane

namespace kelvane {
namespace {

TEST(StoreFaults, DeleteRefusesAFileTheUserMayNotWriteAndKeepsOwnerAndGroup) {
  TempFolder folder;
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  const Bytes two = Concat({RawRecord("A", 1), RawRecord("B", 2)});
  WriteBytes(folder.DataFile(), two);
  ASSERT_EQ(::chmod(folder.DataFile().c_str(), 0444), 0);
  const std::vector<std::string> outcomes = Unprivileged([&]() -> std::vector<std::string> {
    const TransceiverStore store(folder.path());
    trans added;
    added.name = "NEW";
    return {Outcome(store.DeleteRecordAt(0)), Outcome(store.AppendRecord(added))};
  });
  ASSERT_EQ(outcomes.size(), 2u) << (outcomes.empty() ? "" : outcomes[0]);
  EXPECT_EQ(outcomes[0], OpenError(folder.DataFile(), "Permission denied"));
  EXPECT_EQ(outcomes[1], outcomes[0]);
  EXPECT_EQ(ReadBytes(folder.DataFile()), two);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});

  if (::geteuid() != 0) GTEST_SKIP() << "giving the file another owner needs root";
  // Another user may write the file, but a new copy of it would be theirs.
  ASSERT_EQ(::chmod(folder.DataFile().c_str(), 0666), 0);
  EXPECT_EQ(Unprivileged([&]() -> std::vector<std::string> {
              return {Outcome(TransceiverStore(folder.path()).DeleteRecordAt(0))};
            }),
            std::vector<std::string>{"The file \"" + folder.DataFile() +
                                     "\" belongs to user 0 and group 0, which a new copy made by "
                                     "user 65534 cannot keep, so it was not changed."});
  EXPECT_EQ(ReadBytes(folder.DataFile()), two);
  ASSERT_EQ(::chown(folder.DataFile().c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(folder.DataFile().c_str(), 0640), 0);
  ASSERT_TRUE(TransceiverStore(folder.path()).DeleteRecordAt(0).ok());
  struct stat st {};
  ASSERT_EQ(::stat(folder.DataFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(folder.DataFile()), RawRecord("B", 2));
}

}  // namespace
}  // namespace kelvane
