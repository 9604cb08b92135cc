#include "transceiver_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "data_file.h"
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

// The new copy of the file while DeleteRecordAt writes it; removed unless kept.
class TemporaryCopy {
 public:
  explicit TemporaryCopy(std::string path) : path_(std::move(path)) {}
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;
  ~TemporaryCopy() {
    if (!kept_) ::unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

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
  std::vector<unsigned char> bytes;
  for (const trans& record : DefaultRecords()) {
    const StoreResult<RecordBytes> encoded = EncodeRecord(record);
    if (!encoded) return NotStored(path_, encoded.error());
    bytes.insert(bytes.end(), encoded.value().begin(), encoded.value().end());
  }
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  if (length.value() != 0) return CloseWith(file, StoreResult<bool>(false));
  const StoreResult<Done> written = file.WriteAt(0, bytes.data(), bytes.size());
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

StoreResult<bool> TransceiverStore::ReadRecordAt(std::int64_t index, trans& buffer) const {
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
  const std::int64_t count = length.value() / kRecordBytes;
  const std::int64_t end = count * kRecordBytes;

  // A trailing fragment moves behind the new record, so that the record lands
  // where the count expects it and the fragment is kept.
  std::vector<unsigned char> bytes(encoded.value().begin(), encoded.value().end());
  const auto fragmentSize = static_cast<std::size_t>(length.value() - end);
  if (fragmentSize > 0) {
    bytes.resize(kRecordSize + fragmentSize);
    const StoreResult<std::size_t> got = file.ReadAt(end, bytes.data() + kRecordSize, fragmentSize);
    if (!got) return got.error();
    if (got.value() != fragmentSize) return FileSystemError(path_, "read", EIO);
  }
  const StoreResult<Done> written = file.WriteAt(end, bytes.data(), bytes.size());
  if (!written) {
    // Put back what was there, so that a failed append leaves no half record.
    if (fragmentSize > 0) (void)file.WriteAt(end, bytes.data() + kRecordSize, fragmentSize);
    (void)file.Truncate(length.value());
    return written.error();
  }
  return CloseWith(file, StoreResult<std::int64_t>(count + 1));
}

StoreResult<Done> TransceiverStore::WriteRecordAt(std::int64_t index, const trans& record) const {
  const StoreResult<RecordBytes> encoded = EncodeRecord(record);
  if (!encoded) return NotStored(path_, encoded.error());
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::WriteCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> count = CountIn(file);
  if (!count) return count.error();
  if (index < 0 || index >= count.value()) return NoSuchRecord(path_, index);
  const std::int64_t offset = index * kRecordBytes;
  RecordBytes old{};
  const StoreResult<std::size_t> got = file.ReadAt(offset, old.data(), old.size());
  if (!got) return got.error();
  const StoreResult<Done> written = file.WriteAt(offset, encoded.value().data(), kRecordSize);
  if (!written) {
    if (got.value() == kRecordSize) (void)file.WriteAt(offset, old.data(), old.size());
    return written.error();
  }
  return CloseWith(file, StoreResult<Done>(Done{}));
}

StoreResult<Done> TransceiverStore::DeleteRecordAt(std::int64_t index) const {
  StoreResult<DataFile> opened = DataFile::Open(path_, OpenMode::ReadCreate);
  if (!opened) return opened.error();
  DataFile& file = opened.value();
  const StoreResult<std::int64_t> length = file.Length();
  if (!length) return length.error();
  if (index < 0 || index >= length.value() / kRecordBytes) return NoSuchRecord(path_, index);

  const StoreResult<std::string> target = RenameTarget(path_);
  if (!target) return target.error();
  std::string pattern = target.value() + ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    return StoreError{StoreErrc::FileSystem,
                      "A new copy of the file " + Quoted(path_) +
                          " cannot be created in its folder: " +
                          std::system_category().message(err) + ". The file was not changed.",
                      err};
  }
  TemporaryCopy copyName(pattern);
  DataFile copy = DataFile::Adopt(path_, fd);

  // The copy keeps the old file's permissions and, where allowed, its owner.
  struct stat old {};
  if (::fstat(file.descriptor(), &old) == 0) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      // Some file systems have no permissions; the copy is still correct.
    }
    struct stat mine {};
    if (::fstat(fd, &mine) == 0 && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only a privileged user may give a file away; keep our own.
    }
  }

  std::int64_t written = 0;
  const std::int64_t cut = index * kRecordBytes;
  StoreResult<Done> step = CopyRange(file, copy, 0, cut, written);
  if (step) step = CopyRange(file, copy, cut + kRecordBytes, length.value(), written);
  if (step) step = copy.Sync();
  if (step) step = copy.Close();
  if (!step) return step.error();

  if (::rename(copyName.path().c_str(), target.value().c_str()) != 0) {
    const int err = errno;
    return StoreError{StoreErrc::FileSystem,
                      "The file " + Quoted(path_) + " cannot be replaced by its new copy: " +
                          std::system_category().message(err) + ". The file was not changed.",
                      err};
  }
  copyName.Keep();
  // Makes the rename itself durable; the new file is complete either way.
  const int folder = ::open(FolderOf(target.value()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  (void)file.Close();  // read-only and already replaced: nothing left to lose
  return Done{};
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
