#include "ui/shell/KeyDecision.h"
#include "ui/shell/PanelGeometry.h"
#include "ui/shell/StatusTitle.h"

#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(KeyCommand)
Q_DECLARE_METATYPE(std::optional<QRect>)

namespace {
const QRect kVisible(0, 28, 1440, 872); // a 1440 × 900 screen under a top bar
enum Focus { elsewhere = 0, field = 1, panel = 2, modal = 4 };
} // namespace

class ShellRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusTitle_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("title");
        QTest::newRow("nothing running") << QStringList() << QString();
        QTest::newRow("two") << QStringList{u"Alpha"_s, u"Beta"_s} << u"Alpha, Beta"_s;
        QTest::newRow("three") << QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s} << u"Alpha, Beta, +1"_s;
        const QString fortyTwo = u"x"_s.repeated(42);
        QTest::newRow("42 characters stay whole") << QStringList{fortyTwo} << fortyTwo;
        QTest::newRow("43 characters are cut")
            << QStringList{u"y"_s.repeated(43)} << u"y"_s.repeated(39) + u"..."_s;
        // The cut keeps an emoji (two UTF-16 units) whole.
        const QString emoji = u"\U0001F680"_s;
        QTest::newRow("emoji at the cut") << QStringList{u"z"_s.repeated(38) + emoji + u"tail-of-the-name"_s}
                                          << u"z"_s.repeated(38) + emoji + u"..."_s;
    }

    void statusTitle()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, title);
        QCOMPARE(StatusTitle::forNames(names), title);
        QCOMPARE(StatusTitle::trayToolTip(StatusTitle::forNames(names)),
                 title.isEmpty() ? u"Devnook"_s : title);
    }

    void savedSize_data()
    {
        QTest::addColumn<QVariant>("width");
        QTest::addColumn<QVariant>("height");
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<QSize>("size");
        const auto row = [](const char *name, QVariant width, QVariant height, QSize size,
                            QRect visible = kVisible) {
            QTest::newRow(name) << width << height << visible << size;
        };
        const QSize missing(420, 560);
        row("nothing stored", {}, {}, missing);
        row("integers count", 500, 640, {500, 640});
        row("numbers as the settings file keeps them", u"612"_s, u"733.0"_s, {612, 733});
        row("narrow grows to the minimum", 300.0, 700.0, {420, 700});
        row("text that is no number", u"wide"_s, 640.0, missing);
        row("not a number", std::numeric_limits<double>::quiet_NaN(), 640.0, missing);
        row("infinite", 500.0, std::numeric_limits<double>::infinity(), missing);
        row("negative", -500.0, 640.0, missing);
        row("zero", 500.0, 0.0, missing);
        row("huge is bounded to the screen", 1e300, 1e300, {1424, 856});
        row("small screen wins over the minimum", 500.0, 640.0, {384, 484}, QRect(0, 0, 400, 500));
        row("no screen known", 500.0, 640.0, {500, 640}, QRect());
    }

    void savedSize()
    {
        QFETCH(QVariant, width);
        QFETCH(QVariant, height);
        QFETCH(QRect, visible);
        QFETCH(QSize, size);
        QCOMPARE(PanelGeometry::savedSize(width, height, visible), size);
    }

    // An icon the tray has not embedded yet sits at the origin.
    void trayAnchor_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("known");
        QTest::newRow("in the tray") << QRect(1277, 874, 22, 22) << true;
        QTest::newRow("at the top of a screen") << QRect(1400, 0, 22, 22) << true;
        QTest::newRow("not embedded yet") << QRect(0, 0, 22, 22) << false;
        QTest::newRow("empty") << QRect(700, 2, 0, 0) << false;
    }

    void trayAnchor()
    {
        QFETCH(QRect, geometry);
        QFETCH(bool, known);
        QCOMPARE(PanelGeometry::trayAnchor(geometry), known ? std::optional(geometry) : std::nullopt);
    }

    void position_data()
    {
        QTest::addColumn<std::optional<QRect>>("anchor");
        QTest::addColumn<QPoint>("topLeft");
        // Panel 420 × 560; the panel keeps 8 pixels from the icon and the edges.
        QTest::newRow("centred under the icon") << std::optional(QRect(700, 2, 24, 24)) << QPoint(502, 34);
        QTest::newRow("right edge") << std::optional(QRect(1410, 2, 24, 24)) << QPoint(1012, 34);
        QTest::newRow("left edge") << std::optional(QRect(0, 2, 24, 24)) << QPoint(8, 34);
        QTest::newRow("tray at the bottom lifts the panel")
            << std::optional(QRect(700, 880, 20, 20)) << QPoint(500, 900 - 560 - 8);
        QTest::newRow("cursor at the click") << std::optional(QRect(300, 10, 0, 0)) << QPoint(90, 18);
        QTest::newRow("no anchor: top-right corner") << std::optional<QRect>() << QPoint(1012, 36);
    }

    void position()
    {
        QFETCH(std::optional<QRect>, anchor);
        QFETCH(QPoint, topLeft);
        QCOMPARE(PanelGeometry::position(anchor, QSize(420, 560), kVisible), topLeft);
    }

    void resized()
    {
        // Growing keeps the centre but stays 8 pixels under the visible top.
        QCOMPARE(PanelGeometry::resized(QRect(500, 100, 420, 560), QSize(620, 700), kVisible),
                 QRect(400, 36, 620, 700));
        QCOMPARE(PanelGeometry::resized(QRect(0, 0, 420, 560), QSize(620, 700), QRect(0, 0, 600, 600)),
                 QRect(8, 8, 584, 584));
        QCOMPARE(PanelGeometry::resized(QRect(1000, 400, 420, 500), QSize(620, 700), kVisible),
                 QRect(812, 192, 620, 700));
    }

    void keyDecision_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("focus");
        QTest::addColumn<KeyCommand>("command");
        const auto row = [](const char *name, int key, int modifiers, int focus, KeyCommand command) {
            QTest::newRow(name) << key << modifiers << focus << command;
        };
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
        row("paste in a field", Qt::Key_V, ctrl, field | panel, KeyCommand::paste);
        row("copy", Qt::Key_C, ctrl, field, KeyCommand::copy);
        row("ctrl+alt+v is not paste", Qt::Key_V, ctrl | alt, field, KeyCommand::none);
        row("copy outside a field", Qt::Key_C, ctrl, panel, KeyCommand::none);
        row("editing keys under a modal dialog", Qt::Key_V, ctrl, field | modal, KeyCommand::paste);
        row("escape in the panel", Qt::Key_Escape, 0, panel, KeyCommand::hidePanel);
        row("escape in the panel's field", Qt::Key_Escape, 0, field | panel, KeyCommand::hidePanel);
        row("escape elsewhere", Qt::Key_Escape, 0, elsewhere, KeyCommand::none);
        row("ctrl+n in a field", Qt::Key_N, ctrl, field, KeyCommand::addProject);
        row("ctrl+alt+n", Qt::Key_N, ctrl | alt, elsewhere, KeyCommand::none);
        row("ctrl+shift+n", Qt::Key_N, ctrl | shift, elsewhere, KeyCommand::none);
        row("ctrl+u", Qt::Key_U, ctrl, elsewhere, KeyCommand::usageOverview);
        row("ctrl+comma", Qt::Key_Comma, ctrl, elsewhere, KeyCommand::settings);
        row("ctrl+q", Qt::Key_Q, ctrl, elsewhere, KeyCommand::quit);
        row("ctrl+shift+l", Qt::Key_L, ctrl | shift, elsewhere, KeyCommand::openPanel);
        row("ctrl+l", Qt::Key_L, ctrl, elsewhere, KeyCommand::none);
        row("ctrl+q under a modal dialog", Qt::Key_Q, ctrl, modal, KeyCommand::none);
    }

    void keyDecision()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, focus);
        QFETCH(KeyCommand, command);
        const KeyInput input{key, Qt::KeyboardModifiers(modifiers), bool(focus & field), bool(focus & panel),
                             bool(focus & modal)};
        QCOMPARE(decideKey(input), command);
    }
};

QTEST_GUILESS_MAIN(ShellRulesTest)
#include "ShellRulesTest.moc"
