#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace telvor {

/**
 * How long the windows' thread waits for a call on the shared directory before it counts as
 * "unknown" (no answer): long enough for any healthy share, short enough not to be seen.
 */
inline constexpr int kShareCallBoundMs = 100;

/** True when path names an existing file or directory; false when absent or unreachable. */
bool IsFilePath(const QString& path);

enum class IoStatus {
    Ok,
    NotFound, ///< the file (or a directory on its path) does not exist: the only failure that means "absent"
    NotAFile, ///< the name holds a directory, a pipe, a device or (where links are refused) a link
    Failed,   ///< any other failure (EIO, EACCES, EBUSY, ENOSPC, ...); error holds errno
    Unknown,  ///< no answer in time: the file system hangs, nothing is known about the file
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    int error = 0; ///< errno of the failing call, 0 on success and for Unknown
    [[nodiscard]] bool ok() const { return status == IoStatus::Ok; }
    /** The system's text for error, for standard error and the event log. */
    [[nodiscard]] QString errorText() const;
};

/** The IoResult of a failed call with this errno. */
IoResult ioFailure(int error);
/** The IoResult of a call that gave no answer in time. */
IoResult ioUnknown();

struct ReadResult : IoResult {
    QByteArray bytes;
    bool truncated = false; ///< the file was longer than the cap and only its start was read
};

/**
 * Whether a symbolic link as the last part of a path is followed. Files in the shared exchange
 * directory are never links: one planted there must not make a station read or truncate a file
 * elsewhere, so their readers refuse them (the operation fails with NotAFile).
 */
enum class Links { Follow, Refuse };

/** The three answers of an existence test. */
enum class Presence {
    Present, ///< a file or a directory is there
    Absent,  ///< ENOENT or ENOTDIR: nothing is there
    Unknown, ///< any other answer (EIO, EACCES, no answer in time): nothing may be concluded
};

struct Probe {
    Presence presence = Presence::Unknown;
    int error = 0;            ///< errno when Unknown (0: no answer in time)
    bool regularFile = false; ///< what is there is a regular file (with Links::Refuse: not through a link)
    qint64 modifiedNs = 0;    ///< its modification time, nanoseconds since the epoch
};

/** stat() (or lstat() with Links::Refuse) of path, in three answers. */
Probe probePath(const QString& path, Links links = Links::Follow);

/** Reads a whole regular file; with maxBytes >= 0 at most that many bytes are read. */
ReadResult readWholeFile(const QString& path, qint64 maxBytes = -1, Links links = Links::Follow);

struct WriteOptions {
    /** Exact permission bits of the new file whatever the umask; -1 gives 0666 less the umask. */
    int mode = -1;
    /** Part of the temporary file's name, so that its writer can recognise its own leftovers. */
    QString temporaryTag;
};

/**
 * Replaces (or creates) path with exactly bytes: a temporary file in the same directory, then a
 * rename, so that no reader ever sees half a file. The temporary file is removed on failure. The
 * new file never takes over the mode of whatever stood under its name before.
 */
IoResult writeFileAtomic(const QString& path, const QByteArray& bytes, const WriteOptions& options = {});
/** Appends bytes to path, creating it when missing. */
IoResult appendToFile(const QString& path, const QByteArray& bytes);
/** Creates path empty, or truncates it when it exists; mode as in WriteOptions. */
IoResult createEmptyFile(const QString& path, Links links = Links::Follow, int mode = -1);
/** Deletes a file; a missing file gives NotFound. */
IoResult removeFile(const QString& path);
/**
 * Deletes a file, making it writable and trying once more when the first try is refused; a link
 * is removed itself, and what it points to is never touched.
 */
IoResult forceRemoveFile(const QString& path);
/** Removes a directory that is empty; any content keeps it (Failed). */
IoResult removeEmptyDirectory(const QString& path);

struct ListResult : IoResult {
    QStringList names; ///< entries without "." and ".."
};
ListResult listDirectory(const QString& path);

/** Temporary files of writeFileAtomic start with this; no reader looks for such names. */
inline constexpr const char* kTemporaryPrefix = ".telvor-tmp-";
/** The start of the temporary files that a writer with this tag leaves behind. */
QString temporaryNamePrefix(const QString& tag);

/** Text reading and writing in the system's code page. */
struct TextReadResult : IoResult {
    QString text;
    bool truncated = false;
};
TextReadResult readTextFile(const QString& path, qint64 maxBytes = -1);
IoResult writeTextFileAtomic(const QString& path, const QString& text);

/**
 * Reads a text line by line. A line ends with CR LF, CR or LF; the end that closes the last line
 * does not start another one, so "a\r\n" holds one line and "" none.
 */
class LineReader final {
public:
    explicit LineReader(QString text) : m_text(std::move(text)) {}
    [[nodiscard]] bool atEnd() const { return m_pos >= m_text.size(); }
    /** The next line without its end, or nothing at the end of the text. */
    std::optional<QString> readLine();

private:
    QString m_text;
    qsizetype m_pos = 0;
};

} // namespace telvor
