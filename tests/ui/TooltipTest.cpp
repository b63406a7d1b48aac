#include "ui/kit/Tooltip.h"

#include "ui/kit/ElidedLabel.h"
#include "ui/kit/Kit.h"
#include "ui/kit/TooltipHover.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

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
        const auto row = [](const char *name, QRectF control, TooltipPlacement preferred, QPointF center,
                            QSizeF bubble = {100, 30}) {
            QTest::newRow(name) << control << preferred << bubble << center;
        };
        const auto below = TooltipPlacement::bottom, above = TooltipPlacement::top;
        // Container 400 × 300; the bubble keeps 8 pixels from the control and the edges.
        row("below fits", {150, 100, 100, 20}, below, {200, 120 + 8 + 15});
        row("above fits", {150, 100, 100, 20}, above, {200, 100 - 8 - 15});
        row("bottom edge flips above", {150, 270, 100, 20}, below, {200, 270 - 8 - 15});
        row("top edge flips below", {150, 10, 100, 20}, above, {200, 30 + 8 + 15});
        row("no room keeps bottom, clamped", {150, 20, 100, 260}, below, {200, 300 - 8 - 15});
        row("left edge pushed right", {0, 100, 20, 20}, below, {8 + 50, 143});
        row("right edge pushed left", {390, 100, 10, 20}, below, {400 - 8 - 50, 143});
        row("unmeasured bubble is 80 x 30", {0, 100, 20, 20}, below, {8 + 40, 143}, {0, 0});
    }

    void placement()
    {
        QFETCH(QRectF, control);
        QFETCH(TooltipPlacement, preferred);
        QFETCH(QSizeF, bubble);
        QFETCH(QPointF, center);
        QCOMPARE(TooltipGeometry::bubbleCenter(control, bubble, QSizeF(400, 300), preferred), center);
    }

    void hoverTiming()
    {
        TooltipHover hover;
        QSignalSpy spy(&hover, &TooltipHover::visibilityChanged);
        hover.pointerEntered();
        hover.pointerLeft(); // leaving before the delay shows nothing
        QVERIFY(!hover.isPending());
        QElapsedTimer sinceReentry;
        hover.pointerEntered(); // re-entering restarts the full delay
        sinceReentry.start();
        QVERIFY(spy.wait(1000));
        QVERIFY(sinceReentry.elapsed() >= 170);
        QCOMPARE(spy.size(), 1);
        QVERIFY(hover.isVisible());

        hover.controlDisappeared();
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1), (QVariantList{false, false})); // hidden at once, no fade-out
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
        QVERIFY(bubble.bottom() <= button->geometry().top() - 7.5); // flipped above
        QVERIFY(bubble.left() >= 7.5);
        const QFontMetricsF metrics(Kit::font(12, QFont::Medium));
        QCOMPARE(bubble.height(), metrics.height() + 12);

        // A text wider than the window wraps, whole, within it, onto lines of
        // about the same length.
        const QString reason = u"Add a localhost URL to the project, one of its services or a linked "
                               u"preview URL to share it."_s;
        Tooltip::attach(button, reason, TooltipPlacement::bottom);
        QCOMPARE(root->activePayload()->text, reason);
        const QRectF wrapped = root->bubbleRect();
        QVERIFY(wrapped.left() >= 8 && wrapped.right() <= 400 - 8);
        QVERIFY(wrapped.height() >= 2 * metrics.lineSpacing() + 12);
        QVERIFY(wrapped.width() < metrics.horizontalAdvance(reason) * 0.6);
        const QRectF text = wrapped.adjusted(6, 6, -6, -6);
        QVERIFY(text.contains(metrics.boundingRect(text, Qt::AlignCenter | Qt::TextWordWrap, reason)));

        // The control without text, hovered longer, never showed anything.
        button->hide();
        QVERIFY(!root->activePayload().has_value());
        QVERIFY(root->bubbleRect().isEmpty());
    }

    // The whole text of an elided label pops up as typed, whatever in it
    // looks like markup.
    void anElidedLabelsTooltipShowsItsTextAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a tag") << u"“<b>Blog</b>” already uses this folder"_s;
        QTest::newRow("an entity") << u"Tom &lt;3 Jerry & co"_s;
    }

    void anElidedLabelsTooltipShowsItsTextAsTyped()
    {
        QFETCH(QString, text);
        ElidedLabel label(1);
        label.resize(80, 20);
        label.setFullText(text);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QHelpEvent help(QEvent::ToolTip, {5, 5}, label.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&label, &help);

        const QLabel *tip = nullptr;
        QTRY_VERIFY((tip = shownTooltip()) != nullptr);
        QTextDocument rendered;
        rendered.setHtml(tip->text());
        QCOMPARE(Qt::mightBeRichText(tip->text()) ? rendered.toPlainText() : tip->text(), text);
    }

private:
    // The label of the toolkit's tooltip, while one is shown.
    static const QLabel *shownTooltip()
    {
        for (const QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == u"qtooltip_label" && widget->isVisible())
                return qobject_cast<const QLabel *>(widget);
        }
        return nullptr;
    }
};

QTEST_MAIN(TooltipTest)
#include "TooltipTest.moc"
