#include "about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialog_100.h"
#include "dialog_100_ids.h"
#include "links.h"

namespace kelvane {

using namespace res::about_ids;

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(res::Dialog100(), parent) {
  picture_ = controlAs<QLabel>(kIconPicture);
  logo_ = controlAs<QLabel>(kLogo);
  if (auto* web = controlAs<QPushButton>(kWebButton))
    connect(web, &QPushButton::clicked, this, &CAboutDlg::OpenWebPage);
  if (auto* mail = controlAs<QPushButton>(kMailButton))
    connect(mail, &QPushButton::clicked, this, &CAboutDlg::OpenSupportMail);
  if (auto* ok = controlAs<QPushButton>(kOk)) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
  }
}

void CAboutDlg::OpenWebPage() { kelvane::OpenWebPage(this); }

void CAboutDlg::OpenSupportMail() { kelvane::OpenSupportMail(this); }

}  // namespace kelvane
