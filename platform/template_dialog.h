#pragma once
// A QDialog built from a dialog template: every control created at its place
// (dialog units converted with the dialog font's base units), found by its id.

#include <QDialog>
#include <QHash>

#include "dialog_template.h"

class QButtonGroup;
class QFontMetrics;
class QMenuBar;
class QVBoxLayout;

namespace kelvane {

// Dialog base units of a font as Windows computes them: the average width of
// "A".."Z" "a".."z" divided by 52 (rounded), and the font's height.
struct BaseUnits {
  int x = 6;
  int y = 12;
};

// Makes "MS Sans Serif" resolve to Liberation Sans; DialogFont calls it, so it
// is in force before any template font is built. Safe to call repeatedly.
void InstallFontSubstitutions();

// The font that stands in for the template's font ("MS Sans Serif" 8): Liberation
// Sans, its point size turned into pixels at 96 dpi as the templates were laid out
// for, narrowed to 94 % so that captions take the room they were given.
QFont DialogFont(const res::DialogTemplate& t);
BaseUnits BaseUnitsOf(const QFont& font);
// Dialog units to pixels, rounded half away from zero as MulDiv does.
int DluToPixelsX(int dlu, const BaseUnits& units);
int DluToPixelsY(int dlu, const BaseUnits& units);

// How far below a group box's top edge its frame's top line is drawn: half the
// caption's height, so that the caption sits on the line and the box's rectangle
// stays the frame's rectangle. The line is two pixels thick (shadow, then light).
int GroupBoxFrameTop(const QFontMetrics& metrics);

// Keyboard behaviour of the controls:
// - Enter presses the default push button (DefPushButton); with none, a focused push
//   button; with neither, the OK push button (res::kIdOk) if there is one, else accept().
// - Escape and the close box call reject().
// - Tab order is template order; controls without Style::TabStop are skipped by Tab
//   but can still be clicked.
// - Radio buttons form exclusive groups; Style::Group on any control starts a new one.
// - Edits: UpperCase turns typed letters to upper case, DigitsOnly refuses typed
//   characters other than digits; a drop-down list with UpperCase shows its entries
//   in upper case.
// Upper case as upper-case entries and lists show it: character by character,
// keeping characters whose capital the program's 8-bit texts cannot hold.
QString UpperCaseText(const QString& text);

class TemplateDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TemplateDialog(const res::DialogTemplate& t, QWidget* parent = nullptr);

  // The control created for id, or nullptr. For several controls with the same
  // id the first one in template order.
  QWidget* control(int id) const;
  template <class T>
  T* controlAs(int id) const { return qobject_cast<T*>(control(id)); }

  // Every control in template order, including those without an identifier.
  const QList<QWidget*>& controls() const { return controls_; }
  // The identifier of a control of this dialog (res::kNoId when it has none or is
  // not a control of this dialog).
  int controlId(const QWidget* control) const;
  // The template entry a control was built from, or nullptr.
  const res::ControlTemplate* controlTemplate(const QWidget* control) const;

  // The area that holds the controls; its size is the template's size.
  QWidget* client() const { return client_; }

  // Puts a menu bar above the client area; the window grows by its height.
  void setMenuBar(QMenuBar* menuBar);

  const res::DialogTemplate& dialogTemplate() const { return template_; }
  BaseUnits baseUnits() const { return units_; }
  QRect dluRect(int x, int y, int w, int h) const;

  // Limits what can be typed or pasted into the edit id to maxChars characters; a
  // longer text already there stays whole (typing is then refused until it is short
  // enough). Note that QLineEdit::setText cuts a text to a limit in force; use
  // setLimitedText to put a text that may be longer. DataExchange uses both.
  void setTextLimit(int id, int maxChars);
  void setLimitedText(int id, const QString& text, int maxChars);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* createControl(const res::ControlTemplate& c, int index);
  void pressDefaultButton();

  const res::DialogTemplate& template_;
  BaseUnits units_;
  QVBoxLayout* layout_ = nullptr;
  QWidget* client_ = nullptr;
  QList<QWidget*> controls_;
  QHash<int, QWidget*> byId_;
  QHash<const QWidget*, int> indexOf_;  // control -> its index in the template
  QHash<const QWidget*, int> textLimit_;
  QButtonGroup* radioGroup_ = nullptr;  // the group new radio buttons join
};

}  // namespace kelvane
