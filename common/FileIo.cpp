#include "common/FileIo.h"

#include "common/Cp1252.h"
#include "common/RetryOnInterrupt.h"

#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <chrono>
#include <limits>
#include <string_view>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace telvor {
namespace {

// An SMB server refuses a delete or a rename over a file while another station holds it open,
// for the moment of a read (a few milliseconds); a few short tries usually outlast that. They must
// end well within the time a call on the share may take: one that takes longer answers "unknown"
// and leaves the share busy for the station's next call, which then sees nothing either.
constexpr int kBusyTries = 4;
constexpr std::chrono::milliseconds kBusyPause{15};
static_assert((kBusyTries - 1) * kBusyPause.count() <= kShareCallBoundMs / 2);
// Ordinary creation mode; the umask takes its share.
constexpr mode_t kCreateMode = 0666;

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

/** A NUL would end the name early for the system, so that it named another file: no such file. */
bool unusable(const QString& path)
{
    return path.contains(QChar(u'\0'));
}

IoResult failure(int error)
{
    return ioFailure(error);
}

IoResult success()
{
    return IoResult{};
}

bool isBusy(int error)
{
    return error == EBUSY || error == EEXIST;
}

/** Closes fd and keeps the first error; close() reports late write errors of network file systems. */
int closeKeepingError(int fd, int error)
{
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        return errno;
    return error;
}

/**
 * Opens for writing without ever blocking in open(): a FIFO planted under a file's name must not
 * hang the event thread. Blocking mode is restored for the writes.
 */
int openForWriting(const QByteArray& path, int flags)
{
    const int fd = retryOnInterrupt(
        [&] { return ::open(path.constData(), flags | O_WRONLY | O_NONBLOCK | O_CLOEXEC, kCreateMode); });
    if (fd < 0)
        return -1;
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

/** Writes all of bytes, through short writes and interruptions; 0 or the errno. */
int writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = retryOnInterrupt([&] { return ::write(fd, data, static_cast<size_t>(left)); });
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO; // a regular file that accepts nothing would loop forever
        data += written;
        left -= written;
    }
    return 0;
}

/** fsync, tolerating file systems that cannot sync (the data has reached them all the same). */
int syncFile(int fd)
{
    if (retryOnInterrupt([&] { return ::fsync(fd); }) == 0)
        return 0;
    if (errno == EINVAL || errno == ENOTSUP || errno == ENOSYS)
        return 0;
    return errno;
}

QString directoryOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString randomSuffix()
{
    static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 12; ++i)
        suffix.append(QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(int(kAlphabet.size()))]));
    return suffix;
}

/** Creates a new temporary file beside the target; its name goes to tempPath. */
int createTemporary(const QString& targetPath, const QString& tag, QByteArray& tempPath, int& error)
{
    QString directory = directoryOf(targetPath);
    if (!directory.endsWith(u'/'))
        directory.append(u'/');
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = nativePath(directory + temporaryNamePrefix(tag) + randomSuffix());
        const int fd = retryOnInterrupt(
            [&] { return ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kCreateMode); });
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            error = errno;
            return -1;
        }
    }
    error = EEXIST;
    return -1;
}

int renameRetryingBusy(const QByteArray& from, const QByteArray& to)
{
    for (int attempt = 1;; ++attempt) {
        if (retryOnInterrupt([&] { return ::rename(from.constData(), to.constData()); }) == 0)
            return 0;
        const int error = errno;
        if (!isBusy(error) || attempt >= kBusyTries)
            return error;
        std::this_thread::sleep_for(kBusyPause);
    }
}

/** Gives fd exactly mode (when one is asked for): the umask must not take the group's or others' rights. */
void applyMode(int fd, int mode)
{
    if (mode < 0)
        return;
    // Best effort: shares may refuse a mode change, which is no reason to refuse the content.
    (void)::fchmod(fd, mode_t(mode) & 07777);
}

} // namespace

QString IoResult::errorText() const
{
    if (status == IoStatus::Unknown)
        return QStringLiteral("keine Antwort");
    return error == 0 ? QString() : qt_error_string(error);
}

IoResult ioFailure(int error)
{
    IoResult result;
    if (error == ENOENT || error == ENOTDIR)
        result.status = IoStatus::NotFound;
    else if (error == EISDIR || error == ELOOP)
        result.status = IoStatus::NotAFile;
    else
        result.status = IoStatus::Failed;
    result.error = error;
    return result;
}

