#include "transceiver_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "data_file.h"
#include "file_faults.h"
#include "windows1252.h"

namespace kelvane {
namespace {

constexpr auto kRecordBytes = static_cast<std::int64_t>(kRecordSize);
// Records read per system call by the scans.
constexpr std::size_t kScanRecords = 128;
constexpr std::size_t kCopyChunk = 64 * 1024;
// Records per write of a new copy: few steps, and no second image of the file in memory.
constexpr std::size_t kCopyRecords = 2048;

StoreError NoSuchRecord(std::string_view path, std::int64_t index) {
  // Numbered from 1 as the editor shows them; unsigned so that the largest index cannot overflow.
  const std::string number = index >= 0 ? std::to_string(static_cast<std::uint64_t>(index) + 1)
                                        : std::to_string(index);
  return StoreError{StoreErrc::NoSuchRecord,
                    "The file " + Quoted(path) + " holds no record number " + number +
                        "; it was not changed.",
                    0};
}

StoreError NotStored(std::string_view path, const StoreError& textError) {
  return StoreError{textError.code,
                    textError.message + " The file " + Quoted(path) + " was not changed.",
                    textError.systemError};
}

bool IsMissingFile(const StoreError& e) {
  return e.code == StoreErrc::FileSystem && e.systemError == ENOENT;
}

// Calls visit(recordBytes) for each whole record in file order until it
// returns true. The result tells whether a visit returned true; last, when
// given, receives the last record visited.
template <typename Visit>
StoreResult<bool> ScanRecords(const DataFile& file, Visit visit, RecordBytes* last = nullptr) {
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  const std::int64_t count = length.value() / kRecordBytes;
  std::vector<unsigned char> chunk(kScanRecords * kRecordSize);
  for (std::int64_t first = 0; first < count; first += kScanRecords) {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(kScanRecords, count - first) * kRecordBytes);
    const StoreResult<std::size_t> got = file.ReadAt(first * kRecordBytes, chunk.data(), want);
    if (!got) return got.error();
    // Another program may have shortened the file without asking for the lock.
    const std::size_t whole = got.value() / kRecordSize;
    for (std::size_t k = 0; k < whole; ++k) {
      const unsigned char* record = chunk.data() + k * kRecordSize;
      const bool stop = visit(record);
      if ((stop || k + 1 == whole) && last != nullptr) {
        std::copy(record, record + kRecordSize, last->begin());
      }
      if (stop) return true;
    }
    if (got.value() < want) break;
  }
  return false;
}

StoreResult<bool> FindIn(const DataFile& file, std::string_view name, trans& buffer) {
  const std::optional<std::string> key = Utf8ToWindows1252(name);
  RecordBytes last{};
  bool anyRead = false;
  const StoreResult<bool> found = ScanRecords(
      file,
      [&](const unsigned char* record) {
        anyRead = true;
        return key && StoredName(record) == *key;
      },
      &last);
  if (!found) return found.error();
  if (anyRead) buffer = DecodeRecord(last);
  return found.value();
}

StoreResult<std::vector<std::string>> ListIn(const DataFile& file) {
  std::vector<std::string> names;
  const StoreResult<bool> scanned = ScanRecords(file, [&](const unsigned char* record) {
    names.push_back(Windows1252ToUtf8(StoredName(record)));
    return false;
  });
  if (!scanned) return scanned.error();
  return names;
}

StoreResult<std::int64_t> CountIn(const DataFile& file) {
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  return length.value() / kRecordBytes;
}

// Finishes an operation: a failure the system reports only at closing counts.
template <typename T>
StoreResult<T> CloseWith(DataFile& file, StoreResult<T> result) {
  const StoreResult<Done> closed = file.Close();
  if (result && !closed) return closed.error();
  return result;
}

// Exactly size bytes at offset; fewer means the file shrank without the lock.
StoreResult<Done> ReadExactly(const DataFile& file, std::int64_t offset, void* buffer,
                              std::size_t size) {
  const StoreResult<std::size_t> got = file.ReadAt(offset, buffer, size);
  if (!got) return got.error();
  if (got.value() != size) return FileSystemError(file.path(), "read", EIO);
  return Done{};
}

// The file a rename must replace: the target of a symbolic link, so that the
// link stays a link.
StoreResult<std::string> RenameTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return FileSystemError(path, "found", errno);
  std::string target(real);
  std::free(real);
  return target;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

StoreError ChangedError(std::string_view path) {
  return StoreError{StoreErrc::Changed,
                    "The file " + Quoted(path) +
                        " has been changed by another program since this record was shown. "
                        "Nothing was written; the record is shown again as the file holds it now.",
                    0};
}

StoreError CopyNotCreated(std::string_view path, int err) {
  return StoreError{StoreErrc::FileSystem,
                    "A new copy of the file " + Quoted(path) +
                        " cannot be created in its folder: " + std::system_category().message(err) +
                        ". The file was not changed.",
                    err};
}

StoreError CopyNotRenamed(std::string_view path, int err) {
  return StoreError{StoreErrc::FileSystem,
                    "The file " + Quoted(path) + " cannot be replaced by its new copy: " +
                        std::system_category().message(err) + ". The file was not changed.",
                    err};
}

StoreError CannotReplace(std::string_view path, const std::string& why) {
  return StoreError{StoreErrc::CannotReplace,
                    "The file " + Quoted(path) + " " + why + ", so it was not changed.", 0};
}

StoreError TooLargeAfter(std::string_view path, std::int64_t size) {
  return StoreError{StoreErrc::TooLarge,
                    "The file " + Quoted(path) + " would be " + std::to_string(size) +
                        " bytes long, more than a transceiver file may be (" +
                        std::to_string(kMaxDataFileBytes) +
                        " bytes, about 150,000 records). It was not changed.",
                    EFBIG};
}

// Why size bytes at record index of a file cannot be a transceiver file's:
// a whole record, or the fragment after the last one.
std::optional<StoreError> NotRecords(std::string_view path, const unsigned char* bytes,
                                     std::size_t size, std::int64_t index) {
  const std::optional<std::string> why = WhyNotARecord(bytes, size);
  if (!why) return std::nullopt;
  const std::int64_t first = index * kRecordBytes;
  const std::string where =
      (size == kRecordSize ? "record " + std::to_string(index + 1)
                           : "the " + std::to_string(size) + " bytes after its last record") +
      " (bytes " + std::to_string(first) + " to " +
      std::to_string(first + static_cast<std::int64_t>(size) - 1) + ")";
  return StoreError{StoreErrc::NotRecords,
                    "The file " + Quoted(path) + " does not look like a transceiver file: " +
                        where + ": " + *why + ". Nothing was written to it.",
                    0};
}

// Reads a file of length bytes and refuses it unless it looks like a
// transceiver file; visit, when given, sees every whole record on the way.
StoreResult<Done> CheckRecordsIn(const DataFile& file, std::int64_t length,
                                 const std::function<void(const unsigned char*)>& visit = {}) {
  const std::int64_t count = length / kRecordBytes;
  std::vector<unsigned char> chunk(kScanRecords * kRecordSize);
  for (std::int64_t first = 0; first < count; first += kScanRecords) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kScanRecords, count - first));
    const StoreResult<Done> got =
        ReadExactly(file, first * kRecordBytes, chunk.data(), n * kRecordSize);
    if (!got) return got;
    for (std::size_t k = 0; k < n; ++k) {
      const unsigned char* record = chunk.data() + k * kRecordSize;
      if (auto refused =
              NotRecords(file.path(), record, kRecordSize, first + static_cast<std::int64_t>(k))) {
        return *refused;
      }
      if (visit) visit(record);
    }
  }
  const auto fragment = static_cast<std::size_t>(length - count * kRecordBytes);
  if (fragment > 0) {
    const StoreResult<Done> got = ReadExactly(file, count * kRecordBytes, chunk.data(), fragment);
    if (!got) return got;
    if (auto refused = NotRecords(file.path(), chunk.data(), fragment, count)) return *refused;
  }
  return Done{};
}

