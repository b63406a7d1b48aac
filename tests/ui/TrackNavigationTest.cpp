#include "support/TelemetryRig.h"

#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;
using namespace devnook;

// Navigation tracked on real widgets: each showing of a view is one move.
class TrackNavigationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachShowingOfAViewIsOneMove()
    {
        test::TelemetryRig rig;
        rig.initialize();
        QWidget settings;
        QWidget about;
        rig.telemetry.trackNavigation(settings, u"settings"_s);
        rig.telemetry.trackNavigation(about, u"about"_s);
        settings.show();
        about.show();
        about.hide();
        settings.hide();
        settings.show();
        // A view shown again while visible is no new move.
        settings.show();
        QStringList moves;
        for (const QJsonObject &body : rig.queued())
            moves << test::payloadValue(body, u"Telemetry.Navigation.identifier"_s);
        QCOMPARE(moves, (QStringList{u" -> settings"_s, u"settings -> about"_s, u"about -> settings"_s}));
    }
};

QTEST_MAIN(TrackNavigationTest)
#include "TrackNavigationTest.moc"
