#pragma once
// Outcome of a transceiver-file operation: a value, or an error whose message
// is ready to be shown to the user as it stands.

#include <string>
#include <utility>
#include <variant>

namespace kelvane {

enum class StoreErrc {
  FileSystem,    // opening, locking, reading, writing, syncing or renaming failed
  InUse,         // another program holds the file's lock
  NotAFile,      // the name refers to a directory, device or pipe
  BadText,       // a text is too long for its field or has no 8-bit form
  NoSuchRecord,  // the index names no whole record of the file
  TooLarge,      // the file is, or would become, larger than any transceiver file may be
  Changed,       // the record shown is no longer the one at its place
  NameTaken,     // a record of the name to be added is in the file already
  NotRecords,    // the file does not look like a transceiver file: nothing is written to it
  CannotReplace  // a new copy could not keep what the file has (links, owner, attributes)
};

struct StoreError {
  StoreErrc code = StoreErrc::FileSystem;
  // One or two sentences naming the file; no caption needed.
  std::string message;
  // The system's error number behind a file-system failure, otherwise 0.
  int systemError = 0;
};

template <typename T>
class [[nodiscard]] StoreResult {
 public:
  StoreResult(T value) : state_(std::move(value)) {}
  StoreResult(StoreError error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  const T& value() const { return std::get<0>(state_); }
  T& value() { return std::get<0>(state_); }
  // Only when !ok().
  const StoreError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, StoreError> state_;
};

// For operations that return nothing but success.
struct Done {
  friend bool operator==(Done, Done) = default;
};

}  // namespace kelvane
