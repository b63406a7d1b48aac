#include "ProjectSuggestionService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace devnook::ProjectSuggestionService {

namespace {

// One inspection of a folder; package.json is read once and asked many times.
class Folder {
public:
    explicit Folder(const QString &path) : m_dir(path)
    {
        m_packageText = readText(u"package.json"_s);
        m_package = readJson(u"package.json"_s);
    }

    bool exists(const QString &name) const { return QFileInfo::exists(m_dir.filePath(name)); }

    std::optional<QByteArray> readBytes(const QString &name) const
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }

    std::optional<QString> readText(const QString &name) const
    {
        const auto bytes = readBytes(name);
        if (!bytes)
            return std::nullopt;
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder(*bytes);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }

    std::optional<QJsonObject> readJson(const QString &name) const
    {
        const auto bytes = readBytes(name);
        if (!bytes)
            return std::nullopt;
        const QJsonDocument document = QJsonDocument::fromJson(*bytes);
        if (!document.isObject())
            return std::nullopt;
        return document.object();
    }

    bool hasDependency(const QString &name) const
    {
        if (!m_package)
            return false;
        for (const QString &section : {u"dependencies"_s, u"devDependencies"_s}) {
            const QJsonValue dependencies = m_package->value(section);
            if (dependencies.isObject() && dependencies.toObject().contains(name))
                return true;
        }
        return false;
    }

    const std::optional<QString> &packageText() const { return m_packageText; }
    const std::optional<QJsonObject> &package() const { return m_package; }

private:
    QDir m_dir;
    std::optional<QString> m_packageText;
    std::optional<QJsonObject> m_package;
};

std::optional<QString> suggestStack(const Folder &folder)
{
    if (folder.exists(u"Package.swift"_s))
        return u"Swift"_s;
    static const std::pair<QStringView, QStringView> kFrameworks[] = {
        {u"nuxt", u"Nuxt"},   {u"next", u"Next.js"}, {u"vue", u"Vue"},
        {u"react", u"React"}, {u"astro", u"Astro"},
    };
    for (const auto &[dependency, stack] : kFrameworks) {
        if (folder.hasDependency(dependency.toString()))
            return stack.toString();
    }
    if (const auto composer = folder.readJson(u"composer.json"_s)) {
        const QJsonValue require = composer->value(u"require"_s);
        if (require.isObject() && require.toObject().contains(u"laravel/framework"_s))
            return u"Laravel"_s;
    }
    static const std::pair<QStringView, QStringView> kMarkers[] = {
        {u"Cargo.toml", u"Rust"},         {u"pubspec.yaml", u"Flutter"}, {u"pyproject.toml", u"Python"},
        {u"requirements.txt", u"Python"}, {u"package.json", u"Node"},    {u"index.html", u"Static"},
    };
    for (const auto &[file, stack] : kMarkers) {
        if (folder.exists(file.toString()))
            return stack.toString();
    }
    return std::nullopt;
}

QString nodePackageManager(const Folder &folder)
{
    if (folder.exists(u"pnpm-lock.yaml"_s))
        return u"pnpm"_s;
    if (folder.exists(u"yarn.lock"_s))
        return u"yarn"_s;
    if (folder.exists(u"bun.lockb"_s) || folder.exists(u"bun.lock"_s))
        return u"bun"_s;
    return u"npm run"_s;
}

std::optional<QString> suggestDevCommand(const Folder &folder)
{
    if (folder.package()) {
        const QJsonValue scripts = folder.package()->value(u"scripts"_s);
        if (scripts.isObject() && scripts.toObject().contains(u"dev"_s))
            return nodePackageManager(folder) + u" dev"_s;
    }
    if (folder.exists(u"deno.json"_s) || folder.exists(u"deno.jsonc"_s))
        return u"deno task dev"_s;
    if (folder.exists(u"Cargo.toml"_s))
        return u"cargo run"_s;
    return std::nullopt;
}

std::optional<QString> suggestLocalhostURL(const Folder &folder)
{
    static const QString kConfigFiles[] = {
        u"vite.config.ts"_s,  u"vite.config.js"_s, u"next.config.js"_s,
        u"next.config.mjs"_s, u"nuxt.config.ts"_s, u"astro.config.mjs"_s,
    };
    QStringList configTexts;
    for (const QString &name : kConfigFiles) {
        if (auto text = folder.readText(name))
            configTexts.append(std::move(*text));
    }
    const QString configText = configTexts.join(u'\n');
    const std::optional<QString> &packageText = folder.packageText();
    const QString searchText = packageText ? *packageText + u'\n' + configText : configText;
    if (const auto port = firstPort(searchText))
        return u"http://localhost:"_s + QString::number(*port);
    if (!packageText)
        return std::nullopt;
    if (folder.exists(u"vite.config.ts"_s) || folder.exists(u"vite.config.js"_s))
        return u"http://localhost:5173"_s;
    if (folder.hasDependency(u"next"_s) || folder.hasDependency(u"nuxt"_s) ||
        folder.hasDependency(u"astro"_s))
        return u"http://localhost:3000"_s;
    return std::nullopt;
}

std::optional<QString> suggestEditorCommand()
{
    if (commandExists(u"cursor"_s))
        return u"cursor ."_s;
    if (commandExists(u"code"_s))
        return u"code ."_s;
    return std::nullopt;
}

} // namespace

ProjectSuggestions suggestions(const QString &folderPath)
{
    const Folder folder(folderPath);
    ProjectSuggestions result;
    result.localhostURL = suggestLocalhostURL(folder);
    result.devCommand = suggestDevCommand(folder);
    result.editorCommand = suggestEditorCommand();
    result.stack = suggestStack(folder);
    return result;
}

std::optional<int> firstPort(const QString &text)
{
    static const QRegularExpression kPatterns[] = {
        QRegularExpression(u"localhost:(\\d{2,5})"_s),
        QRegularExpression(u"--port\\s+(\\d{2,5})"_s),
        QRegularExpression(u"PORT=(\\d{2,5})"_s),
        QRegularExpression(u"port\\s*[:=]\\s*(\\d{2,5})"_s),
    };
    for (const QRegularExpression &pattern : kPatterns) {
        const QRegularExpressionMatch match = pattern.match(text);
        bool ok = false;
        const int port = match.captured(1).toInt(&ok);
        if (match.hasMatch() && ok)
            return port;
    }
    return std::nullopt;
}

bool commandExists(const QString &name)
{
    const QStringList folders{
        u"/opt/homebrew/bin"_s, u"/usr/local/bin"_s,
        u"/usr/bin"_s,          u"/bin"_s,
        u"/snap/bin"_s,         QDir::homePath() + u"/.local/bin"_s,
    };
    for (const QString &folder : folders) {
        const QFileInfo candidate(folder + u'/' + name);
        if (candidate.isFile() && candidate.isExecutable())
            return true;
    }
    return false;
}

} // namespace devnook::ProjectSuggestionService
