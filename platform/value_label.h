#pragma once
// A static text that shows a value the window computed (a sunken output field).

#include <QLabel>

namespace kelvane {

// Too narrow for its text (a font wider than the layout was made for), it shows
// the text's start, as the one-line entries do, so that no leading digit is
// hidden; otherwise it draws like any QLabel. Screen readers get the caption's
// name and the whole text as the value.
class ValueLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ValueLabel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int indentPixels() const;
};

}  // namespace kelvane
