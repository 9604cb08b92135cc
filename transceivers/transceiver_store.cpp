#include "transceiver_store.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/stat.h>
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

// A copy that a kill left under its fixed name. Called under the file's lock,
// so that no other program's copy is taken for it.
void RemoveLeftCopy(const std::string& path) {
  const StoreResult<std::string> target = RenameTarget(path);
  if (target) (void)::unlink(TransceiverStore::NewCopyName(target.value()).c_str());
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

// The copy keeps the old file's mode and, where allowed, its owner and group.
void KeepOwnerAndMode(int oldFd, int copyFd) {
  struct stat old {}, mine {};
  if (::fstat(oldFd, &old) != 0 || ::fstat(copyFd, &mine) != 0) return;
  // Owner first: changing it clears the set-id bits that the mode then restores.
  if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
      ::fchown(copyFd, old.st_uid, old.st_gid) != 0) {
    // Only a privileged user may give a file away; the group may still be ours to set.
    if (::fchown(copyFd, static_cast<uid_t>(-1), old.st_gid) != 0) {
      // Not a group of ours: the copy keeps our own.
    }
  }
  if (::fchmod(copyFd, old.st_mode & 07777) != 0) {
    // Some file systems have no permissions; the copy is still correct.
  }
}

// Writes a complete new copy of file through fill and gives it the file's
// name. The copy has no name while it is written (or, where the file system
// cannot do that, a fixed one that the next write removes), so that a kill
// leaves no copy behind.
StoreResult<Done> ReplaceFile(const std::string& path, const DataFile& file,
                              const std::function<StoreResult<Done>(const DataFile&)>& fill) {
  const StoreResult<std::string> target = RenameTarget(path);
  if (!target) return target.error();
  CopyName name(TransceiverStore::NewCopyName(target.value()));
  (void)::unlink(name.path().c_str());

  bool named = false;
  int fd = ::open(FolderOf(target.value()).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    fd = ::open(name.path().c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    named = fd >= 0;
  }
  if (fd < 0) return CopyNotCreated(path, errno);
  if (named) name.Linked();
  DataFile copy = DataFile::AdoptCopy(path, fd);
  KeepOwnerAndMode(file.descriptor(), fd);

  StoreResult<Done> step = fill(copy);
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

// Exactly size bytes at offset; fewer means the file shrank without the lock.
StoreResult<Done> ReadExactly(const DataFile& file, std::int64_t offset, void* buffer,
                              std::size_t size) {
  const StoreResult<std::size_t> got = file.ReadAt(offset, buffer, size);
  if (!got) return got.error();
  if (got.value() != size) return FileSystemError(file.path(), "read", EIO);
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

StoreResult<std::int64_t> TransceiverStore::AppendRecord(const trans& record) const {
  const StoreResult<RecordBytes> encoded = EncodeRecord(record);
  if (!encoded) return NotStored(path_, encoded.error());
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  RemoveLeftCopy(path_);
  const StoreResult<Done> added =
      AppendIn(file, length.value(), encoded.value().data(), kRecordSize);
  if (!added) return added.error();
  return CloseWith(file, StoreResult<std::int64_t>(length.value() / kRecordBytes + 1));
}

StoreResult<Done> TransceiverStore::WriteRecordAt(std::int64_t index, const trans& record,
                                                  const RecordBytes* shown) const {
  const StoreResult<RecordBytes> encoded = EncodeRecord(record);
  if (!encoded) return NotStored(path_, encoded.error());
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> count = CountIn(file);
  if (!count) return count.error();
  if (index < 0 || index >= count.value()) {
    if (shown != nullptr) return ChangedError(path_);
    return NoSuchRecord(path_, index);
  }
  RemoveLeftCopy(path_);
  RecordBytes old{};
  const StoreResult<Done> got = ReadExactly(file, index * kRecordBytes, old.data(), old.size());
  if (!got) return got.error();
  if (shown != nullptr && old != *shown) return ChangedError(path_);
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
  const bool empty = length.value() == 0;
  if (empty) {
    StoreResult<RecordList> defaults = EncodedDefaults(path_);
    if (!defaults) return defaults.error();
    old = std::move(defaults.value());
  }
  const std::optional<RecordList> next = edit(old);
  if (!next) return CloseWith(file, StoreResult<bool>(false));
  RemoveLeftCopy(path_);

  const std::vector<unsigned char> nextBytes = Flatten(*next);
  StoreResult<Done> done = Done{};
  if (empty) {
    done = file.WriteAt(0, nextBytes.data(), nextBytes.size());
    if (done) done = file.Sync();
    if (!done) (void)file.Truncate(0);
  } else if (next->size() >= old.size() && std::equal(old.begin(), old.end(), next->begin())) {
    done = AppendIn(file, length.value(), nextBytes.data() + old.size() * kRecordSize,
                    (next->size() - old.size()) * kRecordSize);
  } else if (next->size() == old.size()) {
    // Record by record; a failure puts back those already rewritten.
    std::vector<std::size_t> rewritten;
    for (std::size_t i = 0; i < old.size() && done; ++i) {
      if ((*next)[i] == old[i]) continue;
      done = WriteIn(file, static_cast<std::int64_t>(i), (*next)[i].data(), old[i]);
      if (done) rewritten.push_back(i);
    }
    if (!done) {
      for (std::size_t i : rewritten) {
        (void)file.WriteAt(static_cast<std::int64_t>(i) * kRecordBytes, old[i].data(), kRecordSize);
      }
      (void)file.Sync();
    }
  } else {
    done = ReplaceFile(path_, file, [&](const DataFile& copy) {
      StoreResult<Done> step = copy.WriteAt(0, nextBytes.data(), nextBytes.size());
      if (step && !fragment.empty()) {
        step = copy.WriteAt(static_cast<std::int64_t>(next->size()) * kRecordBytes,
                            fragment.data(), fragment.size());
      }
      return step;
    });
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
