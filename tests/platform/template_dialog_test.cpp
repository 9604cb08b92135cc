// The builder against a template of every control kind: places, captions, kinds,
// styles, and the keyboard behaviour a dialog of the program relies on.

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "caption_check.h"
#include "dialog_100.h"
#include "dialog_102.h"
#include "dialog_137.h"
#include "dialog_141.h"
#include "dialog_143.h"
#include "dialog_144.h"
#include "template_dialog.h"

using namespace kelvane;
namespace St = res::Style;
using K = res::ControlKind;

namespace {

constexpr res::ControlTemplate kControls[] = {
    {1000, K::Edit, "", 84, 26, 50, 12, St::TabStop | St::AlignRight},
    {1001, K::Edit, "abc", 84, 42, 51, 12, St::TabStop | St::UpperCase},
    {1002, K::Edit, "", 106, 57, 29, 12, St::TabStop | St::DigitsOnly | St::AlignCenter},
    {1003, K::Edit, "", 10, 130, 60, 30, St::TabStop | St::Multiline | St::VScroll},
    {1004, K::Edit, "16", 10, 165, 40, 12, St::ReadOnly},
    {1010, K::DefPushButton, "Calculate", 38, 273, 44, 14, St::TabStop},
    {1011, K::PushButton, "Other", 89, 273, 44, 14, St::TabStop},
    {1012, K::PushButton, ">>>>>", 88, 259, 32, 10, St::Flat | St::TabStop | St::Hidden},
    {1020, K::RadioButton, "Fclk = Fosc", 12, 74, 50, 10, St::Group},
    {1021, K::RadioButton, "Fclk = Fosc /", 64, 74, 53, 10, St::Disabled},
    {1022, K::RadioButton, "Second group", 12, 88, 60, 10, St::Group | St::TabStop},
    {1023, K::RadioButton, "Second group too", 74, 88, 70, 10, St::None},
    {1030, K::CheckBox, "Optimize", 12, 103, 143, 10, St::TabStop | St::Disabled},
    {1040, K::ListBox, "", 8, 180, 74, 58, St::TabStop | St::Notify | St::VScroll},
    {1041, K::ListBox, "", 87, 180, 74, 58, St::TabStop | St::Sorted},
    {1050, K::DropDownList, "", 200, 20, 63, 30, St::TabStop | St::UpperCase},
    {1060, K::ProgressBar, "", 9, 245, 151, 11, St::None},
    {res::kNoId, K::Label, "Baud Rate:", 12, 45, 37, 8, St::None},
    {res::kNoId, K::Label, "BTR0:", 8, 177, 75, 12, St::Sunken | St::AlignCenter},
    {1070, K::ValueLabel, "", 273, 137, 46, 13, St::AlignRight},
    {res::kNoId, K::GroupBox, " Entries: ", 7, 18, 154, 98, St::None},
    {res::kNoId, K::Line, "", 169, 0, 1, 299, St::None},
    {res::kNoId, K::Line, "", 176, 69, 157, 1, St::None},
    {1080, K::Picture, "", 300, 250, 20, 20, St::None},
    {1080, K::Label, "same id, later", 300, 280, 50, 8, St::None},
};

constexpr res::DialogTemplate kTemplate{500, 346, 327, " Test Window ", "MS Sans Serif", 8,
                                        kControls};

}  // namespace

class TemplateDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void fontAndBaseUnits();
  void dluRounding_data();
  void dluRounding();
  void windowAndClientSize();
  void everyControlAtItsPlace();
  void kindsAndStyles();
  void radioGroups();
  void tabOrderFollowsTemplate();
  void enterPressesDefaultButton();
  void enterWithoutDefaultButton();
  void escapeRejects();
  void typedTextFilters();
  void pastedTextIsUpperCased();
  void digitsOnlyRefusesPastedNonDigits();
  void accessibleNamesComeFromTheLabels();
  void listKeepsItsChosenEntry();
  void textLimitBlocksTyping();
  void menuBarGrowsWindow();
  void captionsFit();
  void cleanup();
};

void TemplateDialogTest::fontAndBaseUnits() {
  const QFont font = DialogFont(kTemplate);
  QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
  QCOMPARE(font.pixelSize(), 11);  // 8 points at 96 dpi
  const BaseUnits units = BaseUnitsOf(font);
  QCOMPARE(units.x, 6);
  QCOMPARE(units.y, 12);
  // Repeated set-up must not stack substitutes.
  InstallFontSubstitutions();
  InstallFontSubstitutions();
  const QStringList substitutes = QFont::substitutes(QStringLiteral("MS Sans Serif"));
  QCOMPARE(substitutes.size(), 1);
  QCOMPARE(substitutes.at(0).toLower(), QStringLiteral("liberation sans"));
}

