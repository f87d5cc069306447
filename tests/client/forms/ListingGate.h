#pragma once

#include "client/forms/DirectoryLister.h"

#include <QSet>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace telvor::test {

/**
 * A list function that hangs in chosen directories until they are released, as a hung share does,
 * and lists every other directory for real. It lives on in the function it hands out, so that a
 * worker still held when a test ends finds it intact.
 */
class ListingGate {
public:
    void hold(const QString& directory)
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->held.insert(directory);
    }

    void release(const QString& directory)
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->held.remove(directory);
        m_state->changed.notify_all();
    }

    void releaseAll()
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->held.clear();
        m_state->changed.notify_all();
    }

    /** The directories whose listing has begun, in order. */
    QStringList entered() const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->entered;
    }

    /** How many listings are held at this moment. */
    int waiting() const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->waiting;
    }

    ListFunction function() const
    {
        return [state = m_state](const Listing& listing) {
            std::unique_lock lock(state->mutex);
            state->entered << listing.directory;
            ++state->waiting;
            state->changed.wait(lock, [&] { return !state->held.contains(listing.directory); });
            --state->waiting;
            lock.unlock();
            return listEntries(listing);
        };
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        QSet<QString> held;
        QStringList entered;
        int waiting = 0;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace telvor::test
