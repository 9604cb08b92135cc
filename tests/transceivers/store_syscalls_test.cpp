// The store's system calls as the C library receives them: this program's own
// rename, fsync and fdatasync come first, note each call and pass it on, so
// that a sync that never happens can be seen.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "raw_record.h"
#include "temp_folder.h"
#include "transceiver_store.h"

namespace {

std::vector<std::string> calls;

// "folder PATH" for a folder, "file" for anything else.
std::string WhatIs(int fd) {
  struct stat st {};
  char path[4096] = {};
  if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return "file";
  return "folder " +
         std::string(
             path, std::max<ssize_t>(0, ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(),
                                                   path, sizeof path)));
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  calls.push_back(std::string("rename to ") + to);
  return Next<int (*)(const char*, const char*)>("rename")(from, to);
}

extern "C" int fsync(int fd) {
  calls.push_back("fsync " + WhatIs(fd));
  return Next<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) {
  calls.push_back("fdatasync " + WhatIs(fd));
  return Next<int (*)(int)>("fdatasync")(fd);
}

namespace kelvane {
namespace {

TEST(StoreSyscalls, TheCopyIsSyncedBeforeTheRenameAndTheFolderAfterIt) {
  testing::TempFolder folder;
  const TransceiverStore store(folder.path());
  testing::WriteBytes(folder.DataFile(),
                      testing::Concat({testing::RawRecord("A", 1), testing::RawRecord("B", 2),
                                       testing::RawRecord("C", 3)}));
  char real[4096];
  ASSERT_NE(::realpath(folder.path().c_str(), real), nullptr);
  const std::vector<std::string> replaced = {"fdatasync file", "rename to " + folder.DataFile(),
                                             "fsync folder " + std::string(real)};
  calls.clear();
  ASSERT_TRUE(store.DeleteRecordAt(0).ok());
  EXPECT_EQ(calls, replaced);
  calls.clear();
  ASSERT_TRUE(store
                  .Update([](const RecordList& r) {
                    return std::optional<RecordList>(RecordList{r[1], r[0]});
                  })
                  .ok());
  EXPECT_EQ(calls, replaced);
}

}  // namespace
}  // namespace kelvane
