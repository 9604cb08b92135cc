#pragma once
// The ordered transfer between a dialog's controls and its members, in either
// direction; towards the members it stops at the first failing binding with
// the focus on that control ("Enter an integer.", "Enter no more than %1 characters.").

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace kelvane {

class TemplateDialog;

class DataExchange {
 public:
  explicit DataExchange(TemplateDialog& dialog) : dialog_(dialog) {}

  // Bindings, in the order they are exchanged.
  // Text of an edit, label, button, or the current text of a list/drop-down list.
  DataExchange& text(int id, QString& member);
  // Text with a limit: the control's limit is set in both directions; towards
  // the members a longer text shows "Enter no more than %1 characters."
  DataExchange& text(int id, QString& member, int maxChars);
  // "%d" towards the control; towards the members "Enter an integer." unless the
  // control's text begins with an integer.
  DataExchange& integer(int id, int& member);
  // A check box's or radio button's state as 0/1.
  DataExchange& check(int id, int& member);
  // Custom step: gets the direction (true: towards the members); returning false
  // stops the exchange with failure (it shows its own message, if any, and sets focus).
  DataExchange& custom(std::function<bool(bool toMembers)> step);

  // Runs every binding in order. Returns false when one failed towards the members.
  bool run(bool toMembers);

 private:
  struct Binding {
    std::function<bool(bool toMembers)> exchange;
  };
  TemplateDialog& dialog_;
  std::vector<Binding> bindings_;
};

}  // namespace kelvane
