#include "multi_tip_ctrl.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>

#include <algorithm>
#include <climits>

namespace {

bool IsSelfOrDescendant(const QWidget* widget, const QWidget* ancestor)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == ancestor)
            return true;
    }
    return false;
}

bool SameFace(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && a.pointSizeF() == b.pointSizeF()
        && a.pixelSize() == b.pixelSize() && a.weight() == b.weight()
        && a.italic() == b.italic();
}

bool IsMouseEvent(QEvent::Type type)
{
    return type == QEvent::MouseMove || type == QEvent::MouseButtonPress
        || type == QEvent::MouseButtonDblClick;
}

} // namespace

CMultiTipCtrl::CMultiTipCtrl(QObject* owner)
{
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    if (auto* widget = qobject_cast<QWidget*>(owner))
        setParent(widget, windowFlags());
}

CMultiTipCtrl::~CMultiTipCtrl()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool CMultiTipCtrl::Create(QWidget* parentDialog)
{
    if (!parentDialog)
        return false;
    m_parent = parentDialog;
    setParent(parentDialog, Qt::ToolTip | Qt::FramelessWindowHint);
    setGeometry(0, 0, 10, 10);
    const QFont statusFont = SystemStatusFont();
    SetTipFont(&statusFont, false);
    // An application filter, not one on the dialog: only it sees the mouse moving over
    // disabled controls and over widgets without mouse tracking.
    qApp->installEventFilter(this);
    return true;
}

QFont CMultiTipCtrl::SystemStatusFont()
{
    return QApplication::font("QStatusBar");
}

bool CMultiTipCtrl::SetTipFont(const QFont* font, bool redraw)
{
    if (!font)
        return false;
    setFont(*font);
    m_usesSystemFont = SameFace(*font, SystemStatusFont());
    if (redraw)
        update();
    return true;
}

bool CMultiTipCtrl::AddTool(QWidget* window, const QString& text, const QRect* rect, unsigned id)
{
    if (!window)
        return false;
    auto tool = std::make_unique<CMultiTipInfo>();
    tool->window = window;
    tool->id = id;
    tool->textSource = 0;
    tool->text = text;
    return AddRecord(std::move(tool), rect);
}

bool CMultiTipCtrl::AddTool(QWidget* window, MultiTipTextCallback, const QRect* rect,
                             unsigned id)
{
    if (!window)
        return false;
    auto tool = std::make_unique<CMultiTipInfo>();
    tool->window = window;
    tool->id = id;
    tool->textSource = -1;
    return AddRecord(std::move(tool), rect);
}

bool CMultiTipCtrl::AddRecord(std::unique_ptr<CMultiTipInfo> tool, const QRect* rect)
{
    QWidget* window = tool->window;
    tool->maxWidth = m_defaultMaxWidth;
    tool->textColor = m_defaultTextColor;
    tool->backgroundColor = m_defaultBackground;
    tool->userValue = 0;
    tool->wholeWindow = rect == nullptr;
    const QRect local = rect ? *rect : window->rect();
    const QWidget* reference = m_parent ? m_parent.data() : window->window();
    tool->rect = QRect(reference->mapFromGlobal(window->mapToGlobal(local.topLeft())), local.size());
    m_tools.push_back(std::move(tool));
    return true;
}

QRect CMultiTipCtrl::AreaOf(const CMultiTipInfo& tool) const
{
    if (!tool.wholeWindow || !tool.window || !m_parent)
        return tool.rect;
    return QRect(m_parent->mapFromGlobal(tool.window->mapToGlobal(QPoint(0, 0))),
                 tool.window->size());
}

CMultiTipInfo* CMultiTipCtrl::FirstToolFor(const QWidget* window) const
{
    for (const auto& tool : m_tools) {
        if (tool->window && IsSelfOrDescendant(window, tool->window))
            return tool.get();
    }
    return nullptr;
}

QWidget* CMultiTipCtrl::WindowUnder(const QPoint& clientPoint) const
{
    if (!m_parent)
        return nullptr;
    // widgetAt and childAt both return disabled controls and labels, which is what lets
    // them have tips.
    QWidget* found = QApplication::widgetAt(m_parent->mapToGlobal(clientPoint));
    if (found == m_parent)
        found = m_parent->childAt(clientPoint);
    if (!found || found == m_parent)
        return nullptr;
    return m_parent->isAncestorOf(found) ? found : nullptr;
}

bool CMultiTipCtrl::Hits(const CMultiTipInfo& tool, const QPoint& point) const
{
    const QWidget* under = WindowUnder(point);
    if (!under || !IsSelfOrDescendant(under, tool.window))
        return false;
    return AreaOf(tool).contains(point);
}

