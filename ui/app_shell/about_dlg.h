#pragma once
// The About box: program, version, legal notice and the maker's contacts, with
// the web page and the support mail as buttons.

#include "template_dialog.h"

class QLabel;
class QPixmap;

namespace kelvane {

class CAboutDlg : public TemplateDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

 public slots:
  void OpenWebPage();
  void OpenSupportMail();

 private:
  QLabel* picture_ = nullptr;  // kIconPicture, an empty picture
  QLabel* logo_ = nullptr;     // kLogo, the maker's logo
};

}  // namespace kelvane
