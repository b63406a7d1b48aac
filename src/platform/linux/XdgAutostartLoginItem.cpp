#include "XdgAutostartLoginItem.h"

#include "core/foundation/FileSafety.h"
#include "core/foundation/L10n.h"
#include "core/foundation/SystemErrorText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// True when the [Desktop Entry] group says Hidden=true, the desktop's way to
// switch an autostart entry off without deleting it.
bool isHidden(const QByteArray &content)
{
    bool inMainGroup = false;
    for (const QByteArray &rawLine : content.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inMainGroup && equals > 0 && line.left(equals).trimmed() == "Hidden")
            return line.mid(equals + 1).trimmed() == "true";
    }
    return false;
}

// Readers undo three layers in turn: the string escapes of the value, the
// double quotes of the argument, then the "%" field codes.
QString quotedArgument(const QString &path)
{
    QString quoted;
    quoted.reserve(path.size() + 2);
    quoted += u'"';
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    quoted.replace(u'%', u"%%"_s);

    QString value;
    value.reserve(quoted.size());
    for (const QChar c : quoted) {
        if (c == u'\\')
            value += u"\\\\"_s;
        else if (c == u'\n')
            value += u"\\n"_s;
        else if (c == u'\t')
            value += u"\\t"_s;
        else if (c == u'\r')
            value += u"\\r"_s;
        else
            value += c;
    }
    return value;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem()
    : XdgAutostartLoginItem(QCoreApplication::applicationFilePath())
{}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executablePath)
    : m_executablePath(std::move(executablePath))
{}

QString XdgAutostartLoginItem::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart/devnook.desktop"_s;
}

bool XdgAutostartLoginItem::isEnabled() const
{
    QFile entry(entryPath());
    if (!QFileInfo(entry).isFile() || !entry.open(QIODevice::ReadOnly))
        return false;
    return !isHidden(entry.readAll());
}

Result<void> XdgAutostartLoginItem::setEnabled(bool enabled)
{
    const QString path = entryPath();
    if (!enabled) {
        if (!QFileInfo::exists(path))
            return Result<void>::success();
        QFile entry(path);
        if (!entry.remove())
            return Result<void>::failure(SystemErrorText::of(entry));
        return Result<void>::success();
    }
    if (m_executablePath.isEmpty())
        return Result<void>::failure(L10n::text(u"login_item_program_unknown"_s));
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Result<void>::failure(L10n::format(u"login_item_folder_not_created"_s, {folder}));
    const QString content = u"[Desktop Entry]\n"
                            u"Type=Application\n"
                            u"Name=Devnook\n"
                            u"Exec="_s +
                            execValue(m_executablePath) +
                            u"\n"
                            u"Icon=devnook\n"
                            u"Terminal=false\n"_s;
    return FileSafety::writeAtomically(path, content.toUtf8());
}

QString XdgAutostartLoginItem::execValue(const QString &executablePath)
{
    const QString argument = quotedArgument(executablePath);
    // GLib checks that the program exists before it turns "%%" back into "%",
    // so a path holding "%" is handed to env as an argument instead.
    return executablePath.contains(u'%') ? u"/usr/bin/env "_s + argument : argument;
}

} // namespace devnook
