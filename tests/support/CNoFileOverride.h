#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Root reads any folder. For the length of a test step this drops the two capabilities
// that let it (from the calling thread's effective set only), so that permission bits
// count as they do for a user; the destructor gives them back.
class CNoFileOverride
{
public:
    CNoFileOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~CNoFileOverride()
    {
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    CNoFileOverride(const CNoFileOverride&) = delete;
    CNoFileOverride& operator=(const CNoFileOverride&) = delete;

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};
