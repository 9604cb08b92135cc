#include "multi_tip_ctrl.h"

// How the tip's text is built, measured, placed and drawn.

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <QStringList>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// Word-wrapped, tabs expanded, "&" shown as it is; Qt draws the font's leading between
// lines, so the external leading is part of the line height as wanted.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

// Room left on the first line for the triangle.
const QString kTriangleRoom = QStringLiteral("  ");

} // namespace

QString CMultiTipCtrl::DisplayText()
{
    QString source;
    if (m_current->textSource == -1)
        emit needText(m_current->id, m_current->window, &source);
    else
        source = m_current->text;

    m_hasExtendedText = !source.isEmpty() && source.contains(QLatin1Char('\r'));
    if (!m_hasExtendedText)
        return source;
    const QStringList fields = source.split(QLatin1Char('\r'));
    return m_expanded ? kTriangleRoom + fields.value(1) : fields.value(0) + kTriangleRoom;
}

QRect CMultiTipCtrl::MeasureText(const QString& text, int maxWidth) const
{
    const QFontMetricsF metrics(font(), this);
    int width = maxWidth;
    if (width == 0) {
        qreal widest = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line + kTriangleRoom));
        width = static_cast<int>(std::ceil(widest));
    }
    width = std::max(width, 0);
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, width, 0), kTextFlags, text);
    // A word longer than the width overflows it rather than being cut off.
    width = std::max(width, static_cast<int>(std::ceil(bounds.width())));
    const int height = static_cast<int>(std::ceil(bounds.height()));
    return QRect(0, 0, width + m_leftMargin + m_rightMargin, height + m_topMargin + m_bottomMargin);
}

QRect CMultiTipCtrl::PlaceTip(const QPoint& point, const CMultiTipInfo& tool,
                               const QRect& textRect) const
{
    QRect placed(point, textRect.size());
    // The screen of the tool's dialog, so that a dialog on a second monitor gets its
    // tips there and not pushed onto the first.
    const QScreen* screen = tool.window ? tool.window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return placed;
    const QRect area = screen->geometry();
    if (placed.right() > area.right())
        placed.moveRight(area.right());
    if (placed.left() < area.left())
        placed.moveLeft(area.left());
    if (placed.bottom() > area.bottom()) {
        const int toolTop = tool.window ? tool.window->mapToGlobal(QPoint(0, 0)).y() : point.y();
        placed.moveBottom(toolTop - 1);
    }
    return placed;
}

void CMultiTipCtrl::ShowTip(const QPoint& point, bool expanded)
{
    if (!m_active || !m_current)
        return;
    m_expanded = expanded;
    const QString text = DisplayText();
    if (text.isEmpty())
        return;
    m_shownText = text;
    const QRect textRect = MeasureText(text, m_current->maxWidth);
    const QRect windowRect = PlaceTip(point, *m_current, textRect);
    hide();
    setGeometry(windowRect);
    show();
    update();
}

void CMultiTipCtrl::paintEvent(QPaintEvent*)
{
    if (!m_current || m_shownText.isEmpty())
        return;
    const QPalette tipPalette = QToolTip::palette();
    const QColor background = m_current->backgroundColor.isValid()
        ? m_current->backgroundColor : tipPalette.color(QPalette::ToolTipBase);
    const QColor foreground = m_current->textColor.isValid()
        ? m_current->textColor : tipPalette.color(QPalette::ToolTipText);

    QPainter painter(this);
    painter.fillRect(rect(), background);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect textArea(m_leftMargin, m_topMargin, width() - m_leftMargin - m_rightMargin,
                         height() - m_topMargin - m_bottomMargin);
    painter.setFont(font());
    painter.setPen(foreground);
    painter.drawText(textArea, kTextFlags, m_shownText);

    if (!m_hasExtendedText)
        return;
    const QFontMetrics metrics(font(), this);
    const int roomWidth = metrics.horizontalAdvance(kTriangleRoom);
    int lineHeight = metrics.height();
    if (lineHeight % 2 != 0)
        --lineHeight;
    const int inset = metrics.averageCharWidth() / 2;
    const int internalLeading = std::max(0, metrics.height() - QFontInfo(font()).pixelSize());
    const int vertical = std::max(internalLeading + metrics.leading(), metrics.descent());
    const int top = textArea.top();
    const int textRight = textArea.left() + textArea.width(); // first pixel past the text
    const int tipX = m_expanded ? textArea.left() : textRight;
    const int baseX = m_expanded ? textArea.left() + roomWidth - inset : textRight - roomWidth + inset;
    const QPolygon triangle({QPoint(baseX, top + vertical), QPoint(tipX, top + lineHeight / 2),
                             QPoint(baseX, top + lineHeight - vertical)});
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    painter.drawPolygon(triangle);
}
