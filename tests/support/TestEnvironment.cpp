#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace devnook::test {

QString dataPath(const QString &fileName)
{
    return QStringLiteral(DEVNOOK_TEST_DATA_DIR) + u'/' + fileName;
}

QByteArray readData(const QString &fileName)
{
    return readFile(dataPath(fileName));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace devnook::test
