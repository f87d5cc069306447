#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

namespace telvor {

/** True when path names an existing file or directory; false when absent or unreachable. */
bool IsFilePath(const QString& path);

enum class IoStatus {
    Ok,
    NotFound, ///< the file (or a directory on its path) does not exist: the only failure that means "absent"
    Failed,   ///< any other failure (EIO, EACCES, EBUSY, ENOSPC, ...); error holds errno
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    int error = 0; ///< errno of the failing call, 0 on success
    bool ok() const { return status == IoStatus::Ok; }
    /** The system's text for error, for standard error and the event log. */
    QString errorText() const;
};

struct ReadResult : IoResult {
    QByteArray bytes;
    bool truncated = false; ///< the file was longer than the cap and only its start was read
};

/**
 * Whether a symbolic link as the last part of a path is followed. Files in the shared exchange
 * directory are never links: one planted there must not make a station read or truncate a file
 * elsewhere, so their readers refuse them (the operation fails with ELOOP).
 */
enum class Links { Follow, Refuse };

/** Reads a whole file; with maxBytes >= 0 at most that many bytes are read. */
ReadResult readWholeFile(const QString& path, qint64 maxBytes = -1, Links links = Links::Follow);
/**
 * Replaces (or creates) path with exactly bytes: a temporary file in the same directory, then a
 * rename, so that no reader ever sees half a file. The temporary file is removed on failure.
 */
IoResult writeFileAtomic(const QString& path, const QByteArray& bytes);
/** Appends bytes to path, creating it when missing. */
IoResult appendToFile(const QString& path, const QByteArray& bytes);
/** Creates path empty, or truncates it when it exists. */
IoResult createEmptyFile(const QString& path, Links links = Links::Follow);
/** Deletes a file; a missing file gives NotFound. */
IoResult removeFile(const QString& path);
/**
 * Deletes a file, making it writable and trying once more when the first try is refused; a link
 * is removed itself, and what it points to is never touched.
 */
IoResult forceRemoveFile(const QString& path);

/** Temporary files of writeFileAtomic start with this; no reader looks for such names. */
inline constexpr char kTemporaryPrefix[] = ".telvor-tmp-";

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
    bool atEnd() const { return m_pos >= m_text.size(); }
    /** The next line without its end, or nothing at the end of the text. */
    std::optional<QString> readLine();

private:
    QString m_text;
    qsizetype m_pos = 0;
};

} // namespace telvor
