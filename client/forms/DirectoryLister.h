#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace telvor {

/** What to list: the entries of one directory of one kind, optionally only those matching name patterns. */
struct Listing {
    QString directory;
    QDir::Filters kind = QDir::Dirs; ///< QDir::Dirs or QDir::Files
    QStringList nameFilters;         ///< empty: every name; case-insensitive
};

/** Reads a directory; it may block for as long as the file system does, so it runs on a worker thread only. */
using ListFunction = std::function<QStringList(const Listing&)>;

/** The names of listing's entries sorted by name, without "." and "..", hidden entries left out. */
QStringList listEntries(const Listing& listing);

/**
 * Lists directories on worker threads and hands the answer back on the thread of this object, so
 * that a hung share never holds up the window. Only the answer to the latest request is delivered.
 * A listing stuck in the file system cannot be cancelled; at most maxOutstanding of them run at a
 * time, and a request made while all of them are stuck waits until one returns.
 */
class DirectoryLister final : public QObject {
    Q_OBJECT

public:
    explicit DirectoryLister(ListFunction list = listEntries, int maxOutstanding = 4, QObject* parent = nullptr);
    /** Returns at once, also while listings are stuck: their answers go nowhere. */
    ~DirectoryLister() override;

    /** Lists listing.directory; any earlier request that has not been answered yet is dropped. */
    void request(const Listing& listing);
    /** Listings started and not answered yet, stuck ones included. */
    int outstanding() const { return m_outstanding; }

signals:
    void listed(const QString& directory, const QStringList& names);

private:
    struct Mailbox;

    void start(const Listing& listing);
    void finished(quint64 generation, const QString& directory, const QStringList& names);

    ListFunction m_list;
    int m_maxOutstanding;
    std::shared_ptr<Mailbox> m_mailbox;
    int m_outstanding = 0;
    quint64 m_generation = 0;
    std::optional<Listing> m_waiting;
};

} // namespace telvor
