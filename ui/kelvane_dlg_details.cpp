// The details panel: the two result lists kept in step, the selected pair
// explained, and the register test.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QSignalBlocker>

#include "calculation_request.h"
#include "kelvane_dlg.h"
#include "message_box.h"
#include "register_test.h"
#include "text_forms.h"

using namespace kelvane;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Selects row in list without a notification, as a program's selection does.
void SelectQuietly(QListWidget* list, int row) {
  if (row < 0 || row >= list->count() || list->currentRow() == row) return;
  const QSignalBlocker quiet(list);
  list->setCurrentRow(row);
}

}  // namespace

void CKelvaneDlg::ConnectPairCopy() {
  // A row of either list is half of a pair; copying it whole, as the test
  // entries take it ("41 1C"), keeps a reader from pasting a wrong half.
  for (QListWidget* list : {list0(), list1()}) {
    auto* copy = new QAction(list);
    copy->setShortcuts(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] {
      const QListWidgetItem* item0 = list0()->currentItem();
      const QListWidgetItem* item1 = list1()->currentItem();
      if (!item0 || !item1) return;
      QGuiApplication::clipboard()->setText(item0->text() + QLatin1Char(' ') + item1->text());
    });
  }
}

void CKelvaneDlg::OnSelchangeBtr0() {
  SelectQuietly(list1(), list0()->currentRow());
  ShowSelectedCombination();
}

void CKelvaneDlg::OnSelchangeBtr1() {
  SelectQuietly(list0(), list1()->currentRow());
  ShowSelectedCombination();
}

void CKelvaneDlg::ShowSelectedCombination() {
  const QListWidgetItem* item0 = list0()->currentItem();
  const QListWidgetItem* item1 = list1()->currentItem();
  if (!item0 || !item1) return;  // nothing selected: nothing to explain
  const std::string b0 = HexToBinary(item0->text().toStdString());
  const std::string b1 = HexToBinary(item1->text().toStdString());
  sjwBits_ = Q(b0.substr(0, 2));
  brpBits_ = Q(b0.substr(std::min<std::size_t>(2, b0.size()), 6));
  samBits_ = Q(b1.substr(0, 1));
  tseg2Bits_ = Q(b1.substr(std::min<std::size_t>(1, b1.size()), 3));
  tseg1Bits_ = Q(b1.substr(std::min<std::size_t>(4, b1.size()), 4));
  ShowCombinationDetails(b0, b1);
}

void CKelvaneDlg::ShowFieldTexts(const CombinationFieldTexts& f) {
  sjwBits_ = Q(f.sjwBits);
  brpBits_ = Q(f.brpBits);
  samBits_ = Q(f.samBit);
  tseg2Bits_ = Q(f.tseg2Bits);
  tseg1Bits_ = Q(f.tseg1Bits);
  sjwValue_ = Q(f.sjw);
  brpValue_ = Q(f.brp);
  samValue_ = Q(f.sam);
  tseg2Value_ = Q(f.tseg2);
  tseg1Value_ = Q(f.tseg1);
  nbt_ = Q(f.nbt);
  samplePoint_ = Q(f.samplePoint);
  bitTime_ = Q(f.bitDuration);
  quantum_ = Q(f.timeQuantum);
  rate_ = Q(f.baudRate);
}

void CKelvaneDlg::ShowCombinationDetails(const std::string& btr0Bits, const std::string& btr1Bits) {
  const CombinationDetails d =
      ComputeDetailsFromBinary(btr0Bits, btr1Bits, list0()->currentRow(), tclk_, fclk_, propagation_);
  ShowFieldTexts(d.fields);
  tsclShown_ = d.timeQuantum;
  if (d.newPropDelay) propagation_.propDelay = *d.newPropDelay;
  prop_ = Q(d.prop);
  current_ = d.current;
  UpdateData(false);
}

void CKelvaneDlg::OnTest() {
  if (!UpdateData(true)) {
    // The refused entry has said why, except the divider, which speaks here as
    // it does for "Calculate"; a test from half-read entries would mislead.
    if (dividerInvalid_) {
      dividerInvalid_ = false;
      ShowMessage(this, QString::fromUtf8(kDividerMessage));
    }
    return;
  }
  if (testInvalid_) {
    ShowMessage(this, QString::fromUtf8(kTestRefusedMessage));
    return;
  }
  const RegisterTestResult r =
      RunRegisterTest(test0_.toStdString(), test1_.toStdString(), oscText_.toStdString());
  fclk_ = r.fclk;
  tclk_ = r.tclk;
  tsclShown_ = r.timeQuantum;
  ShowFieldTexts(r.fields);
  for (QString* clock : {&tclkText_, &fclkText_, &fclkMaxText_, &fclkMinText_, &variation_,
                         &tsclMinText_, &tsclMaxText_}) {
    *clock = Q(r.clockText);
  }
  UpdateData(false);
  ShowWerbung();
}