IoResult ioUnknown()
{
    return IoResult{IoStatus::Unknown, 0};
}

QString temporaryNamePrefix(const QString& tag)
{
    return QLatin1String(kTemporaryPrefix) + (tag.isEmpty() ? QString() : tag + QLatin1Char('-'));
}

bool IsFilePath(const QString& path)
{
    return probePath(path).presence == Presence::Present;
}

Probe probePath(const QString& path, Links links)
{
    Probe probe;
    if (unusable(path) || path.isEmpty()) {
        probe.presence = Presence::Absent;
        return probe;
    }
    struct stat info {};
    const QByteArray native = nativePath(path);
    const int result = links == Links::Refuse ? ::lstat(native.constData(), &info) : ::stat(native.constData(), &info);
    if (result != 0) {
        probe.error = errno;
        probe.presence = (probe.error == ENOENT || probe.error == ENOTDIR) ? Presence::Absent : Presence::Unknown;
        return probe;
    }
    probe.presence = Presence::Present;
    probe.regularFile = S_ISREG(info.st_mode);
    probe.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return probe;
}

ReadResult readWholeFile(const QString& path, qint64 maxBytes, Links links)
{
    if (unusable(path))
        return ReadResult{failure(ENOENT), {}, false};
    ReadResult result;
    const int noFollow = links == Links::Refuse ? O_NOFOLLOW : 0;
    // Non-blocking open: a FIFO under a watched name must not hang the event thread.
    const int fd = retryOnInterrupt(
        [&] { return ::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | noFollow); });
    if (fd < 0) {
        static_cast<IoResult&>(result) = failure(errno);
        return result;
    }

    int error = 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL; // pipes and devices are not files of this system
    const bool notAFile = error == EISDIR || error == EINVAL;

    if (error == 0) {
        const qint64 cap = maxBytes < 0 ? std::numeric_limits<qint64>::max() : maxBytes;
        // One byte beyond the cap tells whether the file was longer.
        const qint64 wanted = cap == std::numeric_limits<qint64>::max() ? cap : cap + 1;
        const qint64 expected = qMax<qint64>(info.st_size, 0);
        result.bytes.reserve(qsizetype(qMin<qint64>(qMin(expected, wanted), 64 * 1024 * 1024)));
        std::array<char, std::size_t{64} * 1024> buffer;
        while (qint64(result.bytes.size()) < wanted) {
            const qint64 room = wanted - result.bytes.size();
            const ssize_t got = retryOnInterrupt(
                [&] { return ::read(fd, buffer.data(), size_t(qMin<qint64>(room, qint64(buffer.size())))); });
            if (got < 0) {
                error = errno;
                break;
            }
            if (got == 0)
                break;
            result.bytes.append(buffer.data(), qsizetype(got));
        }
        if (error == 0 && qint64(result.bytes.size()) > cap) {
            result.bytes.truncate(qsizetype(cap));
            result.truncated = true;
        }
    }
    error = closeKeepingError(fd, error);
    if (error != 0) {
        result.bytes.clear();
        result.truncated = false;
        static_cast<IoResult&>(result) = failure(error);
        if (notAFile)
            result.status = IoStatus::NotAFile;
    }
    return result;
}

IoResult writeFileAtomic(const QString& path, const QByteArray& bytes, const WriteOptions& options)
{
    if (unusable(path))
        return failure(ENOENT);
    const QByteArray target = nativePath(path);
    QByteArray temporary;
    int error = 0;
    const int fd = createTemporary(path, options.temporaryTag, temporary, error);
    if (fd < 0)
        return failure(error);

    applyMode(fd, options.mode);
    error = writeAll(fd, bytes);
    if (error == 0)
        error = syncFile(fd);
    error = closeKeepingError(fd, error);
    if (error == 0)
        error = renameRetryingBusy(temporary, target);
    if (error != 0) {
        ::unlink(temporary.constData());
        return failure(error);
    }
    return success();
}

IoResult appendToFile(const QString& path, const QByteArray& bytes)
{
    if (unusable(path))
        return failure(ENOENT);
    const int fd = openForWriting(nativePath(path), O_APPEND | O_CREAT);
    if (fd < 0)
        return failure(errno);
    int error = writeAll(fd, bytes);
    error = closeKeepingError(fd, error);
    return error == 0 ? success() : failure(error);
}

