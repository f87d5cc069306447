#pragma once

#include "common/FileIo.h"

#include <QByteArray>
#include <QString>

namespace telvor {

/**
 * The file-system calls made on the shared exchange directory. A share can stop answering for
 * minutes; an implementation may then answer Unknown (IoStatus::Unknown, Presence::Unknown)
 * instead of waiting, and the caller changes nothing for that call.
 */
class ExchangeIo {
public:
    virtual ~ExchangeIo() = default;

    virtual Probe probe(const QString& path, Links links) = 0;
    /** A regular file, never through a link, at most maxBytes of it. */
    virtual ReadResult read(const QString& path, qint64 maxBytes) = 0;
    virtual IoResult write(const QString& path, const QByteArray& bytes, const WriteOptions& options) = 0;
    /** Creates path empty or truncates it, never through a link. */
    virtual IoResult createEmpty(const QString& path, int mode) = 0;
    virtual IoResult remove(const QString& path) = 0;
    virtual IoResult forceRemove(const QString& path) = 0;
    virtual IoResult removeEmptyDirectory(const QString& path) = 0;
    virtual ListResult list(const QString& path) = 0;

    /** How long the oldest call that has not answered yet has been running, in ms; -1 when none. */
    [[nodiscard]] virtual qint64 outstandingMs() const = 0;
};

/** The calls made directly on the calling thread; they answer when the file system does. */
class DirectExchangeIo final : public ExchangeIo {
public:
    Probe probe(const QString& path, Links links) override { return probePath(path, links); }
    ReadResult read(const QString& path, qint64 maxBytes) override
    {
        return readWholeFile(path, maxBytes, Links::Refuse);
    }
    IoResult write(const QString& path, const QByteArray& bytes, const WriteOptions& options) override
    {
        return writeFileAtomic(path, bytes, options);
    }
    IoResult createEmpty(const QString& path, int mode) override { return createEmptyFile(path, Links::Refuse, mode); }
    IoResult remove(const QString& path) override { return removeFile(path); }
    IoResult forceRemove(const QString& path) override { return forceRemoveFile(path); }
    IoResult removeEmptyDirectory(const QString& path) override { return telvor::removeEmptyDirectory(path); }
    ListResult list(const QString& path) override { return listDirectory(path); }
    [[nodiscard]] qint64 outstandingMs() const override { return -1; }
};

} // namespace telvor
