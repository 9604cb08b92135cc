// Every control of every window as a screen reader reads it, through Qt's
// accessibility interfaces, under a stand-in font wider than the one the layout
// was made for: no value field may show another number than it holds.

#include <QAccessible>
#include <QDir>
#include <QFontInfo>
#include <QLineEdit>
#include <QRadioButton>
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

QAccessibleInterface* A(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }

QImage LeftHalf(QWidget& w) {
  return w.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(0, 0, w.width() / 2, w.height());
}

// Roles and values of every control; the names of fields, buttons and toggles
// unique and without a closing colon (static texts are read as written). A value
// label too narrow for its text draws what a left-aligned label draws, a
// one-line entry shows its first character.
void CheckWindow(TemplateDialog& d) {
  QSet<QString> names;
  for (QWidget* w : d.controls()) {
    const QString where = QStringLiteral("%1 in %2").arg(d.controlId(w)).arg(d.dialogTemplate().id);
    QAccessibleInterface* a = A(w);
    if (qobject_cast<QRadioButton*>(w)) QCOMPARE(a->role(), QAccessible::RadioButton);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      QCOMPARE(a->text(QAccessible::Value), edit->text());
      edit->grab();  // a line edit scrolls to its cursor when it paints
      QVERIFY2(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() >= 0 &&
                   edit->cursorPosition() == 0, qPrintable(where));
    }
    if (auto* label = qobject_cast<ValueLabel*>(w)) {
      QCOMPARE(a->text(QAccessible::Value), label->text());
      QCOMPARE(a->textInterface()->text(0, a->textInterface()->characterCount()), label->text());
      if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width()) {
        QLabel reference(label->text());
        reference.setFont(label->font());
        reference.setFrameStyle(label->frameStyle());
        reference.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        reference.resize(label->size());
        QVERIFY2(LeftHalf(*label) == LeftHalf(reference), qPrintable(where));
      }
    }
    const res::ControlKind kind = d.controlTemplate(w)->kind;
    if (kind == res::ControlKind::Label || kind == res::ControlKind::GroupBox ||
        kind == res::ControlKind::Line)
      continue;
    const QString name = a->text(QAccessible::Name).trimmed();
    QVERIFY2(!name.isEmpty() && !name.endsWith(QLatin1Char(':')) && !names.contains(name),
             qPrintable(where + QStringLiteral(": ") + name));
    names.insert(name);
  }
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT
 private slots:
  void everyWindowUnderAStandInFont();
};

void AccessibilityTest::everyWindowUnderAStandInFont() {
  // Before any window resolves the template font, which Qt then caches.
  QFont::removeSubstitutions(QStringLiteral("MS Sans Serif"));
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
  QTemporaryDir dir;
  QVERIFY(QDir::setCurrent(dir.path()));  // the transceiver dialogs make their file here
  testing::ScriptedMessageBoxes boxes;
  CKelvaneDlg main;
  main.thankYouWindow = [](QWidget*) {};
  QCOMPARE(QFontInfo(main.font()).family(), QStringLiteral("DejaVu Sans"));
  main.show();
  qobject_cast<QLineEdit*>(main.control(kBaudEntry))->setText(QStringLiteral("500"));
  testing::Click(main, kCalculate);
  auto* fclk = qobject_cast<ValueLabel*>(main.control(kFclk));
  QVERIFY2(fclk->fontMetrics().horizontalAdvance(fclk->text()) > fclk->contentsRect().width(),
           "the stand-in font no longer makes the clock frequency too wide for its field");
  const struct {
    int id;
    const char* name;
    const char* value;
  } shown[] = {
      {kFclk, "Fclk (Clock Frequency)", "16000000.000000"},
      {kFclkMin, "Fclk (Clock Freq Min)", "15984000.000000"},
      {kRate, "Combination baud rate", "500.000000"},
      {kSjwBits, "SJW bits", "00"},
      {kSjwValue, "SJW", "1"},
      {kTestBtr1Entry, "BTR1 test value", "00"},
      {kBtr0List, "BTR0", "BTR0"},
  };
  for (const auto& s : shown) {
    QCOMPARE(A(main.control(s.id))->text(QAccessible::Name), QString::fromUtf8(s.name));
    QCOMPARE(A(main.control(s.id))->text(QAccessible::Value), QString::fromUtf8(s.value));
  }
  CheckWindow(main);

  PropagationSettings settings;
  CTransc selection(settings, &main);
  CheckWindow(selection);
  // Qt on Linux names a drop-down list by its entry and announces the label
  // related to it: here the group box titled over it.
  const auto labels = A(selection.control(res::selection_ids::kList))->relations(QAccessible::Label);
  QCOMPARE(labels.size(), 1);
  QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral(" Select the Transceiver "));

  CRest rules(QStringLiteral("11111111100"), &main);
  CNewTrans editor(&selection);
  CAboutDlg about(&main);
  CWerbung thanks(&main);
  for (TemplateDialog* d : std::initializer_list<TemplateDialog*>{&rules, &editor, &about, &thanks})
    CheckWindow(*d);
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
