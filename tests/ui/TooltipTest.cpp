#include "ui/kit/Tooltip.h"
#include "ui/kit/TooltipHover.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(TooltipPlacement)

class TooltipTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QRectF>("control");
        QTest::addColumn<TooltipPlacement>("preferred");
        QTest::addColumn<QSizeF>("bubble");
        QTest::addColumn<QPointF>("center");
        const QSizeF bubble(100, 30);
        // Container 400 × 300 in every row.
        QTest::newRow("below fits") << QRectF(150, 100, 100, 20) << TooltipPlacement::bottom << bubble
                                    << QPointF(200, 120 + 8 + 15);
        QTest::newRow("above fits") << QRectF(150, 100, 100, 20) << TooltipPlacement::top << bubble
                                    << QPointF(200, 100 - 8 - 15);
        QTest::newRow("bottom edge flips above") << QRectF(150, 270, 100, 20) << TooltipPlacement::bottom
                                                 << bubble << QPointF(200, 270 - 8 - 15);
        QTest::newRow("top edge flips below") << QRectF(150, 10, 100, 20) << TooltipPlacement::top << bubble
                                              << QPointF(200, 30 + 8 + 15);
        // 260 tall control: neither side fits, bottom stays and is clamped
        // 8 pixels above the container's bottom.
        QTest::newRow("no room keeps bottom, clamped") << QRectF(150, 20, 100, 260) << TooltipPlacement::bottom
                                                       << bubble << QPointF(200, 300 - 8 - 15);
        QTest::newRow("left edge pushed right") << QRectF(0, 100, 20, 20) << TooltipPlacement::bottom << bubble
                                                << QPointF(8 + 50, 143);
        QTest::newRow("right edge pushed left") << QRectF(390, 100, 10, 20) << TooltipPlacement::bottom << bubble
                                                << QPointF(400 - 8 - 50, 143);
        QTest::newRow("unmeasured bubble is 80 x 30") << QRectF(0, 100, 20, 20) << TooltipPlacement::bottom
                                                      << QSizeF(0, 0) << QPointF(8 + 40, 143);
    }

    void placement()
    {
        QFETCH(QRectF, control);
        QFETCH(TooltipPlacement, preferred);
        QFETCH(QSizeF, bubble);
        QFETCH(QPointF, center);
        QCOMPARE(TooltipGeometry::bubbleCenter(control, bubble, QSizeF(400, 300), preferred), center);
    }

    void leavingBeforeTheDelayShowsNothing()
    {
        TooltipHover hover;
        QSignalSpy spy(&hover, &TooltipHover::visibilityChanged);
        hover.pointerEntered();
        QVERIFY(hover.isPending());
        hover.pointerLeft();
        QVERIFY(!hover.isPending());
        QVERIFY(!hover.isVisible());
        QVERIFY(spy.isEmpty());
    }

    void reenteringRestartsTheFullDelay()
    {
        TooltipHover hover;
        QSignalSpy spy(&hover, &TooltipHover::visibilityChanged);
        hover.pointerEntered();
        hover.pointerLeft();
        QElapsedTimer sinceReentry;
        hover.pointerEntered();
        sinceReentry.start();
        QVERIFY(hover.remainingDelay() > 150);
        QVERIFY(spy.wait(1000));
        QVERIFY(sinceReentry.elapsed() >= 170);
        QVERIFY(hover.isVisible());
        QCOMPARE(spy.constFirst().at(0).toBool(), true);
    }

    void disappearingHidesAtOnce()
    {
        TooltipHover hover;
        QSignalSpy spy(&hover, &TooltipHover::visibilityChanged);
        hover.pointerEntered();
        QVERIFY(spy.wait(1000));
        hover.controlDisappeared();
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
        QCOMPARE(spy.at(1).at(1).toBool(), false); // no fade-out
    }

    void windowShowsTheHoveredControlsBubble()
    {
        QWidget window;
        window.resize(400, 300);
        auto *root = new TooltipRoot(&window);
        auto *button = new QPushButton(u"Refresh"_s, &window);
        button->setGeometry(0, 262, 60, 30); // at the bottom-left corner
        auto *silent = new QPushButton(u"Silent"_s, &window);
        silent->setGeometry(200, 100, 60, 30);
        Tooltip::attach(button, u"Refresh the status"_s, TooltipPlacement::bottom);
        Tooltip::attach(silent, QString(), TooltipPlacement::bottom);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(root->testAttribute(Qt::WA_TransparentForMouseEvents));

        QEvent enterSilent(QEvent::Enter);
        QCoreApplication::sendEvent(silent, &enterSilent);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(button, &enter);
        QTRY_VERIFY(root->activePayload().has_value());
        QCOMPARE(root->activePayload()->text, u"Refresh the status"_s);
        const QRectF bubble = root->bubbleRect();
        QVERIFY(bubble.bottom() <= button->geometry().top() - 8 + 0.5); // flipped above
        QVERIFY(bubble.left() >= 8 - 0.5);

        // A control that goes away takes its bubble with it at once; the
        // control without text, hovered longer, never reported anything.
        button->hide();
        QVERIFY(!root->activePayload().has_value());
        QVERIFY(root->bubbleRect().isEmpty());
    }
};

QTEST_MAIN(TooltipTest)
#include "TooltipTest.moc"