// Whether the regular file fd of size bytes could be a copy this program
// wrote: it holds nothing a transceiver file may not.
bool HoldsRecords(int fd, std::int64_t size) {
  if (size > kMaxDataFileBytes) return false;
  std::vector<unsigned char> chunk(kScanRecords * kRecordSize);
  for (std::int64_t at = 0; at < size;) {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunk.size()), size - at));
    std::size_t done = 0;
    while (done < want) {
      const ssize_t n =
          ::pread(fd, chunk.data() + done, want - done, static_cast<off_t>(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    for (std::size_t k = 0; k < want; k += kRecordSize) {
      if (WhyNotARecord(chunk.data() + k, std::min(kRecordSize, want - k))) return false;
    }
    at += static_cast<std::int64_t>(want);
  }
  return true;
}

// Clears the name of a new copy under the file's lock: a copy that a kill
// left there is removed; anything else is left alone and described.
std::optional<std::string> ClearCopyName(const std::string& name) {
  struct stat st {};
  if (::lstat(name.c_str(), &st) != 0) return std::nullopt;  // the copy's open tells what is wrong
  std::string what;
  if (S_ISDIR(st.st_mode)) {
    what = "a folder";
  } else if (S_ISLNK(st.st_mode)) {
    what = "a symbolic link";
  } else if (!S_ISREG(st.st_mode)) {
    what = "a pipe, socket or device";
  } else if (st.st_uid != ::geteuid()) {
    what = "a file of another user";
  } else if (st.st_nlink != 1) {
    what = "a file with other names (hard links)";
  } else {
    const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat opened {};
    const bool ours = fd >= 0 && ::fstat(fd, &opened) == 0 && opened.st_ino == st.st_ino &&
                      opened.st_dev == st.st_dev && HoldsRecords(fd, opened.st_size);
    if (fd >= 0) ::close(fd);
    if (ours && ::unlink(name.c_str()) == 0) return std::nullopt;
    what = ours ? "a file that cannot be removed" : "a file that is not a transceiver file";
  }
  return Quoted(name) + " is in the way, " + what;
}

// A copy left by a kill goes at the next write; nothing else is touched.
void RemoveLeftCopy(const std::string& path) {
  const StoreResult<std::string> target = RenameTarget(path);
  if (target) (void)ClearCopyName(TransceiverStore::NewCopyName(target.value()));
}

// Removes the copy's fixed name unless it took the file's place.
class CopyName {
 public:
  explicit CopyName(std::string path) : path_(std::move(path)) {}
  CopyName(const CopyName&) = delete;
  CopyName& operator=(const CopyName&) = delete;
  ~CopyName() {
    if (linked_) ::unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }
  void Linked() { linked_ = true; }
  void Renamed() { linked_ = false; }

 private:
  std::string path_;
  bool linked_ = false;
};

// An attribute's value, or nothing with errno set.
std::optional<std::string> AttributeOf(int fd, const char* name) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
    if (size < 0) return std::nullopt;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::fgetxattr(fd, name, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return value;
    }
    if (errno != ERANGE) return std::nullopt;  // ERANGE: it grew meanwhile
  }
  return std::nullopt;
}

