#include "data_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "file_faults.h"

namespace kelvane {
namespace {

FileFaultHook& InstalledHook() {
  static FileFaultHook hook;
  return hook;
}

StoreError TooLargeError(std::string_view path, std::int64_t size) {
  return StoreError{StoreErrc::TooLarge,
                    "The file " + Quoted(path) + " is " + std::to_string(size) +
                        " bytes long, more than a transceiver file may be (" +
                        std::to_string(kMaxDataFileBytes) +
                        " bytes, about 150,000 records). It was not read or changed.",
                    EFBIG};
}

// Another program may replace the file between our open and our lock (it
// renames a new copy over it); we then lock the new file instead.
constexpr int kOpenAttempts = 5;

StoreError NotAFileError(std::string_view path, bool directory) {
  return StoreError{StoreErrc::NotAFile,
                    directory ? Quoted(path) + " is a folder, not a file; the transceivers cannot be kept in it."
                              : Quoted(path) + " is not an ordinary file; the transceivers cannot be kept in it.",
                    0};
}

StoreError InUseError(std::string_view path) {
  return StoreError{StoreErrc::InUse,
                    "The file " + Quoted(path) +
                        " is in use by another program. Please try again when it is free.",
                    EWOULDBLOCK};
}

int OpenFlags(OpenMode mode) {
  // Non-blocking so that a pipe in the file's place cannot stall the open.
  const int common = O_CLOEXEC | O_NONBLOCK;
  switch (mode) {
    case OpenMode::ReadCreate:
      return common | O_RDONLY | O_CREAT;
    case OpenMode::WriteCreate:
      return common | O_RDWR | O_CREAT;
    case OpenMode::ReadExisting:
      return common | O_RDONLY;
  }
  return common | O_RDONLY;
}

}  // namespace

void SetFileFaultHook(FileFaultHook hook) { InstalledHook() = std::move(hook); }

FileFault FaultFor(const FileStepInfo& info) {
  const FileFaultHook& hook = InstalledHook();
  return hook ? hook(info) : FileFault{};
}

std::string Quoted(std::string_view path) {
  // Built step by step: the one-expression form trips a false -Wrestrict in GCC 12 at -O3.
  std::string quoted;
  quoted.reserve(path.size() + 2);
  quoted += '"';
  quoted += path;
  quoted += '"';
  return quoted;
}

StoreError FileSystemError(std::string_view path, std::string_view action, int systemError) {
  return StoreError{StoreErrc::FileSystem,
                    "The file " + Quoted(path) + " cannot be " + std::string(action) + ": " +
                        std::system_category().message(systemError) + ".",
                    systemError};
}

StoreResult<DataFile> DataFile::Open(const std::string& path, OpenMode mode) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    const int fd = ::open(path.c_str(), OpenFlags(mode), 0666);
    if (fd < 0) {
      const int err = errno;
      if (err == EISDIR) return NotAFileError(path, true);
      return FileSystemError(path, "opened", err);
    }
    DataFile file(path, fd);
    (void)FaultFor({FileStep::Opened, path, false, 0, 0});
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) return FileSystemError(path, "examined", errno);
    if (!S_ISREG(opened.st_mode)) return NotAFileError(path, S_ISDIR(opened.st_mode));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      return FileSystemError(path, "opened", errno);
    }

    const int lockKind = mode == OpenMode::ReadExisting ? LOCK_SH : LOCK_EX;
    while (::flock(fd, lockKind | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) return InUseError(path);
      return FileSystemError(path, "locked", errno);
    }

    struct stat named {};
    if (::stat(path.c_str(), &named) == 0) {
      if (named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
        // Checked under the lock, so that no writer can grow it past us.
        const StoreResult<std::int64_t> length = file.Length();
        if (!length) return length.error();
        return file;
      }
    } else if (errno != ENOENT) {
      return FileSystemError(path, "examined", errno);
    }
    // Replaced or removed while we waited for nothing: open what is there now.
  }
  return InUseError(path);
}

DataFile::DataFile(DataFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), copy_(other.copy_) {}

DataFile& DataFile::operator=(DataFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
    copy_ = other.copy_;
  }
  return *this;
}

DataFile::~DataFile() {
  if (fd_ >= 0) ::close(fd_);
}

StoreResult<std::int64_t> DataFile::Length() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return FileSystemError(path_, "examined", errno);
  if (st.st_size > kMaxDataFileBytes) return TooLargeError(path_, st.st_size);
  return static_cast<std::int64_t>(st.st_size);
}

StoreResult<std::size_t> DataFile::ReadAt(std::int64_t offset, void* buffer,
                                          std::size_t size) const {
  if (offset < 0) return FileSystemError(path_, "read", EINVAL);
  const FileFault fault = FaultFor({FileStep::Read, path_, copy_, offset, size});
  if (fault.error != 0) return FileSystemError(path_, "read", fault.error);
  size = std::min(size, fault.bytes);
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileSystemError(path_, "read", errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

StoreResult<Done> DataFile::WriteAt(std::int64_t offset, const void* data,
                                    std::size_t size) const {
  if (offset < 0) return FileSystemError(path_, "written", EINVAL);
  const FileFault fault = FaultFor({FileStep::Write, path_, copy_, offset, size});
  const bool cut = fault.bytes < size || fault.error != 0;
  const std::size_t whole = size;
  size = std::min(size, fault.bytes);
  const auto* in = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileSystemError(path_, "written", errno);
    }
    // A write that makes no progress would loop for ever; the disk is full.
    if (n == 0) return FileSystemError(path_, "written", ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  if (cut && (done < whole || fault.error != 0)) {
    return FileSystemError(path_, "written", fault.error != 0 ? fault.error : EIO);
  }
  return Done{};
}

StoreResult<Done> DataFile::Truncate(std::int64_t length) const {
  while (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    if (errno != EINTR) return FileSystemError(path_, "shortened", errno);
  }
  return Done{};
}

StoreResult<Done> DataFile::Sync() const {
  const FileFault fault = FaultFor({FileStep::Flush, path_, copy_, 0, 0});
  if (fault.error != 0) return FileSystemError(path_, "saved to the disk", fault.error);
  while (::fdatasync(fd_) != 0) {
    if (errno != EINTR) return FileSystemError(path_, "saved to the disk", errno);
  }
  return Done{};
}

StoreResult<Done> DataFile::Close() {
  const int fd = std::exchange(fd_, -1);
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
    return FileSystemError(path_, "closed", errno);
  }
  return Done{};
}

}  // namespace kelvane
