#pragma once
// The transceiver data file "DataTran.Dat": a flat file of 440-byte records
// (trans_record.h), no header. Each operation opens the file, holds an
// exclusive advisory lock while it works, and closes it again; nothing is
// kept open between operations. Every operation but the read-only look-ups
// creates a missing file, empty.
//
// A trailing fragment shorter than a record is never counted, listed or
// found, and no operation destroys it.
//
// Reporting errors in a dialog: when a result is not ok(), show
// error().message as it stands in a message box with an OK button and the
// application's name as caption, leave the dialog open and do not act on the
// record buffer. The message names the file and says what failed; nothing was
// changed unless the operation's comment says otherwise. An error with code
// StoreErrc::InUse means another program holds the file: the user may retry.
//
// Every write is on the disk (fdatasync) before it reports success. A file
// larger than kMaxDataFileBytes (data_file.h) is refused by every operation,
// and no write makes a file larger than that (TooLarge). Nothing is written
// to a file that does not look like a transceiver file (NotRecords): one
// whose records or trailing fragment WhyNotARecord refuses, a text file say.
//
// Writes that change more than one record write a complete new copy beside
// the file and give it the file's name only when whole, so that a failure or
// a kill at any step leaves the old file or the new one. The copy keeps the
// file's mode, owner, group, ACLs and extended attributes; where it cannot
// (a file of another user, an attribute the user may not set) or where the
// file has more than one name (a hard link the copy would part), the write
// is refused (CannotReplace) and the file left as it was.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store_result.h"
#include "trans_record.h"

namespace kelvane {

inline constexpr const char* kDataFileName = "DataTran.Dat";

// The whole records of a file, byte for byte, in file order.
using RecordList = std::vector<RecordBytes>;

class TransceiverStore {
 public:
  // The file "DataTran.Dat" of the current working directory, as it is at
  // each call.
  TransceiverStore();
  // The file "DataTran.Dat" in directory (a tool's or a test's own folder).
  explicit TransceiverStore(const std::string& directory);
  // The file at path, whatever its name (a script's --data-file).
  static TransceiverStore AtPath(std::string path);

  // The name the messages use for the file.
  const std::string& path() const { return path_; }

  // Writes the two default records when the file is empty (length 0); a file
  // of any other length is left alone. True when the records were written.
  // A failed write leaves the file empty again, so a later call seeds it.
  StoreResult<bool> SeedDefaultRecords() const;

  // Whole records in the file (opens it for writing, creating it if missing).
  StoreResult<std::int64_t> CountRecords() const;

  // Record index into buffer, and its bytes into raw when given. False, with
  // buffer and raw untouched, when the file has no whole record there.
  StoreResult<bool> ReadRecordAt(std::int64_t index, trans& buffer,
                                 RecordBytes* raw = nullptr) const;

  // The first record whose name equals name byte for byte, case-sensitive,
  // into buffer. When none matches, the result is false and buffer holds the
  // last record read (untouched when the file holds none). A name with no
  // 8-bit form matches nothing.
  StoreResult<bool> FindRecordByName(std::string_view name, trans& buffer) const;

  // Adds record after the last whole record and gives the new count. A text
  // that does not fit its field is refused before the file is opened.
  StoreResult<std::int64_t> AppendRecord(const trans& record) const;
  // As AppendRecord, but refused (NameTaken) when the file holds a record of
  // that name already, checked under the lock that the append holds.
  StoreResult<std::int64_t> AppendNewRecord(const trans& record) const;

  // Overwrites record index, which must exist. With shown (the bytes the
  // caller read there), nothing is written unless the record is still those
  // bytes: another program may have moved the records meanwhile (Changed).
  StoreResult<Done> WriteRecordAt(std::int64_t index, const trans& record,
                                  const RecordBytes* shown = nullptr) const;

  // Removes record index; the later records move up one place; shown as for
  // WriteRecordAt. The file is replaced by a new copy (see above), which needs
  // write access to the file and its folder.
  StoreResult<Done> DeleteRecordAt(std::int64_t index,
                                    const RecordBytes* shown = nullptr) const;

  // Reads every whole record under one lock and hands them to edit (an empty
  // file as holding the two default records, which it is seeded with). When
  // edit returns a list, the file is made to hold it, the trailing fragment
  // kept, and the result is true; nullopt writes nothing and gives false.
  // Appending or rewriting one record keeps the file; any other change
  // replaces it as DeleteRecordAt does. A failure leaves the file as it was.
  StoreResult<bool> Update(
      const std::function<std::optional<RecordList>(const RecordList&)>& edit) const;

  // The names of all records, in file order.
  StoreResult<std::vector<std::string>> ListRecordNames() const;

  // Look-ups for front ends that only read: they never create or change the
  // file (a missing file holds no records) and share the lock with other readers.
  StoreResult<std::int64_t> CountRecordsReadOnly() const;
  StoreResult<std::vector<std::string>> ListRecordNamesReadOnly() const;
  StoreResult<bool> FindRecordByNameReadOnly(std::string_view name, trans& buffer) const;
  StoreResult<RecordList> RecordsReadOnly() const;

  // The name a new copy of target has between being given a name and taking
  // target's: hidden, beside it, and the program's own, so that no user picks
  // it. Only a kill in that instant leaves a copy there; the next write under
  // the lock removes it, once it has made sure that it is such a copy.
  static std::string NewCopyName(const std::string& target);

 private:
  std::string path_;
};

}  // namespace kelvane
