#include "kelvane_dlg.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "app_shell.h"
#include "lists_in_step.h"
#include "main_window_tips.h"
#include "menu_133.h"
#include "message_box.h"
#include "register_test.h"
#include "search_input_guard.h"
#include "string_table.h"
#include "dialog_102.h"
#include "dialog_102_ids.h"
#include "window_hints.h"

using namespace kelvane;
using namespace kelvane::res::main_ids;

namespace {

namespace Cmd = res::Cmd;


// Outer widths of the window after expand and contract, in pixels.
constexpr int kExpandedWidth = 520;
constexpr int kContractedWidth = 260;

struct ClickBinding {
  int id;
  void (CKelvaneDlg::*handler)();
};

// Buttons and their handlers. "Close" (the OK identifier) reaches the OK operation.
constexpr ClickBinding kClicks[] = {
    {kCalculate, &CKelvaneDlg::OnCalculate}, {kExpand, &CKelvaneDlg::OnExpand},
    {kContract, &CKelvaneDlg::OnContract},   {kClose, &CKelvaneDlg::OnExit},
    {kTest, &CKelvaneDlg::OnTest},
};

struct CommandBinding {
  int command;
  void (CKelvaneDlg::*handler)();
};

constexpr CommandBinding kCommands[] = {
    {Cmd::About, &CKelvaneDlg::OnAboutCommand},
    {Cmd::Exit, &CKelvaneDlg::OnExit},
    {Cmd::WebPage, &CKelvaneDlg::OnWebPage},
    {Cmd::RulesStandard, &CKelvaneDlg::OnRulesStandard},
    {Cmd::RulesDisableAll, &CKelvaneDlg::OnRulesDisableAll},
    {Cmd::RulesEnableAll, &CKelvaneDlg::OnRulesEnableAll},
    {Cmd::RulesCustomize, &CKelvaneDlg::OnRulesCustomize},
    {Cmd::Transceiver, &CKelvaneDlg::OnTransceiver},
};

constexpr int kRuleCommands[] = {Cmd::RulesStandard, Cmd::RulesDisableAll, Cmd::RulesEnableAll,
                                 Cmd::RulesCustomize};

bool IsStaticControl(const QWidget* w) {
  return qobject_cast<const QLabel*>(w) || qobject_cast<const QGroupBox*>(w) ||
         (qobject_cast<const QFrame*>(w) && !w->focusPolicy());
}

}  // namespace

CKelvaneDlg::CKelvaneDlg(QWidget* parent)
    : TemplateDialog(res::kDialog102, parent),
      exchange_(*this),
      tooltip_(this) {
  thankYouWindow = &kelvane::ui::ShowThankYouWindow;
  // The program's own top-level window, not a dialog of another: window managers
  // then list it in the task bar and the window switcher and tie it to nothing.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  oscText_ = QStringLiteral("16");
  toleranceText_ = QStringLiteral("1000");
  baudText_ = QStringLiteral("0.0");
  test0_ = QStringLiteral("00");
  test1_ = QStringLiteral("00");
  current_ = 0;
  divider_ = 1;
  icon_ = kelvane::ui::ProgramIcon();

  BuildMenu();
  BuildDataExchange();
  ConnectNotifications();
  list0()->setUniformItemSizes(true);
  list1()->setUniformItemSizes(true);
  KeepListsInStep(list0(), list1());
  ConnectPairCopy();
}

CKelvaneDlg::~CKelvaneDlg() = default;

QListWidget* CKelvaneDlg::list0() const { return controlAs<QListWidget>(kBtr0List); }
QListWidget* CKelvaneDlg::list1() const { return controlAs<QListWidget>(kBtr1List); }
QProgressBar* CKelvaneDlg::progress() const { return controlAs<QProgressBar>(kProgress); }

