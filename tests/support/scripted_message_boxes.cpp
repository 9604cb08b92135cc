#include "scripted_message_boxes.h"

#include <QStringList>
#include <QTest>

namespace kelvane::testing {

namespace {

MsgResult DefaultAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel: break;
  }
  return MsgResult::Cancel;
}

bool Offers(MsgButtons buttons, MsgResult result) {
  switch (buttons) {
    case MsgButtons::Ok: return result == MsgResult::Ok;
    case MsgButtons::OkCancel: return result == MsgResult::Ok || result == MsgResult::Cancel;
    case MsgButtons::YesNo: return result == MsgResult::Yes || result == MsgResult::No;
    case MsgButtons::YesNoCancel:
      return result == MsgResult::Yes || result == MsgResult::No || result == MsgResult::Cancel;
  }
  return false;
}

}  // namespace

ScriptedMessageBoxes::ScriptedMessageBoxes() { SetMessageBoxService(this); }

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
  if (&MessageBoxes() == this) SetMessageBoxService(nullptr);
}

void ScriptedMessageBoxes::answer(MsgResult result) { answers_.append(result); }

QStringList ScriptedMessageBoxes::texts() const {
  QStringList result;
  for (const Shown& s : shown_) result.append(s.text);
  return result;
}

MsgResult ScriptedMessageBoxes::show(QWidget* parent, const QString& text,
                                     const QString& caption, MsgButtons buttons,
                                     MsgIcon icon) {
  shown_.append(Shown{text, caption, caption.isEmpty() ? ApplicationName() : caption,
                      buttons, icon, parent});
  int chosen = 0;
  if (onShow) chosen = onShow(shown_.last());
  MsgResult result = DefaultAnswer(buttons);
  if (chosen != 0)
    result = static_cast<MsgResult>(chosen);
  else if (!answers_.isEmpty())
    result = answers_.takeFirst();
  if (!Offers(buttons, result)) {
    const QByteArray why = "scripted answer " + QByteArray::number(static_cast<int>(result)) +
                           " is not a button of the box \"" + text.toUtf8() + "\"";
    QTest::qFail(why.constData(), __FILE__, __LINE__);
    return DefaultAnswer(buttons);
  }
  return result;
}

}  // namespace kelvane::testing
