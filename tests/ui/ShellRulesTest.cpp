#include "ShellDoubles.h"
#include "ui/shell/DiagnosticInfoService.h"
#include "ui/shell/FeedbackService.h"
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
const QRect kScreen(0, 0, 1440, 900);
const QRect kVisible(0, 28, 1440, 872); // under a top bar
} // namespace

class ShellRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusTitle_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("title");
        QTest::newRow("nothing running") << QStringList() << QString();
        QTest::newRow("one") << QStringList{u"Alpha"_s} << u"Alpha"_s;
        QTest::newRow("two") << QStringList{u"Alpha"_s, u"Beta"_s} << u"Alpha, Beta"_s;
        QTest::newRow("three") << QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s} << u"Alpha, Beta, +1"_s;
        QTest::newRow("five") << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s} << u"A, B, +3"_s;
        const QString fortyTwo = u"x"_s.repeated(42);
        QTest::newRow("42 characters stay whole") << QStringList{fortyTwo} << fortyTwo;
        QTest::newRow("43 characters are cut")
            << QStringList{u"y"_s.repeated(43)} << u"y"_s.repeated(39) + u"..."_s;
        // 38 letters then an emoji (two UTF-16 units) then more: the cut keeps
        // the emoji whole instead of leaving half a surrogate pair.
        const QString emoji = u"\U0001F680"_s;
        QTest::newRow("emoji at the cut") << QStringList{u"z"_s.repeated(38) + emoji + u"tail-of-the-name"_s}
                                          << u"z"_s.repeated(38) + emoji + u"..."_s;
    }

    void statusTitle()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, title);
        QCOMPARE(StatusTitle::forNames(names), title);
        QCOMPARE(StatusTitle::trayToolTip(StatusTitle::forNames(names)), title.isEmpty() ? u"Devnook"_s : title);
    }

    void savedSize_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<QSize>("size");
        const auto map = [](QVariant width, QVariant height) {
            QVariantMap values;
            if (width.isValid())
                values.insert(u"width"_s, width);
            if (height.isValid())
                values.insert(u"height"_s, height);
            return QVariant(values);
        };
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        QTest::newRow("nothing stored") << QVariant() << kVisible << QSize(420, 560);
        QTest::newRow("stored size") << map(500.0, 640.0) << kVisible << QSize(500, 640);
        QTest::newRow("narrow grows to the minimum") << map(300.0, 700.0) << kVisible << QSize(420, 700);
        QTest::newRow("no height") << map(500.0, {}) << kVisible << QSize(420, 560);
        QTest::newRow("text is not a number") << map(u"500"_s, 640.0) << kVisible << QSize(420, 560);
        QTest::newRow("integers count") << map(500, 640) << kVisible << QSize(500, 640);
        QTest::newRow("not a number") << map(nan, 640.0) << kVisible << QSize(420, 560);
        QTest::newRow("infinite") << map(500.0, infinity) << kVisible << QSize(420, 560);
        QTest::newRow("negative") << map(-500.0, 640.0) << kVisible << QSize(420, 560);
        QTest::newRow("zero") << map(500.0, 0.0) << kVisible << QSize(420, 560);
        QTest::newRow("taller than the screen") << map(500.0, 5000.0) << kVisible << QSize(500, 856);
        QTest::newRow("huge number") << map(1e300, 1e300) << kVisible << QSize(1424, 856);
        QTest::newRow("small screen wins over the minimum")
            << map(500.0, 640.0) << QRect(0, 0, 400, 500) << QSize(384, 484);
        QTest::newRow("no screen known") << map(500.0, 640.0) << QRect() << QSize(500, 640);
    }

    void savedSize()
    {
        QFETCH(QVariant, stored);
        QFETCH(QRect, visible);
        QFETCH(QSize, size);
        QCOMPARE(PanelGeometry::savedSize(stored, visible), size);
    }

    void savedSizeRoundTrip()
    {
        const QSize size(612, 733);
        QCOMPARE(PanelGeometry::savedSize(PanelGeometry::storedValue(size), kVisible), size);
    }

    void position_data()
    {
        QTest::addColumn<std::optional<QRect>>("anchor");
        QTest::addColumn<QPoint>("topLeft");
        // Panel 420 × 560 under a 24-pixel tray icon.
        QTest::newRow("centred under the icon")
            << std::optional<QRect>(QRect(700, 2, 24, 24)) << QPoint(712 - 210, 26 + 8);
        QTest::newRow("near the right edge stays 8 inside")
            << std::optional<QRect>(QRect(1410, 2, 24, 24)) << QPoint(1440 - 420 - 8, 34);
        QTest::newRow("near the left edge stays 8 inside")
            << std::optional<QRect>(QRect(0, 2, 24, 24)) << QPoint(8, 34);
        QTest::newRow("tray at the bottom lifts the panel above it")
            << std::optional<QRect>(QRect(700, 880, 20, 20)) << QPoint(710 - 210, 28 + 872 - 560 - 8);
        QTest::newRow("cursor at the click") << std::optional<QRect>(QRect(QPoint(300, 10), QSize(0, 0)))
                                             << QPoint(300 - 210, 18);
        QTest::newRow("no anchor: top-right corner") << std::optional<QRect>() << QPoint(1440 - 420 - 8, 28 + 8);
    }

    void position()
    {
        QFETCH(std::optional<QRect>, anchor);
        QFETCH(QPoint, topLeft);
        QCOMPARE(PanelGeometry::position(anchor, QSize(420, 560), kVisible), topLeft);
    }

    void resized()
    {
        // Growing to the form size keeps the centre, then moves down to stay
        // 8 pixels under the visible top.
        QCOMPARE(PanelGeometry::resized(QRect(500, 100, 420, 560), QSize(620, 700), kVisible),
                 QRect(400, 36, 620, 700));
        // A small screen bounds the size to its visible frame minus 16.
        QCOMPARE(PanelGeometry::resized(QRect(0, 0, 420, 560), QSize(620, 700), QRect(0, 0, 600, 600)),
                 QRect(8, 8, 584, 584));
        // Near the bottom-right corner the frame is pushed back inside.
        QCOMPARE(PanelGeometry::resized(QRect(1000, 400, 420, 500), QSize(620, 700), kVisible),
                 QRect(1440 - 620 - 8, 900 - 700 - 8, 620, 700));
    }

    void keyDecision_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("inTextField");
        QTest::addColumn<bool>("inPanel");
        QTest::addColumn<bool>("modal");
        QTest::addColumn<KeyCommand>("command");
        const int ctrl = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        const int alt = Qt::AltModifier;
        QTest::newRow("paste in a field") << int(Qt::Key_V) << ctrl << true << true << false << KeyCommand::paste;
        QTest::newRow("shift does not matter for paste")
            << int(Qt::Key_V) << (ctrl | shift) << true << false << false << KeyCommand::paste;
        QTest::newRow("cut") << int(Qt::Key_X) << ctrl << true << false << false << KeyCommand::cut;
        QTest::newRow("copy") << int(Qt::Key_C) << ctrl << true << false << false << KeyCommand::copy;
        QTest::newRow("select all") << int(Qt::Key_A) << ctrl << true << false << false << KeyCommand::selectAll;
        QTest::newRow("ctrl+alt+v is not paste")
            << int(Qt::Key_V) << (ctrl | alt) << true << false << false << KeyCommand::none;
        QTest::newRow("copy outside a field is left alone")
            << int(Qt::Key_C) << ctrl << false << true << false << KeyCommand::none;
        QTest::newRow("editing keys work under a modal dialog")
            << int(Qt::Key_V) << ctrl << true << false << true << KeyCommand::paste;
        QTest::newRow("escape in the panel") << int(Qt::Key_Escape) << 0 << false << true << false
                                             << KeyCommand::hidePanel;
        QTest::newRow("escape in the panel's field")
            << int(Qt::Key_Escape) << 0 << true << true << false << KeyCommand::hidePanel;
        QTest::newRow("escape elsewhere") << int(Qt::Key_Escape) << 0 << false << false << false
                                          << KeyCommand::none;
        QTest::newRow("ctrl+n anywhere") << int(Qt::Key_N) << ctrl << false << false << false
                                         << KeyCommand::addProject;
        QTest::newRow("ctrl+n in a field") << int(Qt::Key_N) << ctrl << true << false << false
                                           << KeyCommand::addProject;
        QTest::newRow("ctrl+alt+n") << int(Qt::Key_N) << (ctrl | alt) << false << false << false
                                    << KeyCommand::none;
        QTest::newRow("ctrl+shift+n") << int(Qt::Key_N) << (ctrl | shift) << false << false << false
                                      << KeyCommand::none;
        QTest::newRow("ctrl+u") << int(Qt::Key_U) << ctrl << false << false << false << KeyCommand::usageOverview;
        QTest::newRow("ctrl+comma") << int(Qt::Key_Comma) << ctrl << false << false << false
                                    << KeyCommand::settings;
        QTest::newRow("ctrl+q") << int(Qt::Key_Q) << ctrl << false << false << false << KeyCommand::quit;
        QTest::newRow("ctrl+shift+l") << int(Qt::Key_L) << (ctrl | shift) << false << false << false
                                      << KeyCommand::openPanel;
        QTest::newRow("ctrl+l") << int(Qt::Key_L) << ctrl << false << false << false << KeyCommand::none;
        QTest::newRow("ctrl+q under a modal dialog")
            << int(Qt::Key_Q) << ctrl << false << false << true << KeyCommand::none;
        QTest::newRow("plain n") << int(Qt::Key_N) << 0 << false << true << false << KeyCommand::none;
    }

    void keyDecision()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, inTextField);
        QFETCH(bool, inPanel);
        QFETCH(bool, modal);
        QFETCH(KeyCommand, command);
        QCOMPARE(decideKey({key, Qt::KeyboardModifiers(modifiers), inTextField, inPanel, modal}), command);
    }

    void mailtoEncodesEveryReservedCharacter()
    {
        const QUrl url = FeedbackService::mailtoUrl(u"support@devnook.app"_s, u"Bugs & fixes + more #1"_s,
                                                    u"Café über\nline two?"_s);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), u"mailto"_s);
        QCOMPARE(url.toEncoded(),
                 QByteArray("mailto:support@devnook.app?subject=Bugs%20%26%20fixes%20%2B%20more%20%231"
                            "&body=Caf%C3%A9%20%C3%BCber%0Aline%20two%3F"));
    }

    void feedbackMailEndsWithDiagnostics()
    {
        const QString summary = DiagnosticInfoService::summary(u"1.2.0 (7)"_s, u"Debian GNU/Linux 12"_s, u"ID"_s);
        QCOMPARE(summary, u"Devnook diagnostics\nVersion: 1.2.0 (7)\nOS: Debian GNU/Linux 12\nInstall ID: ID"_s);
        const FeedbackMail bug = FeedbackService::compose(FeedbackKind::bugReport, summary);
        QVERIFY(bug.body.endsWith(u"\n\n\n---\n"_s + summary));
        QVERIFY(!bug.body.startsWith(u"feedback_bug_body"_s)); // the key has a text
        const FeedbackMail feature = FeedbackService::compose(FeedbackKind::featureRequest, summary);
        QVERIFY(feature.subject != bug.subject);
        QVERIFY(feature.body.endsWith(u"\n\n\n---\n"_s + summary));

        test::RecordingUrlOpener opener;
        FeedbackService::openMail(opener, bug);
        QCOMPARE(opener.opened.size(), 1);
        QCOMPARE(opener.opened.constFirst().scheme(), u"mailto"_s);
        QCOMPARE(opener.opened.constFirst().path(), FeedbackService::kSupportAddress);
    }

    void helpPageIsHttps()
    {
        const QUrl help = AppDistributionConfiguration::helpURL();
        QVERIFY(help.isValid());
        QCOMPARE(help.scheme(), u"https"_s);
        QCOMPARE(help.path(), u"/help"_s);
    }
};

QTEST_GUILESS_MAIN(ShellRulesTest)
#include "ShellRulesTest.moc"
