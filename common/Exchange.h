#pragma once

#include "common/ExchangeIo.h"
#include "common/ExchangeNames.h"
#include "common/FailureReporter.h"

#include <QString>

namespace telvor {

/** Nothing read from the share may exhaust memory: a station ID or an alarm text is far shorter. */
inline constexpr qint64 kExchangeReadCap = qint64{64} * 1024;
/**
 * Every station must read every exchange file; who may replace or delete them is decided by the
 * directory's rights. So files are created rw-rw-r-- whatever the umask of the writer.
 */
inline constexpr int kExchangeFileMode = 0664;
/** A call on the share that has not answered for this long is reported as a hanging share. */
inline constexpr qint64 kHangReportMs = 3000;

/** What a look at the message slot found, and what its reader is to do about it. */
struct SlotDecision {
    enum class Action {
        Absent,          ///< the slot is not there (gone between the existence test and the read)
        Leave,           ///< nothing may be decided now: leave the slot, look again at the next poll
        ReadText,        ///< the slot names sender: its alarm text is to be read next
        Remove,          ///< the slot names a station without alarm text: remove it (forced)
        RemoveDirectory, ///< a directory stands under the slot's name: remove it if it is empty
        Show,            ///< text is sender's alarm
    };
    Action action = Action::Leave;
    QString sender;      ///< the ID in the slot, once it could be read
    QString text;        ///< Show: the alarm text, lines separated by CR
    QString problemFile; ///< Leave: the file that stands in the way
    QString problem;     ///< Leave: what is wrong with it, for the report; empty when nothing is wrong
};

/** Decides on the slot's content alone (the read of MESSAGE.KVT). */
SlotDecision decideSlot(const ReadResult& slot);
/** Decides on the read of the alarm text of sender, the station the slot names. */
SlotDecision decideAlarm(const QString& sender, const ReadResult& text);

/**
 * One program's way into the exchange directory: the files' names, modes and caps, and the
 * decision on the message slot, over calls that may answer Unknown when the share hangs.
 */
class Exchange final {
public:
    /** tag names this station's temporary files, so that it can clear its own leftovers. */
    Exchange(ExchangeIo& io, QString tag = {});

    /** The directory with its final separator; empty: no directory is configured. */
    void setDirectory(const QString& directory) { m_directory = withFinalSeparator(directory); }
    [[nodiscard]] const QString& directory() const { return m_directory; }
    void setTag(const QString& tag) { m_tag = tag; }
    [[nodiscard]] QString path(const QString& name) const { return m_directory + name; }

    /** The directory itself; a directory that is not configured is absent. */
    Probe probeDirectory();
    /** Existence test of a file in the directory; with no directory configured nothing is there. */
    Probe probe(const QString& name, Links links = Links::Follow);
    ReadResult read(const QString& name);
    IoResult write(const QString& name, const QByteArray& bytes);
    IoResult createEmpty(const QString& name);
    IoResult remove(const QString& name);
    IoResult forceRemove(const QString& name);
    IoResult removeEmptyDirectory(const QString& name);
    /** Removes the temporary files that a write under this tag left behind (a crash in mid-write). */
    IoResult removeOwnLeftovers();

    /** Reads the slot and, where it names a station, its alarm text: the decision of both reads. */
    SlotDecision lookAtSlot();

    /** Reports a call that has hung for kHangReportMs once, and its end. */
    void reportHang(FailureReporter& reporter) const;

private:
    [[nodiscard]] IoResult noDirectory() const;

    ExchangeIo& m_io;
    QString m_tag;
    QString m_directory;
};

} // namespace telvor
