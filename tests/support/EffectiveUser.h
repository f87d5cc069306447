#pragma once

#include <QtGlobal>

#include <sys/types.h>
#include <unistd.h>

namespace telvor::test {

/** Two ordinary users of the machine; no account needs to exist for them. */
inline constexpr uid_t kUserA = 64001;
inline constexpr uid_t kUserB = 64002;

/**
 * While alive, the test touches files with the rights of an ordinary user (uid, and a group of the
 * same number) instead of root's, so that the kernel really refuses what it refuses a user. Root
 * stays the saved ID and comes back at the end. When the test does not run as root this does
 * nothing: its own user's rights are then the ones that refuse.
 */
class EffectiveUser final {
public:
    explicit EffectiveUser(uid_t uid) : m_active(::geteuid() == 0)
    {
        if (m_active && (::setresgid(-1, gid_t(uid), -1) != 0 || ::setresuid(-1, uid, -1) != 0))
            qFatal("cannot act as user %u", unsigned(uid));
    }
    ~EffectiveUser()
    {
        if (m_active && (::setresuid(-1, 0, -1) != 0 || ::setresgid(-1, 0, -1) != 0))
            qFatal("cannot return to root");
    }
    EffectiveUser(const EffectiveUser&) = delete;
    EffectiveUser& operator=(const EffectiveUser&) = delete;

private:
    bool m_active;
};

} // namespace telvor::test
