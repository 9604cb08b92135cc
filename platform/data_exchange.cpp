#include "data_exchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <limits>

#include "message_box.h"
#include "template_dialog.h"

namespace kelvane {

namespace {

QString ControlText(QWidget* w) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item->text() : QString();
  }
  return w->windowTitle();
}

void SetControlText(QWidget* w, const QString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(text);
    edit->setCursorPosition(0);  // a box too narrow keeps its leading digits in view
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(text);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    const int index = combo->findText(text, Qt::MatchStartsWith);
    if (index >= 0) combo->setCurrentIndex(index);
  } else if (auto* list = qobject_cast<QListWidget*>(w)) {
    for (int row = 0; row < list->count(); ++row) {
      if (list->item(row)->text().startsWith(text, Qt::CaseInsensitive)) {
        list->setCurrentRow(row);
        break;
      }
    }
  } else {
    w->setWindowTitle(text);
  }
}

}  // namespace

std::optional<int> LeadingInteger(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  const qsizetype firstDigit = i;
  long long value = 0;
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
  while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
    value = value * 10 + (text[i].unicode() - '0');
    if (value > kLimit) return std::nullopt;
    ++i;
  }
  if (i == firstDigit) return std::nullopt;
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(value);
}

void DataExchange::FocusFailed(QWidget* control) {
  if (!control) return;
  control->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) plain->selectAll();
}

DataExchange& DataExchange::text(int id, QString& member) {
  bindings_.push_back({[this, id, &member](bool toMembers) {
    QWidget* w = dialog_.control(id);
    if (!w) return true;
    if (toMembers)
      member = ControlText(w);
    else
      SetControlText(w, member);
    return true;
  }});
  return *this;
}

DataExchange& DataExchange::text(int id, QString& member, int maxChars) {
  bindings_.push_back({[this, id, &member, maxChars](bool toMembers) {
    QWidget* w = dialog_.control(id);
    if (!w) return true;
    if (toMembers) {
      const QString value = ControlText(w);
      if (value.size() > maxChars) {
        ShowMessage(&dialog_,
                    QStringLiteral("Enter no more than %1 characters.").arg(maxChars), {},
                    MsgButtons::Ok, MsgIcon::Warning);
        FocusFailed(w);
        return false;
      }
      member = value;
      dialog_.setTextLimit(id, maxChars);
    } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
      dialog_.setLimitedText(id, member, maxChars);
    } else {
      SetControlText(w, member);
    }
    return true;
  }});
  return *this;
}

DataExchange& DataExchange::integer(int id, int& member) {
  bindings_.push_back({[this, id, &member](bool toMembers) {
    QWidget* w = dialog_.control(id);
    if (!w) return true;
    if (!toMembers) {
      SetControlText(w, QString::number(member));
      return true;
    }
    const std::optional<int> value = LeadingInteger(ControlText(w));
    if (!value) {
      ShowMessage(&dialog_, QStringLiteral("Enter an integer."), {}, MsgButtons::Ok,
                  MsgIcon::Warning);
      FocusFailed(w);
      return false;
    }
    member = *value;
    return true;
  }});
  return *this;
}

DataExchange& DataExchange::check(int id, int& member) {
  bindings_.push_back({[this, id, &member](bool toMembers) {
    auto* button = dialog_.controlAs<QAbstractButton>(id);
    if (!button) return true;
    auto* box = qobject_cast<QCheckBox*>(button);
    if (toMembers) {
      if (box)
        member = box->checkState() == Qt::PartiallyChecked ? 2 : (box->isChecked() ? 1 : 0);
      else
        member = button->isChecked() ? 1 : 0;
      return true;
    }
    if (box && member == 2 && box->isTristate()) {
      box->setCheckState(Qt::PartiallyChecked);
      return true;
    }
    const bool checked = member != 0;
    QButtonGroup* group = button->group();
    // An exclusive group refuses to uncheck its checked button.
    if (group && group->exclusive() && !checked) {
      group->setExclusive(false);
      button->setChecked(false);
      group->setExclusive(true);
    } else {
      button->setChecked(checked);
    }
    return true;
  }});
  return *this;
}

DataExchange& DataExchange::custom(std::function<bool(bool toMembers)> step) {
  bindings_.push_back({std::move(step)});
  return *this;
}

bool DataExchange::run(bool toMembers) {
  for (const Binding& binding : bindings_) {
    if (!binding.exchange(toMembers)) return false;
  }
  return true;
}

}  // namespace kelvane
