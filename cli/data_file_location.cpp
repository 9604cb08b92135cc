#include "data_file_location.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "transceiver_store.h"

namespace kelvane::cli {

std::string UserDataFolder() {
  // The XDG rule: a relative XDG_DATA_HOME is invalid and ignored.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return {};
    base = std::string(home) + "/.local/share";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return (base == "/" ? std::string() : base) + "/kelvane";
}

std::string DataFilePath(const std::optional<std::string>& explicitPath) {
  if (explicitPath) return *explicitPath;
  struct stat st {};
  // lstat would miss a symbolic link to a file kept elsewhere.
  if (::stat(kDataFileName, &st) == 0) return kDataFileName;
  const std::string folder = UserDataFolder();
  if (folder.empty()) return kDataFileName;
  return folder + "/" + kDataFileName;
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

std::string MissingDataFileMessage(const std::string& fullPath,
                                   const std::optional<std::string>& explicitPath) {
  std::string message = "cannot read \"" + fullPath + "\": there is no such file";
  // Without a per-user folder the file tried is the working directory's: named once.
  if (!explicitPath && FullPath(kDataFileName) != fullPath)
    message += " (nor \"" + FullPath(kDataFileName) + "\"; --data-file names another)";
  return message;
}

}  // namespace kelvane::cli
