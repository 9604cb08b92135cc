// What the store may write to and what a new copy of a file keeps: files that
// are not transceiver files, the largest file, copies left by a kill beside
// other files of similar names, ACLs, attributes, owners and hard links.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "data_file.h"
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

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

trans Named(const std::string& name) {
  trans r;
  r.name = name;
  SetDelayRowLabels(r);
  return r;
}

// Every writing operation, each giving its outcome's error code and message.
std::vector<std::pair<StoreErrc, std::string>> AllWrites(const TransceiverStore& store) {
  std::vector<std::pair<StoreErrc, std::string>> out;
  const auto add = [&](const auto& result) {
    out.emplace_back(result.ok() ? StoreErrc{} : result.error().code,
                     result.ok() ? "ok" : result.error().message);
  };
  add(store.AppendRecord(Named("NEW")));
  add(store.WriteRecordAt(0, Named("NEW")));
  add(store.DeleteRecordAt(0));
  add(store.Update([](const RecordList& r) {
    RecordList next = r;
    next.push_back(EncodeRecord(Named("NEW")).value());
    return std::optional<RecordList>(next);
  }));
  return out;
}

TEST(StoreSafety, NothingIsWrittenToAFileThatIsNotATransceiverFile) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  std::string passwd;
  while (passwd.size() < 1000) passwd += "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n";
  Bytes badName = RawRecord("OK", 1);
  badName[1] = '\t';
  const struct {
    Bytes content;
    std::string where;
  } cases[] = {
      {Text(passwd), "record 1 (bytes 0 to 439): it holds no zero byte, as text does"},
      {Text("notes\n"), "the 6 bytes after its last record (bytes 0 to 5): its name holds a control character"},
      {Concat({RawRecord("A", 1), badName}), "record 2 (bytes 440 to 879): its name holds a control character"},
      // Past its name, a fragment without a zero byte is text, not a torn record.
      {Concat({RawRecord("A", 1), Bytes(16, 'x')}), "the 16 bytes after its last record (bytes 440 to 455)"},
  };
  for (const auto& c : cases) {
    WriteBytes(folder.DataFile(), c.content);
    for (const auto& [code, message] : AllWrites(store)) {
      if (code == StoreErrc::NoSuchRecord && c.content.size() < 440) continue;
      EXPECT_EQ(code, StoreErrc::NotRecords) << message;
      EXPECT_EQ(message.find("The file \"" + folder.DataFile() +
                             "\" does not look like a transceiver file: " + c.where),
                0u)
          << message;
      EXPECT_TRUE(message.ends_with(". Nothing was written to it.")) << message;
    }
    EXPECT_EQ(ReadBytes(folder.DataFile()), c.content);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
  }
  // A name filling its whole field, then 15 bytes of no zero: a torn record.
  WriteBytes(folder.DataFile(), Concat({RawRecord("A", 1), Bytes(15, 'x')}));
  EXPECT_EQ(store.AppendRecord(Named("NEW")).value(), 2);
  EXPECT_EQ(store.AppendRecord(Named("BAD\x7F")).error().code, StoreErrc::BadText);
}

TEST(StoreSafety, NoWriteMakesTheFileLargerThanTheLargestItOpens) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  const std::int64_t most = kMaxDataFileBytes / 440;  // 152,520 records
  WriteBytes(folder.DataFile(), {});
  ASSERT_EQ(::truncate(folder.DataFile().c_str(), (most - 1) * 440), 0);
  EXPECT_EQ(store.AppendNewRecord(Named("LAST")).value(), most);
  const StoreResult<std::int64_t> over = store.AppendRecord(Named("OVER"));
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error().code, StoreErrc::TooLarge);
  EXPECT_EQ(over.error().message,
            "The file \"" + folder.DataFile() +
                "\" would be 67109240 bytes long, more than a transceiver file may be "
                "(67108864 bytes, about 150,000 records). It was not changed.");
  const StoreResult<bool> grown = store.Update([](const RecordList& r) {
    RecordList next(r.begin() + 1, r.end());  // a change of more than one record
    next.push_back(r[0]);
    next.push_back(r[0]);
    return std::optional<RecordList>(next);
  });
  EXPECT_EQ(grown.error().code, StoreErrc::TooLarge);
  EXPECT_EQ(store.CountRecordsReadOnly().value(), most) << "and still opened";
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
}

