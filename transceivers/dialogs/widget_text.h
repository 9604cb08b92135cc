#pragma once
// Reading and writing the text of an entry box, whichever widget stands for it.

#include <QString>

class QWidget;

namespace kelvane {

QString TextOf(const QWidget* box);
void SetTextOf(QWidget* box, const QString& text);

}  // namespace kelvane
