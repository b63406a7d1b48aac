#include "DesktopUrlOpener.h"

#include "core/foundation/L10n.h"

#include <QProcess>

using namespace Qt::StringLiterals;

namespace devnook {

DesktopUrlOpener::DesktopUrlOpener(QString program) : m_program(std::move(program)) {}

Result<void> DesktopUrlOpener::open(const QUrl &url)
{
    if (!url.isValid())
        return Result<void>::failure(L10n::text(u"url_not_valid"_s));
    QProcess opener;
    opener.setProgram(m_program);
    opener.setArguments({url.toString(QUrl::FullyEncoded)});
    opener.setStandardInputFile(QProcess::nullDevice());
    if (!opener.startDetached())
        return Result<void>::failure(L10n::format(u"url_opener_not_started"_s, {m_program}));
    return Result<void>::success();
}

} // namespace devnook
