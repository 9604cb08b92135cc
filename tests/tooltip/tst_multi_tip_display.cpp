// What the tip shows and where: texts, the triangle, sizes, screen edges, tools.

#include "tip_dialog.h"

#include <QFontMetricsF>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QToolTip>

#include <cmath>

namespace {

int Ceil(qreal value)
{
    return static_cast<int>(std::ceil(value));
}

bool IsDark(QRgb pixel)
{
    return qGray(pixel) < 64;
}

// Direction a filled triangle points in, found from how many dark pixels each column
// of box holds: +1 right (tall base on the left), -1 left, 0 no triangle.
int TriangleDirection(const QImage& image, const QRect& box)
{
    int first = -1;
    int last = -1;
    int firstCount = 0;
    int lastCount = 0;
    for (int x = box.left(); x <= box.right(); ++x) {
        int count = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            count += IsDark(image.pixel(x, y)) ? 1 : 0;
        if (count == 0)
            continue;
        if (first < 0) {
            first = x;
            firstCount = count;
        }
        last = x;
        lastCount = count;
    }
    if (first < 0 || first == last || firstCount == lastCount)
        return 0;
    return firstCount > lastCount ? 1 : -1;
}

} // namespace

class TooltipDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void extendedTextToggledByClicks();
    void plainTipHasFrameAndNoTriangle();
    void measureFitsWidestLine();
    void measureWrapsAtMaximumWidth();
    void rightEdgeShiftsTipLeft();
    void tipWiderThanScreenStartsAtLeftEdge();
    void bottomEdgePutsTipAboveControl();
    void addToolAndHitTest();
    void firstToolOfWindowWins();
    void toolAreaFollowsLayout();
    void callbackToolAsksForText();
    void statusFontFollowsApplicationFont();
};

void TooltipDisplayTest::extendedTextToggledByClicks()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.calc));
    const QPoint corner = d.tip.geometry().topLeft();
    const QFontMetricsF metrics(d.tip.GetTipFont(), &d.tip);
    const int roomWidth = Ceil(metrics.horizontalAdvance(QStringLiteral("  ")));
    const int lineHeight = Ceil(metrics.height());

    QVERIFY(d.tip.HasExtendedText());
    QVERIFY(!d.tip.IsExpanded());
    QCOMPARE(d.tip.DisplayedText(),
             QStringLiteral("Begin the process for calculate the Combination for   \n"
                            "the entered Values  "));
    const int collapsedHeight = d.tip.height();
    QVERIFY(collapsedHeight >= 2 * lineHeight + 5);
    QImage image = d.tip.grab().toImage();
    // Right-pointing at the right end of the first line.
    const int textRight = d.tip.width() - 3;
    QCOMPARE(TriangleDirection(image, QRect(textRight - roomWidth, 2, roomWidth + 1, lineHeight)), 1);

    TipDialog::hover(&d.tip);
    QTest::mouseClick(&d.tip, Qt::LeftButton);
    QVERIFY(d.tip.isVisible());
    QVERIFY(d.tip.IsExpanded());
    QCOMPARE(d.tip.DisplayedText(),
             QStringLiteral("  Pressing the RIGHT Mouse Button you can Stop the Proccess."));
    QCOMPARE(d.tip.geometry().topLeft(), corner);
    QVERIFY(d.tip.height() < collapsedHeight); // one line
    image = d.tip.grab().toImage();
    // Left-pointing at the start of the line.
    QCOMPARE(TriangleDirection(image, QRect(2, 2, roomWidth + 1, lineHeight)), -1);

    QTest::mouseClick(&d.tip, Qt::LeftButton);
    QVERIFY(!d.tip.IsExpanded());
    QCOMPARE(d.tip.DisplayedText(),
             QStringLiteral("Begin the process for calculate the Combination for   \n"
                            "the entered Values  "));
    QCOMPARE(d.tip.geometry().topLeft(), corner);
    QCOMPARE(d.tip.height(), collapsedHeight);
}

