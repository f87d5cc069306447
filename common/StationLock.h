#pragma once

#include <QString>

namespace telvor {

/**
 * The machine-wide lock of one station ID: the client that holds it is the machine's station of
 * that ID; a client of another session that finds it held only receives alarms. It is an flock()
 * on directory/telvor-station-<ID>.lock, so the kernel frees it when its holder ends in any way.
 * The directory is shared by all users (sticky and world-writable), so the file is opened
 * read-only, never through a link, and created readable by all.
 */
class StationLock final {
public:
    enum class Outcome {
        Held,   ///< this object holds the lock
        Busy,   ///< another open of the file holds it: another client of this ID runs here
        Failed, ///< the lock could not be tried; problem() says why
    };

    StationLock(const QString& directory, const QString& stationId);
    ~StationLock();
    StationLock(const StationLock&) = delete;
    StationLock& operator=(const StationLock&) = delete;

    /** Takes the lock unless another holds it; held already: Held at once. Never blocks. */
    Outcome tryLock();
    [[nodiscard]] bool isHeld() const { return m_fd >= 0; }
    [[nodiscard]] const QString& stationId() const { return m_stationId; }
    [[nodiscard]] const QString& path() const { return m_path; }
    /** Why the last try failed: the file and the system's text. */
    [[nodiscard]] const QString& problem() const { return m_problem; }

private:
    Outcome fail(const QString& what);

    QString m_stationId;
    QString m_path;
    QString m_problem;
    int m_fd = -1;
};

} // namespace telvor
