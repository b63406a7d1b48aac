#include "core/preview/DevicePreviewViewModel.h"

#include "core/foundation/BootTimeTimer.h"
#include "core/foundation/UuidText.h"
#include "core/preview/DevicePreviewBadge.h"
#include "support/PreviewRig.h"

#include <QCoroTask>
#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;
using Content = DevicePreviewContent;
using Reachability = DevicePreviewReachability;
using Reason = DevicePreviewFailureReason;

namespace {

QString freeOrigin()
{
    return u"http://127.0.0.1:"_s + QString::number(LoopbackHttpServer::freePort());
}

DevProject projectAt(const QStringList &serviceURLs)
{
    DevProject project;
    project.id = QUuid::createUuid();
    project.name = u"Shop"_s;
    project.localhostURL = serviceURLs.value(0);
    for (const QString &url : serviceURLs.mid(1))
        project.services.append({QUuid::createUuid(), u"api"_s, u"run"_s, url});
    return project;
}

// The content kinds a model went through from the start, each change once.
struct ContentTrail {
    explicit ContentTrail(const DevicePreviewViewModel &model) : kinds{model.content()}
    {
        QObject::connect(&model, &DevicePreviewViewModel::contentChanged, &model, [this, &model] {
            if (kinds.isEmpty() || kinds.last() != model.content())
                kinds.append(model.content());
        });
    }
    QList<Content> kinds;
};

QList<Reachability::State> statesOf(const DevicePreviewViewModel &model)
{
    QList<Reachability::State> states;
    for (const DevicePreviewTarget &target : model.targets())
        for (const DevicePreviewCandidate &candidate : target.candidates)
            states.append(model.reachability(candidate.id()).value_or(Reachability::checking()).state);
    return states;
}

} // namespace

class DevicePreviewViewModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PreviewRig> m_rig;
    QHash<QString, QString> m_effective;
    bool m_inCatalogue = true;

    std::unique_ptr<DevicePreviewViewModel> makeModel(const DevProject &project)
    {
        return std::make_unique<DevicePreviewViewModel>(
            project,
            DevicePreviewViewServices{m_rig->proxies, m_rig->probe, m_rig->clipboard, m_rig->urls,
                                      [this] { return m_effective; }, [this] { return m_inCatalogue; }});
    }

    const DevicePreviewCandidate &candidate(const DevicePreviewViewModel &model, int target, int index = 0)
    {
        return model.targets()[target].candidates[index];
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<PreviewRig>();
        m_effective.clear();
        m_inCatalogue = true;
    }

    void contentStates_data()
    {
        QTest::addColumn<QString>("configuredURL");
        QTest::addColumn<QString>("discoveredURL");
        QTest::addColumn<bool>("activeBefore");
        QTest::addColumn<bool>("activatedElsewhere");
        QTest::addColumn<bool>("hasTargets");
        QTest::addColumn<QList<Content>>("trail");
        const QString page = u"devServer"_s;
        QTest::newRow("off: inactive at once, never loading")
            << page << QString() << false << false << true << QList<Content>{Content::inactive};
        QTest::newRow("no URL at all: switch unusable")
            << QString() << QString() << false << false << false << QList<Content>{Content::inactive};
        QTest::newRow("only a discovered URL")
            << QString() << page << false << false << true << QList<Content>{Content::inactive};
        QTest::newRow("on: loading, then the sections") << page << QString() << true << false << true
                                                        << QList<Content>{Content::loading, Content::targets};
        QTest::newRow("switched on elsewhere without targets loaded")
            << page << QString() << false << true << true
            << QList<Content>{Content::inactive, Content::noURLs};
    }

    void contentStates()
    {
        QFETCH(QString, configuredURL);
        QFETCH(QString, discoveredURL);
        QFETCH(bool, activeBefore);
        QFETCH(bool, activatedElsewhere);
        QFETCH(bool, hasTargets);
        QFETCH(QList<Content>, trail);
        const QString origin = m_rig->server->origin();
        DevProject project = projectAt({configuredURL == u"devServer" ? origin : QString()});
        if (discoveredURL == u"devServer")
            m_effective.insert(u"project:"_s + UuidText::format(project.id), origin);
        const QList<DevicePreviewTarget> target{{u"Shop"_s, QUrl(origin), false, {}}};
        if (activeBefore)
            QCoro::waitFor(m_rig->proxies.proxiedTargets(target, project.id));

        auto model = makeModel(project);
        ContentTrail seen(*model);
        QCoro::waitFor(model->start());
        if (activatedElsewhere)
            QCoro::waitFor(m_rig->proxies.proxiedTargets(target, project.id));
        QCOMPARE(seen.kinds, trail);
        QCOMPARE(model->hasTargets(), hasTargets);
        QCOMPARE(model->isLoading(), false);
    }

    // A project that is no longer in the catalogue is never switched on,
    // whatever its window asks.
    void aProjectOutOfTheCatalogueStaysOff()
    {
        auto model = makeModel(projectAt({m_rig->server->origin()}));
        ContentTrail seen(*model);
        m_inCatalogue = false;
        QCoro::waitFor(model->setActive(true));
        QVERIFY(m_rig->proxies.activeProjectIDs().isEmpty());
        QCOMPARE(seen.kinds, QList<Content>{Content::inactive});
        QCOMPARE(model->isLoading(), false);

        m_inCatalogue = true;
        QCoro::waitFor(model->setActive(true));
        QCOMPARE(model->content(), Content::targets);
    }

    void switchingOnChecksEveryAddress_data()
    {
        QTest::addColumn<int>("interfaceCount");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QList<Reachability>>("expected");
        QTest::addColumn<int>("available");
        const Reachability up = Reachability::available();
        const Reachability refused = Reachability::unavailable(Reason::of(Reason::Kind::connectionRefused));
        QTest::newRow("one address answers") << 1 << QStringList{u"/page"_s} << QList<Reachability>{up} << 1;
        QTest::newRow("a server error")
            << 1 << QStringList{u"/fail"_s}
            << QList<Reachability>{Reachability::unavailable(Reason::httpStatus(500))} << 0;
        QTest::newRow("one answers, one refused")
            << 1 << QStringList{u"/page"_s, u"refused"_s} << QList<Reachability>{up, refused} << 1;
        QTest::newRow("two interfaces, two targets") << 2 << QStringList{u"/page"_s, u"refused"_s}
                                                     << QList<Reachability>{up, up, refused, refused} << 2;
        QTest::newRow("no network") << 0 << QStringList{u"/page"_s} << QList<Reachability>{} << 0;
    }

    void switchingOnChecksEveryAddress()
    {
        QFETCH(int, interfaceCount);
        QFETCH(QStringList, paths);
        QFETCH(QList<Reachability>, expected);
        QFETCH(int, available);
        m_rig->interfaces.list = QList<DevicePreviewService::LanInterface>{
            {u"test0"_s, u"127.0.0.1"_s},
            {u"test1"_s,
             u"127.0.0.2"_s}}.first(interfaceCount);
        QStringList urls;
        for (const QString &path : paths)
            urls.append(path == u"refused" ? freeOrigin() : m_rig->server->origin() + path);
        auto model = makeModel(projectAt(urls));
        QCoro::waitFor(model->start());
        QCOMPARE(model->content(), Content::inactive);

        QCoro::waitFor(model->setActive(true));
        QCOMPARE(model->content(), Content::targets);
        QCOMPARE(model->targets().size(), paths.size());
        QList<Reachability> results;
        for (const DevicePreviewTarget &target : model->targets())
            for (const DevicePreviewCandidate &candidate : target.candidates)
                results.append(*model->reachability(candidate.id()));
        QCOMPARE(results, expected);
        QCOMPARE(model->reachabilityMap().size(), expected.size());
        QCOMPARE(m_rig->proxies.healthByProjectID().value(model->project().id),
                 DevicePreviewHealthSummary::result(available, static_cast<int>(expected.size())));
        QCOMPARE(model->lastChecked(), std::optional(m_rig->clock.now()));
    }

    void rechecks()
    {
        auto second = LoopbackHttpServer::listeningDevServer();
        QVERIFY(second);
        m_rig->interfaces.list.append({u"test1"_s, u"127.0.0.2"_s});
        auto model =
            makeModel(projectAt({m_rig->server->origin() + u"/page"_s, second->origin() + u"/page"_s}));
        QCoro::waitFor(model->setActive(true));
        QCOMPARE(statesOf(*model), QList<Reachability::State>(4, Reachability::State::available));

        // With the second dev server stopped, a badge click re-checks that address alone.
        const qsizetype firstServerRequests = m_rig->server->requests().size();
        second.reset();
        auto click = model->refreshReachability(candidate(*model, 1));
        QCOMPARE(model->reachability(candidate(*model, 1).id()), Reachability::checking());
        QCoro::waitFor(std::move(click));
        QCOMPARE(statesOf(*model), (QList<Reachability::State>{
                                       Reachability::State::available, Reachability::State::available,
                                       Reachability::State::unavailable, Reachability::State::available}));
        QCOMPARE(m_rig->server->requests().size(), firstServerRequests);
        QCOMPARE(m_rig->proxies.healthByProjectID().value(model->project().id),
                 DevicePreviewHealthSummary::result(3, 4));

        // Re-checking all marks every address as checking at once, and a
        // reactivation after an interface went away drops its addresses.
        QList<Reachability::State> atStart;
        connect(model.get(), &DevicePreviewViewModel::reachabilityChanged, this, [&](const QString &id) {
            if (id.isEmpty() && atStart.isEmpty())
                atStart = statesOf(*model);
        });
        QCoro::waitFor(model->refreshReachability());
        QCOMPARE(atStart, QList<Reachability::State>(4, Reachability::State::checking));
        m_rig->interfaces.list.removeLast();
        QCoro::waitFor(model->activatePreview());
        QCOMPARE(model->reachabilityMap().size(), 2);
        QCOMPARE(m_rig->proxies.healthByProjectID().value(model->project().id),
                 DevicePreviewHealthSummary::result(1, 2));
    }

    // The dev server holds the first request until the proxy gives up on it,
    // so the check that started first ends last.
    void anEarlierCheckNeverOverwritesALaterOne_data()
    {
        QTest::addColumn<bool>("badgeClick");
        QTest::newRow("a badge click during the activation's check") << true;
        QTest::newRow("re-check all during the activation's check") << false;
    }

    void anEarlierCheckNeverOverwritesALaterOne()
    {
        QFETCH(bool, badgeClick);
        LoopbackHttpServer holding(QHostAddress::LocalHost, {200}, LoopbackHttpServer::Behaviour::holdFirst);
        QVERIFY(holding.listen());
        auto model = makeModel(projectAt({holding.origin()}));
        auto activation = model->setActive(true);
        QTRY_COMPARE(holding.requests().size(), 1);
        QCoro::waitFor(badgeClick ? model->refreshReachability(candidate(*model, 0))
                                  : model->refreshReachability());
        QCOMPARE(statesOf(*model), QList<Reachability::State>{Reachability::State::available});

        QCoro::waitFor(std::move(activation)); // the held probe ends with the proxy's time-out
        QCOMPARE(statesOf(*model), QList<Reachability::State>{Reachability::State::available});
        QCOMPARE(m_rig->proxies.healthByProjectID().value(model->project().id),
                 DevicePreviewHealthSummary::result(1, 1));
    }

    // A check that ends while another still probes hands nothing over: the
    // unfinished probes would count as unreachable.
    void theHealthWaitsForTheLastProbe()
    {
        LoopbackHttpServer holding(QHostAddress::LocalHost, {200}, LoopbackHttpServer::Behaviour::holdFirst);
        QVERIFY(holding.listen());
        auto model = makeModel(projectAt({holding.origin(), m_rig->server->origin() + u"/page"_s}));
        auto activation = model->setActive(true);
        QTRY_COMPARE(statesOf(*model), (QList<Reachability::State>{Reachability::State::checking,
                                                                   Reachability::State::available}));
        QCoro::waitFor(model->refreshReachability(candidate(*model, 1)));
        QCOMPARE(m_rig->proxies.healthByProjectID().value(model->project().id),
                 DevicePreviewHealthSummary::checking());
        QCoro::waitFor(std::move(activation));
        QCOMPARE(m_rig->proxies.healthByProjectID().value(model->project().id),
                 DevicePreviewHealthSummary::result(1, 2));
    }

    void switchingOffDropsWhatIsStillUnderway()
    {
        LoopbackHttpServer holding(QHostAddress::LocalHost, {200}, LoopbackHttpServer::Behaviour::holdFirst);
        QVERIFY(holding.listen());
        auto model = makeModel(projectAt({holding.origin()}));
        auto activation = model->setActive(true);
        QTRY_COMPARE(holding.requests().size(), 1);
        QCoro::waitFor(model->setActive(false));
        QCOMPARE(model->content(), Content::inactive);
        QVERIFY(model->targets().isEmpty() && model->reachabilityMap().isEmpty());

        QCoro::waitFor(std::move(activation));
        QVERIFY(model->reachabilityMap().isEmpty());
        QVERIFY(m_rig->proxies.healthByProjectID().isEmpty() && !model->lastChecked());

        // A model that goes while its check runs is not called back.
        auto again = makeModel(projectAt({m_rig->server->origin() + u"/slow"_s}));
        auto running = again->setActive(true);
        QTRY_VERIFY(!again->reachabilityMap().isEmpty());
        again.reset();
        QCoro::waitFor(std::move(running));
    }

    void copyFeedback_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("marks");
        // "copy X" copies row X; "end N" ends the N-th copy's two seconds.
        QTest::newRow("one copy") << QStringList{u"copy A"_s, u"end 0"_s} << QStringList{u"A"_s, QString()};
        QTest::newRow("the mark moves to another row")
            << QStringList{u"copy A"_s, u"copy B"_s, u"end 0"_s, u"end 1"_s}
            << QStringList{u"A"_s, u"B"_s, u"B"_s, QString()};
        QTest::newRow("the same row twice: the first copy's time ends it")
            << QStringList{u"copy A"_s, u"copy A"_s, u"end 0"_s, u"end 1"_s}
            << QStringList{u"A"_s, u"A"_s, QString(), QString()};
    }

    void copyFeedback()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, marks);
        auto model = makeModel(projectAt({m_rig->server->origin()}));
        const QHash<QString, DevicePreviewCandidate> rows{
            {u"A"_s, {u"test0"_s, u"127.0.0.1"_s, QUrl(u"http://127.0.0.1:4000/a"_s)}},
            {u"B"_s, {u"test0"_s, u"127.0.0.1"_s, QUrl(u"http://127.0.0.1:4000/b"_s)}}};
        QList<BootTimeTimer *> timers;
        QStringList seen;
        QStringList copied;
        for (const QString &step : steps) {
            const QString argument = step.section(u' ', 1);
            if (step.startsWith(u"copy")) {
                model->copy(rows.value(argument));
                copied.append(rows.value(argument).url.toString());
                timers = model->findChildren<BootTimeTimer *>(u"copiedFeedbackTimer"_s);
                QCOMPARE(timers.last()->interval(), std::chrono::milliseconds(2000));
            } else {
                QMetaObject::invokeMethod(timers.at(argument.toInt()), "timeout");
            }
            const std::optional<QString> id = model->copiedCandidateID();
            QString row;
            for (const QString &name : rows.keys())
                row = id == rows.value(name).id() ? name : row;
            seen.append(row);
        }
        QCOMPARE(seen, marks);
        QCOMPARE(m_rig->clipboard.texts, copied);
    }

    // Until a result is in, the badge is the progress indicator.
    void theBadgeWaitsForAResult()
    {
        QCOMPARE(DevicePreviewBadge::of(std::nullopt), DevicePreviewBadge{});
        QCOMPARE(DevicePreviewBadge::of(Reachability::checking()), DevicePreviewBadge{});
    }
};

QTEST_GUILESS_MAIN(DevicePreviewViewModelTest)
#include "DevicePreviewViewModelTest.moc"