bool CMultiTipCtrl::HitTest(QWidget* window, const QPoint& point, CMultiTipInfo* info) const
{
    if (!window)
        return false;
    const CMultiTipInfo* tool = FirstToolFor(window);
    if (!tool)
        return false;
    if (info) {
        *info = *tool;
        info->rect = AreaOf(*tool);
    }
    return Hits(*tool, point);
}

CMultiTipInfo* CMultiTipCtrl::ToolUnder(const QPoint& clientPoint) const
{
    const QWidget* under = WindowUnder(clientPoint);
    if (!under)
        return nullptr;
    CMultiTipInfo* tool = FirstToolFor(under);
    return tool && Hits(*tool, clientPoint) ? tool : nullptr;
}

QPoint CMultiTipCtrl::CursorInParent() const
{
    return m_parent ? m_parent->mapFromGlobal(QCursor::pos()) : QCursor::pos();
}

bool CMultiTipCtrl::CursorInCurrentTool() const
{
    return m_current && m_current->window && HitTest(m_current->window, CursorInParent());
}

bool CMultiTipCtrl::CursorInTip() const
{
    if (m_cancelled || !isVisible())
        return false;
    return frameGeometry().contains(QCursor::pos());
}

void CMultiTipCtrl::HideTip()
{
    hide();
    m_cancelled = true;
}

void CMultiTipCtrl::StartWaiting(CMultiTipInfo* tool)
{
    KillTimer(InitialTimer);
    KillTimer(CheckTimer);
    HideTip();
    m_cancelled = false;
    m_current = tool;
    StartTimer(InitialTimer, m_initialDelay);
}

void CMultiTipCtrl::RelayEvent(const QEvent* event)
{
    if (!event)
        return;
    switch (event->type()) {
    case QEvent::MouseMove:
        OnMouseMove(static_cast<const QMouseEvent*>(event)->globalPosition().toPoint());
        break;
    case QEvent::MouseButtonPress: {
        const auto button = static_cast<const QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton) {
            if (!CursorInTip())
                HideTip();
        } else if (button == Qt::RightButton || button == Qt::MiddleButton) {
            HideTip();
        }
        break;
    }
    case QEvent::MouseButtonDblClick: {
        const auto button = static_cast<const QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton)
            HideTip();
        break;
    }
    // Every keyboard event; a shortcut such as a mnemonic may consume the key before
    // any KeyPress is sent, but not before its ShortcutOverride.
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
        HideTip();
        break;
    default:
        break;
    }
}

void CMultiTipCtrl::OnMouseMove(const QPoint& globalPos)
{
    if (!m_parent)
        return;
    CMultiTipInfo* tool = ToolUnder(m_parent->mapFromGlobal(globalPos));
    if (!tool) {
        if (m_cancelled)
            m_current = nullptr;
        return;
    }
    if (!m_current) {
        StartWaiting(tool);
        return;
    }
    if (tool == m_current || CursorInTip())
        return;
    StartWaiting(tool);
}

bool CMultiTipCtrl::IsRelayedDuplicate(QWidget* receiver, const QEvent* event)
{
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const bool duplicate = m_lastMouseReceiver && mouse->type() == m_lastMouseType
        && mouse->timestamp() == m_lastMouseTimestamp
        && mouse->globalPosition() == m_lastMouseGlobal
        && receiver->isAncestorOf(m_lastMouseReceiver);
    m_lastMouseReceiver = receiver;
    m_lastMouseType = mouse->type();
    m_lastMouseTimestamp = mouse->timestamp();
    m_lastMouseGlobal = mouse->globalPosition();
    return duplicate;
}

bool CMultiTipCtrl::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // The desktop's fonts changed: Qt tells the application object, not the widgets
    // whose font was set explicitly, as the tip's is.
    if (type == QEvent::ApplicationFontChange && watched == qApp) {
        if (m_usesSystemFont) {
            const QFont statusFont = SystemStatusFont();
            SetTipFont(&statusFont, true);
        }
        return false;
    }
    const bool input = IsMouseEvent(type) || type == QEvent::KeyPress
        || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride
        || type == QEvent::InputMethod;
    const bool windowChange = type == QEvent::Move || type == QEvent::Resize
        || type == QEvent::WindowDeactivate || type == QEvent::Hide;
    if ((!input && !windowChange) || !m_parent || !watched->isWidgetType())
        return false;

    auto* widget = static_cast<QWidget*>(watched);
    if (windowChange) {
        // Clicks on the frame go to the window manager here, so the dialog being moved,
        // resized, left or hidden stands for them.
        if (widget == m_parent->window()) {
            if (type == QEvent::WindowDeactivate || type == QEvent::Hide || isVisible())
                HideTip();
        }
        return false;
    }

    if (widget != this && widget != m_parent && !m_parent->isAncestorOf(widget))
        return false;
    if (IsMouseEvent(type) && IsRelayedDuplicate(widget, event))
        return false;
    // The tip takes no double clicks: a second quick click on it is another click.
    if (widget == this && type == QEvent::MouseButtonDblClick)
        return false;
    RelayEvent(event);
    return false;
}

