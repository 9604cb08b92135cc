#pragma once

#include "multi_tip_info.h"

#include <QBasicTimer>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QEvent;

// Kinds for SetDelayTime.
inline constexpr unsigned TTDT_AUTOPOP = 2; // how long a tip stays while the cursor rests
inline constexpr unsigned TTDT_INITIAL = 3; // how long the cursor rests before a tip shows

// Marks a tool whose text is asked for each time through CMultiTipCtrl::needText.
struct MultiTipTextCallback {};
inline constexpr MultiTipTextCallback LPSTR_TEXTCALLBACK{};

// A self-drawn tip window that explains the controls of one dialog. Texts may hold
// several lines ("\n") and a second, longer text after a "\r" that a click on the tip
// reveals; a small triangle marks such tips.
//
// After Create the control watches the dialog's and its children's input through an
// application event filter (which also sees mouse moves over disabled controls and
// labels), so a dialog only creates it and adds its tools. The tip window never takes
// the focus or activation.
class CMultiTipCtrl : public QWidget {
    Q_OBJECT

public:
    enum Timer : unsigned { InitialTimer = 1, CheckTimer = 2 };
    enum class State { Idle, Waiting, Stopped, Shown, Cancelled };

    // A widget owner becomes the tip window's parent right away; Create may set another.
    explicit CMultiTipCtrl(QObject* owner = nullptr);
    ~CMultiTipCtrl() override;

    CMultiTipCtrl(const CMultiTipCtrl&) = delete;
    CMultiTipCtrl& operator=(const CMultiTipCtrl&) = delete;

    // Makes the tip window, owned by the dialog, and starts watching the dialog's input.
    bool Create(QWidget* parentDialog);

    // rect is in window's own coordinates; none means the whole window.
    bool AddTool(QWidget* window, const QString& text, const QRect* rect = nullptr,
                 unsigned id = 0);
    bool AddTool(QWidget* window, MultiTipTextCallback, const QRect* rect = nullptr,
                 unsigned id = 0);

    // Feeds one event of the dialog into the tracking. Create already arranges this for
    // every event of the dialog and its children; calling it as well does no harm.
    void RelayEvent(const QEvent* event);

    // Whether point (dialog coordinates) lies on the first tool registered for window or
    // one of its ancestors; copies that tool into info when one is given.
    bool HitTest(QWidget* window, const QPoint& point, CMultiTipInfo* info = nullptr) const;

    void SetDelayTime(unsigned kind, unsigned ms);
    unsigned GetDelayTime(unsigned kind) const;
    void Activate(bool active);
    bool IsActive() const { return m_active; }

    // The font that measures and draws the text; false when none is given.
    bool SetTipFont(const QFont* font, bool redraw = true);
    QFont GetTipFont() const { return font(); }
    bool UsesSystemFont() const { return m_usesSystemFont; }
    // The desktop's status-bar font, or the application font where the desktop names none.
    static QFont SystemStatusFont();

    // Window rectangle (screen coordinates) for a tip measured as textRect, whose
    // top-left corner is wanted at point.
    virtual QRect PlaceTip(const QPoint& point, const CMultiTipInfo& tool,
                           const QRect& textRect) const;
    // Rectangle at 0,0 that holds text wrapped at maxWidth (0: its widest line), margins
    // included.
    virtual QRect MeasureText(const QString& text, int maxWidth) const;

    // What the tracking is doing now, and what the tip shows.
    State GetState() const;
    const CMultiTipInfo* CurrentTool() const { return m_current; }
    bool IsCancelled() const { return m_cancelled; }
    bool IsExpanded() const { return m_expanded; }
    bool HasExtendedText() const { return m_hasExtendedText; }
    QString DisplayedText() const { return m_shownText; }
    const std::vector<std::unique_ptr<CMultiTipInfo>>& Tools() const { return m_tools; }

    // Timers. With manual timers (for tests and recordings) nothing fires by itself: the
    // running state and period are kept and DeliverTimer delivers a tick of a running
    // timer, returning false when that timer is not running.
    void SetManualTimers(bool manual);
    bool IsTimerRunning(unsigned timer) const;
    unsigned TimerInterval(unsigned timer) const;
    bool DeliverTimer(unsigned timer);

signals:
    // Asks for the text of a callback tool; leave text empty to show no tip.
    void needText(unsigned id, QWidget* window, QString* text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    struct TipTimer {
        QBasicTimer real;
        bool running = false;
        unsigned interval = 0; // ms
    };

    bool AddRecord(std::unique_ptr<CMultiTipInfo> tool, const QRect* rect);
    CMultiTipInfo* FirstToolFor(const QWidget* window) const;
    QRect AreaOf(const CMultiTipInfo& tool) const;
    bool Hits(const CMultiTipInfo& tool, const QPoint& point) const;
    QWidget* WindowUnder(const QPoint& clientPoint) const;
    CMultiTipInfo* ToolUnder(const QPoint& clientPoint) const;
    bool CursorInCurrentTool() const;
    bool CursorInTip() const;
    QPoint CursorInParent() const;

    void HideTip();
    void StartWaiting(CMultiTipInfo* tool);
    void ShowTip(const QPoint& point, bool expanded);
    QString DisplayText();
    void OnTimer(unsigned timer);
    void OnMouseMove(const QPoint& globalPos);
    void ClickOnTip();
    bool IsRelayedDuplicate(QWidget* receiver, const QEvent* event);

    TipTimer& TimerFor(unsigned timer);
    const TipTimer* FindTimer(unsigned timer) const;
    void StartTimer(unsigned timer, unsigned ms);
    void KillTimer(unsigned timer);

    QPointer<QWidget> m_parent;
    int m_leftMargin = 2;   // pixels
    int m_topMargin = 2;    // pixels
    int m_rightMargin = 3;  // pixels
    int m_bottomMargin = 3; // pixels
    int m_defaultMaxWidth = 0;
    QPoint m_cursorOffset{0, 20}; // from the cursor to the tip's top-left corner, pixels
    bool m_usesSystemFont = false;
    CMultiTipInfo* m_current = nullptr;
    unsigned m_checkInterval = 500;      // ms
    unsigned m_displayTimeLimit = 5000;  // ms
    unsigned m_displayTime = 0;          // ms, counted while a tip is shown
    unsigned m_initialDelay = 500;       // ms
    bool m_active = true;
    bool m_cancelled = false;
    bool m_hasExtendedText = false;
    bool m_expanded = false;
    QColor m_defaultBackground; // invalid: the system's colour
    QColor m_defaultTextColor;  // invalid: the system's colour
    std::vector<std::unique_ptr<CMultiTipInfo>> m_tools;

    QString m_shownText;
    bool m_manualTimers = false;
    TipTimer m_initialTimer;
    TipTimer m_checkTimer;

    // The last mouse event taken from the filter, to act once on an event that Qt
    // offers again to each parent while it propagates.
    QPointer<QWidget> m_lastMouseReceiver;
    int m_lastMouseType = 0;
    quint64 m_lastMouseTimestamp = 0;
    QPointF m_lastMouseGlobal;
};