void TemplateDialogTest::dluRounding_data() {
  QTest::addColumn<int>("dlu");
  QTest::addColumn<int>("x");
  QTest::addColumn<int>("y");
  // x = dlu * 6 / 4, y = dlu * 12 / 8: halves round away from zero.
  QTest::newRow("0") << 0 << 0 << 0;
  QTest::newRow("1") << 1 << 2 << 2;
  QTest::newRow("2") << 2 << 3 << 3;
  QTest::newRow("3") << 3 << 5 << 5;
  QTest::newRow("343") << 343 << 515 << 515;
  QTest::newRow("179") << 179 << 269 << 269;
  QTest::newRow("-1") << -1 << -2 << -2;
  QTest::newRow("-3") << -3 << -5 << -5;
}

void TemplateDialogTest::dluRounding() {
  QFETCH(int, dlu);
  QFETCH(int, x);
  QFETCH(int, y);
  const BaseUnits units{6, 12};
  QCOMPARE(DluToPixelsX(dlu, units), x);
  QCOMPARE(DluToPixelsY(dlu, units), y);
  // Other base units: 7 x 13 gives 1.75 and 1.625 per unit.
  QCOMPARE(DluToPixelsX(4, BaseUnits{7, 13}), 7);
  QCOMPARE(DluToPixelsY(4, BaseUnits{7, 13}), 7);  // 6.5 rounds up
}

