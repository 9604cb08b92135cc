#pragma once
// A seam in the store's file operations through which tests make them fail
// as a full disk, a failing disk, a kill or another program would. The
// programs never install a hook; the store is then unaffected.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace kelvane {

enum class FileStep {
  Opened,   // the file is open but not yet locked (nothing can fail here)
  Read,     // a read of the data file or of a new copy of it
  Write,    // a write to the data file or to a new copy of it
  Flush,    // the data is forced to the disk
  Replace,  // a complete new copy takes the file's name
};

struct FileStepInfo {
  FileStep step;
  const std::string &path;  // the file the store was asked to use
  bool copy;                // the step concerns the new copy, not the file itself
  std::int64_t offset;      // Read and Write
  std::size_t size;         // Read and Write
};

struct FileFault {
  // Read: at most this many bytes arrive, as at the end of the file.
  // Write: this many bytes are written, then the write fails.
  std::size_t bytes = std::numeric_limits<std::size_t>::max();
  // The system error the step fails with; 0 lets it succeed (a Write cut
  // short fails with EIO when no error is given).
  int error = 0;
};

using FileFaultHook = std::function<FileFault(const FileStepInfo &)>;

// Installs hook for every later file step of this process; an empty hook
// removes it. Not for use while another thread works on the store.
void SetFileFaultHook(FileFaultHook hook);

// What the installed hook says of a step; no fault without a hook.
FileFault FaultFor(const FileStepInfo &info);

}  // namespace kelvane