// The names of fd's extended attributes; nothing with errno set.
std::optional<std::vector<std::string>> AttributeNames(int fd) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) {
      if (errno == ENOTSUP) return std::vector<std::string>{};
      return std::nullopt;
    }
    std::vector<char> list(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got < 0 && errno == ERANGE) continue;
    if (got < 0) return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
      names.emplace_back(list.data() + at);
      at += names.back().size() + 1;
    }
    return names;
  }
  return std::nullopt;
}

std::string AttributeText(const std::string& name) {
  if (name == "system.posix_acl_access") return "its access control list (ACL)";
  return "its extended attribute " + Quoted(name);
}

// The copy is given the old file's extended attributes, its ACL among them,
// and loses any it was given on its own (a folder's default ACL).
StoreResult<Done> KeepAttributes(const std::string& path, int oldFd, int copyFd) {
  const std::optional<std::vector<std::string>> names = AttributeNames(oldFd);
  const std::optional<std::vector<std::string>> own = AttributeNames(copyFd);
  if (!names || !own) return FileSystemError(path, "examined", errno);
  for (const std::string& name : names.value()) {
    const std::optional<std::string> value = AttributeOf(oldFd, name.c_str());
    if (!value) return FileSystemError(path, "examined", errno);
    if (AttributeOf(copyFd, name.c_str()) == value) continue;
    if (::fsetxattr(copyFd, name.c_str(), value->data(), value->size(), 0) != 0) {
      return CannotReplace(path, "carries " + AttributeText(name) +
                                     ", which a new copy of it cannot be given (" +
                                     std::system_category().message(errno) + ")");
    }
  }
  for (const std::string& name : own.value()) {
    if (std::find(names->begin(), names->end(), name) != names->end()) continue;
    if (::fremovexattr(copyFd, name.c_str()) != 0 && errno != ENODATA) {
      return CannotReplace(path, "has no " + AttributeText(name).substr(4) +
                                     ", which a new copy of it would have (" +
                                     std::system_category().message(errno) + ")");
    }
  }
  return Done{};
}