void TemplateDialogTest::windowAndClientSize() {
  TemplateDialog dialog(kTemplate);
  QCOMPARE(dialog.windowTitle(), QStringLiteral(" Test Window "));
  QCOMPARE(dialog.client()->size(), QSize(519, 491));
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(dialog.size(), QSize(519, 491));
  QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void TemplateDialogTest::everyControlAtItsPlace() {
  TemplateDialog dialog(kTemplate);
  QCOMPARE(dialog.controls().size(), qsizetype(std::size(kControls)));
  struct Place {
    int index;
    QRect rect;
  };
  // Pixel rectangles worked out by hand from the table above at 6 x 12 base units.
  const Place places[] = {
      {0, QRect(126, 39, 75, 18)},    // 1000
      {1, QRect(126, 63, 77, 18)},    // 1001: 51 * 1.5 = 76.5 -> 77
      {5, QRect(57, 410, 66, 21)},    // Calculate: 38 * 1.5 = 57, 273 * 1.5 = 409.5 -> 410
      {8, QRect(18, 111, 75, 15)},    // radio
      {13, QRect(12, 270, 111, 87)},  // list
      {16, QRect(14, 368, 227, 17)},  // progress: 9 * 1.5 = 13.5 -> 14, 151 * 1.5 = 226.5
      {17, QRect(18, 68, 56, 12)},    // "Baud Rate:"
      {20, QRect(11, 27, 231, 147)},  // group box
      {21, QRect(254, 0, 2, 449)},    // vertical line: 1 unit is 2 pixels
      {22, QRect(264, 104, 236, 2)},  // horizontal line
      {23, QRect(450, 375, 30, 30)},  // picture without an image keeps its rectangle
  };
  for (const Place& p : places) {
    QWidget* w = dialog.controls().at(p.index);
    QVERIFY2(w->geometry() == p.rect,
             qPrintable(QStringLiteral("control #%1 at %2,%3 %4x%5")
                            .arg(p.index)
                            .arg(w->x())
                            .arg(w->y())
                            .arg(w->width())
                            .arg(w->height())));
    QCOMPARE(w->parentWidget(), dialog.client());
  }
  // The drop-down list is as high as a closed box, whatever its template height.
  auto* combo = dialog.controlAs<QComboBox>(1050);
  QVERIFY(combo);
  QCOMPARE(combo->pos(), QPoint(300, 30));
  QCOMPARE(combo->width(), 95);
  QVERIFY(combo->height() < 45);
  // Several controls with one id: the first one in template order answers.
  QVERIFY(dialog.controlAs<QLabel>(1080));
  QCOMPARE(dialog.controlAs<QLabel>(1080)->text(), QString());
  QCOMPARE(dialog.controlId(dialog.controls().at(24)), 1080);
  QCOMPARE(dialog.controlId(dialog.controls().at(17)), res::kNoId);
  QCOMPARE(dialog.controlId(&dialog), res::kNoId);
  QVERIFY(dialog.control(4242) == nullptr);
  QVERIFY(dialog.controlAs<QPushButton>(1000) == nullptr);  // wrong kind asked
}

void TemplateDialogTest::kindsAndStyles() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));

  auto* right = dialog.controlAs<QLineEdit>(1000);
  QVERIFY(right);
  QVERIFY(right->alignment() & Qt::AlignRight);
  QVERIFY(!right->isReadOnly());
  QCOMPARE(dialog.controlAs<QLineEdit>(1001)->text(), QStringLiteral("abc"));
  QVERIFY(dialog.controlAs<QLineEdit>(1002)->alignment() & Qt::AlignHCenter);
  QVERIFY(dialog.controlAs<QPlainTextEdit>(1003));
  QVERIFY(dialog.controlAs<QLineEdit>(1004)->isReadOnly());
  QCOMPARE(dialog.controlAs<QLineEdit>(1004)->focusPolicy(), Qt::ClickFocus);

  auto* calculate = dialog.controlAs<QPushButton>(1010);
  QCOMPARE(calculate->text(), QStringLiteral("Calculate"));
  QVERIFY(calculate->isDefault());
  QVERIFY(!dialog.controlAs<QPushButton>(1011)->isDefault());
  auto* hidden = dialog.controlAs<QPushButton>(1012);
  QCOMPARE(hidden->text(), QStringLiteral(">>>>>"));
  QVERIFY(hidden->isFlat());
  QVERIFY(!hidden->isVisible());

  QCOMPARE(dialog.controlAs<QRadioButton>(1020)->text(), QStringLiteral("Fclk = Fosc"));
  QVERIFY(!dialog.controlAs<QRadioButton>(1021)->isEnabled());
  auto* check = dialog.controlAs<QCheckBox>(1030);
  QCOMPARE(check->text(), QStringLiteral("Optimize"));
  QVERIFY(!check->isEnabled());

  auto* list = dialog.controlAs<QListWidget>(1040);
  QVERIFY(list->uniformItemSizes());
  QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
  QVERIFY(!list->isSortingEnabled());
  list->addItems({QStringLiteral("B"), QStringLiteral("A")});
  QCOMPARE(list->item(0)->text(), QStringLiteral("B"));  // unsorted keeps the order
  auto* sorted = dialog.controlAs<QListWidget>(1041);
  sorted->addItems({QStringLiteral("B"), QStringLiteral("A")});
  QCOMPARE(sorted->item(0)->text(), QStringLiteral("A"));

  auto* combo = dialog.controlAs<QComboBox>(1050);
  QVERIFY(!combo->isEditable());
  combo->addItem(QStringLiteral("tja1050"));
  combo->addItems({QStringLiteral("Pca82c250"), QStringLiteral("X")});
  QCOMPARE(combo->itemText(0), QStringLiteral("TJA1050"));
  QCOMPARE(combo->itemText(1), QStringLiteral("PCA82C250"));

  auto* bar = dialog.controlAs<QProgressBar>(1060);
  QVERIFY(!bar->isTextVisible());
  QCOMPARE(bar->value(), 0);

  auto* baud = qobject_cast<QLabel*>(dialog.controls().at(17));
  QCOMPARE(baud->text(), QStringLiteral("Baud Rate:"));
  QCOMPARE(baud->frameShape(), QFrame::NoFrame);
  QCOMPARE(baud->focusPolicy(), Qt::NoFocus);
  auto* sunken = qobject_cast<QLabel*>(dialog.controls().at(18));
  QCOMPARE(sunken->text(), QStringLiteral("BTR0:"));
  QCOMPARE(sunken->frameShadow(), QFrame::Sunken);
  QVERIFY(sunken->alignment() & Qt::AlignHCenter);
  auto* value = dialog.controlAs<QLabel>(1070);
  QCOMPARE(value->frameShadow(), QFrame::Sunken);
  QVERIFY(value->alignment() & Qt::AlignRight);

  auto* group = qobject_cast<QGroupBox*>(dialog.controls().at(20));
  QCOMPARE(group->title(), QStringLiteral(" Entries: "));
  // The group box lies behind the entries it frames, so clicks reach them.
  QCOMPARE(dialog.client()->childAt(right->geometry().center()), right);

  auto* vertical = qobject_cast<QFrame*>(dialog.controls().at(21));
  QCOMPARE(vertical->frameShape(), QFrame::VLine);
  QCOMPARE(vertical->frameShadow(), QFrame::Sunken);
  QCOMPARE(qobject_cast<QFrame*>(dialog.controls().at(22))->frameShape(), QFrame::HLine);
}

