#pragma once

#include <QHash>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

namespace devnook {

// The user defaults: a flat map of keys to values.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    // The stored value, or an invalid QVariant when the key is absent.
    virtual QVariant value(const QString &key) const = 0;
    virtual bool contains(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual void remove(const QString &key) = 0;

    QString stringValue(const QString &key) const { return value(key).toString(); }

    // Why the values are not kept past this run; empty when they are.
    virtual QString storageProblem() const { return {}; }
};

// User defaults that live in memory only, for tests and in place of
// a settings file that cannot be used.
class MemoryKeyValueStore final : public KeyValueStore {
public:
    QVariant value(const QString &key) const override { return m_values.value(key); }
    bool contains(const QString &key) const override { return m_values.contains(key); }
    void setValue(const QString &key, const QVariant &value) override { m_values.insert(key, value); }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QHash<QString, QVariant> m_values;
};

// The user defaults of the installation, kept in an INI file that QSettings
// rewrites atomically. When something other than a regular file is in the
// file's place, it is left alone and the values live in memory.
class SettingsKeyValueStore final : public KeyValueStore {
public:
    // Uses $XDG_CONFIG_HOME/Devnook/Devnook.conf.
    SettingsKeyValueStore();
    // Uses the given INI file.
    explicit SettingsKeyValueStore(const QString &iniPath);

    // $XDG_CONFIG_HOME/Devnook/Devnook.conf.
    static QString defaultPath();

    QVariant value(const QString &key) const override;
    bool contains(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;
    QString storageProblem() const override { return m_problem; }

private:
    std::unique_ptr<QSettings> m_settings;
    // In place of the file, when it cannot be used.
    MemoryKeyValueStore m_inMemory;
    QString m_problem;
};

} // namespace devnook
