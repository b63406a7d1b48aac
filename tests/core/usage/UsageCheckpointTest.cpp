#include "UsageTestSupport.h"
#include "core/usage/UsageSessionCoding.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

// The sessions' times as "hh:mm-hh:mm", in order.
QStringList stretches(const QList<ProjectUsageSession> &sessions)
{
    QStringList texts;
    for (const ProjectUsageSession &session : sessions)
        texts.append(session.startedAt.toDateTime().toLocalTime().toString(u"hh:mm"_s) + u'-' +
                     session.endedAt.toDateTime().toLocalTime().toString(u"hh:mm"_s));
    return texts;
}

// The same, each after its project's name.
QStringList namedStretches(const QList<ProjectUsageSession> &sessions)
{
    QStringList texts;
    for (const ProjectUsageSession &session : sessions)
        texts.append(session.projectName + u' ' + stretches({session}).constFirst());
    return texts;
}

} // namespace

// The checkpoint of running sessions, the history beside it, and the worker
// that writes both: what a run that ends without stopping leaves behind.
class UsageCheckpointTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageHome> m_home;
    const DevProject m_shop = test::makeProject(u"Shop"_s);
    const DevProject m_blog = test::makeProject(u"Blog"_s);

    UsageTrackingService &service() { return *m_home->service; }
    QString checkpointFile() { return service().checkpointFilePath(); }
    // The copies of a damaged checkpoint kept beside it.
    QStringList checkpointCopies() const
    {
        const QDir folder(m_home->dir.filePath(u"Devnook"_s));
        QStringList paths;
        for (const QString &name : folder.entryList({u"usage_checkpoint.json.unreadable-*"_s}))
            paths.append(folder.filePath(name));
        return paths;
    }
    // Writes the checkpoint of the running sessions as of the time.
    void checkpointAt(Timestamp at)
    {
        m_home->clock.set(at);
        auto *timer = service().findChild<QTimer *>(u"usageCheckpointTimer"_s);
        QVERIFY(timer && timer->isActive());
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        service().waitForFiles();
    }
    // Ends the run as a crash would, without stopping its sessions, and
    // starts the next one over the same files.
    QList<ProjectUsageSession> recoveredByTheNextRun()
    {
        m_home->reload();
        return service().completedSessions();
    }