void CMultiTipCtrl::SetDelayTime(unsigned kind, unsigned ms)
{
    if (kind == TTDT_AUTOPOP)
        m_displayTimeLimit = ms;
    else if (kind == TTDT_INITIAL)
        m_initialDelay = ms;
}

unsigned CMultiTipCtrl::GetDelayTime(unsigned kind) const
{
    if (kind == TTDT_AUTOPOP)
        return m_displayTimeLimit;
    if (kind == TTDT_INITIAL)
        return m_initialDelay;
    return 0;
}

void CMultiTipCtrl::Activate(bool active)
{
    m_active = active;
}

void CMultiTipCtrl::OnTimer(unsigned timer)
{
    if (!m_current || m_cancelled) {
        KillTimer(timer);
        HideTip();
        return;
    }
    if (timer == InitialTimer) {
        KillTimer(InitialTimer);
        if (!CursorInCurrentTool())
            return;
        ShowTip(QCursor::pos() + m_cursorOffset, false);
        m_displayTime = 0;
        StartTimer(CheckTimer, m_checkInterval);
    } else if (timer == CheckTimer) {
        m_displayTime += m_checkInterval;
        const CMultiTipInfo* under = ToolUnder(CursorInParent());
        if (under && under != m_current) {
            KillTimer(CheckTimer);
            HideTip();
            return;
        }
        const bool stays = (CursorInCurrentTool() && m_displayTime < m_displayTimeLimit)
            || CursorInTip();
        if (!stays) {
            KillTimer(CheckTimer);
            HideTip();
        }
    }
}

void CMultiTipCtrl::ClickOnTip()
{
    if (!m_current || m_cancelled)
        return;
    if (m_hasExtendedText)
        ShowTip(geometry().topLeft(), !m_expanded);
}

void CMultiTipCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ClickOnTip();
    event->accept();
}

void CMultiTipCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ClickOnTip();
    event->accept();
}

CMultiTipCtrl::State CMultiTipCtrl::GetState() const
{
    if (!m_current)
        return State::Idle;
    if (m_cancelled)
        return State::Cancelled;
    if (m_checkTimer.running)
        return State::Shown;
    if (m_initialTimer.running)
        return State::Waiting;
    return State::Stopped;
}

const CMultiTipCtrl::TipTimer* CMultiTipCtrl::FindTimer(unsigned timer) const
{
    if (timer == InitialTimer)
        return &m_initialTimer;
    if (timer == CheckTimer)
        return &m_checkTimer;
    return nullptr;
}

CMultiTipCtrl::TipTimer& CMultiTipCtrl::TimerFor(unsigned timer)
{
    return timer == InitialTimer ? m_initialTimer : m_checkTimer;
}

void CMultiTipCtrl::StartTimer(unsigned timer, unsigned ms)
{
    TipTimer& t = TimerFor(timer);
    t.running = true;
    t.interval = ms;
    if (!m_manualTimers)
        t.real.start(static_cast<int>(std::min<unsigned>(ms, INT_MAX)), this);
}

void CMultiTipCtrl::KillTimer(unsigned timer)
{
    TipTimer& t = TimerFor(timer);
    t.running = false;
    t.real.stop();
}

void CMultiTipCtrl::SetManualTimers(bool manual)
{
    m_manualTimers = manual;
    for (TipTimer* t : {&m_initialTimer, &m_checkTimer}) {
        t->real.stop();
        if (!manual && t->running)
            t->real.start(static_cast<int>(std::min<unsigned>(t->interval, INT_MAX)), this);
    }
}

bool CMultiTipCtrl::IsTimerRunning(unsigned timer) const
{
    const TipTimer* t = FindTimer(timer);
    return t && t->running;
}

unsigned CMultiTipCtrl::TimerInterval(unsigned timer) const
{
    const TipTimer* t = FindTimer(timer);
    return t ? t->interval : 0;
}

bool CMultiTipCtrl::DeliverTimer(unsigned timer)
{
    if (!IsTimerRunning(timer))
        return false;
    OnTimer(timer);
    return true;
}

void CMultiTipCtrl::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_initialTimer.real.timerId())
        OnTimer(InitialTimer);
    else if (event->timerId() == m_checkTimer.real.timerId())
        OnTimer(CheckTimer);
    else
        QWidget::timerEvent(event);
}
