#pragma once

#include <QByteArray>
#include <QString>

namespace devnook::test {

// The folder of the deliberately broken and sample input files.
QString dataPath(const QString &fileName);

// The bytes of a file under tests/data.
QByteArray readData(const QString &fileName);

// Writes bytes to a file, creating its folder.
void writeFile(const QString &path, const QByteArray &bytes);

// The whole content of a file, or an empty array.
QByteArray readFile(const QString &path);

} // namespace devnook::test
