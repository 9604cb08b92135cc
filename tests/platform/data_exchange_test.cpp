// The data-exchange helper: both directions, its failures with their exact texts,
// stopping at the first failure with the focus there.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "data_exchange.h"
#include "scripted_message_boxes.h"
#include "template_dialog.h"

using namespace kelvane;
namespace St = res::Style;
using K = res::ControlKind;

namespace {

constexpr res::ControlTemplate kControls[] = {
    {10, K::Edit, "", 5, 5, 60, 12, St::TabStop},
    {11, K::Edit, "", 5, 20, 60, 12, St::TabStop},
    {12, K::Edit, "", 5, 35, 60, 12, St::TabStop},
    {13, K::Edit, "", 5, 50, 60, 12, St::TabStop},
    {14, K::Edit, "", 5, 65, 60, 40, St::TabStop | St::Multiline},
    {20, K::ValueLabel, "template text", 80, 5, 60, 12, St::None},
    {30, K::CheckBox, "Option", 80, 20, 60, 10, St::TabStop},
    {31, K::RadioButton, "One", 80, 35, 60, 10, St::Group | St::TabStop},
    {32, K::RadioButton, "Two", 80, 50, 60, 10, St::None},
    {40, K::ListBox, "", 150, 5, 60, 50, St::TabStop},
    {41, K::DropDownList, "", 150, 60, 60, 50, St::TabStop},
    {1, K::DefPushButton, "OK", 150, 90, 40, 14, St::TabStop},
};
constexpr res::DialogTemplate kTemplate{600, 220, 110, "Exchange", "MS Sans Serif", 8, kControls};

QLineEdit* Edit(TemplateDialog& d, int id) { return d.controlAs<QLineEdit>(id); }

}  // namespace

class DataExchangeTest : public QObject {
  Q_OBJECT
 private slots:
  void leadingInteger_data();
  void leadingInteger();
  void towardsControls();
  void towardsMembers();
  void integerFailureStopsAtThatControl();
  void textLimit();
  void textLimitOfMultilineEntry();
  void customStepFails();
  void checksAndRadios();
  void listsAndDropDowns();
  void missingControlIsSkipped();
};

void DataExchangeTest::leadingInteger_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<int>("value");
  QTest::newRow("plain") << "42" << true << 42;
  QTest::newRow("blanks and sign") << " \t-17" << true << -17;
  QTest::newRow("plus") << "+5" << true << 5;
  QTest::newRow("trailing text ignored") << "12abc" << true << 12;
  QTest::newRow("decimal") << "2.5" << true << 2;
  QTest::newRow("int max") << "2147483647" << true << 2147483647;
  QTest::newRow("int min") << "-2147483648" << true << int(-2147483647 - 1);
  QTest::newRow("one past max") << "2147483648" << false << 0;
  QTest::newRow("one past min") << "-2147483649" << false << 0;
  QTest::newRow("huge") << "99999999999999999999999" << false << 0;
  QTest::newRow("empty") << "" << false << 0;
  QTest::newRow("blank") << "   " << false << 0;
  QTest::newRow("sign only") << "-" << false << 0;
  QTest::newRow("letters") << "abc" << false << 0;
  QTest::newRow("sign then blank") << "- 5" << false << 0;
  QTest::newRow("newline is not a blank") << "\n5" << false << 0;
  QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0663") << false << 0;
}

void DataExchangeTest::leadingInteger() {
  QFETCH(QString, text);
  QFETCH(bool, ok);
  QFETCH(int, value);
  const std::optional<int> read = LeadingInteger(text);
  QCOMPARE(read.has_value(), ok);
  if (ok) QCOMPARE(*read, value);
}

void DataExchangeTest::towardsControls() {
  testing::ScriptedMessageBoxes boxes;
  TemplateDialog dialog(kTemplate);
  QString a = QStringLiteral("0.0");
  QString label;
  int n = -12;
  QString lines = QStringLiteral("one\ntwo");
  DataExchange dx(dialog);
  dx.text(10, a).integer(11, n).text(20, label).text(14, lines);
  QVERIFY(dx.run(false));
  QCOMPARE(Edit(dialog, 10)->text(), QStringLiteral("0.0"));
  QCOMPARE(Edit(dialog, 11)->text(), QStringLiteral("-12"));
  QCOMPARE(dialog.controlAs<QLabel>(20)->text(), QString());  // template text replaced
  QCOMPARE(dialog.controlAs<QPlainTextEdit>(14)->toPlainText(), QStringLiteral("one\ntwo"));
  QVERIFY(boxes.shown().isEmpty());
}

