#include "FeedbackService.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace FeedbackService {

FeedbackMail compose(FeedbackKind kind, const QString &diagnostics)
{
    const bool bug = kind == FeedbackKind::bugReport;
    return {
        L10n::text(bug ? u"feedback_bug_subject"_s : u"feedback_feature_subject"_s),
        L10n::text(bug ? u"feedback_bug_body"_s : u"feedback_feature_body"_s) + u"\n\n\n---\n"_s +
            diagnostics,
    };
}

QUrl mailtoUrl(const QString &address, const QString &subject, const QString &body)
{
    const QByteArray encoded = "mailto:" + QUrl::toPercentEncoding(address, "@") +
                               "?subject=" + QUrl::toPercentEncoding(subject) +
                               "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

Result<void> openMail(UrlOpener &opener, const FeedbackMail &mail)
{
    const QUrl url = mailtoUrl(kSupportAddress, mail.subject, mail.body);
    if (const Result<void> opened = opener.open(url); !opened)
        return Result<void>::failure(openFailureText(url, opened.error()));
    return Result<void>::success();
}

QString openFailureText(const QUrl &url, const QString &reason)
{
    const QString address =
        url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo).toDisplayString();
    return L10n::format(u"url_open_failed"_s, {address, reason});
}

} // namespace FeedbackService

namespace AppDistributionConfiguration {

QUrl helpURL()
{
    return QUrl(u"https://devnook.app/help"_s);
}

} // namespace AppDistributionConfiguration

} // namespace devnook
