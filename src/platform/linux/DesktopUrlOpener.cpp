#include "DesktopUrlOpener.h"

#include <QProcess>

using namespace Qt::StringLiterals;

namespace devnook {

DesktopUrlOpener::DesktopUrlOpener(QString program) : m_program(std::move(program)) {}

Result<void> DesktopUrlOpener::open(const QUrl &url)
{
    if (!url.isValid())
        return Result<void>::failure(u"The address is not valid."_s);
    QProcess opener;
    opener.setProgram(m_program);
    opener.setArguments({url.toString(QUrl::FullyEncoded)});
    opener.setStandardInputFile(QProcess::nullDevice());
    if (!opener.startDetached())
        return Result<void>::failure(u"%1 could not be started (is xdg-utils installed?)."_s.arg(m_program));
    return Result<void>::success();
}

} // namespace devnook
