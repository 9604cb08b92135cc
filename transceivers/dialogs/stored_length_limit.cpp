#include "stored_length_limit.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextEdit>
#include <algorithm>

#include "widget_text.h"

namespace kelvane {
namespace {

template <class Edit>
void RestoreText(Edit* edit, const QString& text, int changedBy) {
  QTextCursor cursor = edit->textCursor();
  const int position = std::clamp(cursor.position() - changedBy, 0, static_cast<int>(text.size()));
  {
    const QSignalBlocker blocker(edit);
    edit->setPlainText(text);
  }
  cursor = edit->textCursor();
  cursor.setPosition(position);
  edit->setTextCursor(cursor);
}

}  // namespace

StoredLengthLimit::StoredLengthLimit(QWidget* box, int limit,
                                     std::function<int(const QString&)> length,
                                     std::function<void()> onRefused)
    : QObject(box), box_(box), limit_(limit), length_(std::move(length)),
      onRefused_(std::move(onRefused)) {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
    connect(plain, &QPlainTextEdit::textChanged, this, &StoredLengthLimit::OnTextChanged);
  } else if (auto* rich = qobject_cast<QTextEdit*>(box)) {
    connect(rich, &QTextEdit::textChanged, this, &StoredLengthLimit::OnTextChanged);
  }
  Accept();
}

void StoredLengthLimit::Accept() { accepted_ = TextOf(box_); }

void StoredLengthLimit::Show(const QString& text) {
  accepted_ = text;
  SetTextOf(box_, text);
}

void StoredLengthLimit::OnTextChanged() {
  if (reverting_) return;
  const QString now = TextOf(box_);
  // A text that is already too long (one found in the file) may still shrink.
  const int length = length_(now);
  if (length <= limit_ || length <= length_(accepted_)) {
    accepted_ = now;
    return;
  }
  reverting_ = true;
  const int changedBy = static_cast<int>(now.size() - accepted_.size());
  if (auto* plain = qobject_cast<QPlainTextEdit*>(box_)) {
    RestoreText(plain, accepted_, changedBy);
  } else if (auto* rich = qobject_cast<QTextEdit*>(box_)) {
    RestoreText(rich, accepted_, changedBy);
  }
  reverting_ = false;
  if (onRefused_) onRefused_();
}

}  // namespace kelvane