// The copy keeps the old file's owner, group, attributes and mode. A user may
// not give a file away: the file of another user is then not replaced rather
// than taken over.
StoreResult<Done> KeepOwnerAndMode(const std::string& path, int oldFd, int copyFd) {
  struct stat old {}, mine {};
  if (::fstat(oldFd, &old) != 0 || ::fstat(copyFd, &mine) != 0) {
    return FileSystemError(path, "examined", errno);
  }
  // Owner first: changing it clears the set-id bits that the mode then restores.
  if (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) {
    (void)::fchown(copyFd, old.st_uid, old.st_gid);
    if (::fstat(copyFd, &mine) != 0) return FileSystemError(path, "examined", errno);
    if (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) {
      return CannotReplace(path, "belongs to user " + std::to_string(old.st_uid) + " and group " +
                                     std::to_string(old.st_gid) +
                                     ", which a new copy made by user " +
                                     std::to_string(::geteuid()) + " cannot keep");
    }
  }
  const StoreResult<Done> kept = KeepAttributes(path, oldFd, copyFd);
  if (!kept) return kept;
  // Last, so that an ACL's mask is the old file's group bits again.
  if (::fchmod(copyFd, old.st_mode & 07777) != 0) {
    // Some file systems have no permissions; the copy is still correct.
  }
  return Done{};
}

