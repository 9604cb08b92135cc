#pragma once
// The ordered transfer between a dialog's controls and its members, in either
// direction; towards the members it stops at the first failing binding with
// the focus on that control ("Enter an integer.", "Enter no more than %1 characters.").

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace kelvane {

class TemplateDialog;

// Reads a decimal integer from the start of text: optional blanks (space, tab),
// an optional sign, then at least one digit; what follows is ignored. No value
// when the text does not begin so or the number does not fit an int.
std::optional<int> LeadingInteger(const QString& text);

class DataExchange {
 public:
  explicit DataExchange(TemplateDialog& dialog) : dialog_(dialog) {}

  // Bindings, in the order they are exchanged. A binding to an id the dialog
  // does not have is skipped.
  // Text of an edit, label, button, or the current text of a list/drop-down list
  // (towards a list the first entry beginning with the text, ignoring case, is
  // selected; no entry begins so: the selection is left as it is).
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

  // Runs every binding in order. Returns false when one failed (the built-in
  // bindings fail only towards the members); the bindings after it are not run.
  bool run(bool toMembers);

  // Puts the keyboard focus on a control after a failed check, selecting an
  // edit's whole text so that the user can type over it.
  static void FocusFailed(QWidget* control);

 private:
  struct Binding {
    std::function<bool(bool toMembers)> exchange;
  };
  TemplateDialog& dialog_;
  std::vector<Binding> bindings_;
};

}  // namespace kelvane
