#include "caption_check.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextLayout>
#include <QtMath>

#include "template_dialog.h"

namespace kelvane::testing {

namespace {

// A mnemonic marker takes no room.
QString Shown(const QString& caption) {
  QString text = caption;
  text.replace(QLatin1String("&&"), QLatin1String("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return text;
}

// Width of the widest line and height of all lines of text set in font, wrapped
// at word boundaries to wrapWidth (no wrapping when negative).
QSize LaidOut(const QString& text, const QFont& font, int wrapWidth) {
  const QFontMetrics metrics(font);
  int widest = 0;
  int lines = 0;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, font);
    QTextOption option;
    option.setWrapMode(wrapWidth < 0 ? QTextOption::NoWrap : QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(wrapWidth < 0 ? 1e6 : wrapWidth);
      widest = qMax(widest, qCeil(line.naturalTextWidth()));
      ++lines;
    }
    layout.endLayout();
  }
  return QSize(widest, lines * metrics.height());
}

QString Describe(const TemplateDialog& dialog, const QWidget* w, const QString& text,
                 QSize needed, QSize available) {
  return QStringLiteral("control %1 \"%2\": needs %3x%4, has %5x%6")
      .arg(dialog.controlId(w))
      .arg(text)
      .arg(needed.width())
      .arg(needed.height())
      .arg(available.width())
      .arg(available.height());
}

}  // namespace

QStringList ClippedCaptions(const TemplateDialog& dialog) {
  QStringList clipped;
  for (const QWidget* w : dialog.controls()) {
    const QFontMetrics metrics(w->font());
    QSize needed;
    QSize available;
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w)) {
      text = label->text();
      if (text.isEmpty() || !label->pixmap().isNull()) continue;
      const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                        -label->margin(), -label->margin());
      needed = LaidOut(text, label->font(), label->wordWrap() ? room.width() : -1);
      available = room.size();
    } else if (auto* button = qobject_cast<const QPushButton*>(w)) {
      text = Shown(button->text());
      if (text.isEmpty()) continue;
      // Room inside the frame that the style draws around the text.
      const int frame = button->isFlat() ? 1 : 2;
      needed = QSize(metrics.horizontalAdvance(text), metrics.height());
      available = QSize(button->width() - 2 * frame, button->height());
    } else if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
      auto* button = static_cast<const QAbstractButton*>(w);
      text = Shown(button->text());
      if (text.isEmpty()) continue;
      const bool check = qobject_cast<const QCheckBox*>(w) != nullptr;
      const QStyle* style = w->style();
      const int indicator =
          style->pixelMetric(check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth,
                             nullptr, w) +
          style->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing
                                   : QStyle::PM_RadioButtonLabelSpacing,
                             nullptr, w);
      needed = QSize(indicator + metrics.horizontalAdvance(text), metrics.height());
      available = w->size();
    } else if (auto* group = qobject_cast<const QGroupBox*>(w)) {
      text = Shown(group->title());
      if (text.isEmpty()) continue;
      needed = QSize(metrics.horizontalAdvance(text) + 8, metrics.height());
      available = w->size();
    } else {
      continue;
    }
    if (needed.width() > available.width() || needed.height() > available.height())
      clipped.append(Describe(dialog, w, text, needed, available));
  }
  return clipped;
}

}  // namespace kelvane::testing
