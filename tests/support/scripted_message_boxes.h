#pragma once
// A message-box service for tests: records every box and answers it from a
// queue, without showing anything. Installs itself for its lifetime.

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
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
    QPointer<QWidget> parent;  // the window the box was shown for
  };

  ScriptedMessageBoxes();
  ~ScriptedMessageBoxes() override;

  // Queue the answer for the next box. With the queue empty a box is answered
  // Ok (Ok boxes), Cancel (OkCancel, YesNoCancel) or No (YesNo). An answer that is
  // not one of the box's buttons fails the running test (and the box gets the
  // default answer), so a box of the wrong kind cannot pass unnoticed.
  void answer(MsgResult result);
  // Called for every box before it is answered (the box is already in shown()); it
  // may return an answer as int(MsgResult::...), overriding the queue, or 0 to fall
  // back to the queue. It may also act on the program, e.g. close a window.
  std::function<int(const Shown&)> onShow;

  const QList<Shown>& shown() const { return shown_; }
  // The texts of the boxes shown so far, in order.
  QStringList texts() const;
  // Answers queued but not used yet.
  qsizetype pendingAnswers() const { return answers_.size(); }
  void clear() { shown_.clear(); }

  MsgResult show(QWidget* parent, const QString& text, const QString& caption,
                 MsgButtons buttons, MsgIcon icon) override;

 private:
  QList<MsgResult> answers_;
  QList<Shown> shown_;
};

}  // namespace kelvane::testing