void TooltipDisplayTest::plainTipHasFrameAndNoTriangle()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.plain));
    QVERIFY(!d.tip.HasExtendedText());
    const QImage image = d.tip.grab().toImage();
    const QFontMetricsF metrics(d.tip.GetTipFont(), &d.tip);
    const int roomWidth = Ceil(metrics.horizontalAdvance(QStringLiteral("  ")));
    const int lineHeight = Ceil(metrics.height());

    QCOMPARE(QColor(image.pixel(0, 0)), QColor(Qt::black));
    QCOMPARE(QColor(image.pixel(image.width() - 1, image.height() - 1)), QColor(Qt::black));
    QCOMPARE(QColor(image.pixel(1, image.height() / 2)),
             QToolTip::palette().color(QPalette::ToolTipBase));
    const QRect rightOfFirstLine(d.tip.width() - 3 - roomWidth, 2, roomWidth, lineHeight);
    QCOMPARE(TriangleDirection(image, rightOfFirstLine), 0);
    for (int x = rightOfFirstLine.left(); x <= rightOfFirstLine.right(); ++x)
        for (int y = rightOfFirstLine.top(); y <= rightOfFirstLine.bottom(); ++y)
            QVERIFY(!IsDark(image.pixel(x, y)));
}

void TooltipDisplayTest::measureFitsWidestLine()
{
    CMultiTipCtrl tip;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QVERIFY(tip.SetTipFont(&font, false));
    QVERIFY(!tip.SetTipFont(nullptr, false));
    QCOMPARE(tip.GetTipFont().pixelSize(), 11);
    const QFontMetricsF metrics(font, &tip);
    const int lineHeight = Ceil(metrics.height());

    const QRect one = tip.MeasureText(QStringLiteral("Short"), 0);
    QCOMPARE(one.topLeft(), QPoint(0, 0));
    QCOMPARE(one.width(), Ceil(metrics.horizontalAdvance(QStringLiteral("Short  "))) + 5);
    QCOMPARE(one.height(), lineHeight + 5);

    const QRect two = tip.MeasureText(QStringLiteral("Short\nA much longer second line"), 0);
    QCOMPARE(two.width(),
             Ceil(metrics.horizontalAdvance(QStringLiteral("A much longer second line  "))) + 5);
    QVERIFY(two.height() >= 2 * lineHeight + 5);
    QVERIFY(two.height() <= 2 * Ceil(metrics.lineSpacing()) + 5);
}

void TooltipDisplayTest::measureWrapsAtMaximumWidth()
{
    CMultiTipCtrl tip;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    tip.SetTipFont(&font, false);
    const QString text = QStringLiteral("one two three four five six seven eight");
    const int single = tip.MeasureText(text, 0).height();
    const QRect wrapped = tip.MeasureText(text, 60);
    QCOMPARE(wrapped.width(), 65);
    QVERIFY(wrapped.height() >= 3 * (single - 5) + 5);
}

void TooltipDisplayTest::rightEdgeShiftsTipLeft()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    TipDialog d(QPoint(screen.right() - 200, 100));
    QVERIFY(d.open());
    const QPoint local(100, 15); // the calc button ends 30 pixels before the edge
    TipDialog::hover(d.calc, local);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
    QCOMPARE(d.tip.geometry().right(), screen.right());
    QCOMPARE(d.tip.geometry().top(), d.calc->mapToGlobal(local).y() + 20);
    QVERIFY(d.tip.geometry().left() < d.calc->mapToGlobal(local).x());
}

void TooltipDisplayTest::tipWiderThanScreenStartsAtLeftEdge()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    TipDialog d;
    QVERIFY(d.open());
    d.tip.AddTool(d.untipped, QString(QStringLiteral("wide words ")).repeated(60));
    QVERIFY(d.showTipOf(d.untipped));
    QVERIFY(d.tip.width() > screen.width());
    QCOMPARE(d.tip.geometry().left(), screen.left());
}

void TooltipDisplayTest::bottomEdgePutsTipAboveControl()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // The calc button ends 10 pixels above the screen's bottom edge.
    TipDialog d(QPoint(150, screen.bottom() + 1 - 110));
    QVERIFY(d.open());
    const QPoint local(40, 15);
    TipDialog::hover(d.calc, local);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
    const QRect placed = d.tip.geometry();
    QCOMPARE(placed.bottom() + 1, d.calc->mapToGlobal(QPoint(0, 0)).y());
    QCOMPARE(placed.left(), d.calc->mapToGlobal(local).x());
    QVERIFY(placed.height() > 20);
}

