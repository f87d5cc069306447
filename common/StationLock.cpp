#include "common/StationLock.h"

#include "common/RetryOnInterrupt.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace telvor {
namespace {

// Each try loses only to another client that creates or removes the file at that very moment.
constexpr int kTries = 5;
// Every session of the machine must be able to open the file of another user's session.
constexpr mode_t kLockFileMode = 0644;
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

int openRetrying(const QByteArray& path, int flags)
{
    return retryOnInterrupt([&] { return ::open(path.constData(), flags, kLockFileMode); });
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

StationLock::StationLock(const QString& directory, const QString& stationId)
    : m_stationId(stationId), m_path(directory + QStringLiteral("/telvor-station-%1.lock").arg(stationId))
{
}

StationLock::~StationLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

StationLock::Outcome StationLock::fail(const QString& what)
{
    m_problem = m_path + QStringLiteral(": ") + what;
    return Outcome::Failed;
}

StationLock::Outcome StationLock::tryLock()
{
    if (m_fd >= 0)
        return Outcome::Held;
    const QByteArray native = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        // An existing file is opened without O_CREAT: in a sticky world-writable directory the
        // kernel may refuse O_CREAT on a file of another user even where it exists.
        int fd = openRetrying(native, kOpenFlags);
        if (fd < 0 && errno == ENOENT) {
            fd = openRetrying(native, kOpenFlags | O_CREAT | O_EXCL);
            if (fd < 0 && errno == EEXIST)
                continue; // created by another client in between
            if (fd >= 0 && ::fchmod(fd, kLockFileMode) != 0) {
                const int error = errno;
                ::close(fd);
                return fail(systemText(error));
            }
        }
        if (fd < 0)
            return fail(systemText(errno));

        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return fail(QStringLiteral("keine gewöhnliche Datei"));
        }
        if (retryOnInterrupt([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Outcome::Busy;
            return fail(systemText(error));
        }
        // A lock on a file that left its name between the open and the lock guards nothing.
        struct stat named {};
        if (::lstat(native.constData(), &named) != 0 || named.st_dev != opened.st_dev ||
            named.st_ino != opened.st_ino) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_problem.clear();
        return Outcome::Held;
    }
    return fail(QStringLiteral("keine stabile Datei nach %1 Versuchen").arg(kTries));
}

} // namespace telvor
