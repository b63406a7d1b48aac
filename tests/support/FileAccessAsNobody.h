#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

namespace devnook::test {

// Has the kernel check file access as user nobody while it lives, so that a
// file's permissions refuse this process even when the tests run as root,
// whom they do not stop. It holds for the calling thread and for the threads
// started from it meanwhile, which keep it for good. The folders on the way
// must let others through.
class FileAccessAsNobody {
public:
    FileAccessAsNobody()
    {
        if (geteuid() != 0)
            return;
        setfsgid(kNobody);
        setfsuid(kNobody);
        m_changed = true;
    }
    ~FileAccessAsNobody()
    {
        if (!m_changed)
            return;
        setfsuid(0);
        setfsgid(0);
    }
    FileAccessAsNobody(const FileAccessAsNobody &) = delete;
    FileAccessAsNobody &operator=(const FileAccessAsNobody &) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    bool m_changed = false;
};

} // namespace devnook::test
