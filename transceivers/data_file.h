#pragma once
// One open, locked data file for the length of one store operation. Every
// failure comes back as a StoreError whose message names the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "store_result.h"

namespace kelvane {

enum class OpenMode {
  ReadCreate,    // read access; a missing file is created empty
  WriteCreate,   // read and write access; a missing file is created empty
  ReadExisting,  // read access; a missing file is an error with systemError ENOENT
};

// path between double quotes, as messages show it.
std::string Quoted(std::string_view path);

// "The file "<path>" cannot be <action>: <system's reason>."
StoreError FileSystemError(std::string_view path, std::string_view action, int systemError);

// The largest data file the store works on, about 150,000 records: enough for
// any real collection, small enough to read whole without freezing a window.
inline constexpr std::int64_t kMaxDataFileBytes = std::int64_t{64} * 1024 * 1024;

class DataFile {
 public:
  // Opens path and takes its advisory lock without waiting: exclusive, or
  // shared for ReadExisting. A lock held elsewhere fails with InUse at once.
  // Pipes, devices and directories are refused before anything is read, and
  // so is a file larger than kMaxDataFileBytes (TooLarge).
  static StoreResult<DataFile> Open(const std::string& path, OpenMode mode);

  // Takes over the open descriptor of a new copy of the file (no lock
  // taken); messages name displayPath.
  static DataFile AdoptCopy(std::string displayPath, int fd) {
    return DataFile(std::move(displayPath), fd, true);
  }

  DataFile(DataFile&& other) noexcept;
  DataFile& operator=(DataFile&& other) noexcept;
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  ~DataFile();

  // Fails with TooLarge beyond kMaxDataFileBytes.
  StoreResult<std::int64_t> Length() const;
  // Reads up to size bytes at offset; fewer only at the end of the file.
  StoreResult<std::size_t> ReadAt(std::int64_t offset, void* buffer, std::size_t size) const;
  // Writes all size bytes at offset, or fails.
  StoreResult<Done> WriteAt(std::int64_t offset, const void* data, std::size_t size) const;
  StoreResult<Done> Truncate(std::int64_t length) const;
  // Forces the data to the disk (fdatasync).
  StoreResult<Done> Sync() const;
  // Releases the lock; reports a failure that the system only tells at closing.
  StoreResult<Done> Close();

  const std::string& path() const { return path_; }
  int descriptor() const { return fd_; }

 private:
  DataFile(std::string path, int fd, bool copy = false)
      : path_(std::move(path)), fd_(fd), copy_(copy) {}

  std::string path_;
  int fd_ = -1;
  bool copy_ = false;
};

}  // namespace kelvane
