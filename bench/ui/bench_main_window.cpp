// Run offscreen from a Release build:
//   QT_QPA_PLATFORM=offscreen build-release/bench/ui/bench_main_window [repetitions]
// Message boxes and the thank-you window are answered at once, so the figures are
// the window's own work: entries, search, lists, counters and the first details.

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "dialog_102_ids.h"
#include "kelvane_app.h"
#include "kelvane_dlg.h"
#include "message_box.h"

using namespace kelvane::res::main_ids;

namespace {

class AnswerAtOnce : public kelvane::MessageBoxService {
 public:
  kelvane::MsgResult show(QWidget*, const QString&, const QString&, kelvane::MsgButtons buttons,
                          kelvane::MsgIcon) override {
    return buttons == kelvane::MsgButtons::YesNo ? kelvane::MsgResult::No : kelvane::MsgResult::Ok;
  }
};

struct Figures {
  double min, median, max;  // ms
};

Figures Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2], ms.back()};
}

Figures TimeCalculate(CKelvaneDlg& dlg, int repetitions, int* pairs) {
  auto* baud = dlg.controlAs<QLineEdit>(kBaudEntry);
  auto* calculate = dlg.controlAs<QPushButton>(kCalculate);
  std::vector<double> ms;
  for (int i = 0; i < repetitions; ++i) {
    baud->setText(QStringLiteral("500"));
    QElapsedTimer t;
    t.start();
    calculate->click();
    QCoreApplication::processEvents();  // the repaint the user waits for
    ms.push_back(t.nsecsElapsed() / 1e6);
  }
  *pairs = dlg.controlAs<QListWidget>(kBtr0List)->count();
  return Summarise(ms);
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  CKelvaneApp app(argc, argv);
  AnswerAtOnce boxes;
  kelvane::SetMessageBoxService(&boxes);

  CKelvaneDlg dlg;
  dlg.thankYouWindow = [](QWidget*) {};
  dlg.show();
  if (!QTest::qWaitForWindowExposed(&dlg)) {
    std::fprintf(stderr, "the main window was never shown\n");
    return 1;
  }
  const double startMs = sinceStart.nsecsElapsed() / 1e6;
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

  std::printf("start-up to main window shown: %.1f ms\n", startMs);
  int pairs = 0;
  Figures f = TimeCalculate(dlg, repetitions, &pairs);
  std::printf("Calculate 500 kbit/s, default rules (%d pairs): min %.1f  median %.1f  max %.1f ms\n",
              pairs, f.min, f.median, f.max);
  dlg.OnRulesDisableAll();
  f = TimeCalculate(dlg, repetitions, &pairs);
  std::printf("Calculate 500 kbit/s, every rule off (%d pairs): min %.1f  median %.1f  max %.1f ms\n",
              pairs, f.min, f.median, f.max);
  kelvane::SetMessageBoxService(nullptr);
  return 0;
}