// Writes a complete new copy of file through fill and gives it the file's
// name. The copy has no name while it is written (or, where the file system
// cannot do that, a fixed one that the next write removes), so that a kill
// leaves no copy behind.
StoreResult<Done> ReplaceFile(const std::string& path, const DataFile& file,
                              const std::function<StoreResult<Done>(const DataFile&)>& fill) {
  const StoreResult<std::string> target = RenameTarget(path);
  if (!target) return target.error();
  struct stat old {};
  if (::fstat(file.descriptor(), &old) != 0) return FileSystemError(path, "examined", errno);
  if (old.st_nlink > 1) {
    return CannotReplace(path, "has " + std::to_string(old.st_nlink) +
                                   " names (hard links), and a new copy of it would take the "
                                   "place of this one only");
  }
  CopyName name(TransceiverStore::NewCopyName(target.value()));
  if (const std::optional<std::string> obstacle = ClearCopyName(name.path())) {
    return StoreError{StoreErrc::CannotReplace,
                      "A new copy of the file " + Quoted(path) + " cannot be made: " + *obstacle +
                          ". Move it away and try again; the file was not changed.",
                      EEXIST};
  }

  bool named = false;
  int fd = ::open(FolderOf(target.value()).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    fd = ::open(name.path().c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    named = fd >= 0;
  }
  if (fd < 0) return CopyNotCreated(path, errno);
  if (named) name.Linked();
  DataFile copy = DataFile::AdoptCopy(path, fd);
  StoreResult<Done> step = KeepOwnerAndMode(path, file.descriptor(), fd);
  if (step) step = fill(copy);
  // The copy must be on the disk before it can take the file's place.
  if (step) step = copy.Sync();
  if (!step) return step.error();
  if (!named) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.path().c_str(), AT_SYMLINK_FOLLOW) != 0) {
      return CopyNotCreated(path, errno);
    }
    name.Linked();
  }
  step = copy.Close();
  if (!step) return step.error();
  const FileFault fault = FaultFor({FileStep::Replace, path, true, 0, 0});
  if (fault.error != 0) return CopyNotRenamed(path, fault.error);
  if (::rename(name.path().c_str(), target.value().c_str()) != 0) {
    return CopyNotRenamed(path, errno);
  }
  name.Renamed();
  // Makes the rename itself durable; the new file is complete either way.
  const int folder = ::open(FolderOf(target.value()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return Done{};
}

StoreResult<Done> CopyRange(const DataFile& from, const DataFile& to, std::int64_t begin,
                            std::int64_t end, std::int64_t& written) {
  std::vector<unsigned char> chunk(kCopyChunk);
  for (std::int64_t at = begin; at < end;) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kCopyChunk, end - at));
    const StoreResult<std::size_t> got = from.ReadAt(at, chunk.data(), want);
    if (!got) return got.error();
    // The file shrank under us without the lock: stop rather than copy a hole.
    if (got.value() != want) return FileSystemError(from.path(), "read", EIO);
    const StoreResult<Done> put = to.WriteAt(written, chunk.data(), want);
    if (!put) return put.error();
    at += static_cast<std::int64_t>(want);
    written += static_cast<std::int64_t>(want);
  }
  return Done{};
}

// Adds data after the whole records of a file of length bytes; a trailing
// fragment moves behind it, so that the records land where the count expects
// them and the fragment is kept. A failure puts the file back as it was.
StoreResult<Done> AppendIn(const DataFile& file, std::int64_t length, const unsigned char* data,
                           std::size_t size) {
  const std::int64_t end = length / kRecordBytes * kRecordBytes;
  const auto fragmentSize = static_cast<std::size_t>(length - end);
  std::vector<unsigned char> bytes(data, data + size);
  bytes.resize(size + fragmentSize);
  if (fragmentSize > 0) {
    const StoreResult<Done> got = ReadExactly(file, end, bytes.data() + size, fragmentSize);
    if (!got) return got.error();
  }
  StoreResult<Done> step = file.WriteAt(end, bytes.data(), bytes.size());
  if (step) step = file.Sync();
  if (!step) {
    if (fragmentSize > 0) (void)file.WriteAt(end, bytes.data() + size, fragmentSize);
    (void)file.Truncate(length);
    return step.error();
  }
  return Done{};
}

// Overwrites record index with bytes, old being what is there now; a failure
// puts old back.
StoreResult<Done> WriteIn(const DataFile& file, std::int64_t index, const unsigned char* bytes,
                          const RecordBytes& old) {
  const std::int64_t offset = index * kRecordBytes;
  StoreResult<Done> step = file.WriteAt(offset, bytes, kRecordSize);
  if (step) step = file.Sync();
  if (!step) (void)file.WriteAt(offset, old.data(), old.size());
  return step;
}

std::vector<unsigned char> Flatten(const RecordList& records) {
  std::vector<unsigned char> bytes;
  bytes.reserve(records.size() * kRecordSize);
  for (const RecordBytes& record : records) bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

StoreResult<Done> ReadAll(const DataFile& file, std::int64_t length, RecordList& records,
                          std::vector<unsigned char>* fragment) {
  const std::int64_t count = length / kRecordBytes;
  std::vector<unsigned char> bytes(static_cast<std::size_t>(count) * kRecordSize);
  StoreResult<Done> got = ReadExactly(file, 0, bytes.data(), bytes.size());
  if (!got) return got;
  records.assign(static_cast<std::size_t>(count), RecordBytes{});
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i * kRecordSize), kRecordSize,
                records[i].begin());
  }
  if (fragment != nullptr) {
    fragment->resize(static_cast<std::size_t>(length - count * kRecordBytes));
    got = ReadExactly(file, count * kRecordBytes, fragment->data(), fragment->size());
  }
  return got;
}

