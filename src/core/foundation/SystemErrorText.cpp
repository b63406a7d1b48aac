#include "SystemErrorText.h"

#include "L10n.h"

#include <QFileDevice>
#include <cerrno>

namespace devnook::SystemErrorText {

namespace {

struct Localised {
    int errorNumber;
    QStringView key;
};

constexpr Localised kLocalised[] = {
    {EACCES, u"system_error_permission_denied"}, {ENOENT, u"system_error_no_such_file"},
    {ENOSPC, u"system_error_no_space_left"},     {EROFS, u"system_error_read_only_file_system"},
    {EISDIR, u"system_error_is_a_folder"},       {EMFILE, u"system_error_too_many_open_files"},
};

} // namespace

QString of(int errorNumber)
{
    for (const Localised &localised : kLocalised) {
        if (localised.errorNumber == errorNumber)
            return L10n::text(localised.key.toString());
    }
    return qt_error_string(errorNumber);
}

QString of(const QFileDevice &file)
{
    // A file keeps no error number, only the words qt_error_string gave for
    // it; Qt gives some of them in English whatever the language. They are
    // recognised by asking for the words of each number again.
    const QString told = file.errorString();
    for (const Localised &localised : kLocalised) {
        if (told == qt_error_string(localised.errorNumber))
            return L10n::text(localised.key.toString());
    }
    return told;
}

} // namespace devnook::SystemErrorText