private Q_SLOTS:
    void init() { m_home = std::make_unique<test::UsageHome>(); }
    void cleanup() { m_home.reset(); }

    // A run may end between writing the history and the checkpoint: the
    // stretch both hold is counted once.
    void aStretchInBothFilesIsCountedOnce()
    {
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        const QByteArray checkpoint = test::readFile(checkpointFile());
        service().pause(m_shop.id, localTime(2024, 6, 1, 10));
        service().waitForFiles();
        QVERIFY(!QFile::exists(checkpointFile()));
        test::writeFile(checkpointFile(), checkpoint);

        QCOMPARE(stretches(recoveredByTheNextRun()), QStringList{u"09:00-10:00"_s});
        QVERIFY(!QFile::exists(checkpointFile()));
    }

    // The stretch after a pause is new: recorded apart from the one before.
    void aStretchResumedAfterAPauseIsRecovered()
    {
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service().pause(m_shop.id, localTime(2024, 6, 1, 9, 30));
        service().resume(m_shop.id, localTime(2024, 6, 1, 10));
        checkpointAt(localTime(2024, 6, 1, 11));

        QCOMPARE(stretches(recoveredByTheNextRun()), (QStringList{u"09:00-09:30"_s, u"10:00-11:00"_s}));
    }

    // A launch reads the files only once its panel is up, and the next
    // checkpoint may come first. It must leave the last run's checkpoint for
    // the reading: that run's stretch is recovered, and the stretch running
    // now is not taken for a recovered one and counted twice.
    void aCheckpointBeforeTheReadingLeavesTheLastRunsCheckpoint()
    {
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        const QString checkpoint = checkpointFile();
        const QByteArray lastRun = test::readFile(checkpoint);
        m_home->service.reset();

        UsageTrackingService next(m_home->dir.path(), m_home->clock,
                                  UsageTrackingService::kCheckpointInterval,
                                  UsageTrackingService::Reading::later);
        m_home->clock.set(localTime(2024, 6, 1, 11));
        next.start(m_blog, ProjectUsageSessionSource::playButton, m_home->clock.now());
        m_home->clock.set(localTime(2024, 6, 1, 11, 30));
        auto *timer = next.findChild<QTimer *>(u"usageCheckpointTimer"_s);
        QVERIFY(timer && timer->isActive());
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QSignalSpy loaded(&next, &UsageTrackingService::sessionsLoaded);
        next.startReading();
        QVERIFY(loaded.wait());

        QCOMPARE(stretches(next.completedSessions()), QStringList{u"09:00-10:00"_s});
        QCOMPARE(next.summary(m_blog.id, {}, m_home->clock.now()).total, 1800.0);
        next.waitForFiles();
        QVERIFY(test::readFile(checkpoint) != lastRun);
        next.stopAll(localTime(2024, 6, 1, 12));
        UsageTrackingService reread(m_home->dir.path(), m_home->clock);
        reread.waitForFiles();
        QCOMPARE(stretches(reread.completedSessions()), (QStringList{u"09:00-10:00"_s, u"11:00-12:00"_s}));
    }

    // A project deleted or cleared before the history is read stays cleared:
    // what the files bring of it, the last run's checkpoint and its sessions
    // of a source this version does not know included, is dropped with what
    // this run recorded before the clear, and what it records after the
    // clear stays.
    void aClearBeforeTheReadingHolds_data()
    {
        QTest::addColumn<bool>("clearEvery");
        QTest::newRow("one project") << false;
        QTest::newRow("every project") << true;
    }

    void aClearBeforeTheReadingHolds()
    {
        QFETCH(bool, clearEvery);
        m_home->record(m_shop, localTime(2024, 6, 1, 8), localTime(2024, 6, 1, 9));
        m_home->record(m_blog, localTime(2024, 6, 1, 8, 30), localTime(2024, 6, 1, 9, 30));
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service().start(m_blog, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 10));
        checkpointAt(localTime(2024, 6, 1, 11));
        const QString history = service().sessionsFilePath();
        m_home->service.reset();
        QList<SessionKeptAsStored> laterSource;
        for (const DevProject &project : {m_shop, m_blog}) {
            const ProjectUsageSession session =
                test::makeSession(project, localTime(2024, 5, 31, 9), localTime(2024, 5, 31, 10));
            const QByteArray file = UsageSessionCoding::encodeSessions({session}).value();
            const qsizetype start = file.indexOf('{');
            laterSource.append(SessionKeptAsStored{session.id, project.id,
                                                   file.sliced(start, file.lastIndexOf('}') + 1 - start)
                                                       .replace("\"playButton\"", "\"scheduledTask\"")});
        }
        test::writeFile(history, UsageSessionCoding::encodeSessionFile(
                                     UsageSessionCoding::decodeSessions(test::readFile(history)).sessions, {},
                                     laterSource)
                                     .value());

        UsageTrackingService next(m_home->dir.path(), m_home->clock,
                                  UsageTrackingService::kCheckpointInterval,
                                  UsageTrackingService::Reading::later);
        next.start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 11));
        next.stop(m_shop.id, localTime(2024, 6, 1, 11, 30));
        next.start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 12));
        next.clearSessions(m_shop.id);
        if (clearEvery)
            next.clearSessions(m_blog.id);
        next.start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 13));
        next.stop(m_shop.id, localTime(2024, 6, 1, 14));
        QSignalSpy loaded(&next, &UsageTrackingService::sessionsLoaded);
        next.startReading();
        QVERIFY(loaded.wait());
        next.waitForFiles();

        QStringList expected{u"Shop 13:00-14:00"_s};
        if (!clearEvery)
            expected = QStringList{u"Blog 08:30-09:30"_s, u"Blog 10:00-11:00"_s} + expected;
        QCOMPARE(namedStretches(next.completedSessions()), expected);
        QVERIFY(!next.trackingState(m_shop.id, localTime(2024, 6, 1, 14)).isActive);
        const auto written = UsageSessionCoding::decodeSessions(test::readFile(history));
        QCOMPARE(namedStretches(written.sessions), expected);
        QCOMPARE(written.keptAsStored, clearEvery ? QList<SessionKeptAsStored>() : laterSource.mid(1));
        QVERIFY(!QFile::exists(next.checkpointFilePath()));
    }

    // Only a history written clears the history's failure; a checkpoint
    // written beside it says nothing about it.
    void aCheckpointWrittenLeavesTheHistorysFailureShown()
    {
        const QString history = service().sessionsFilePath();
        QVERIFY(QDir().mkpath(history));
        m_home->record(m_shop, localTime(2024, 6, 1, 9), localTime(2024, 6, 1, 10));
        const QString failure = service().fileProblem();
        QVERIFY2(failure.startsWith(u"Could not save the usage history: "_s), qPrintable(failure));

        service().start(m_blog, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 10));
        checkpointAt(localTime(2024, 6, 1, 10, 30));
        QVERIFY(QFile::exists(checkpointFile()));
        QCOMPARE(service().fileProblem(), failure);

        QVERIFY(QDir(history).removeRecursively());
        service().stop(m_blog.id, localTime(2024, 6, 1, 11));
        service().waitForFiles();
        QCOMPARE(service().fileProblem(), QString());
        QCOMPARE(stretches(recoveredByTheNextRun()), (QStringList{u"09:00-10:00"_s, u"10:00-11:00"_s}));
    }

    // A checkpoint that cannot be saved is told as such, not as a history
    // that could not be, which is saved meanwhile; its failure stands until a
    // checkpoint is saved.
    void aCheckpointThatCannotBeSavedIsToldAsSuch()
    {
        const QString checkpoint = checkpointFile();
        QVERIFY(QDir().mkpath(checkpoint));
        const QString told =
            u"Could not save the running usage sessions: %1 is not a regular file"_s.arg(checkpoint);
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        QCOMPARE(service().fileProblem(), told);

        // Stopping saves the history, and the checkpoint's removal is refused; the
        // problem stands until it is dismissed.
        service().stop(m_shop.id, localTime(2024, 6, 1, 10, 30));
        service().waitForFiles();
        QCOMPARE(service().fileProblem(), told);
        QCOMPARE(
            stretches(
                UsageSessionCoding::decodeSessions(test::readFile(service().sessionsFilePath())).sessions),
            QStringList{u"09:00-10:30"_s});
        service().dismissFileProblem();
        QCOMPARE(service().fileProblem(), QString());

        QVERIFY(QDir(checkpoint).removeRecursively());
        service().start(m_blog, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 11));
        checkpointAt(localTime(2024, 6, 1, 11, 30));
        QCOMPARE(service().fileProblem(), QString());
    }

    // A checkpoint that a crash of the disk left cut gives the sessions
    // that read; it is copied aside before the first write after the reading
    // removes it, and the band tells what was lost and where the copy is.
    void aDamagedCheckpointIsKeptAsideAndWhatReadsIsRecovered_data()
    {
        QTest::addColumn<bool>("wholeFirst");
        QTest::addColumn<QByteArray>("cut");
        QTest::newRow("cut in its first session") << false << QByteArray("[{\"id\": \"x\", garbage");
        QTest::newRow("a whole session, then a cut one")
            << true << QByteArray(",\n  {\"client\": \"\", \"endedAt\": 73");
    }

    void aDamagedCheckpointIsKeptAsideAndWhatReadsIsRecovered()
    {
        QFETCH(bool, wholeFirst);
        QFETCH(QByteArray, cut);
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        const QString checkpoint = checkpointFile();
        const QByteArray whole = test::readFile(checkpoint);
        m_home->service.reset();
        const QByteArray damaged = wholeFirst ? whole.first(whole.lastIndexOf('}') + 1) + cut : cut;
        test::writeFile(checkpoint, damaged);

        QCOMPARE(stretches(recoveredByTheNextRun()),
                 wholeFirst ? QStringList{u"09:00-10:00"_s} : QStringList());
        QVERIFY(!QFile::exists(checkpoint));
        const QStringList copies = checkpointCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(test::readFile(copies.first()), damaged);
        const QString problem = service().fileProblem();
        QVERIFY2(problem.startsWith(u"Could not read the running usage sessions: 1 session is damaged:\n"
                                    u"not valid JSON at offset "_s) &&
                     problem.endsWith(u"The file as it was is kept as %1."_s.arg(copies.first())),
                 qPrintable(problem));
    }

    // A later version's run that ended without stopping leaves sessions of a
    // source this one does not know: they join the history as stored, once,
    // before the checkpoint goes.
    void runningSessionsOfALaterSourceJoinTheHistoryAsStored()
    {
        service().start(m_blog, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        const QString checkpoint = checkpointFile();
        m_home->service.reset();
        const QByteArray later = test::readFile(checkpoint).replace("\"playButton\"", "\"scheduledTask\"");
        test::writeFile(checkpoint, later);

        QCOMPARE(recoveredByTheNextRun(), QList<ProjectUsageSession>());
        QVERIFY(!QFile::exists(checkpoint));
        QVERIFY(checkpointCopies().isEmpty());
        QCOMPARE(service().fileProblem(),
                 u"1 usage session has a source this version of Devnook does not know, so it is not "
                 u"counted. It stays in the file as it was."_s);
        // The history as the later version left it may hold the stretch already.
        const QByteArray history = test::readFile(service().sessionsFilePath());
        QCOMPARE(history.count("scheduledTask"), 1);
        m_home->service.reset();
        test::writeFile(checkpoint, later);
        m_home->reload();
        service().waitForFiles();
        QCOMPARE(test::readFile(service().sessionsFilePath()), history);
    }

    // While a damaged checkpoint cannot be copied aside it is neither
    // removed nor overwritten, and the band says so until a copy is made.
    // Then the band tells where the copy is, as when the reading makes it,
    // also when the write after the copy fails; and it is made once.
    void aDamagedCheckpointStaysWhileItCannotBeKeptAside()
    {
        const QString checkpoint = checkpointFile();
        m_home->service.reset();
        // Larger than the writes let through below; a running stretch is not.
        const QByteArray damaged = "[{\"id\": \"" + QByteArray(4096, 'x');
        test::writeFile(checkpoint, damaged);
        QString read;
        {
            const test::FileSizeLimit limit(2048);
            m_home->reload();
            service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
            checkpointAt(localTime(2024, 6, 1, 10));
            QCOMPARE(test::readFile(checkpoint), damaged);
            QVERIFY(checkpointCopies().isEmpty());
            const QString problem = service().fileProblem();
            QVERIFY2(problem.startsWith(u"Could not save the running usage sessions: the damaged file could "
                                        u"not be kept aside: "_s) &&
                         problem.contains(u"\nThe damaged file of running usage sessions could not be "
                                          u"copied aside ("_s),
                     qPrintable(problem));
            const qsizetype start = problem.indexOf(u"Could not read the running usage sessions: "_s);
            read = problem.sliced(start, problem.indexOf(u"\nThe damaged file"_s) - start);
        }

        // Room for the copy, not for the checkpoint of this many sessions.
        for (int i = 0; i < 40; ++i)
            service().start(test::makeProject(u"Project %1"_s.arg(i)), ProjectUsageSessionSource::playButton,
                            localTime(2024, 6, 1, 10));
        {
            const test::FileSizeLimit limit(damaged.size() + 512);
            checkpointAt(localTime(2024, 6, 1, 10, 15));
        }
        const QStringList copies = checkpointCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(test::readFile(copies.first()), damaged);
        QCOMPARE(test::readFile(checkpoint), damaged);
        const QString keptAside = read + u"\nThe file as it was is kept as %1."_s.arg(copies.first());
        QCOMPARE(service().fileProblem(), u"Could not save the running usage sessions: %1\n"_s.arg(
                                              QString::fromLocal8Bit(std::strerror(EFBIG))) +
                                              keptAside);

        checkpointAt(localTime(2024, 6, 1, 10, 30));
        QCOMPARE(service().fileProblem(), keptAside);
        QCOMPARE(UsageSessionCoding::decodeSessions(test::readFile(checkpoint)).sessions.size(), 41);
        checkpointAt(localTime(2024, 6, 1, 10, 45));
        QCOMPARE(service().fileProblem(), keptAside);
        QCOMPARE(checkpointCopies(), copies);
    }

    // A damaged checkpoint that goes while it cannot be copied aside is at
    // risk no more: the checkpoint written in its place is not taken for it.
    void aDamagedCheckpointThatGoesIsNotKeptAsideAfterwards()
    {
        const QString checkpoint = checkpointFile();
        m_home->service.reset();
        test::writeFile(checkpoint, "[{\"id\": \"" + QByteArray(4096, 'x'));
        {
            const test::FileSizeLimit limit(2048);
            m_home->reload();
        }
        QVERIFY(service().fileProblem().contains(u"could not be copied aside"_s));
        QVERIFY(QFile::remove(checkpoint));

        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        checkpointAt(localTime(2024, 6, 1, 10, 30));
        QVERIFY(checkpointCopies().isEmpty());
        QCOMPARE(stretches(UsageSessionCoding::decodeSessions(test::readFile(checkpoint)).sessions),
                 QStringList{u"09:00-10:30"_s});
        const QString problem = service().fileProblem();
        QVERIFY2(problem.startsWith(u"Could not read the running usage sessions: "_s) &&
                     !problem.contains(u"aside"_s) && !problem.contains(u"kept as"_s),
                 qPrintable(problem));
    }

    // A history that cannot be written leaves the checkpoint as it was: what
    // paused or stopped meanwhile is in neither file's new state, and a
    // crash must still find it in the old checkpoint.
    void aCheckpointOutlivesAHistoryThatCannotBeWritten()
    {
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service().start(m_blog, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9, 30));
        checkpointAt(localTime(2024, 6, 1, 10));
        const QByteArray checkpoint = test::readFile(checkpointFile());
        const QString history = service().sessionsFilePath();
        QVERIFY(QDir().mkpath(history));
        service().pause(m_shop.id, localTime(2024, 6, 1, 10, 30));
        service().waitForFiles();
        QCOMPARE(test::readFile(checkpointFile()), checkpoint);
        service().stop(m_blog.id, localTime(2024, 6, 1, 10, 45));
        service().waitForFiles();
        QCOMPARE(test::readFile(checkpointFile()), checkpoint);

        QVERIFY(QDir(history).removeRecursively());
        QStringList recovered = namedStretches(recoveredByTheNextRun());
        recovered.sort();
        QCOMPARE(recovered, (QStringList{u"Blog 09:30-10:00"_s, u"Shop 09:00-10:00"_s}));
    }

    // A checkpoint saved clears the failure of the one before, unasked.
    void aCheckpointSavedAfterAFailedOneClearsItsFailure()
    {
        const QString checkpoint = checkpointFile();
        QVERIFY(QDir().mkpath(checkpoint));
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        checkpointAt(localTime(2024, 6, 1, 10));
        QVERIFY(service().fileProblem().startsWith(u"Could not save the running usage sessions: "_s));

        QVERIFY(QDir(checkpoint).removeRecursively());
        checkpointAt(localTime(2024, 6, 1, 10, 30));
        QCOMPARE(service().fileProblem(), QString());
        QCOMPARE(stretches(recoveredByTheNextRun()), QStringList{u"09:00-10:30"_s});
    }

    // Jobs wait while the worker is busy, and a waiting one is replaced by
    // the next; a checkpoint alone must not take a waiting history with it.
    void aWaitingHistoryOutlivesACheckpointAskedForAfterIt()
    {
        QObject context;
        const QString history = m_home->dir.filePath(u"worker/history.json"_s);
        const QString checkpoint = m_home->dir.filePath(u"worker/checkpoint.json"_s);
        UsageFileWorker worker(history, checkpoint, context);
        const Timestamp nine = localTime(2024, 6, 1, 9);
        // Long enough to keep the worker writing while the next two jobs are asked for.
        QList<ProjectUsageSession> busy;
        for (int i = 0; i < 100000; ++i)
            busy.append(test::makeSession(m_blog, nine.addSeconds(i), nine.addSeconds(i + 0.5)));
        const QList<ProjectUsageSession> latest{test::makeSession(m_shop, nine, localTime(2024, 6, 1, 10))};
        const QList<ProjectUsageSession> running{
            test::makeSession(m_blog, localTime(2024, 6, 1, 10), localTime(2024, 6, 1, 11))};

        worker.write(UsageFileJob{UsageHistory{busy, {}}, QList<ProjectUsageSession>(), nine});
        worker.write(UsageFileJob{UsageHistory{latest, {}}, QList<ProjectUsageSession>(), nine});
        worker.write(UsageFileJob{std::nullopt, running, nine});
        worker.waitForIdle();

        QCOMPARE(UsageSessionCoding::decodeSessions(test::readFile(history)).sessions, latest);
        QCOMPARE(UsageSessionCoding::decodeSessions(test::readFile(checkpoint)).sessions, running);
    }
};

QTEST_GUILESS_MAIN(UsageCheckpointTest)
#include "UsageCheckpointTest.moc"