void TemplateDialogTest::radioGroups() {
  TemplateDialog dialog(kTemplate);
  auto* a = dialog.controlAs<QRadioButton>(1020);
  auto* b = dialog.controlAs<QRadioButton>(1021);
  auto* c = dialog.controlAs<QRadioButton>(1022);
  auto* d = dialog.controlAs<QRadioButton>(1023);
  QVERIFY(a->group() && a->group() == b->group());
  QVERIFY(c->group() && c->group() == d->group());
  QVERIFY(a->group() != c->group());
  a->setChecked(true);
  c->setChecked(true);
  b->setChecked(true);
  QVERIFY(!a->isChecked());
  QVERIFY(c->isChecked());  // the other group is untouched
  d->click();
  QVERIFY(!c->isChecked());
  QVERIFY(b->isChecked());
}

void TemplateDialogTest::tabOrderFollowsTemplate() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  dialog.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  dialog.controlAs<QLineEdit>(1000)->setFocus();
  QList<int> visited;
  for (int i = 0; i < 9; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.append(dialog.controlId(QApplication::focusWidget()));
  }
  // Tab skips controls without a tab stop (1004, 1020), disabled (1030) and hidden
  // ones (1012); the second radio group is entered at its checked button or first.
  const QList<int> expected{1001, 1002, 1003, 1010, 1011, 1022, 1040, 1041, 1050};
  QCOMPARE(visited, expected);
}

void TemplateDialogTest::enterPressesDefaultButton() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy calculate(dialog.controlAs<QPushButton>(1010), &QPushButton::clicked);
  QSignalSpy other(dialog.controlAs<QPushButton>(1011), &QPushButton::clicked);
  auto* edit = dialog.controlAs<QLineEdit>(1000);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Return);
  QCOMPARE(calculate.count(), 1);
  QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(calculate.count(), 2);
  // In a multi-line entry without "Enter starts a new line" Enter goes to the dialog too.
  auto* multi = dialog.controlAs<QPlainTextEdit>(1003);
  multi->setFocus();
  QTest::keyClick(multi, Qt::Key_Return);
  QCOMPARE(calculate.count(), 3);
  QCOMPARE(multi->toPlainText(), QString());
  QCOMPARE(other.count(), 0);
  QVERIFY(dialog.isVisible());  // pressing the default button does not end the dialog
}

void TemplateDialogTest::enterWithoutDefaultButton() {
  // Without a default button Enter acts as OK: the button with id 1, else accept().
  static constexpr res::ControlTemplate withOk[] = {
      {1100, K::Edit, "", 5, 5, 40, 12, St::TabStop},
      {1, K::PushButton, "OK", 50, 5, 40, 14, St::TabStop},
  };
  static constexpr res::DialogTemplate okTemplate{501, 100, 30, "t", "MS Sans Serif", 8, withOk};
  TemplateDialog dialog(okTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy ok(dialog.controlAs<QPushButton>(1), &QPushButton::clicked);
  dialog.controlAs<QLineEdit>(1100)->setFocus();
  QTest::keyClick(dialog.controlAs<QLineEdit>(1100), Qt::Key_Return);
  QCOMPARE(ok.count(), 1);

  static constexpr res::ControlTemplate bare[] = {
      {1100, K::Edit, "", 5, 5, 40, 12, St::TabStop},
  };
  static constexpr res::DialogTemplate bareTemplate{502, 100, 30, "t", "MS Sans Serif", 8, bare};
  TemplateDialog plain(bareTemplate);
  plain.show();
  QVERIFY(QTest::qWaitForWindowExposed(&plain));
  plain.controlAs<QLineEdit>(1100)->setFocus();
  QTest::keyClick(plain.controlAs<QLineEdit>(1100), Qt::Key_Return);
  QCOMPARE(plain.result(), int(QDialog::Accepted));
  QVERIFY(!plain.isVisible());
}

void TemplateDialogTest::escapeRejects() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy calculate(dialog.controlAs<QPushButton>(1010), &QPushButton::clicked);
  dialog.controlAs<QLineEdit>(1000)->setFocus();
  QTest::keyClick(dialog.controlAs<QLineEdit>(1000), Qt::Key_Escape);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QVERIFY(!dialog.isVisible());
  QCOMPARE(calculate.count(), 0);
}