StoreResult<RecordList> EncodedDefaults(std::string_view path) {
  RecordList records;
  for (const trans& record : DefaultRecords()) {
    const StoreResult<RecordBytes> encoded = EncodeRecord(record);
    if (!encoded) return NotStored(path, encoded.error());
    records.push_back(encoded.value());
  }
  return records;
}

}  // namespace

TransceiverStore::TransceiverStore() : path_(kDataFileName) {}

TransceiverStore::TransceiverStore(const std::string& directory)
    : path_(directory.empty() ? std::string(kDataFileName)
                              : directory + (directory.back() == '/' ? "" : "/") + kDataFileName) {}

TransceiverStore TransceiverStore::AtPath(std::string path) {
  TransceiverStore store;
  store.path_ = std::move(path);
  return store;
}

std::string TransceiverStore::NewCopyName(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, base) + "." + target.substr(base) + ".kelvane-copy";
}

StoreResult<bool> TransceiverStore::SeedDefaultRecords() const {
  const StoreResult<RecordList> defaults = EncodedDefaults(path_);
  if (!defaults) return defaults.error();
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  if (length.value() != 0) return CloseWith(file, StoreResult<bool>(false));
  RemoveLeftCopy(path_);
  const std::vector<unsigned char> bytes = Flatten(defaults.value());
  StoreResult<Done> written = file.WriteAt(0, bytes.data(), bytes.size());
  if (written) written = file.Sync();
  if (!written) {
    // Half a seed would never be completed: a non-empty file is not seeded.
    (void)file.Truncate(0);
    return written.error();
  }
  return CloseWith(file, StoreResult<bool>(true));
}

StoreResult<std::int64_t> TransceiverStore::CountRecords() const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  return CloseWith(opened.value(), CountIn(opened.value()));
}

StoreResult<bool> TransceiverStore::ReadRecordAt(std::int64_t index, trans& buffer,
                                                RecordBytes* raw) const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  if (index < 0 || index > INT64_MAX / kRecordBytes - 1) {
    return CloseWith(file, StoreResult<bool>(false));
  }
  RecordBytes bytes{};
  const StoreResult<std::size_t> got = file.ReadAt(index * kRecordBytes, bytes.data(), bytes.size());
  if (!got) return got.error();
  if (got.value() != kRecordSize) return CloseWith(file, StoreResult<bool>(false));
  buffer = DecodeRecord(bytes);
  if (raw != nullptr) *raw = bytes;
  return CloseWith(file, StoreResult<bool>(true));
}

StoreResult<bool> TransceiverStore::FindRecordByName(std::string_view name, trans& buffer) const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadCreate);
  if (!opened) return opened.error();
  return CloseWith(opened.value(), FindIn(opened.value(), name, buffer));
}

