#include "message_box.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
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

// The window a box belongs to, as the user sees it: its parent's window, or,
// while that is not shown yet (a dialog reporting from its initialisation), the
// nearest shown window that owns it, over which it will appear.
QWidget* ShownOwner(QWidget* parent) {
  QWidget* owner = parent ? parent->window() : nullptr;
  while (owner && !owner->isVisible() && owner->parentWidget())
    owner = owner->parentWidget()->window();
  return owner && owner->isVisible() ? owner : nullptr;
}

// Centred over its owner window, within the owner's screen.
class CentredMessageBox : public QMessageBox {
 public:
  CentredMessageBox(Icon icon, const QString& caption, const QString& text, QWidget* parent)
      : QMessageBox(icon, caption, text, NoButton, parent), owner_(ShownOwner(parent)) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);  // sizes the box
    if (!owner_ || event->spontaneous()) return;
    QRect frame = frameGeometry();
    frame.moveCenter(owner_->frameGeometry().center());
    if (const QScreen* screen = owner_->screen()) {
      const QRect room = screen->availableGeometry();
      frame.moveLeft(std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width())));
      frame.moveTop(std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height())));
    }
    move(frame.topLeft());
  }

 private:
  QPointer<QWidget> owner_;
};

class RealMessageBoxes : public MessageBoxService {
 public:
  MsgResult show(QWidget* parent, const QString& text, const QString& caption,
                 MsgButtons buttons, MsgIcon icon) override {
    CentredMessageBox box(ToQtIcon(icon), caption.isEmpty() ? ApplicationName() : caption, text,
                          parent);
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
