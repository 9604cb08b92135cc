#pragma once
// Reading and writing the text of an entry box, whichever widget stands for it.

#include <QString>

class QWidget;

namespace kelvane {

QString TextOf(const QWidget* box);
// Sets the text and, for a one-line box, shows its beginning: a number too
// long for a narrow box then keeps its leading digits in view.
void SetTextOf(QWidget* box, const QString& text);
void ShowStart(QWidget* box);

}  // namespace kelvane
