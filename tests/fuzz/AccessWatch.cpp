#include "fuzz/AccessWatch.h"

#include "common/RetryOnInterrupt.h"
#include "fuzz/FuzzCheck.h"

#include <QFile>

#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace telvor::fuzz {
namespace {

QString describe(std::uint32_t mask)
{
    static const struct {
        std::uint32_t bit;
        const char* name;
    } kinds[] = {
        {IN_ACCESS, "read"},
        {IN_MODIFY, "write"},
        {IN_ATTRIB, "attributes"},
        {IN_CLOSE_WRITE, "close"},
        {IN_CLOSE_NOWRITE, "close"},
        {IN_OPEN, "open"},
        {IN_MOVED_FROM, "moved away"},
        {IN_MOVED_TO, "moved in"},
        {IN_CREATE, "created"},
        {IN_DELETE, "deleted"},
        {IN_DELETE_SELF, "directory deleted"},
        {IN_MOVE_SELF, "directory moved"},
        {IN_Q_OVERFLOW, "too many events"},
    };
    QStringList names;
    for (const auto& kind : kinds)
        if (mask & kind.bit)
            names.append(QString::fromLatin1(kind.name));
    return names.join(QStringLiteral(", "));
}

} // namespace

AccessWatch::AccessWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd < 0)
        harnessFailed("inotify is not available");
}

AccessWatch::~AccessWatch()
{
    ::close(m_fd);
}

void AccessWatch::watch(const QString& directory)
{
    const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(directory).constData(), IN_ALL_EVENTS);
    if (wd < 0)
        harnessFailed("cannot watch a scratch directory");
    m_directories.insert(wd, directory);
}

QStringList AccessWatch::events()
{
    QStringList found;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = retryOnInterrupt([&] { return ::read(m_fd, buffer, sizeof buffer); });
        if (got <= 0)
            break; // EAGAIN: nothing more is pending
        for (ssize_t offset = 0; offset < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            const char* name = buffer + offset + sizeof event;
            offset += ssize_t(sizeof event) + ssize_t(event.len);
            // The end of a watch, or an event of one that was cleared, tells nothing about this input.
            const auto directory = m_directories.constFind(event.wd);
            if ((event.mask & IN_IGNORED) || (directory == m_directories.cend() && !(event.mask & IN_Q_OVERFLOW)))
                continue;
            const QString entry =
                event.len > 0 ? QFile::decodeName(QByteArray(name, qsizetype(::strnlen(name, event.len)))) : QString();
            const QString where = directory == m_directories.cend() ? QStringLiteral("?") : *directory;
            found.append(where + QLatin1Char('/') + entry + QStringLiteral(": ") + describe(event.mask));
        }
    }
    return found;
}

void AccessWatch::clear()
{
    for (auto it = m_directories.cbegin(); it != m_directories.cend(); ++it)
        ::inotify_rm_watch(m_fd, it.key());
    m_directories.clear();
    events();
}

} // namespace telvor::fuzz
