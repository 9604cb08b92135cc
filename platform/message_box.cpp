#include "message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace kelvane {

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

class RealMessageBoxes : public MessageBoxService {
 public:
  MsgResult show(QWidget* parent, const QString& text, const QString& caption,
                 MsgButtons buttons, MsgIcon icon) override {
    QMessageBox box(ToQtIcon(icon), caption.isEmpty() ? ApplicationName() : caption, text,
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    struct Choice {
      QMessageBox::StandardButton button;
      MsgResult result;
    };
    std::vector<Choice> choices;
    switch (buttons) {
      case MsgButtons::Ok:
        choices = {{QMessageBox::Ok, MsgResult::Ok}};
        break;
      case MsgButtons::OkCancel:
        choices = {{QMessageBox::Ok, MsgResult::Ok}, {QMessageBox::Cancel, MsgResult::Cancel}};
        break;
      case MsgButtons::YesNo:
        choices = {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
        break;
      case MsgButtons::YesNoCancel:
        choices = {{QMessageBox::Yes, MsgResult::Yes},
                   {QMessageBox::No, MsgResult::No},
                   {QMessageBox::Cancel, MsgResult::Cancel}};
        break;
    }
    for (const Choice& choice : choices) box.addButton(choice.button);
    // The first button is the default one, as in the boxes the texts were written for.
    box.setDefaultButton(choices.front().button);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    for (const Choice& choice : choices) {
      if (clicked && clicked == box.button(choice.button)) return choice.result;
    }
    // Closed without a button (only possible where an escape button exists).
    return buttons == MsgButtons::Ok ? MsgResult::Ok
           : buttons == MsgButtons::YesNo ? MsgResult::No
                                           : MsgResult::Cancel;
  }
};

RealMessageBoxes& Real() {
  static RealMessageBoxes real;
  return real;
}

MessageBoxService* g_installed = nullptr;

}  // namespace

QString ApplicationName() { return QStringLiteral("Kelvane"); }

MessageBoxService& MessageBoxes() {
  return g_installed ? *g_installed : static_cast<MessageBoxService&>(Real());
}

void SetMessageBoxService(MessageBoxService* service) { g_installed = service; }

MsgResult ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                      MsgButtons buttons, MsgIcon icon) {
  return MessageBoxes().show(parent, text, caption, buttons, icon);
}

}  // namespace kelvane
