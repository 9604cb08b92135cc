#pragma once
// The thank-you window: a picture with a Close button, shown modally by the
// main window at start, after calculations and tests, and when it closes.

#include "template_dialog.h"

namespace kelvane {

class CWerbung : public TemplateDialog {
  Q_OBJECT
 public:
  explicit CWerbung(QWidget* parent = nullptr);

  // "Close", Enter, Escape and the close box all end the window the same way.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
};

// Shows a CWerbung modally and returns when the user has closed it. owner, when
// given, is the window it belongs to: it is kept above it, but centred on the
// screen like a window without a parent.
void ShowWerbung(QWidget* owner = nullptr);

}  // namespace kelvane
