#pragma once
// Opening a web or mailto: address with the user's default handler. Results follow
// the platform the program came from: above 32 is success, else an error code.

#include <QString>

namespace kelvane {

inline constexpr long kShellErrFileNotFound = 2;  // not an address at all
inline constexpr long kShellErrNoAssoc = 31;  // nothing is associated with the address
inline constexpr long kShellOpened = 42;      // any value above 32 means success

class ShellService {
 public:
  virtual ~ShellService() = default;
  virtual long open(const QString& address) = 0;
};

// The real service. It hands the address to the desktop's launcher (xdg-open,
// looked up on PATH) and waits up to waitMs for its verdict: the launcher ends
// with a non-zero status when no program handles the address, which is reported
// as kShellErrNoAssoc, as is a missing launcher. A launcher still running after
// waitMs has started a program that is still working (some launchers wait for
// the browser to end), which counts as success.
class DesktopShell : public ShellService {
 public:
  explicit DesktopShell(int waitMs = 3000) : waitMs_(waitMs) {}
  long open(const QString& address) override;

 private:
  int waitMs_;
};

ShellService& Shell();
// Installs service (not owned); nullptr restores the real one.
void SetShellService(ShellService* service);

}  // namespace kelvane
