#pragma once
// While a search runs on the window's thread, user input must not reach the
// program: the guard drops it, except a right-button press, which it records
// so that the search can ask whether to stop.

#include <QObject>

namespace kelvane::ui {

class SearchInputGuard : public QObject {
  Q_OBJECT
 public:
  // Filters the whole application's input from construction to destruction.
  SearchInputGuard();
  ~SearchInputGuard() override;

  // True once a right-button press came since the last call; clears the record.
  bool takeRightPress();
  // While suspended (a question box of the search is open) input passes.
  void setSuspended(bool suspended) { suspended_ = suspended; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool rightPress_ = false;
  bool suspended_ = false;
};

}  // namespace kelvane::ui