void CKelvaneDlg::BuildMenu() {
  auto* bar = new QMenuBar(this);
  QList<QMenu*> open;  // the popup open at each depth
  for (const res::MenuItemTemplate& item : res::kMenu133.items) {
    const QString caption = QString::fromUtf8(item.caption);
    QMenu* host = item.depth > 0 ? open.value(item.depth - 1) : nullptr;
    switch (item.kind) {
      case res::MenuItemKind::Popup: {
        QMenu* menu = host ? host->addMenu(caption) : bar->addMenu(caption);
        menu->setSeparatorsCollapsible(false);
        open.resize(item.depth);
        open.append(menu);
        break;
      }
      case res::MenuItemKind::Separator:
        if (host) host->addSeparator();
        break;
      case res::MenuItemKind::Command: {
        if (!host) break;
        QAction* action = host->addAction(caption);
        action->setData(item.command);
        action->setStatusTip(QString::fromUtf8(res::LoadString(item.command)));
        if (item.checked) {
          action->setCheckable(true);
          action->setChecked(true);
        }
        for (const CommandBinding& b : kCommands) {
          if (b.command == item.command) {
            connect(action, &QAction::triggered, this, b.handler);
          }
        }
        break;
      }
    }
  }
  setMenuBar(bar);
}

QAction* CKelvaneDlg::menuAction(int command) const {
  const QMenuBar* bar = findChild<QMenuBar*>();
  if (!bar) return nullptr;
  for (QAction* a : bar->findChildren<QAction*>()) {
    if (!a->menu() && a->data().toInt() == command) return a;
  }
  return nullptr;
}

void CKelvaneDlg::BuildDataExchange() {
  exchange_.text(kNbt, nbt_)
      .text(kSjwValue, sjwValue_)
      .text(kTotal, total_)
      .text(kBrpBits, brpBits_)
      .text(kSamBits, samBits_)
      .text(kSjwBits, sjwBits_)
      .text(kTseg1Bits, tseg1Bits_)
      .text(kTseg2Bits, tseg2Bits_)
      .integer(kCurrent, current_)
      .text(kTclk, tclkText_)
      .text(kFclk, fclkText_)
      .text(kQuantum, quantum_)
      .text(kBrpValue, brpValue_)
      .text(kSamValue, samValue_)
      .text(kTseg1Value, tseg1Value_)
      .text(kTseg2Value, tseg2Value_)
      .text(kSamplePoint, samplePoint_)
      .text(kRate, rate_)
      .text(kVariation, variation_)
      .text(kTsclMin, tsclMinText_)
      .text(kTsclMax, tsclMaxText_)
      .text(kOscillatorEntry, oscText_)
      .text(kBitTime, bitTime_)
      .text(kFclkMax, fclkMaxText_)
      .text(kFclkMin, fclkMinText_)
      .integer(kDividerEntry, divider_)
      .text(kToleranceEntry, toleranceText_)
      .text(kBaudEntry, baudText_)
      .text(kTestBtr0Entry, test0_, 2)
      .text(kTestBtr1Entry, test1_, 2)
      .text(kProp, prop_)
      .custom([this](bool toMembers) {
        if (!toMembers) return true;
        const auto* divided = controlAs<QRadioButton>(kDividedClock);
        if (divided && divided->isChecked() && (divider_ < 1 || divider_ > 9)) {
          if (QWidget* entry = control(kDividerEntry)) entry->setFocus();
          dividerInvalid_ = true;
          return false;
        }
        return true;
      })
      .custom([this](bool toMembers) {
        if (toMembers) testInvalid_ = !TestEntryIsValid(test0_.toStdString());
        return true;
      })
      .custom([this](bool toMembers) {
        if (toMembers && !TestEntryIsValid(test1_.toStdString())) testInvalid_ = true;
        return true;
      });
}

bool CKelvaneDlg::UpdateData(bool saveAndValidate) {
  const bool ok = exchange_.run(saveAndValidate);
  if (!saveAndValidate) {
    // A text set by the program is shown from its first character, so that a
    // value wider than its field ("87.500000") loses its last digits, not its first.
    for (QWidget* w : controls()) {
      if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setCursorPosition(0);
    }
  }
  return ok;
}

