// Every control of every window as a screen reader reads it, through Qt's
// accessibility interfaces; and the value fields under a font other than the
// one the layout was made for.

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "about_dlg.h"
#include "click.h"
#include "dialog_102_ids.h"
#include "dialog_141_ids.h"
#include "kelvane_dlg.h"
#include "new_trans.h"
#include "rest.h"
#include "scripted_message_boxes.h"
#include "transc.h"
#include "value_label.h"
#include "werbung.h"

using namespace kelvane;
using namespace kelvane::res::main_ids;

namespace {

QAccessibleInterface* Accessible(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }
QString Name(QWidget* w) { return Accessible(w)->text(QAccessible::Name); }
QString Value(QWidget* w) { return Accessible(w)->text(QAccessible::Value); }

// Fields, buttons and toggles: a screen reader announces them by name, so each
// has one of its own; static texts and frames are read as they are written.
bool NamedByUs(QWidget* w) {
  const QAccessible::Role role = Accessible(w)->role();
  return role != QAccessible::Border && role != QAccessible::Grouping &&
         (role != QAccessible::StaticText || qobject_cast<ValueLabel*>(w)) &&
         !(role == QAccessible::Graphic && qobject_cast<QLabel*>(w)->pixmap().isNull());
}

void CheckWindow(TemplateDialog& d) {
  QSet<QString> names;
  for (QWidget* w : d.controls()) {
    const QString where = QStringLiteral("control %1 of %2").arg(d.controlId(w)).arg(d.dialogTemplate().id);
    QAccessibleInterface* a = Accessible(w);
    QVERIFY2(a && a->isValid(), qPrintable(where));
    if (qobject_cast<QRadioButton*>(w)) QCOMPARE(a->role(), QAccessible::RadioButton);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      QCOMPARE(a->role(), QAccessible::EditableText);
      QCOMPARE(a->text(QAccessible::Value), edit->text());
    }
    if (auto* label = qobject_cast<ValueLabel*>(w)) {
      QCOMPARE(a->role(), QAccessible::StaticText);
      QCOMPARE(a->text(QAccessible::Value), label->text());
      QVERIFY2(a->textInterface(), qPrintable(where));
      QCOMPARE(a->textInterface()->text(0, a->textInterface()->characterCount()), label->text());
    }
    if (!NamedByUs(w)) continue;
    const QString name = a->text(QAccessible::Name).trimmed();
    QVERIFY2(!name.isEmpty(), qPrintable(where));
    QVERIFY2(!name.endsWith(QLatin1Char(':')), qPrintable(where + QStringLiteral(": ") + name));
    QVERIFY2(!names.contains(name), qPrintable(where + QStringLiteral(" repeats ") + name));
    names.insert(name);
  }
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void everyWindowReadsWell();
  void valuesAreReadWholeAndShownFromTheirStart();

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<testing::ScriptedMessageBoxes> boxes_;
};

void AccessibilityTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(QDir::setCurrent(dir_->path()));  // the transceiver dialogs make their file here
  boxes_ = std::make_unique<testing::ScriptedMessageBoxes>();
}

void AccessibilityTest::cleanup() {
  boxes_.reset();
  dir_.reset();
}

void AccessibilityTest::everyWindowReadsWell() {
  CKelvaneDlg main;
  main.thankYouWindow = [](QWidget*) {};
  main.show();
  qobject_cast<QLineEdit*>(main.control(kBaudEntry))->setText(QStringLiteral("500"));
  testing::Click(main, kCalculate);
  CheckWindow(main);
  const struct {
    int id;
    const char* name;
    const char* value;
  } shown[] = {
      {kFclk, "Fclk (Clock Frequency)", "16000000.000000"},
      {kRate, "Combination baud rate", "500.000000"},
      {kTclk, "Tclk (Clock Period)", "62.500000"},
      {kSjwBits, "SJW bits", "00"},
      {kSjwValue, "SJW", "1"},
      {kTestBtr1Entry, "BTR1 test value", "00"},
      {kBtr0List, "BTR0", "BTR0"},
  };
  for (const auto& s : shown) {
    QCOMPARE(Name(main.control(s.id)), QString::fromUtf8(s.name));
    if (s.value) QCOMPARE(Value(main.control(s.id)), QString::fromUtf8(s.value));
  }

  CRest rules(QStringLiteral("11111111100"), &main);
  CheckWindow(rules);

  PropagationSettings settings;
  CTransc selection(settings, &main);
  CheckWindow(selection);
  // Qt on Linux names a drop-down list by its entry and announces the label
  // related to it: the group box titled over it.
  QWidget* list = selection.control(res::selection_ids::kList);
  QCOMPARE(Value(list), QStringLiteral("SELECT..."));
  const auto labels = Accessible(list)->relations(QAccessible::Label);
  QCOMPARE(labels.size(), 1);
  QCOMPARE(labels.first().first->text(QAccessible::Name).trimmed(), QStringLiteral("Select the Transceiver"));

  CNewTrans editor(&selection);
  CheckWindow(editor);
  CAboutDlg about(&main);
  CheckWindow(about);
  CWerbung thanks(&main);
  CheckWindow(thanks);
}

void AccessibilityTest::valuesAreReadWholeAndShownFromTheirStart() {
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
