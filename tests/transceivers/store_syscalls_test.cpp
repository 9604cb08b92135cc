// The store's system calls as the C library receives them: this program's own
// rename, fsync and fdatasync come before the library's, note each call and
// pass it on, so that a sync that never happens can be seen.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "raw_record.h"
#include "temp_folder.h"
#include "transceiver_store.h"

namespace {

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

// "folder PATH" for a folder, "file" for anything else.
std::string WhatIs(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return "file";
  char path[4096];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  return "folder " + std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto next = Next<int (*)(const char*, const char*)>("rename");
  Calls().push_back(std::string("rename to ") + to);
  return next(from, to);
}

extern "C" int fsync(int fd) {
  static const auto next = Next<int (*)(int)>("fsync");
  Calls().push_back("fsync " + WhatIs(fd));
  return next(fd);
}

extern "C" int fdatasync(int fd) {
  static const auto next = Next<int (*)(int)>("fdatasync");
  Calls().push_back("fdatasync " + WhatIs(fd));
  return next(fd);
}

namespace kelvane {
namespace {

using testing::Concat;
using testing::RawRecord;
using testing::TempFolder;
using testing::WriteBytes;

TEST(StoreSyscalls, TheCopyIsSyncedBeforeTheRenameAndTheFolderAfterIt) {
  TempFolder folder;
  const TransceiverStore store(folder.path());
  WriteBytes(folder.DataFile(), Concat({RawRecord("A", 1), RawRecord("B", 2), RawRecord("C", 3)}));
  char real[4096];
  ASSERT_NE(::realpath(folder.path().c_str(), real), nullptr);
  const std::vector<std::string> replaced = {"fdatasync file", "rename to " + folder.DataFile(),
                                             "fsync folder " + std::string(real)};
  Calls().clear();
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  EXPECT_EQ(Calls(), replaced);
  Calls().clear();
  ASSERT_TRUE(store.Update([](const RecordList& r) {
    return std::optional<RecordList>(RecordList{r[1], r[0]});
  }).ok());
  EXPECT_EQ(Calls(), replaced);
  // In place: the file itself is synced; there is no rename to make durable.
  Calls().clear();
  ASSERT_TRUE(store.AppendRecord(trans{}).ok());
  EXPECT_EQ(Calls(), std::vector<std::string>{"fdatasync file"});
}

}  // namespace
}  // namespace kelvane