// The user's own "DataTran.Dat.new" is never touched; the program's copy left
// by a kill goes at the next append or delete; anything else in its place
// stops a delete, named, and nothing else.
TEST(StoreSafety, OnlyTheProgramsOwnLeftCopyIsRemoved) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  const Bytes three = Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)});
  WriteBytes(folder.DataFile(), three);
  const std::string users = folder.DataFile() + ".new";
  const std::string left = TransceiverStore::NewCopyName(folder.DataFile());
  EXPECT_EQ(left, folder.File(".DataTran.Dat.kelvane-copy"));
  WriteBytes(users, Text("my notes\n"));

  WriteBytes(left, three);
  ASSERT_TRUE(store.AppendRecord(Named("D")).ok());
  EXPECT_FALSE(Exists(left));
  WriteBytes(left, Concat({three, Bytes(100, 0)}));
  ASSERT_TRUE(store.DeleteRecordAt(3).ok());
  EXPECT_FALSE(Exists(left));
  EXPECT_EQ(ReadBytes(folder.DataFile()), three);
  EXPECT_EQ(ReadBytes(users), Text("my notes\n"));

  const std::string prefix = "A new copy of the file \"" + folder.DataFile() +
                             "\" cannot be made: \"" + left + "\" is in the way, ";
  const std::string suffix = ". Move it away and try again; the file was not changed.";
  WriteBytes(left, Text("not a copy\n"));
  EXPECT_EQ(store.DeleteRecordAt(0).error().message,
            prefix + "a file that is not a transceiver file" + suffix);
  EXPECT_EQ(ReadBytes(left), Text("not a copy\n"));
  ASSERT_EQ(::unlink(left.c_str()), 0);
  ASSERT_EQ(::mkdir(left.c_str(), 0700), 0);
  EXPECT_EQ(store.DeleteRecordAt(0).error().message, prefix + "a folder" + suffix);
  EXPECT_TRUE(store.AppendRecord(Named("E")).ok()) << "an append needs no copy";
  EXPECT_EQ(store.CountRecords().value(), 4);
  ASSERT_EQ(::rmdir(left.c_str()), 0);
  if (::geteuid() != 0) return;
  WriteBytes(left, three);
  ASSERT_EQ(::chown(left.c_str(), 65534, 65534), 0);
  EXPECT_EQ(store.DeleteRecordAt(0).error().message, prefix + "a file of another user" + suffix);
  EXPECT_TRUE(Exists(left));
}

// An ACL granting one more user access, as setfacl -m u:65534:rw writes it.
std::string AclWithUser(std::uint32_t uid) {
  const auto entry = [](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
    std::string e(8, '\0');
    std::memcpy(e.data(), &tag, 2);
    std::memcpy(e.data() + 2, &perm, 2);
    std::memcpy(e.data() + 4, &id, 4);
    return e;
  };
  const std::uint32_t version = 2, none = 0xFFFFFFFF;
  return std::string(reinterpret_cast<const char*>(&version), 4) + entry(0x01, 6, none) +
         entry(0x02, 6, uid) + entry(0x04, 4, none) + entry(0x10, 6, none) + entry(0x20, 0, none);
}

std::string Attribute(const std::string& path, const char* name) {
  char value[256];
  const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? std::string("none") : std::string(value, static_cast<std::size_t>(n));
}

TEST(StoreSafety, ANewCopyKeepsAclAndAttributesAndNeverPartsHardLinks) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  const Bytes three = Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)});
  WriteBytes(folder.DataFile(), three);
  const std::string acl = AclWithUser(65534);
  if (::setxattr(folder.DataFile().c_str(), "user.origin", "lab", 3, 0) != 0 ||
      ::setxattr(folder.DataFile().c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
    GTEST_SKIP() << "no extended attributes or ACLs here";
  }
  struct stat before {}, after {};
  ASSERT_EQ(::stat(folder.DataFile().c_str(), &before), 0);
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  ASSERT_TRUE(store.Update([](const RecordList& r) {
    return std::optional<RecordList>(RecordList{r[1], r[0]});
  }).ok());
  ASSERT_EQ(::stat(folder.DataFile().c_str(), &after), 0);
  EXPECT_EQ(ReadBytes(folder.DataFile()), Concat({RawRecord("C", 3), RawRecord("B", 2)}));
  EXPECT_EQ(Attribute(folder.DataFile(), "user.origin"), "lab");
  EXPECT_EQ(Attribute(folder.DataFile(), "system.posix_acl_access"), acl);
  EXPECT_EQ(after.st_mode, before.st_mode);

  const std::string other = folder.File("team.dat");
  ASSERT_EQ(::link(folder.DataFile().c_str(), other.c_str()), 0);
  const Bytes kept = ReadBytes(folder.DataFile());
  const StoreResult<Done> deleted = store.DeleteRecordAt(0);
  EXPECT_EQ(deleted.error().message,
            "The file \"" + folder.DataFile() +
                "\" has 2 names (hard links), and a new copy of it would take the place of this "
                "one only, so it was not changed.");
  EXPECT_EQ(ReadBytes(other), kept);
  EXPECT_EQ(ReadBytes(folder.DataFile()), kept);
  // One record rewritten or added is written in place, links and all.
  ASSERT_TRUE(store.AppendRecord(Named("D")).ok());
  EXPECT_EQ(ReadBytes(other), ReadBytes(folder.DataFile()));
}

TEST(StoreSafety, AnotherUsersFileIsNotTakenOverByACopy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  TempFolder folder;
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  const Bytes two = Concat({RawRecord("A", 1), RawRecord("B", 2)});
  WriteBytes(folder.DataFile(), two);
  ASSERT_EQ(::chmod(folder.DataFile().c_str(), 0666), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    const StoreResult<Done> r = TransceiverStore(folder.path()).DeleteRecordAt(0);
    const bool said = !r.ok() && r.error().code == StoreErrc::CannotReplace &&
                      r.error().message == "The file \"" + folder.DataFile() +
                                               "\" belongs to user 0 and group 0, which a new copy "
                                               "made by user 65534 cannot keep, so it was not changed.";
    ::_exit(said ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadBytes(folder.DataFile()), two);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
}

}  // namespace
}  // namespace kelvane
