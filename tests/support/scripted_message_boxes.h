#pragma once
// A message-box service for tests: records every box and answers it from a
// queue, without showing anything. Installs itself for its lifetime.

#include <QList>
#include <QString>
#include <functional>

#include "message_box.h"

namespace kelvane::testing {

class ScriptedMessageBoxes : public MessageBoxService {
 public:
  struct Shown {
    QString text;
    QString caption;  // as the program passed it (empty: none given)
    QString shownCaption;  // what the real box's title would be ("Kelvane" when none given)
    MsgButtons buttons;
    MsgIcon icon;
  };

  ScriptedMessageBoxes();
  ~ScriptedMessageBoxes() override;

  // Queue the answer for the next box. With the queue empty a box is answered
  // Ok (Ok boxes), Cancel (OkCancel, YesNoCancel) or No (YesNo).
  void answer(MsgResult result);
  // Called for every box before it is answered; may return an answer, overriding
  // the queue (return std::nullopt-like MsgResult{} = 0 to fall back to the queue).
  std::function<int(const Shown&)> onShow;

  const QList<Shown>& shown() const { return shown_; }
  void clear() { shown_.clear(); }

  MsgResult show(QWidget* parent, const QString& text, const QString& caption,
                 MsgButtons buttons, MsgIcon icon) override;

 private:
  QList<MsgResult> answers_;
  QList<Shown> shown_;
};

}  // namespace kelvane::testing