IoResult createEmptyFile(const QString& path, Links links, int mode)
{
    if (unusable(path))
        return failure(ENOENT);
    const int fd = openForWriting(nativePath(path), O_CREAT | O_TRUNC | (links == Links::Refuse ? O_NOFOLLOW : 0));
    if (fd < 0)
        return failure(errno);
    int error = 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL; // a pipe or a device under the name is no file of this system
    if (error == 0) {
        applyMode(fd, mode);
        // A file that was there already gets a new modification time, so that its reader can tell
        // a new request from an old one it could not delete.
        (void)::futimens(fd, nullptr);
    }
    error = closeKeepingError(fd, error);
    if (error == EINVAL) {
        IoResult result = failure(error);
        result.status = IoStatus::NotAFile;
        return result;
    }
    return error == 0 ? success() : failure(error);
}

IoResult removeFile(const QString& path)
{
    if (unusable(path))
        return failure(ENOENT);
    const QByteArray native = nativePath(path);
    for (int attempt = 1;; ++attempt) {
        if (retryOnInterrupt([&] { return ::unlink(native.constData()); }) == 0)
            return success();
        const int error = errno;
        if (error != EBUSY || attempt >= kBusyTries)
            return failure(error);
        std::this_thread::sleep_for(kBusyPause);
    }
}

IoResult forceRemoveFile(const QString& path)
{
    const IoResult first = removeFile(path);
    if (first.ok() || (first.error != EACCES && first.error != EPERM))
        return first;
    // A share may map a read-only attribute onto the file's mode and refuse the delete for it. The
    // mode is changed through a descriptor of the name itself, never of what a link points to; an
    // O_PATH descriptor opens even a file without any permission, and /proc gives it a chmod.
    const int fd =
        retryOnInterrupt([&] { return ::open(nativePath(path).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC); });
    if (fd < 0)
        return first;
    struct stat info {};
    const bool changed = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                         ::chmod(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(),
                                 (info.st_mode & 07777) | S_IWUSR) == 0;
    ::close(fd);
    return changed ? removeFile(path) : first;
}

IoResult removeEmptyDirectory(const QString& path)
{
    if (unusable(path))
        return failure(ENOENT);
    if (::rmdir(nativePath(path).constData()) == 0)
        return success();
    const int error = errno;
    // A full directory is no reason to call it anything but a failure to remove it.
    if (error == ENOTEMPTY || error == EEXIST)
        return IoResult{IoStatus::Failed, ENOTEMPTY};
    return failure(error);
}

ListResult listDirectory(const QString& path)
{
    ListResult result;
    if (unusable(path)) {
        static_cast<IoResult&>(result) = failure(ENOENT);
        return result;
    }
    DIR* dir = ::opendir(nativePath(path).constData());
    if (!dir) {
        static_cast<IoResult&>(result) = failure(errno);
        return result;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            result.names.append(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) {
        result.names.clear();
        static_cast<IoResult&>(result) = failure(error);
    }
    return result;
}

TextReadResult readTextFile(const QString& path, qint64 maxBytes)
{
    const ReadResult raw = readWholeFile(path, maxBytes);
    TextReadResult result;
    static_cast<IoResult&>(result) = raw;
    result.truncated = raw.truncated;
    if (raw.ok())
        result.text = decodeCp1252(raw.bytes);
    return result;
}

IoResult writeTextFileAtomic(const QString& path, const QString& text)
{
    return writeFileAtomic(path, encodeCp1252(text));
}

std::optional<QString> LineReader::readLine()
{
    if (atEnd())
        return std::nullopt;
    qsizetype end = m_pos;
    while (end < m_text.size() && m_text.at(end) != u'\r' && m_text.at(end) != u'\n')
        ++end;
    QString line = m_text.mid(m_pos, end - m_pos);
    m_pos = end;
    if (m_pos < m_text.size()) {
        // CR LF is one line end; a lone CR or LF is one too.
        const bool crLf = m_text.at(m_pos) == u'\r' && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == u'\n';
        m_pos += crLf ? 2 : 1;
    }
    return line;
}

} // namespace telvor
