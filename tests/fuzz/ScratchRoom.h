#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

namespace telvor::fuzz {

/**
 * A fresh directory for one input, removed with everything in it afterwards. Meanwhile the
 * process works in its empty subdirectory "work", so that relative paths taken from the input
 * land inside the room and disappear with it; the old working directory comes back at the end,
 * where the fuzzer's own relative paths (corpus, artifacts) lead.
 */
class ScratchRoom final {
public:
    ScratchRoom();
    ~ScratchRoom();
    ScratchRoom(const ScratchRoom&) = delete;
    ScratchRoom& operator=(const ScratchRoom&) = delete;

    QString root() const;
    /** root/name, without creating it. */
    QString path(const QString& name) const;
    /** Creates root/name (and its parents) and returns its path. */
    QString makeDirectory(const QString& name) const;
    QString workDirectory() const { return path(QStringLiteral("work")); }

private:
    int m_previousDirectory = -1;
    std::unique_ptr<QTemporaryDir> m_root;
};

} // namespace telvor::fuzz
