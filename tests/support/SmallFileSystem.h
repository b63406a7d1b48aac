#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace devnook::test {

// A file system of the given size (in bytes) mounted at a folder while it
// lives, in a mount namespace of the calling thread and the threads started
// from it, so that a full disk or a read-only one can be met for real. Only
// root may make one; elsewhere isMounted() is false.
class SmallFileSystem {
public:
    SmallFileSystem(const QString &folder, qint64 bytes) : m_folder(QFile::encodeName(folder))
    {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        m_mounted = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                    mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    mount("tmpfs", m_folder.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }

    // From now on nothing on it can be written or removed.
    bool makeReadOnly()
    {
        return mount(nullptr, m_folder.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

} // namespace devnook::test
