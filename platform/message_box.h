#pragma once
// Every message box and question of the program goes through one service, so
// that tests can replace it by a scripted one that records and answers boxes.

#include <QString>

class QWidget;

namespace kelvane {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
// Values as the platform the program came from numbers them.
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // caption empty: the application's name ("Kelvane").
  virtual MsgResult show(QWidget* parent, const QString& text, const QString& caption,
                         MsgButtons buttons, MsgIcon icon) = 0;
};

// The name boxes without a caption of their own carry: "Kelvane".
QString ApplicationName();

// The service in use; the real one (QMessageBox) unless a test installed another.
MessageBoxService& MessageBoxes();
// Installs service (not owned); nullptr restores the real one.
void SetMessageBoxService(MessageBoxService* service);

// Shorthand for the common cases.
MsgResult ShowMessage(QWidget* parent, const QString& text, const QString& caption = {},
                      MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None);

}  // namespace kelvane