void CKelvaneDlg::ConnectNotifications() {
  for (const ClickBinding& b : kClicks) {
    if (auto* button = controlAs<QPushButton>(b.id)) {
      connect(button, &QPushButton::clicked, this, b.handler);
    }
  }
  connect(list0(), &QListWidget::currentRowChanged, this, &CKelvaneDlg::OnSelchangeBtr0);
  connect(list1(), &QListWidget::currentRowChanged, this, &CKelvaneDlg::OnSelchangeBtr1);
}

void CKelvaneDlg::setVisible(bool visible) {
  const bool first = visible && !initialised_;
  if (first) {
    initialised_ = true;
    OnInitDialog();
  }
  if (visible && !isVisible()) {
    winId();  // the native window, so that its hints are complete before it is mapped
    AnnounceFixedSize(this);
  }
  TemplateDialog::setVisible(visible);
  if (first) {
    raise();
    activateWindow();
  }
}

bool CKelvaneDlg::OnInitDialog() {
  initialised_ = true;
  UpdateData(false);
  tooltip_.Create(this);
  for (const kelvane::ui::ControlTip& tip : kelvane::ui::MainWindowTips()) {
    if (QWidget* w = control(tip.id)) tooltip_.AddTool(w, QString::fromUtf8(tip.text));
  }
  const QString aboutCaption = QString::fromUtf8(res::LoadString(res::kIdsAboutBox));
  if (!aboutCaption.isEmpty()) {
    windowMenu_ = new QMenu(this);
    const struct {
      const char* caption;
      unsigned id;
    } items[] = {{"Mi&nimize", kSysMinimize}, {"&Close\tAlt+F4", kSysClose}};
    for (const auto& item : items) {
      QAction* a = windowMenu_->addAction(QString::fromUtf8(item.caption));
      const unsigned id = item.id;
      connect(a, &QAction::triggered, this, [this, id] { OnSysCommand(id); });
    }
    windowMenu_->addSeparator();
    QAction* about = windowMenu_->addAction(aboutCaption);
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(kSysAbout); });
  }
  setWindowIcon(icon_);
  ruleSet_ = PresetRules(RulePreset::kStandard);
  activeRuleCommand_ = Cmd::RulesStandard;
  SyncRuleMarks();
  if (auto* undivided = controlAs<QRadioButton>(kUndividedClock)) undivided->setChecked(true);
  divider_ = 2;
  UpdateData(false);
  progress()->setRange(1, 100);
  progress()->reset();
  propagation_.propDelay = 0;
  dividerInvalid_ = false;
  testInvalid_ = false;
  exactPass_ = true;
  propagation_.useStandardProp = true;
  ShowWerbung();
  for (QWidget* w : controls()) {
    if (w->isEnabled() && !w->isHidden() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus();
      break;
    }
  }
  return true;
}

void CKelvaneDlg::ShowWerbung() {
  if (thankYouWindow) thankYouWindow(this);
}

// --- Closing ---------------------------------------------------------------

bool CKelvaneDlg::CloseSteps() {
  UpdateData(true);
  if (divider_ < 1) divider_ = 1;
  return UpdateData(false);
}

void CKelvaneDlg::accept() {
  if (isSearching()) return;
  CloseSteps();
  ShowWerbung();
  if (UpdateData(true)) TemplateDialog::accept();
}

void CKelvaneDlg::reject() {
  if (isSearching()) return;
  CloseSteps();
  accept();
}

void CKelvaneDlg::OnExit() { accept(); }

// --- Menus -------------------------------------------------------------------

void CKelvaneDlg::SyncRuleMarks() {
  for (int command : kRuleCommands) {
    // Only the marked item is checkable, so the others show no empty box.
    if (QAction* a = menuAction(command)) {
      a->setCheckable(command == activeRuleCommand_);
      a->setChecked(command == activeRuleCommand_);
    }
  }
}

void CKelvaneDlg::OnPresetCommand(int command, RulePreset preset) {
  // A triggered checkable item has toggled itself; the marks follow the state here.
  SyncRuleMarks();
  if (activeRuleCommand_ == command) return;
  activeRuleCommand_ = command;
  ruleSet_ = PresetRules(preset);
  SyncRuleMarks();
}

