#include "KeyValueStore.h"

using namespace Qt::StringLiterals;

namespace devnook {

SettingsKeyValueStore::SettingsKeyValueStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, u"Devnook"_s,
                                             u"Devnook"_s))
{
}

SettingsKeyValueStore::SettingsKeyValueStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

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
