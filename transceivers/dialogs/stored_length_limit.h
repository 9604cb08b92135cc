#pragma once
// Keeps a multi-line box within a number of characters counted as the file
// stores them (a line break takes two). An edit that would pass the limit is
// undone and the callback is told, so nothing is ever cut without the user knowing.

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace kelvane {

class StoredLengthLimit : public QObject {
  Q_OBJECT
 public:
  // box: a QPlainTextEdit or QTextEdit. length(text) gives the stored length.
  StoredLengthLimit(QWidget* box, int limit, std::function<int(const QString&)> length,
                    std::function<void()> onRefused);

  // Call after the program itself has set the box's text.
  void Accept();
  // Puts the program's own text into the box whole, even one past the limit;
  // the user may then shorten it but not lengthen it.
  void Show(const QString& text);

 private:
  void OnTextChanged();

  QWidget* box_;
  int limit_;
  std::function<int(const QString&)> length_;
  std::function<void()> onRefused_;
  QString accepted_;
  bool reverting_ = false;
};

}  // namespace kelvane