void CKelvaneDlg::OnRulesStandard() {
  OnPresetCommand(Cmd::RulesStandard, RulePreset::kStandard);
}
void CKelvaneDlg::OnRulesDisableAll() {
  OnPresetCommand(Cmd::RulesDisableAll, RulePreset::kDisableAll);
}
void CKelvaneDlg::OnRulesEnableAll() {
  OnPresetCommand(Cmd::RulesEnableAll, RulePreset::kEnableAll);
}

void CKelvaneDlg::OnRulesCustomize() {
  SyncRuleMarks();
  if (!runRuleDialog) return;
  if (activeRuleCommand_ == Cmd::RulesCustomize) {
    runRuleDialog(*this);
    return;
  }
  if (runRuleDialog(*this)) {
    activeRuleCommand_ = Cmd::RulesCustomize;
    SyncRuleMarks();
  }
}

void CKelvaneDlg::OnTransceiver() {
  if (runTransceiverDialog) runTransceiverDialog(*this);
}

void CKelvaneDlg::OnAboutCommand() { kelvane::ui::RunAboutBox(); }

void CKelvaneDlg::OnWebPage() { kelvane::ui::OpenMakerWebPage(this); }

void CKelvaneDlg::OnSysCommand(unsigned id) {
  switch (id & 0xFFF0u) {
    case kSysAbout:
      kelvane::ui::RunAboutBox();
      break;
    case kSysMinimize:
      showMinimized();
      break;
    case kSysClose:
      close();
      break;
    default:
      break;
  }
}

void CKelvaneDlg::OpenWindowMenu(const QPoint& globalPos) {
  if (windowMenu_) windowMenu_->popup(globalPos);
}

void CKelvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
  QWidget* under = childAt(event->pos());
  const bool empty = !under || under == client() || IsStaticControl(under);
  const QWidget* focus = QApplication::focusWidget();
  const bool noFocus = !focus || focus == this || !isAncestorOf(focus);
  if ((event->reason() == QContextMenuEvent::Mouse && empty) ||
      (event->reason() != QContextMenuEvent::Mouse && noFocus)) {
    OpenWindowMenu(event->globalPos());
    event->accept();
    return;
  }
  TemplateDialog::contextMenuEvent(event);
}

// --- Keys and size -------------------------------------------------------------

void CKelvaneDlg::keyPressEvent(QKeyEvent* event) {
  const QWidget* focus = QApplication::focusWidget();
  const bool noFocus = !focus || focus == this || !isAncestorOf(focus);
  if (noFocus) {
    const int key = event->key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
      OpenWindowMenu(mapToGlobal(client()->geometry().topLeft()));
      event->accept();
      return;
    }
    // Keys the dialog navigation takes never arrive as a key of the window itself.
    const bool navigation = key == Qt::Key_Escape || key == Qt::Key_Return ||
                            key == Qt::Key_Enter || key == Qt::Key_Tab ||
                            key == Qt::Key_Backtab || key == Qt::Key_Left ||
                            key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    const bool modifierOnly = key == Qt::Key_Shift || key == Qt::Key_Control ||
                              key == Qt::Key_Alt || key == Qt::Key_Meta;
    if (!navigation && !modifierOnly) ShowMessage(this, QStringLiteral("Pulsada la tecla"));
  }
  TemplateDialog::keyPressEvent(event);
}

void CKelvaneDlg::SetOuterWidth(int pixels) {
  // The window keeps the size it is given from now on, even narrower than its
  // controls: contracting hides the details panel behind the right edge.
  if (QLayout* l = layout()) l->setSizeConstraint(QLayout::SetNoConstraint);
  const int frame = frameGeometry().width() - geometry().width();
  setFixedSize(std::max(1, pixels - frame), height());
  update();
}

void CKelvaneDlg::OnExpand() { SetOuterWidth(kExpandedWidth); }
void CKelvaneDlg::OnContract() { SetOuterWidth(kContractedWidth); }
