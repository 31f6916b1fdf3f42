#pragma once

// Making writes fail in a test, whoever runs it:
//
//   FileSizeLimit limit(512);   // no file of this process grows past 512 bytes meanwhile
//   PermissionsBind bind;       // file permissions hold even for the superuser meanwhile
//
// Both undo themselves when they go out of scope. PermissionsBind sets aside the superuser's
// override of file permissions for the calling thread only; for any other user it does nothing,
// since permissions bind them anyway.

#include <csignal>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zemor::test {

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_old); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
};

class PermissionsBind
{
public:
    PermissionsBind()
    {
        if (::geteuid() != 0)
            return;
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~PermissionsBind()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionsBind(const PermissionsBind &) = delete;
    PermissionsBind &operator=(const PermissionsBind &) = delete;

    // Whether the permissions now bind this thread.
    bool binds() const { return m_lowered || ::geteuid() != 0; }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

} // namespace zemor::test
