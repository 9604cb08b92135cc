#pragma once
// The main window: entries, result lists, details panel, register test, the
// menu and the state that the other dialogs edit (rule set, propagation).

#include <QIcon>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "calculation_request.h"
#include "data_exchange.h"
#include "details.h"
#include "multi_tip_ctrl.h"
#include "propagation_settings.h"
#include "rule_set.h"
#include "template_dialog.h"

class QAction;
class QListWidget;
class QMenu;
class QProgressBar;

namespace kelvane::ui {
class SearchInputGuard;
}

class CKelvaneDlg : public kelvane::TemplateDialog {
  Q_OBJECT
 public:
  // System command identifiers (low four bits are the platform's own).
  static constexpr unsigned kSysAbout = 16;
  static constexpr unsigned kSysMinimize = 0xF020;
  static constexpr unsigned kSysClose = 0xF060;

  explicit CKelvaneDlg(QWidget* parent = nullptr);
  ~CKelvaneDlg() override;

  // The transfer between controls and members; towards the members it stops at
  // the first control that refuses its text and returns false.
  bool UpdateData(bool saveAndValidate = true);

  // State other dialogs read and write (rule dialog, transceiver selection).
  const kelvane::RuleSet& ruleSet() const { return ruleSet_; }
  void setRuleSet(const kelvane::RuleSet& rules) { ruleSet_ = rules; }
  int activeRuleCommand() const { return activeRuleCommand_; }
  kelvane::PropagationSettings& propagationSettings() { return propagation_; }
  const kelvane::PropagationSettings& propagationSettings() const { return propagation_; }

  // Opens the rule dialog; returns true when it closed with OK and has replaced the
  // rule set. Unset, "Customi&ze..." does nothing.
  std::function<bool(CKelvaneDlg&)> runRuleDialog;
  // Opens the transceiver selection. Unset, "&Transceiver..." does nothing.
  std::function<void(CKelvaneDlg&)> runTransceiverDialog;
  // Shows the thank-you window and returns when it is closed; the real one unless replaced.
  std::function<void(QWidget* owner)> thankYouWindow;
  // Milliseconds of a steady clock; paces the search's repaints. The system's
  // monotonic clock unless replaced.
  std::function<qint64()> searchClock;

  // Menu commands, one method each.
  void OnExit();
  void OnRulesStandard();
  void OnRulesDisableAll();
  void OnRulesEnableAll();
  void OnRulesCustomize();
  void OnTransceiver();
  void OnAboutCommand();
  void OnWebPage();
  // System commands (the window menu's entries); identifiers as the platform's.
  void OnSysCommand(unsigned id);

  // Control notifications.
  void OnCalculate();
  void OnTest();
  void OnSelchangeBtr0();
  void OnSelchangeBtr1();
  void OnExpand();
  void OnContract();

  void ShowSelectedCombination();
  void ShowCombinationDetails(const std::string& btr0Bits, const std::string& btr1Bits);
  void ShowWerbung();
  void RunSearch();
  void ResetWindow();

  QAction* menuAction(int command) const;
  // The window's own menu in the role of the system menu.
  QMenu* windowMenu() const { return windowMenu_; }
  void OpenWindowMenu(const QPoint& globalPos);
  bool isSearching() const { return guard_ != nullptr; }
  const CMultiTipCtrl& toolTip() const { return tooltip_; }

  // Initialisation, run once before the window is first shown.
  bool OnInitDialog();

 public slots:
  void accept() override;  // "Close", "E&xit"
  void reject() override;  // Escape, the close box

 protected:
  void setVisible(bool visible) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildMenu();
  void BuildDataExchange();
  void ConnectNotifications();
  void OnPresetCommand(int command, kelvane::RulePreset preset);
  void ShowFieldTexts(const kelvane::CombinationFieldTexts& f);
  void SyncRuleMarks();
  void SetOuterWidth(int pixels);
  void SelectFirstResult();
  void ConnectPairCopy();
  bool CloseSteps();
  QListWidget* list0() const;
  QListWidget* list1() const;
  QProgressBar* progress() const;

  kelvane::DataExchange exchange_;
  CMultiTipCtrl tooltip_;
  kelvane::PropagationSettings propagation_;
  kelvane::CalculationRequest request_;
  bool testInvalid_ = false;
  bool dividerInvalid_ = false;
  bool exactPass_ = true;
  bool initialised_ = false;
  kelvane::RuleSet ruleSet_;
  int activeRuleCommand_ = 0;
  QIcon icon_;
  QMenu* windowMenu_ = nullptr;
  std::unique_ptr<kelvane::ui::SearchInputGuard> guard_;

  // Texts and integers bound to the controls (the control's name in
  // dialog_102_ids.h in the comment).
  QString oscText_;       // kOscillatorEntry, MHz
  QString baudText_;      // kBaudEntry, kbit/s
  QString toleranceText_; // kToleranceEntry, ppm
  int divider_ = 1;       // kDividerEntry
  QString test0_;         // kTestBtr0Entry, BTR0 to decode
  QString test1_;         // kTestBtr1Entry, BTR1 to decode
  int current_ = 0;       // kCurrent, index of the shown pair from 1
  QString total_;         // kTotal
  // kSjwBits ... kTseg1Bits and kSjwValue ... kTseg1Value
  QString sjwBits_, brpBits_, samBits_, tseg2Bits_, tseg1Bits_;
  QString sjwValue_, brpValue_, samValue_, tseg2Value_, tseg1Value_;
  QString nbt_;           // kNbt, time quanta
  QString samplePoint_;   // kSamplePoint, %
  QString bitTime_;       // kBitTime, us
  QString quantum_;       // kQuantum, ns
  QString rate_;          // kRate, kbit/s
  QString tclkText_;      // kTclk, ns
  QString fclkText_;      // kFclk, Hz
  QString fclkMaxText_;   // kFclkMax, Hz
  QString fclkMinText_;   // kFclkMin, Hz
  QString variation_;     // kVariation, %
  QString tsclMinText_;   // kTsclMin, ns
  QString tsclMaxText_;   // kTsclMax, ns
  QString prop_;          // kProp

  // Clock state the details panel works from; the test and "Calculate" set it.
  double fclk_ = 0;        // Hz
  double tclk_ = 0;        // ns
  double tsclShown_ = 0;   // ns
};
