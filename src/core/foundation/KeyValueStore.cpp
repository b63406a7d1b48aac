#include "KeyValueStore.h"

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
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{}

QVariant SettingsKeyValueStore::value(const QString &key) const
{
    return m_settings->value(key);
}

bool SettingsKeyValueStore::contains(const QString &key) const
{
    return m_settings->contains(key);
}

void SettingsKeyValueStore::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void SettingsKeyValueStore::remove(const QString &key)
{
    m_settings->remove(key);
    m_settings->sync();
}

} // namespace devnook
