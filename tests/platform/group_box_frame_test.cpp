// Group boxes: the frame's top line runs through the caption, half its height below
// the box's top edge, and in none of the program's dialogs does it cross a control
// placed inside or below the box. Also: the main window's captions can be read whole.

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QTest>

#include "caption_check.h"
#include "dialog_102.h"
#include "dialog_137.h"
#include "dialog_141.h"
#include "dialog_143.h"
#include "template_dialog.h"

using namespace kelvane;
namespace St = res::Style;
using K = res::ControlKind;

namespace {

constexpr res::ControlTemplate kControls[] = {
    {res::kNoId, K::GroupBox, " Standard Restrictions ", 7, 7, 202, 40, St::None},
    {1000, K::CheckBox, "Rule 1", 14, 17, 150, 10, St::TabStop},
};
constexpr res::DialogTemplate kTemplate{600, 220, 60, " Frame ", "MS Sans Serif", 8, kControls};

// The first row, from the top, in which column x of image differs from background.
int FirstMarkedRow(const QImage& image, int x, QRgb background) {
  for (int y = 0; y < image.height(); ++y) {
    if (image.pixel(x, y) != background) return y;
  }
  return -1;
}

QGroupBox* FirstGroupBox(const TemplateDialog& dialog) {
  for (QWidget* w : dialog.controls()) {
    if (auto* box = qobject_cast<QGroupBox*>(w)) return box;
  }
  return nullptr;
}

}  // namespace

class GroupBoxFrameTest : public QObject {
  Q_OBJECT
 private slots:
  void lineRunsThroughCaption();
  void lineCrossesNoControl_data();
  void lineCrossesNoControl();
  void mainWindowCaptionsFit();
};

void GroupBoxFrameTest::lineRunsThroughCaption() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QGroupBox* box = FirstGroupBox(dialog);
  QVERIFY(box);
  const QFontMetrics metrics(box->font());
  const int top = GroupBoxFrameTop(metrics);
  // Half the caption's height: the caption is centred on the line.
  QCOMPARE(top, metrics.height() / 2);
  QVERIFY(top > 0);

  const QImage image = box->grab().toImage();
  const QRgb background = image.pixel(image.width() / 2, image.height() / 2);
  // Right of the caption the first thing drawn from the top is the line, where the
  // function says; the frame's sides reach the box's own edges.
  QCOMPARE(FirstMarkedRow(image, image.width() - 20, background), top);
  QVERIFY(image.pixel(image.width() - 20, top + 1) != background);
  QVERIFY(image.pixel(0, image.height() / 2) != background);
  QVERIFY(image.pixel(image.width() - 1, image.height() / 2) != background);
  QVERIFY(image.pixel(image.width() / 2, image.height() - 1) != background);
  // The caption sits on the line: its letters have ink above the line and below it.
  const int captionLeft = metrics.averageCharWidth() + 1;
  const int captionRight = captionLeft + metrics.horizontalAdvance(box->title());
  bool above = false;
  bool below = false;
  for (int x = captionLeft; x < captionRight; ++x) {
    for (int y = 0; y < top; ++y) above = above || image.pixel(x, y) != background;
    for (int y = top + 2; y < metrics.height(); ++y) below = below || image.pixel(x, y) != background;
  }
  QVERIFY(above);
  QVERIFY(below);

  // The check box below the caption starts under the line (the rule dialog's case).
  auto* check = dialog.controlAs<QCheckBox>(1000);
  QVERIFY(check);
  QVERIFY(box->y() + top + 1 < check->y());
}

void GroupBoxFrameTest::lineCrossesNoControl_data() {
  QTest::addColumn<const res::DialogTemplate*>("dialogTemplate");
  QTest::newRow("main") << &res::kDialog102;
  QTest::newRow("rules") << &res::Dialog137();
  QTest::newRow("transceiver selection") << &res::Dialog141();
  QTest::newRow("transceiver editor") << &res::Dialog143();
}

void GroupBoxFrameTest::lineCrossesNoControl() {
  QFETCH(const res::DialogTemplate*, dialogTemplate);
  TemplateDialog dialog(*dialogTemplate);
  QStringList crossed;
  int boxes = 0;
  for (QWidget* box : dialog.controls()) {
    if (!qobject_cast<QGroupBox*>(box)) continue;
    ++boxes;
    const int lineTop = box->y() + GroupBoxFrameTop(QFontMetrics(box->font()));
    const int lineBottom = lineTop + 1;  // shadow and light
    for (QWidget* w : dialog.controls()) {
      if (w == box || qobject_cast<QGroupBox*>(w)) continue;
      const res::ControlTemplate* c = dialog.controlTemplate(w);
      if (c->style & St::Hidden) continue;
      const QRect r = w->geometry();
      const bool overlapsHorizontally = r.left() <= box->geometry().right() &&
                                        r.right() >= box->geometry().left();
      // Controls the template puts inside or below the box, not those it lets
      // reach down into the box from above.
      if (!overlapsHorizontally || r.top() < box->y()) continue;
      if (r.top() <= lineBottom && r.bottom() >= lineTop)
        crossed << QStringLiteral("%1 (%2) at y %3, line of \"%4\" at y %5")
                       .arg(QString::fromUtf8(c->caption))
                       .arg(c->id)
                       .arg(r.top())
                       .arg(QString::fromUtf8(dialog.controlTemplate(box)->caption))
                       .arg(lineTop);
    }
  }
  QVERIFY2(crossed.isEmpty(), qPrintable(crossed.join(QLatin1Char('\n'))));
  QVERIFY(boxes > 0);
}

// The other dialogs' captions are checked with their classes; the main window's
// template is checked here, with its group box titles.
void GroupBoxFrameTest::mainWindowCaptionsFit() {
  TemplateDialog dialog(res::kDialog102);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  const QStringList clipped = testing::ClippedCaptions(dialog);
  QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

QTEST_MAIN(GroupBoxFrameTest)
#include "group_box_frame_test.moc"
