#pragma once
// Opening a web or mailto: address with the user's default handler. Results follow
// the platform the program came from: above 32 is success, else an error code.

#include <QString>

namespace kelvane {

inline constexpr long kShellErrNoAssoc = 31;  // nothing is associated with the address

class ShellService {
 public:
  virtual ~ShellService() = default;
  virtual long open(const QString& address) = 0;
};

ShellService& Shell();
// Installs service (not owned); nullptr restores the real one.
void SetShellService(ShellService* service);

}  // namespace kelvane