void TooltipDisplayTest::addToolAndHitTest()
{
    TipDialog d;
    QVERIFY(d.open());
    const std::size_t before = d.tip.Tools().size();
    QVERIFY(!d.tip.AddTool(nullptr, QStringLiteral("nothing")));
    QCOMPARE(d.tip.Tools().size(), before);

    // A tool with its own rectangle and identifier: only that part of the button.
    const QRect part(0, 0, 20, 10);
    QVERIFY(d.tip.AddTool(d.untipped, QStringLiteral("part"), &part, 7));
    QCOMPARE(d.tip.Tools().size(), before + 1);
    const QPoint untippedAt = d.untipped->geometry().topLeft();
    CMultiTipInfo info;
    QVERIFY(d.tip.HitTest(d.untipped, untippedAt + QPoint(5, 5), &info));
    QCOMPARE(info.id, 7u);
    QCOMPARE(info.text, QStringLiteral("part"));
    QCOMPARE(info.rect, QRect(untippedAt, QSize(20, 10)));
    QVERIFY(!d.tip.HitTest(d.untipped, untippedAt + QPoint(50, 20)));

    // A child of a tool's window finds its ancestor's tool.
    info = CMultiTipInfo();
    const QPoint inChild = d.panel->geometry().topLeft() + QPoint(20, 20);
    QVERIFY(d.tip.HitTest(d.panelChild, inChild, &info));
    QCOMPARE(info.window.data(), d.panel);
    QCOMPARE(info.text, QStringLiteral("The panel"));

    // The record is filled even when the point lies on another control.
    info = CMultiTipInfo();
    QVERIFY(!d.tip.HitTest(d.panel, d.plain->geometry().center(), &info));
    QCOMPARE(info.window.data(), d.panel);

    QVERIFY(!d.tip.HitTest(nullptr, inChild));
    QVERIFY(!d.tip.HitTest(&d.dialog, QPoint(5, 5)));
}

void TooltipDisplayTest::firstToolOfWindowWins()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.tip.AddTool(d.plain, QStringLiteral("registered again")));
    QVERIFY(d.showTipOf(d.plain));
    QCOMPARE(d.tip.DisplayedText(), QStringLiteral("Plain tip\nsecond line"));
}

void TooltipDisplayTest::toolAreaFollowsLayout()
{
    TipDialog d;
    QVERIFY(d.open());
    // A layout may place the control only after the tools were added.
    d.plain->setGeometry(200, 220, 150, 30);
    QVERIFY(d.showTipOf(d.plain));
    QCOMPARE(d.tip.DisplayedText(), QStringLiteral("Plain tip\nsecond line"));
}

void TooltipDisplayTest::callbackToolAsksForText()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.tip.AddTool(d.untipped, LPSTR_TEXTCALLBACK, nullptr, 4));
    QString answer = QStringLiteral("Asked for\rand more");
    unsigned askedId = 0;
    QObject::connect(&d.tip, &CMultiTipCtrl::needText,
                     [&](unsigned id, QWidget* window, QString* text) {
                         askedId = id;
                         QCOMPARE(window, d.untipped);
                         *text = answer;
                     });
    QVERIFY(d.showTipOf(d.untipped));
    QCOMPARE(askedId, 4u);
    QCOMPARE(d.tip.DisplayedText(), QStringLiteral("Asked for  "));

    // No answer: no tip.
    answer.clear();
    d.hoverEmpty();
    QTest::keyClick(&d.dialog, Qt::Key_Shift);
    d.hoverEmpty();
    QTest::mouseMove(&d.dialog, d.emptySpot() - QPoint(5, 5));
    TipDialog::hover(d.untipped);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(!d.tip.isVisible());
}

void TooltipDisplayTest::statusFontFollowsApplicationFont()
{
    const QFont original = QApplication::font();
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.tip.UsesSystemFont());
    QCOMPARE(d.tip.GetTipFont(), CMultiTipCtrl::SystemStatusFont());

    QFont larger = original;
    larger.setPointSize(original.pointSize() > 0 ? original.pointSize() + 6 : 20);
    QApplication::setFont(larger);
    const bool followed = d.tip.GetTipFont().pointSize() == larger.pointSize();
    QApplication::setFont(original);
    QVERIFY(followed);

    // A font of the program's own choosing stays when the desktop's changes.
    QFont own(QStringLiteral("Liberation Serif"));
    own.setPixelSize(17);
    d.tip.SetTipFont(&own);
    QVERIFY(!d.tip.UsesSystemFont());
    QApplication::setFont(larger);
    const int kept = d.tip.GetTipFont().pixelSize();
    QApplication::setFont(original);
    QCOMPARE(kept, 17);
}

QTEST_MAIN(TooltipDisplayTest)
#include "tst_multi_tip_display.moc"
