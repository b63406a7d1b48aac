#pragma once

#include "core/environment/UrlOpener.h"

#include <QString>
#include <QUrl>

namespace devnook {

enum class FeedbackKind { bugReport, featureRequest };

struct FeedbackMail {
    QString subject;
    QString body;
};

namespace FeedbackService {

inline const QString kSupportAddress = QStringLiteral("support@devnook.app");

// The localised subject, and the localised body followed by "\n\n\n---\n"
// and the diagnostics summary.
FeedbackMail compose(FeedbackKind kind, const QString &diagnostics);

// "mailto:<address>?subject=…&body=…" with every character outside the
// unreserved set percent-encoded as UTF-8, so "&", "+", "#" and line breaks
// in the texts reach the mail client as written.
QUrl mailtoUrl(const QString &address, const QString &subject, const QString &body);

// Opens the mail client with a message to the support address; the failure
// is the text for the error line of the window that asked.
Result<void> openMail(UrlOpener &opener, const FeedbackMail &mail);

// The error-line text for an address that could not be opened. It names the
// address without its query, which may hold the message or private text.
QString openFailureText(const QUrl &url, const QString &reason);

} // namespace FeedbackService

namespace AppDistributionConfiguration {

// The product's help page.
QUrl helpURL();

} // namespace AppDistributionConfiguration

} // namespace devnook