namespace {

StoreResult<std::int64_t> Append(const std::string& path, const trans& record, bool newName) {
  const StoreResult<RecordBytes> encoded = EncodeRecord(record);
  if (!encoded) return NotStored(path, encoded.error());
  StoreResult<DataFile> opened = DataFile::Open(path, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  if (length.value() + kRecordBytes > kMaxDataFileBytes) {
    return TooLargeAfter(path, length.value() + kRecordBytes);
  }
  const std::string_view name = StoredName(encoded.value().data());
  bool taken = false;
  const StoreResult<Done> checked = CheckRecordsIn(
      file, length.value(),
      [&](const unsigned char* r) { taken = taken || (newName && StoredName(r) == name); });
  if (!checked) return checked.error();
  if (taken) {
    return StoreError{StoreErrc::NameTaken,
                      "The file " + Quoted(path) + " holds a transceiver named " +
                          Quoted(record.name) + " already; nothing was written.",
                      0};
  }
  RemoveLeftCopy(path);
  const StoreResult<Done> added =
      AppendIn(file, length.value(), encoded.value().data(), kRecordSize);
  if (!added) return added.error();
  return CloseWith(file, StoreResult<std::int64_t>(length.value() / kRecordBytes + 1));
}

// Writes records, then fragment, into a new copy, a few thousand records a step.
StoreResult<Done> FillCopy(const DataFile& copy, const RecordList& records,
                           const std::vector<unsigned char>& fragment) {
  std::vector<unsigned char> chunk;
  chunk.reserve(kCopyRecords * kRecordSize);
  std::int64_t at = 0;
  for (std::size_t first = 0; first < records.size(); first += kCopyRecords) {
    chunk.clear();
    const std::size_t last = std::min(records.size(), first + kCopyRecords);
    for (std::size_t i = first; i < last; ++i) {
      chunk.insert(chunk.end(), records[i].begin(), records[i].end());
    }
    const StoreResult<Done> put = copy.WriteAt(at, chunk.data(), chunk.size());
    if (!put) return put;
    at += static_cast<std::int64_t>(chunk.size());
  }
  if (fragment.empty()) return Done{};
  return copy.WriteAt(at, fragment.data(), fragment.size());
}

}  // namespace

StoreResult<std::int64_t> TransceiverStore::AppendRecord(const trans& record) const {
  return Append(path_, record, false);
}

StoreResult<std::int64_t> TransceiverStore::AppendNewRecord(const trans& record) const {
  return Append(path_, record, true);
}

StoreResult<Done> TransceiverStore::WriteRecordAt(std::int64_t index, const trans& record,
                                                  const RecordBytes* shown) const {
  const StoreResult<RecordBytes> encoded = EncodeRecord(record);
  if (!encoded) return NotStored(path_, encoded.error());
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  if (index < 0 || index >= length.value() / kRecordBytes) {
    if (shown != nullptr) return ChangedError(path_);
    return NoSuchRecord(path_, index);
  }
  RecordBytes old{};
  const StoreResult<Done> got = ReadExactly(file, index * kRecordBytes, old.data(), old.size());
  if (!got) return got.error();
  if (shown != nullptr && old != *shown) return ChangedError(path_);
  const StoreResult<Done> checked = CheckRecordsIn(file, length.value());
  if (!checked) return checked.error();
  RemoveLeftCopy(path_);
  const StoreResult<Done> written = WriteIn(file, index, encoded.value().data(), old);
  if (!written) return written.error();
  return CloseWith(file, StoreResult<Done>(Done{}));
}

StoreResult<Done> TransceiverStore::DeleteRecordAt(std::int64_t index,
                                                   const RecordBytes* shown) const {
  // For writing, so that a file the user may not change is refused as an
  // append would be, although the copy alone replaces it.
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  if (index < 0 || index >= length.value() / kRecordBytes) {
    if (shown != nullptr) return ChangedError(path_);
    return NoSuchRecord(path_, index);
  }
  const std::int64_t cut = index * kRecordBytes;
  if (shown != nullptr) {
    RecordBytes old{};
    const StoreResult<Done> got = ReadExactly(file, cut, old.data(), old.size());
    if (!got) return got.error();
    if (old != *shown) return ChangedError(path_);
  }
  const StoreResult<Done> checked = CheckRecordsIn(file, length.value());
  if (!checked) return checked.error();
  const StoreResult<Done> replaced = ReplaceFile(path_, file, [&](const DataFile& copy) {
    std::int64_t written = 0;
    StoreResult<Done> step = CopyRange(file, copy, 0, cut, written);
    if (step) step = CopyRange(file, copy, cut + kRecordBytes, length.value(), written);
    return step;
  });
  if (!replaced) return replaced.error();
  (void)file.Close();  // already replaced: nothing left to lose
  return Done{};
}

StoreResult<bool> TransceiverStore::Update(
    const std::function<std::optional<RecordList>(const RecordList&)>& edit) const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  RecordList old;
  std::vector<unsigned char> fragment;
  const StoreResult<Done> read = ReadAll(file, length.value(), old, &fragment);
  if (!read) return read.error();
  for (std::size_t i = 0; i <= old.size(); ++i) {
    const bool whole = i < old.size();
    if (!whole && fragment.empty()) break;
    if (auto refused =
            NotRecords(path_, whole ? old[i].data() : fragment.data(),
                       whole ? kRecordSize : fragment.size(), static_cast<std::int64_t>(i))) {
      return *refused;
    }
  }
  std::optional<RecordList> next;
  if (length.value() == 0) {
    const StoreResult<RecordList> defaults = EncodedDefaults(path_);
    if (!defaults) return defaults.error();
    next = edit(defaults.value());
  } else {
    next = edit(old);
  }
  if (!next) return CloseWith(file, StoreResult<bool>(false));
  const std::int64_t size = static_cast<std::int64_t>(next->size()) * kRecordBytes +
                            static_cast<std::int64_t>(fragment.size());
  if (size > kMaxDataFileBytes) return TooLargeAfter(path_, size);
  RemoveLeftCopy(path_);