void DataExchangeTest::towardsMembers() {
  testing::ScriptedMessageBoxes boxes;
  TemplateDialog dialog(kTemplate);
  Edit(dialog, 10)->setText(QStringLiteral("500"));
  Edit(dialog, 11)->setText(QStringLiteral(" 7 kbit"));
  dialog.controlAs<QLabel>(20)->setText(QStringLiteral("1.5"));
  QString a;
  QString label;
  int n = 0;
  DataExchange dx(dialog);
  dx.text(10, a).integer(11, n).text(20, label);
  QVERIFY(dx.run(true));
  QCOMPARE(a, QStringLiteral("500"));
  QCOMPARE(n, 7);
  QCOMPARE(label, QStringLiteral("1.5"));
  QVERIFY(boxes.shown().isEmpty());
}

void DataExchangeTest::integerFailureStopsAtThatControl() {
  testing::ScriptedMessageBoxes boxes;
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  Edit(dialog, 10)->setText(QStringLiteral("25"));
  Edit(dialog, 11)->setText(QStringLiteral("x25"));
  Edit(dialog, 12)->setText(QStringLiteral("30"));
  int first = 1;
  int second = 2;
  int third = 3;
  bool customRan = false;
  DataExchange dx(dialog);
  dx.integer(10, first).integer(11, second).integer(12, third).custom([&](bool) {
    customRan = true;
    return true;
  });
  QVERIFY(!dx.run(true));
  QCOMPARE(first, 25);   // read before the failure
  QCOMPARE(second, 2);   // the failing one keeps its value
  QCOMPARE(third, 3);    // and so do those after it
  QVERIFY(!customRan);
  QCOMPARE(boxes.shown().size(), 1);
  QCOMPARE(boxes.shown().at(0).text, QStringLiteral("Enter an integer."));
  QCOMPARE(boxes.shown().at(0).shownCaption, QStringLiteral("Kelvane"));
  QCOMPARE(boxes.shown().at(0).buttons, MsgButtons::Ok);
  QCOMPARE(boxes.shown().at(0).icon, MsgIcon::Warning);
  QCOMPARE(boxes.shown().at(0).parent.data(), &dialog);
  QCOMPARE(dialog.focusWidget(), Edit(dialog, 11));
  QCOMPARE(Edit(dialog, 11)->selectedText(), QStringLiteral("x25"));

  // Towards the controls nothing can fail.
  QVERIFY(dx.run(false));
  QCOMPARE(Edit(dialog, 11)->text(), QStringLiteral("2"));
  QVERIFY(customRan);
  QCOMPARE(boxes.shown().size(), 1);
}

void DataExchangeTest::textLimit() {
  testing::ScriptedMessageBoxes boxes;
  TemplateDialog dialog(kTemplate);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QString btr0 = QStringLiteral("1C");
  QString btr1 = QStringLiteral("ABC");  // too long already when the program sets it
  QString after = QStringLiteral("kept");
  DataExchange dx(dialog);
  dx.text(12, btr0, 2).text(13, btr1, 2).text(10, after);
  QVERIFY(dx.run(false));
  QCOMPARE(Edit(dialog, 12)->text(), QStringLiteral("1C"));
  QCOMPARE(Edit(dialog, 12)->maxLength(), 2);
  QCOMPARE(Edit(dialog, 13)->text(), QStringLiteral("ABC"));  // shown whole, not cut
  QCOMPARE(Edit(dialog, 10)->text(), QStringLiteral("kept"));

  Edit(dialog, 12)->setText(QStringLiteral("FF"));
  Edit(dialog, 10)->setText(QStringLiteral("changed"));
  QVERIFY(!dx.run(true));
  QCOMPARE(btr0, QStringLiteral("FF"));
  QCOMPARE(btr1, QStringLiteral("ABC"));
  QCOMPARE(after, QStringLiteral("kept"));
  QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Enter no more than 2 characters.")});
  QCOMPARE(boxes.shown().at(0).icon, MsgIcon::Warning);
  QCOMPARE(dialog.focusWidget(), Edit(dialog, 13));

  Edit(dialog, 13)->setText(QStringLiteral("0A"));
  QVERIFY(dx.run(true));
  QCOMPARE(btr1, QStringLiteral("0A"));
  QCOMPARE(after, QStringLiteral("changed"));
  QCOMPARE(Edit(dialog, 13)->maxLength(), 2);
  // With the limit in force, a longer member is still shown whole, not cut to fit.
  btr1 = QStringLiteral("12345");
  QVERIFY(dx.run(false));
  QCOMPARE(Edit(dialog, 13)->text(), QStringLiteral("12345"));
  QVERIFY(!dx.run(true));
  QCOMPARE(boxes.shown().size(), 2);
  QCOMPARE(btr1, QStringLiteral("12345"));
}

