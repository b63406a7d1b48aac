#pragma once

#include "core/environment/Clipboard.h"
#include "core/environment/FileViewer.h"
#include "core/environment/TerminalLauncher.h"
#include "core/environment/UrlOpener.h"
#include "core/foundation/PowerEvents.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace devnook::test {

// Sleep and wake when the test emits them.
class ScriptedPowerEvents final : public PowerEvents {};

// Desktop seams that remember what they were asked to do.
class RecordingUrlOpener final : public UrlOpener {
public:
    Result<void> open(const QUrl &url) override
    {
        opened.append(url);
        return failure.isEmpty() ? Result<void>::success() : Result<void>::failure(failure);
    }
    QList<QUrl> opened;
    // Set to make every opening fail with this reason.
    QString failure;
};

class RecordingFileViewer final : public FileViewer {
public:
    QCoro::Task<Result<void>> reveal(QString path) override
    {
        revealed.append(path);
        co_return failure.isEmpty() ? Result<void>::success() : Result<void>::failure(failure);
    }
    QStringList revealed;
    // Set to make every reveal fail with this reason.
    QString failure;
};

class RecordingClipboard final : public Clipboard {
public:
    void setText(const QString &text) override { texts.append(text); }
    QStringList texts;
};

class RecordingTerminalLauncher final : public TerminalLauncher {
public:
    Result<void> openIn(const QString &folderPath) override
    {
        folders.append(folderPath);
        return failure.isEmpty() ? Result<void>::success() : Result<void>::failure(failure);
    }
    QStringList folders;
    // Set to make every opening fail with this reason.
    QString failure;
};

} // namespace devnook::test
