#pragma once

#include <QString>

class QFileDevice;

namespace devnook::SystemErrorText {

// The system's words for an error number. Those a data file commonly meets
// (permission denied, no such file or folder, no space left, read-only file
// system, is a folder, too many open files) come from the localisation
// tables; any other is given as the system gives it.
QString of(int errorNumber);

// The reason a file operation failed, told as of(int) tells its error number.
// A reason of Qt's own words is given as Qt gives it.
QString of(const QFileDevice &file);

} // namespace devnook::SystemErrorText
