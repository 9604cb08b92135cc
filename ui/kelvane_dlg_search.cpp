// "Calculate": the entries become a request, the search fills the lists, and
// an empty exact pass may lead to the 1 % pass or to a reset window.

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>

#include "dialog_102_ids.h"
#include "kelvane_dlg.h"
#include "message_box.h"
#include "number_text.h"
#include "search.h"
#include "search_input_guard.h"

using namespace kelvane;
using namespace kelvane::res::main_ids;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }

// The lists, "Total:" and the progress bar are repainted at most this often
// while a search runs, in milliseconds (about the screen's rate).
constexpr qint64 kRepaintInterval = 16;

}  // namespace

void CKelvaneDlg::OnCalculate() {
  const bool transferred = UpdateData(true);
  if (dividerInvalid_) {
    dividerInvalid_ = false;
    ShowMessage(this, Q(kDividerMessage));
    return;
  }
  // Another refused entry has said why; calculating from half-read entries would mislead.
  if (!transferred) return;

  request_.oscillatorText = oscText_.toStdString();
  request_.baudText = baudText_.toStdString();
  request_.tolerance = ReadIntOrZero(toleranceText_.toStdString());
  request_.dividedClock = controlAs<QRadioButton>(kDividedClock)->isChecked();
  request_.divider = divider_;
  request_.largeTolerance = controlAs<QCheckBox>(kLargeTolerance)->isChecked();
  request_.exactPass = exactPass_;
  const ClockTexts clock = PrepareCalculation(request_, ruleSet_, propagation_);
  oscText_ = Q(request_.oscillatorText);
  baudText_ = Q(request_.baudText);

  {
    const QSignalBlocker quiet0(list0());
    const QSignalBlocker quiet1(list1());
    list0()->clear();
    list1()->clear();
  }
  progress()->setRange(1, 100);
  progress()->reset();  // position 0 lies below the range, which setValue would ignore

  fclk_ = request_.fclk;
  tclk_ = request_.tclk;
  fclkText_ = Q(clock.fclk);
  tclkText_ = Q(clock.tclk);
  fclkMaxText_ = Q(clock.fclkMax);
  fclkMinText_ = Q(clock.fclkMin);
  variation_ = Q(clock.frequencyVariation);
  tsclMinText_ = Q(clock.tsclMin);
  tsclMaxText_ = Q(clock.tsclMax);
  prop_ = Q(clock.prop);
  RunSearch();
}

void CKelvaneDlg::RunSearch() {
  total_.clear();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  guard_ = std::make_unique<ui::SearchInputGuard>();

  bool goOn = true;
  QStringList pending0, pending1;  // accepted pairs not yet in the lists
  int position = 0;
  bool shownOnce = false;
  QElapsedTimer steady;
  steady.start();
  const auto now = [&]() -> qint64 { return searchClock ? searchClock() : steady.elapsed(); };
  qint64 lastRepaint = now();

  // Puts what the search has found so far on the screen and lets the window
  // repaint; the guard keeps user input out, noting a right-button press.
  const auto repaint = [&] {
    list0()->addItems(pending0);
    list1()->addItems(pending1);
    pending0.clear();
    pending1.clear();
    if (position > 0) progress()->setValue(position);
    UpdateData(false);
    QCoreApplication::processEvents();
    lastRepaint = now();
  };

  SearchCallbacks callbacks;
  callbacks.accepted = [&](const AcceptedPair& pair) {
    pending0.append(Q(pair.btr0));
    pending1.append(Q(pair.btr1));
    total_ = QString::number(pair.total);
    if (!shownOnce || now() - lastRepaint >= kRepaintInterval) {
      shownOnce = true;
      repaint();
    }
    if (guard_->takeRightPress()) {
      repaint();
      guard_->setSuspended(true);
      if (ShowMessage(this, Q(kStopQuestion), Q(kStopCaption), MsgButtons::YesNo,
                      MsgIcon::Question) == MsgResult::Yes) {
        goOn = false;
      }
      guard_->setSuspended(false);
    }
  };
  callbacks.progress = [&](int pos) {
    position = pos;
    if (now() - lastRepaint >= kRepaintInterval) repaint();
  };
  callbacks.mayGoOn = [&] { return goOn; };

  const SearchOutcome outcome = kelvane::RunSearch(request_, callbacks);

  list0()->addItems(pending0);
  list1()->addItems(pending1);
  guard_.reset();
  QGuiApplication::restoreOverrideCursor();
  progress()->setValue(100);
  UpdateData(false);

  switch (FollowUpAfterSearch(outcome, exactPass_)) {
    case SearchFollowUp::kSelectFirstThenThank:
      SelectFirstResult();
      ShowWerbung();
      break;
    case SearchFollowUp::kSelectFirstAndRestoreExactPass:
      SelectFirstResult();
      exactPass_ = true;
      break;
    case SearchFollowUp::kOfferOnePercentPass:
      if (ShowMessage(this, Q(kOnePercentQuestion), Q(kOnePercentCaption), MsgButtons::YesNo,
                      MsgIcon::Question) == MsgResult::Yes) {
        exactPass_ = false;
        OnCalculate();
        // A nested pass that never started (a refused entry) must not leave the
        // window in 1 % mode for every later calculation.
        exactPass_ = true;
        ShowWerbung();
      } else {
        ResetWindow();
      }
      break;
    case SearchFollowUp::kReportNothingFound:
      ShowMessage(this, Q(kNothingFoundMessage));
      exactPass_ = true;
      ResetWindow();
      break;
  }
}

void CKelvaneDlg::SelectFirstResult() {
  {
    const QSignalBlocker quiet(list0());
    list0()->setCurrentRow(0);
  }
  OnSelchangeBtr0();
  list0()->setFocus();
}

void CKelvaneDlg::ResetWindow() {
  oscText_ = QStringLiteral("16");
  baudText_ = QStringLiteral("0.0");
  toleranceText_ = QStringLiteral("0");
  divider_ = 0;
  test0_ = QStringLiteral("00");
  test1_ = QStringLiteral("00");
  controlAs<QCheckBox>(kLargeTolerance)->setChecked(false);
  current_ = 0;
  total_ = QStringLiteral("0");
  progress()->reset();
  for (QString* bits : {&sjwBits_, &brpBits_, &samBits_, &tseg2Bits_, &tseg1Bits_}) bits->clear();
  for (QString* zero : {&sjwValue_, &brpValue_, &samValue_, &tseg2Value_, &tseg1Value_, &nbt_,
                        &bitTime_, &samplePoint_, &quantum_, &rate_, &tclkText_, &fclkText_,
                        &fclkMaxText_, &fclkMinText_, &prop_, &variation_, &tsclMinText_,
                        &tsclMaxText_}) {
    *zero = QStringLiteral("0");
  }
  UpdateData(false);
}
