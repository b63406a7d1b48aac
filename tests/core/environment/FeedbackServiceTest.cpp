#include "core/environment/FeedbackService.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class FeedbackServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mailtoEncodesEveryReservedCharacter()
    {
        const QUrl url = FeedbackService::mailtoUrl(u"support@devnook.app"_s, u"Bugs & fixes + more #1"_s,
                                                    u"Café über\nline two?"_s);
        QCOMPARE(url.toEncoded(),
                 QByteArray("mailto:support@devnook.app?subject=Bugs%20%26%20fixes%20%2B%20more%20%231"
                            "&body=Caf%C3%A9%20%C3%BCber%0Aline%20two%3F"));
    }
};

QTEST_GUILESS_MAIN(FeedbackServiceTest)
#include "FeedbackServiceTest.moc"
