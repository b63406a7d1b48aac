#pragma once

#include <sys/resource.h>
#include <unistd.h>

namespace devnook::test {

// Leaves the process no free descriptor while it lives, so that the next open
// or accept fails as it does when a crowd of connections has used them all.
class NoFreeDescriptors {
public:
    NoFreeDescriptors()
    {
        getrlimit(RLIMIT_NOFILE, &m_previous);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit limit = m_previous;
        limit.rlim_cur = rlim_t(lowestFree);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~NoFreeDescriptors() { setrlimit(RLIMIT_NOFILE, &m_previous); }
    NoFreeDescriptors(const NoFreeDescriptors &) = delete;
    NoFreeDescriptors &operator=(const NoFreeDescriptors &) = delete;

private:
    rlimit m_previous{};
};

} // namespace devnook::test
