#pragma once
// A QDialog built from a dialog template: every control created at its place
// (dialog units converted with the dialog font's base units), found by its id.

#include <QDialog>
#include <QHash>

#include "dialog_template.h"

class QMenuBar;

namespace kelvane {

// Dialog base units of a font as Windows computes them: the average width of
// "A".."Z" "a".."z" divided by 52 (rounded), and the font's height.
struct BaseUnits {
  int x = 6;
  int y = 12;
};

// The font that stands in for the template's font ("MS Sans Serif" 8).
QFont DialogFont(const res::DialogTemplate& t);
BaseUnits BaseUnitsOf(const QFont& font);
// Dialog units to pixels, rounded half away from zero as MulDiv does.
int DluToPixelsX(int dlu, const BaseUnits& units);
int DluToPixelsY(int dlu, const BaseUnits& units);

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

  // The area that holds the controls; its size is the template's size.
  QWidget* client() const { return client_; }

  // Puts a menu bar above the client area; the window grows by its height.
  void setMenuBar(QMenuBar* menuBar);

  const res::DialogTemplate& dialogTemplate() const { return template_; }
  BaseUnits baseUnits() const { return units_; }
  QRect dluRect(int x, int y, int w, int h) const;

 private:
  const res::DialogTemplate& template_;
  BaseUnits units_;
  QWidget* client_ = nullptr;
  QList<QWidget*> controls_;
  QHash<int, QWidget*> byId_;
};

}  // namespace kelvane
