// What the store may write to and what a new copy keeps: files that are not
// transceiver files, the largest file, a copy left by a kill beside files of
// similar names, ACLs, attributes and hard links.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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
  return r;
}

const auto kSwapFirstTwo = [](const RecordList& r) {
  RecordList next = r;
  std::swap(next[0], next[1]);
  return std::optional<RecordList>(next);
};

TEST(StoreSafety, NothingIsWrittenToAFileThatIsNotATransceiverFile) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  std::string passwd;
  while (passwd.size() < 1000) passwd += "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n";
  Bytes tab = RawRecord("OK", 1);
  tab[1] = '\t';
  const std::pair<Bytes, std::string> cases[] = {
      {Text(passwd), "record 1 (bytes 0 to 439): it holds no zero byte, as text does"},
      {Text("notes\nmore\n"),
       "the 11 bytes after its last record (bytes 0 to 10): its name holds a control character"},
      {Concat({RawRecord("A", 1), tab}),
       "record 2 (bytes 440 to 879): its name holds a control character"},
      // Past its name field, a fragment without a zero byte is text, not a torn record.
      {Concat({RawRecord("A", 1), RawRecord("B", 2), Bytes(16, 'x')}),
       "the 16 bytes after its last record (bytes 880 to 895)"},
  };
  for (const auto& [content, where] : cases) {
    WriteBytes(folder.DataFile(), content);
    const std::string start =
        "The file \"" + folder.DataFile() + "\" does not look like a transceiver file: " + where;
    for (const StoreError& e :
         {store.AppendRecord(Named("NEW")).error(), store.Update(kSwapFirstTwo).error()}) {
      EXPECT_EQ(e.code, StoreErrc::NotRecords);
      EXPECT_TRUE(e.message.starts_with(start) &&
                  e.message.ends_with(". Nothing was written to it."))
          << e.message;
    }
    if (content.size() >= 880) {
      EXPECT_EQ(store.WriteRecordAt(0, Named("NEW")).error().code, StoreErrc::NotRecords);
      EXPECT_EQ(store.DeleteRecordAt(0).error().code, StoreErrc::NotRecords);
    }
    EXPECT_EQ(ReadBytes(folder.DataFile()), content);
  }
  // A name filling its whole field and no more: the start of a record.
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
  EXPECT_EQ(store.AppendRecord(Named("OVER")).error().message,
            "The file \"" + folder.DataFile() +
                "\" would be 67109240 bytes long, more than a transceiver file may be "
                "(67108864 bytes, about 150,000 records). It was not changed.");
  EXPECT_EQ(store
                .Update([](const RecordList& r) {
                  RecordList next = r;
                  next.push_back(r[0]);
                  return std::optional<RecordList>(next);
                })
                .error()
                .code,
            StoreErrc::TooLarge);
  EXPECT_EQ(store.CountRecordsReadOnly().value(), most) << "and still opened";
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

  const std::string message =
      "A new copy of the file \"" + folder.DataFile() + "\" cannot be made: \"" + left +
      "\" is in the way, %. Move it away and try again; the file was not changed.";
  const auto obstacle = [&](const std::string& what) {
    return message.substr(0, message.find('%')) + what + message.substr(message.find('%') + 1);
  };
  WriteBytes(left, Text("not a copy\n"));
  EXPECT_EQ(store.DeleteRecordAt(0).error().message,
            obstacle("a file that is not a transceiver file"));
  ASSERT_EQ(::unlink(left.c_str()), 0);
  ASSERT_EQ(::mkdir(left.c_str(), 0700), 0);
  EXPECT_EQ(store.Update(kSwapFirstTwo).error().message, obstacle("a folder"));
  EXPECT_TRUE(store.AppendRecord(Named("E")).ok()) << "an append needs no copy";
  ASSERT_EQ(::rmdir(left.c_str()), 0);
  if (::geteuid() != 0) return;
  WriteBytes(left, three);
  ASSERT_EQ(::chown(left.c_str(), 65534, 65534), 0);
  EXPECT_EQ(store.DeleteRecordAt(0).error().message, obstacle("a file of another user"));
  EXPECT_EQ(ReadBytes(left), three);
}

std::string Attribute(const std::string& path, const char* name) {
  char value[256];
  const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? std::string("none") : std::string(value, static_cast<std::size_t>(n));
}

TEST(StoreSafety, ANewCopyKeepsAclAndAttributesAndNeverPartsHardLinks) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  WriteBytes(folder.DataFile(), Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)}));
  // As "setfacl -m u:65534:rw" writes it: owner rw, user 65534 rw, group r, mask rw, others none.
  const std::string acl(
      "\x02\0\0\0"
      "\x01\0\x06\0\xFF\xFF\xFF\xFF"
      "\x02\0\x06\0\xFE\xFF\0\0"
      "\x04\0\x04\0\xFF\xFF\xFF\xFF"
      "\x10\0\x06\0\xFF\xFF\xFF\xFF"
      "\x20\0\0\0\xFF\xFF\xFF\xFF",
      44);
  if (::setxattr(folder.DataFile().c_str(), "user.origin", "lab", 3, 0) != 0 ||
      ::setxattr(folder.DataFile().c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) !=
          0) {
    GTEST_SKIP() << "no extended attributes or ACLs here";
  }
  struct stat before {
  }, after{};
  ASSERT_EQ(::stat(folder.DataFile().c_str(), &before), 0);
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  ASSERT_TRUE(store.Update(kSwapFirstTwo).ok());
  ASSERT_EQ(::stat(folder.DataFile().c_str(), &after), 0);
  EXPECT_EQ(ReadBytes(folder.DataFile()), Concat({RawRecord("C", 3), RawRecord("B", 2)}));
  EXPECT_EQ(Attribute(folder.DataFile(), "user.origin"), "lab");
  EXPECT_EQ(Attribute(folder.DataFile(), "system.posix_acl_access"), acl);
  EXPECT_EQ(after.st_mode, before.st_mode);

  const std::string other = folder.File("team.dat");
  ASSERT_EQ(::link(folder.DataFile().c_str(), other.c_str()), 0);
  const Bytes kept = ReadBytes(folder.DataFile());
  EXPECT_EQ(store.DeleteRecordAt(0).error().message,
            "The file \"" + folder.DataFile() +
                "\" has 2 names (hard links), and a new copy of it would take the place of this "
                "one only, so it was not changed.");
  EXPECT_EQ(ReadBytes(other), kept);
  // One record added is written in place, both names and all.
  ASSERT_TRUE(store.AppendRecord(Named("D")).ok());
  EXPECT_EQ(ReadBytes(other), ReadBytes(folder.DataFile()));
}

}  // namespace
}  // namespace kelvane
