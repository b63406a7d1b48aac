#include "StatusTitle.h"

#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace devnook::StatusTitle {

namespace {

// Positions after each user-perceived character, so a cut never splits an
// emoji or a letter with its accent.
QList<qsizetype> characterEnds(const QString &text)
{
    QList<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0)
        ends.append(finder.position());
    return ends;
}

} // namespace

QString forNames(const QStringList &activeNames)
{
    if (activeNames.isEmpty())
        return {};
    QString title = activeNames.mid(0, 2).join(u", "_s);
    if (activeNames.size() > 2)
        title += u", +"_s + QString::number(activeNames.size() - 2);
    const QList<qsizetype> ends = characterEnds(title);
    if (ends.size() > kLimit)
        title = title.left(ends[kCut - 1]) + u"..."_s;
    return title;
}

QString trayToolTip(const QString &title)
{
    return title.isEmpty() ? u"Devnook"_s : title;
}

} // namespace devnook::StatusTitle
