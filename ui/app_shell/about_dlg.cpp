#include "about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialog_100.h"
#include "links.h"

namespace kelvane {

namespace {
constexpr int kIdPicture = 1121;
constexpr int kIdLogo = 1116;
constexpr int kIdWebButton = 1119;
constexpr int kIdMailButton = 1120;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(res::Dialog100(), parent) {
  picture_ = controlAs<QLabel>(kIdPicture);
  logo_ = controlAs<QLabel>(kIdLogo);
  if (auto* web = controlAs<QPushButton>(kIdWebButton))
    connect(web, &QPushButton::clicked, this, &CAboutDlg::OpenWebPage);
  if (auto* mail = controlAs<QPushButton>(kIdMailButton))
    connect(mail, &QPushButton::clicked, this, &CAboutDlg::OpenSupportMail);
  if (auto* ok = controlAs<QPushButton>(1)) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
  }
}

void CAboutDlg::OpenWebPage() { kelvane::OpenWebPage(this); }

void CAboutDlg::OpenSupportMail() { kelvane::OpenSupportMail(this); }

}  // namespace kelvane