void TemplateDialogTest::typedTextFilters() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* upper = dialog.controlAs<QLineEdit>(1001);
  upper->clear();
  upper->setFocus();
  QTest::keyClicks(upper, QStringLiteral("a1b-c"));
  QCOMPARE(upper->text(), QStringLiteral("A1B-C"));

  auto* digits = dialog.controlAs<QLineEdit>(1002);
  digits->setFocus();
  QTest::keyClicks(digits, QStringLiteral("1a2.3 -4"));
  QCOMPARE(digits->text(), QStringLiteral("1234"));
  QTest::keyClick(digits, Qt::Key_Backspace);
  QCOMPARE(digits->text(), QStringLiteral("123"));
  // The program may still put any text there, and typing goes on after it.
  digits->setText(QStringLiteral("16.5"));
  digits->end(false);
  QTest::keyClicks(digits, QStringLiteral("x7"));
  QCOMPARE(digits->text(), QStringLiteral("16.57"));

  auto* plainEdit = dialog.controlAs<QLineEdit>(1000);
  plainEdit->setFocus();
  QTest::keyClicks(plainEdit, QStringLiteral("ab 1.5"));
  QCOMPARE(plainEdit->text(), QStringLiteral("ab 1.5"));
}

void TemplateDialogTest::pastedTextIsUpperCased() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* upper = dialog.controlAs<QLineEdit>(1001);
  upper->clear();
  upper->setFocus();
  QApplication::clipboard()->setText(QStringLiteral("1c"));
  QTest::keyClick(upper, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(upper->text(), QStringLiteral("1C"));
  QCOMPARE(upper->cursorPosition(), 2);
  // One character for one, and no capital the 8-bit texts cannot hold.
  upper->clear();
  QApplication::clipboard()->setText(QString::fromUtf8("stra\u00dfe \u00b5s \u00e9\u00ff"));
  QTest::keyClick(upper, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(upper->text(), QString::fromUtf8("STRA\u00dfE \u00b5S \u00c9\u0178"));
  upper->clear();
  for (const QChar ch : QString::fromUtf8("\u00b5\u00df\u00e4")) {
    // QTest::keyClicks takes Latin-1 letters only as key codes; send the text itself.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(upper, &press);
  }
  QCOMPARE(upper->text(), QString::fromUtf8("\u00b5\u00df\u00c4"));
  // Text the program sets is left as it is.
  upper->setText(QStringLiteral("ab"));
  QCOMPARE(upper->text(), QStringLiteral("ab"));
}

void TemplateDialogTest::digitsOnlyRefusesPastedNonDigits() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* digits = dialog.controlAs<QLineEdit>(1002);
  digits->setFocus();
  QTest::keyClicks(digits, QStringLiteral("7"));
  QApplication::clipboard()->setText(QStringLiteral("abc12"));
  QTest::keyClick(digits, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(digits->text(), QStringLiteral("7"));
  // A text the program put there stays, and digits still join it at either end.
  digits->setText(QStringLiteral("16.5"));
  digits->end(false);
  QApplication::clipboard()->setText(QStringLiteral("9"));
  QTest::keyClick(digits, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(digits->text(), QStringLiteral("16.59"));
  digits->home(false);
  QTest::keyClick(digits, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(digits->text(), QStringLiteral("916.59"));
}

void TemplateDialogTest::accessibleNamesComeFromTheLabels() {
  struct Case {
    const res::DialogTemplate& t;
    int id;
    const char* name;
  };
  const Case cases[] = {
      {res::kDialog102, 1000, "Baud Rate"},       // label on the left, colon left out
      {res::kDialog102, 1022, "BTR0:"},           // label below, as written
      {res::kDialog102, 1039, "Sample Point"},
      {res::kDialog102, 1006, "SJW"},             // head of its column
      {res::kDialog102, 1024, "Progress"},        // group box title
      {res::Dialog143(), 1067, "tonTXD Nom."},    // row and column of a grid
  };
  for (const Case& c : cases) {
    TemplateDialog dialog(c.t);
    QCOMPARE(dialog.control(c.id)->accessibleName(), QString::fromUtf8(c.name));
  }
  // Every entry, list, check box and output field of the program has a name.
  for (const res::DialogTemplate* t : {&res::Dialog100(), &res::kDialog102, &res::Dialog137(),
                                       &res::Dialog141(), &res::Dialog143(), &res::Dialog144()}) {
    TemplateDialog dialog(*t);
    for (QWidget* w : dialog.controls()) {
      const bool named = qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                         qobject_cast<QListWidget*>(w) || qobject_cast<QCheckBox*>(w) ||
                         qobject_cast<QComboBox*>(w) ||
                         dialog.controlTemplate(w)->kind == K::ValueLabel;
      QVERIFY2(!named || !w->accessibleName().isEmpty(),
               qPrintable(QStringLiteral("%1 in %2").arg(dialog.controlId(w)).arg(t->id)));
    }
  }
}

void TemplateDialogTest::listKeepsItsChosenEntry() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* list = dialog.controlAs<QListWidget>(1040);
  list->addItems({QStringLiteral("00"), QStringLiteral("40"), QStringLiteral("01")});
  list->setCurrentRow(1);
  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
  QCOMPARE(list->currentRow(), 1);
  QCOMPARE(list->selectedItems().size(), 1);
  QVERIFY(list->item(1)->isSelected());
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
  QVERIFY(list->item(1)->isSelected());
}

void TemplateDialogTest::textLimitBlocksTyping() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* edit = dialog.controlAs<QLineEdit>(1000);
  dialog.setTextLimit(1000, 2);
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("ABC"));
  QCOMPARE(edit->text(), QStringLiteral("AB"));
  // A longer text set by the program stays whole; typing more is refused, deleting
  // is not.
  dialog.setLimitedText(1000, QStringLiteral("ABCD"), 2);
  QCOMPARE(edit->text(), QStringLiteral("ABCD"));
  edit->end(false);
  QTest::keyClicks(edit, QStringLiteral("E"));
  QCOMPARE(edit->text(), QStringLiteral("ABCD"));
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QCOMPARE(edit->text(), QStringLiteral("AB"));
  QTest::keyClicks(edit, QStringLiteral("E"));
  QCOMPARE(edit->text(), QStringLiteral("AB"));
  // Once the text fits, the limit holds for pasting as well.
  dialog.setLimitedText(1000, QStringLiteral("A"), 2);
  edit->end(false);
  edit->insert(QStringLiteral("XYZ"));
  QCOMPARE(edit->text(), QStringLiteral("AX"));

  auto* multi = dialog.controlAs<QPlainTextEdit>(1003);
  dialog.setTextLimit(1003, 3);
  multi->setFocus();
  QTest::keyClicks(multi, QStringLiteral("wxyz"));
  QCOMPARE(multi->toPlainText(), QStringLiteral("wxy"));
  multi->selectAll();
  QTest::keyClicks(multi, QStringLiteral("q"));  // typing over a selection replaces it
  QCOMPARE(multi->toPlainText(), QStringLiteral("q"));
}