  // One record added or rewritten is written in place; more would be torn by
  // a kill half way, so they go into a new copy. An empty file holds nothing
  // yet, whatever edit was shown.
  const auto firstChange = static_cast<std::size_t>(
      std::mismatch(old.begin(), old.end(), next->begin(), next->end()).first - old.begin());
  StoreResult<Done> done = Done{};
  if (firstChange == old.size() && next->size() == old.size()) {
    // Nothing to change.
  } else if (firstChange == old.size() && next->size() == old.size() + 1) {
    done = AppendIn(file, length.value(), next->back().data(), kRecordSize);
  } else if (next->size() == old.size() &&
             std::equal(old.begin() + static_cast<std::ptrdiff_t>(firstChange) + 1, old.end(),
                        next->begin() + static_cast<std::ptrdiff_t>(firstChange) + 1)) {
    done = WriteIn(file, static_cast<std::int64_t>(firstChange), (*next)[firstChange].data(),
                   old[firstChange]);
  } else {
    done = ReplaceFile(path_, file,
                       [&](const DataFile& copy) { return FillCopy(copy, *next, fragment); });
    if (done) {
      (void)file.Close();  // already replaced
      return true;
    }
  }
  if (!done) return done.error();
  return CloseWith(file, StoreResult<bool>(true));
}

StoreResult<std::vector<std::string>> TransceiverStore::ListRecordNames() const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadCreate);
  if (!opened) return opened.error();
  return CloseWith(opened.value(), ListIn(opened.value()));
}

StoreResult<std::int64_t> TransceiverStore::CountRecordsReadOnly() const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadExisting);
  if (!opened) {
    if (IsMissingFile(opened.error())) return std::int64_t{0};
    return opened.error();
  }
  return CloseWith(opened.value(), CountIn(opened.value()));
}

StoreResult<std::vector<std::string>> TransceiverStore::ListRecordNamesReadOnly() const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadExisting);
  if (!opened) {
    if (IsMissingFile(opened.error())) return std::vector<std::string>{};
    return opened.error();
  }
  return CloseWith(opened.value(), ListIn(opened.value()));
}

StoreResult<RecordList> TransceiverStore::RecordsReadOnly() const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadExisting);
  if (!opened) {
    if (IsMissingFile(opened.error())) return RecordList{};
    return opened.error();
  }
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  RecordList records;
  const StoreResult<Done> read = ReadAll(file, length.value(), records, nullptr);
  if (!read) return read.error();
  return CloseWith(file, StoreResult<RecordList>(std::move(records)));
}

StoreResult<bool> TransceiverStore::FindRecordByNameReadOnly(std::string_view name,
                                                             trans& buffer) const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadExisting);
  if (!opened) {
    if (IsMissingFile(opened.error())) return false;
    return opened.error();
  }
  return CloseWith(opened.value(), FindIn(opened.value(), name, buffer));
}

}  // namespace kelvane