void DataExchangeTest::textLimitOfMultilineEntry() {
  testing::ScriptedMessageBoxes boxes;
  TemplateDialog dialog(kTemplate);
  QString description(201, QLatin1Char('d'));
  DataExchange dx(dialog);
  dx.text(14, description, 200);
  QVERIFY(dx.run(false));
  QCOMPARE(dialog.controlAs<QPlainTextEdit>(14)->toPlainText().size(), 201);
  QVERIFY(!dx.run(true));
  QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Enter no more than 200 characters.")});
  QCOMPARE(description.size(), 201);
  dialog.controlAs<QPlainTextEdit>(14)->setPlainText(QString(200, QLatin1Char('e')));
  QVERIFY(dx.run(true));
  QCOMPARE(description, QString(200, QLatin1Char('e')));
}

void DataExchangeTest::customStepFails() {
  testing::ScriptedMessageBoxes boxes;
  TemplateDialog dialog(kTemplate);
  QString before;
  QString after = QStringLiteral("old");
  QList<bool> directions;
  Edit(dialog, 10)->setText(QStringLiteral("new"));
  Edit(dialog, 12)->setText(QStringLiteral("new too"));
  DataExchange dx(dialog);
  dx.text(10, before)
      .custom([&](bool toMembers) {
        directions.append(toMembers);
        return !toMembers;
      })
      .text(12, after);
  QVERIFY(!dx.run(true));
  QCOMPARE(before, QStringLiteral("new"));
  QCOMPARE(after, QStringLiteral("old"));
  QVERIFY(dx.run(false));
  QCOMPARE(directions, (QList<bool>{true, false}));
  QVERIFY(boxes.shown().isEmpty());  // a custom step shows its own messages
}

void DataExchangeTest::checksAndRadios() {
  TemplateDialog dialog(kTemplate);
  int option = 1;
  int one = 1;
  int two = 0;
  DataExchange dx(dialog);
  dx.check(30, option).check(31, one).check(32, two);
  QVERIFY(dx.run(false));
  QVERIFY(dialog.controlAs<QCheckBox>(30)->isChecked());
  QVERIFY(dialog.controlAs<QRadioButton>(31)->isChecked());
  QVERIFY(!dialog.controlAs<QRadioButton>(32)->isChecked());
  // Unchecking every button of an exclusive group is possible from the program.
  option = 0;
  one = 0;
  QVERIFY(dx.run(false));
  QVERIFY(!dialog.controlAs<QCheckBox>(30)->isChecked());
  QVERIFY(!dialog.controlAs<QRadioButton>(31)->isChecked());
  QVERIFY(dialog.controlAs<QRadioButton>(31)->group()->exclusive());

  dialog.controlAs<QRadioButton>(32)->click();
  dialog.controlAs<QCheckBox>(30)->click();
  QVERIFY(dx.run(true));
  QCOMPARE(option, 1);
  QCOMPARE(one, 0);
  QCOMPARE(two, 1);
}

void DataExchangeTest::listsAndDropDowns() {
  TemplateDialog dialog(kTemplate);
  auto* list = dialog.controlAs<QListWidget>(40);
  list->addItems({QStringLiteral("1C"), QStringLiteral("2B"), QStringLiteral("2F")});
  auto* combo = dialog.controlAs<QComboBox>(41);
  combo->addItems({QStringLiteral("TJA1050"), QStringLiteral("PCA82C250")});
  QString listText;
  QString comboText;
  DataExchange dx(dialog);
  dx.text(40, listText).text(41, comboText);
  QVERIFY(dx.run(true));
  QCOMPARE(listText, QString());  // nothing selected
  QCOMPARE(comboText, QStringLiteral("TJA1050"));

  listText = QStringLiteral("2");
  comboText = QStringLiteral("pca");
  QVERIFY(dx.run(false));
  QCOMPARE(list->currentRow(), 1);  // the first entry beginning with the text
  QCOMPARE(combo->currentIndex(), 1);
  listText = QStringLiteral("ZZ");  // no entry: the selection stays
  QVERIFY(dx.run(false));
  QCOMPARE(list->currentRow(), 1);
  QVERIFY(dx.run(true));
  QCOMPARE(listText, QStringLiteral("2B"));
  QCOMPARE(comboText, QStringLiteral("PCA82C250"));
}

void DataExchangeTest::missingControlIsSkipped() {
  TemplateDialog dialog(kTemplate);
  QString text = QStringLiteral("x");
  int n = 5;
  int check = 1;
  DataExchange dx(dialog);
  dx.text(999, text).integer(998, n).check(997, check).text(996, text, 2);
  QVERIFY(dx.run(true));
  QVERIFY(dx.run(false));
  QCOMPARE(text, QStringLiteral("x"));
  QCOMPARE(n, 5);
}

QTEST_MAIN(DataExchangeTest)
#include "data_exchange_test.moc"
