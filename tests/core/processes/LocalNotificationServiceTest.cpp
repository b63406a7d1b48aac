#include "core/processes/LocalNotificationService.h"

#include "core/foundation/UuidText.h"
#include "core/processes/ProjectCommandService.h"
#include "support/RecordingDesktop.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Stands in for the desktop: keeps every request and answers with a set result.
class FakeNotifier final : public Notifier {
public:
    QList<NotificationRequest> requests;
    DeliveryResult answer = DeliveryResult::delivered;
    int prepareCalls = 0;

    void prepare() override { ++prepareCalls; }
    QCoro::Task<DeliveryResult> deliver(NotificationRequest request) override
    {
        requests.append(request);
        co_return answer;
    }
    void click(const QHash<QString, QString> &userInfo) { Q_EMIT clicked(userInfo); }
};

const QUuid kProjectID = QUuid::fromString(u"6f1f4d2a-2b4c-4d8e-9a3b-0c5d7e9f1a2b"_s);

using Post = std::function<QCoro::Task<DeliveryResult>(LocalNotificationService &)>;
using UserInfo = QHash<QString, QString>;

} // namespace

class LocalNotificationServiceTest : public QObject {
    Q_OBJECT

private:
    FakeNotifier m_notifier;
    test::RecordingUrlOpener m_opener;
    test::RecordingClipboard m_clipboard;
    test::RecordingTerminalLauncher m_terminal;
    ProjectCommandService m_commands{m_opener, m_clipboard, m_terminal};
    LocalNotificationService m_service{m_notifier, m_commands};

private Q_SLOTS:
    void init()
    {
        m_notifier.requests.clear();
        m_notifier.answer = DeliveryResult::delivered;
        m_opener.opened.clear();
    }

    void requests_data()
    {
        QTest::addColumn<Post>("post");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<UserInfo>("userInfo");

        const QString name = u"Shop <beta> & co"_s;
        const QHash<QString, QString> logs{
            {LocalNotificationService::kLogsProjectIDKey, UuidText::format(kProjectID)}};
        QTest::newRow("dev process started")
            << Post([name](LocalNotificationService &s) {
                   return s.notifyDevProcessStarted(name, u"localhost:5173"_s);
               })
            << u"dev-started"_s << u"Shop <beta> & co is running"_s << u"Ready at localhost:5173"_s
            << QHash<QString, QString>{{LocalNotificationService::kURLKey, u"http://localhost:5173"_s}};
        QTest::newRow("dev process started without a URL")
            << Post([name](LocalNotificationService &s) { return s.notifyDevProcessStartedWithoutURL(name); })
            << u"dev-started"_s << u"Shop <beta> & co is running"_s << u"The dev process has started."_s
            << QHash<QString, QString>{};
        QTest::newRow("workspace ready")
            << Post([name](LocalNotificationService &s) {
                   return s.notifyWorkspaceReady(name, u"https://shop.test:8443/"_s);
               })
            << u"workspace-ready"_s << u"Shop <beta> & co workspace is ready"_s
            << u"Ready at https://shop.test:8443/"_s
            << QHash<QString, QString>{{LocalNotificationService::kURLKey, u"https://shop.test:8443/"_s}};
        QTest::newRow("blank URL leaves no user info")
            << Post([name](LocalNotificationService &s) { return s.notifyDevProcessStarted(name, u"  "_s); })
            << u"dev-started"_s << u"Shop <beta> & co is running"_s << u"Ready at   "_s
            << QHash<QString, QString>{};
        QTest::newRow("dev process failed")
            << Post(
                   [name](LocalNotificationService &s) { return s.notifyDevProcessFailed(name, kProjectID); })
            << u"dev-failed"_s << u"Shop <beta> & co needs attention"_s
            << u"The dev process stopped with an error. Click to see the logs."_s << logs;
        QTest::newRow("readiness failed") << Post([name](LocalNotificationService &s) {
            return s.notifyDevProcessReadinessFailed(name, kProjectID);
        }) << u"dev-readiness-failed"_s << u"Shop <beta> & co needs attention"_s
                                          << u"The local URL did not answer in time. Click to see the logs."_s
                                          << logs;
        QTest::newRow("workspace failed")
            << Post([name](LocalNotificationService &s) { return s.notifyWorkspaceFailed(name, kProjectID); })
            << u"workspace-failed"_s << u"Shop <beta> & co needs attention"_s
            << u"The workspace did not become ready. Click to see the logs."_s << logs;
    }

    void requests()
    {
        QFETCH(Post, post);
        QFETCH(QString, prefix);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(UserInfo, userInfo);

        QCOMPARE(QCoro::waitFor(post(m_service)), DeliveryResult::delivered);
        QCOMPARE(QCoro::waitFor(post(m_service)), DeliveryResult::delivered);

        QCOMPARE(m_notifier.requests.size(), 2);
        const QRegularExpression identifier(
            u"^"_s + QRegularExpression::escape(prefix) +
            u"-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s);
        for (const NotificationRequest &request : std::as_const(m_notifier.requests)) {
            QVERIFY2(identifier.match(request.identifier).hasMatch(), qPrintable(request.identifier));
            QCOMPARE(request.title, title);
            QCOMPARE(request.body, body);
            QCOMPARE(request.userInfo, userInfo);
        }
        // Every notification is a new one; none replaces the one before.
        QVERIFY(m_notifier.requests[0].identifier != m_notifier.requests[1].identifier);
    }

    void resultComesFromTheDesktop_data()
    {
        QTest::addColumn<DeliveryResult>("answer");
        QTest::newRow("not an app bundle") << DeliveryResult::notAppBundle;
        QTest::newRow("not authorised") << DeliveryResult::notAuthorized;
        QTest::newRow("add failed") << DeliveryResult::addFailed;
    }

    void resultComesFromTheDesktop()
    {
        QFETCH(DeliveryResult, answer);
        m_notifier.answer = answer;
        QCOMPARE(QCoro::waitFor(m_service.notifyWorkspaceFailed(u"Shop"_s, kProjectID)), answer);
    }

    void clicks()
    {
        QSignalSpy logsRequests(&m_service, &LocalNotificationService::openProjectLogsRequested);

        m_notifier.click({{LocalNotificationService::kURLKey, u"localhost:3000"_s}});
        QCOMPARE(m_opener.opened, QList<QUrl>{QUrl(u"http://localhost:3000"_s)});
        QCOMPARE(logsRequests.size(), 0);

        // The logs win over a URL, and no browser opens.
        m_notifier.click({{LocalNotificationService::kLogsProjectIDKey, UuidText::format(kProjectID)},
                          {LocalNotificationService::kURLKey, u"http://localhost:3000"_s}});
        QCOMPARE(logsRequests.size(), 1);
        QCOMPARE(logsRequests.at(0).at(0).toUuid(), kProjectID);
        QCOMPARE(m_opener.opened.size(), 1);

        m_notifier.click({});
        m_notifier.click({{LocalNotificationService::kLogsProjectIDKey, u"not-a-uuid"_s}});
        QCOMPARE(logsRequests.size(), 1);
        QCOMPARE(m_opener.opened.size(), 1);
    }

    void prepareReachesTheDesktop()
    {
        const int before = m_notifier.prepareCalls;
        m_service.prepare();
        QCOMPARE(m_notifier.prepareCalls, before + 1);
    }
};

QTEST_GUILESS_MAIN(LocalNotificationServiceTest)
#include "LocalNotificationServiceTest.moc"
