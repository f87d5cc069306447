#include "client/forms/DirectoryLister.h"

#include <QMetaObject>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace telvor {

QStringList listEntries(const Listing& listing)
{
    return QDir(listing.directory)
        .entryList(listing.nameFilters, listing.kind | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

/** Shared with the workers, which outlive the lister when the file system holds them. */
struct DirectoryLister::Mailbox {
    std::mutex mutex;
    DirectoryLister* receiver = nullptr; ///< null once the lister is gone
};

DirectoryLister::DirectoryLister(ListFunction list, int maxOutstanding, QObject* parent)
    : QObject(parent), m_list(std::move(list)), m_maxOutstanding(std::max(1, maxOutstanding)),
      m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->receiver = this;
}

DirectoryLister::~DirectoryLister()
{
    // A worker posts while it holds the lock; once we are out of here it finds nobody. An answer
    // already posted dies with this object's pending events.
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->receiver = nullptr;
}

void DirectoryLister::request(const Listing& listing)
{
    ++m_generation;
    if (m_outstanding >= m_maxOutstanding) {
        m_waiting = listing;
        return;
    }
    m_waiting.reset();
    start(listing);
}

void DirectoryLister::start(const Listing& listing)
{
    const quint64 generation = m_generation;
    ++m_outstanding;
    try {
        // Detached: a thread stuck on a hung mount cannot be joined, and nothing may wait for it.
        std::thread([list = m_list, mailbox = m_mailbox, listing, generation] {
            const QStringList names = list(listing);
            const std::lock_guard lock(mailbox->mutex);
            if (DirectoryLister* receiver = mailbox->receiver) {
                QMetaObject::invokeMethod(
                    receiver,
                    [receiver, generation, directory = listing.directory, names] {
                        receiver->finished(generation, directory, names);
                    },
                    Qt::QueuedConnection);
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the list stays as it is until the next request.
        --m_outstanding;
    }
}

void DirectoryLister::finished(quint64 generation, const QString& directory, const QStringList& names)
{
    --m_outstanding;
    if (generation == m_generation)
        emit listed(directory, names);
    if (m_waiting && m_outstanding < m_maxOutstanding)
        start(*std::exchange(m_waiting, std::nullopt));
}

} // namespace telvor
