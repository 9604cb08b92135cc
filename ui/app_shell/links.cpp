#include "links.h"

#include <QWidget>

#include "message_box.h"
#include "shell.h"

namespace kelvane {

namespace {

void OpenAddress(QWidget* window, const QString& address) {
  const long result = Shell().open(address);
  if (result > 32) {
    if (window) window->update();
    return;
  }
  // One call with both arguments, so that a '%' in the address is not read as a marker.
  ShowMessage(window,
              QStringLiteral("(Error %1) Bad Link or the address changed %2\n")
                  .arg(QString::number(result), address),
              {}, MsgButtons::Ok, MsgIcon::Warning);
}

}  // namespace

void OpenWebPage(QWidget* window) { OpenAddress(window, QString::fromLatin1(kWebPageAddress)); }

void OpenSupportMail(QWidget* window) {
  OpenAddress(window, QString::fromLatin1(kSupportMailAddress));
}

}  // namespace kelvane
