#include "core/processes/LocalNotificationService.h"

#include "core/foundation/UuidText.h"
#include "core/processes/ProjectCommandService.h"
#include "support/RecordingDesktop.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Stands in for the desktop: keeps every request and answers with a set result.
class FakeNotifier final : public Notifier {
public:
    QList<NotificationRequest> requests;
    DeliveryResult answer = DeliveryResult::delivered;

    void prepare() override {}
    QCoro::Task<DeliveryResult> deliver(NotificationRequest request) override
    {
        requests.append(request);
        co_return answer;
    }
    void click(const QHash<QString, QString> &userInfo) { Q_EMIT clicked(userInfo); }
};

const QUuid kProjectID = QUuid::fromString(u"6f1f4d2a-2b4c-4d8e-9a3b-0c5d7e9f1a2b"_s);
const QString kURLKey = LocalNotificationService::kURLKey;
const QString kLogsKey = LocalNotificationService::kLogsProjectIDKey;

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
    void requests()
    {
        m_notifier.answer = DeliveryResult::notAuthorized;
        QCOMPARE(QCoro::waitFor(m_service.notifyDevProcessStarted(u"Shop & co"_s, u" localhost:5173 "_s)),
                 DeliveryResult::notAuthorized);
        m_notifier.answer = DeliveryResult::delivered;
        QCOMPARE(QCoro::waitFor(m_service.notifyDevProcessStarted(u"Shop & co"_s, u"  "_s)),
                 DeliveryResult::delivered);
        QCOMPARE(QCoro::waitFor(m_service.notifyWorkspaceFailed(u"Shop & co"_s, kProjectID)),
                 DeliveryResult::delivered);

        const auto &requests = m_notifier.requests;
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].title, u"Shop & co is running"_s);
        // The body shows the URL as given; a click opens it normalised.
        QCOMPARE(requests[0].body, u"Ready at  localhost:5173 "_s);
        QCOMPARE(requests[0].userInfo, (QHash<QString, QString>{{kURLKey, u"http://localhost:5173"_s}}));
        QCOMPARE(requests[1].userInfo, (QHash<QString, QString>{}));
        QCOMPARE(requests[2].title, u"Shop & co needs attention"_s);
        QCOMPARE(requests[2].body, u"The workspace did not become ready. Click to see the logs."_s);
        QCOMPARE(requests[2].userInfo, (QHash<QString, QString>{{kLogsKey, UuidText::format(kProjectID)}}));

        // Every notification is a new one; none replaces an earlier one.
        const QRegularExpression started(u"^dev-started-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s);
        QVERIFY2(started.match(requests[0].identifier).hasMatch(), qPrintable(requests[0].identifier));
        QVERIFY(started.match(requests[1].identifier).hasMatch());
        QVERIFY(requests[0].identifier != requests[1].identifier);
        QVERIFY(requests[2].identifier.startsWith(u"workspace-failed-"_s));
    }

    void clicks()
    {
        QSignalSpy logsRequests(&m_service, &LocalNotificationService::openProjectLogsRequested);
        m_notifier.click({{kURLKey, u"localhost:3000"_s}});
        QCOMPARE(m_opener.opened, QList{QUrl(u"http://localhost:3000"_s)});

        // The logs win over a URL, and no browser opens.
        m_notifier.click({{kLogsKey, UuidText::format(kProjectID)}, {kURLKey, u"http://localhost:3000"_s}});
        QCOMPARE(logsRequests.size(), 1);
        QCOMPARE(logsRequests.at(0).at(0).toUuid(), kProjectID);

        m_notifier.click({});
        m_notifier.click({{kLogsKey, u"not-a-uuid"_s}});
        QCOMPARE(logsRequests.size(), 1);
        QCOMPARE(m_opener.opened.size(), 1);
    }
};

QTEST_GUILESS_MAIN(LocalNotificationServiceTest)
#include "LocalNotificationServiceTest.moc"