void TemplateDialogTest::menuBarGrowsWindow() {
  TemplateDialog dialog(kTemplate);
  auto* bar = new QMenuBar;
  bar->addMenu(QStringLiteral("&File"));
  dialog.setMenuBar(bar);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(dialog.client()->size(), QSize(519, 491));
  QVERIFY(bar->height() > 0);
  QCOMPARE(dialog.height(), 491 + bar->height());
  QCOMPARE(dialog.client()->y(), bar->height());
}

void TemplateDialogTest::captionsFit() {
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  const QStringList clipped = testing::ClippedCaptions(dialog);
  QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
  // The check notices a caption that does not fit.
  qobject_cast<QLabel*>(dialog.controls().at(17))->setText(QStringLiteral("Baud Rate in kbit/s:"));
  QCOMPARE(testing::ClippedCaptions(dialog).size(), 1);
  QVERIFY(testing::ClippedCaptions(dialog).at(0).contains(QStringLiteral("Baud Rate in kbit/s:")));
  dialog.controlAs<QPushButton>(1011)->setText(QStringLiteral("A much longer caption"));
  QCOMPARE(testing::ClippedCaptions(dialog).size(), 2);
}

void TemplateDialogTest::cleanup() {
  QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
          std::none_of(QApplication::topLevelWidgets().cbegin(),
                       QApplication::topLevelWidgets().cend(),
                       [](QWidget* w) { return w->isVisible(); }));
}

QTEST_MAIN(TemplateDialogTest)
#include "template_dialog_test.moc"
