#pragma once
// The maker's web page and support mail, opened with the user's default programs.

#include <QString>

class QWidget;

namespace kelvane {

inline constexpr char kWebPageAddress[] = "https://www.orvena.example/";
inline constexpr char kSupportMailAddress[] = "mailto:support@orvena.example";

// Hand the address to the shell service on behalf of window. On success the
// window is repainted; on failure a message box owned by window shows
// "(Error <code>) Bad Link or the address changed <address>\n".
void OpenWebPage(QWidget* window);
void OpenSupportMail(QWidget* window);

}  // namespace kelvane
