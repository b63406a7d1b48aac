#include "KeyValueStore.h"

#include "FileSafety.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace devnook {

SettingsKeyValueStore::SettingsKeyValueStore() : SettingsKeyValueStore(defaultPath()) {}

QString SettingsKeyValueStore::defaultPath()
{
    // QSettings' own user-scope INI file would be Devnook.ini.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Devnook/Devnook.conf"_s;
}

SettingsKeyValueStore::SettingsKeyValueStore(const QString &iniPath)
{
    // QSettings reads the file as it is made, and would wait on a FIFO for a
    // writer, then replace it at the first change.
    if (auto regular = FileSafety::checkRegularIfPresent(iniPath); !regular)
        m_problem = regular.error();
    else
        m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

QVariant SettingsKeyValueStore::value(const QString &key) const
{
    return m_settings ? m_settings->value(key) : m_inMemory.value(key);
}

bool SettingsKeyValueStore::contains(const QString &key) const
{
    return m_settings ? m_settings->contains(key) : m_inMemory.contains(key);
}

void SettingsKeyValueStore::setValue(const QString &key, const QVariant &value)
{
    if (!m_settings)
        return m_inMemory.setValue(key, value);
    m_settings->setValue(key, value);
    m_settings->sync();
}

void SettingsKeyValueStore::remove(const QString &key)
{
    if (!m_settings)
        return m_inMemory.remove(key);
    m_settings->remove(key);
    m_settings->sync();
}

} // namespace devnook
