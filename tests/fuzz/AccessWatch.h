#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace telvor::fuzz {

/**
 * Notices every open, read, write, creation, removal and rename of an entry in the watched
 * directories (inotify), and an open of the directories themselves. A mere existence test
 * (stat) goes unnoticed, which is what lets a watch stand beside a polling station. Make one
 * for the whole process and clear() it after each input: closing an inotify instance waits for
 * the kernel to settle and costs milliseconds.
 */
class AccessWatch final {
public:
    AccessWatch();
    ~AccessWatch();
    AccessWatch(const AccessWatch&) = delete;
    AccessWatch& operator=(const AccessWatch&) = delete;

    void watch(const QString& directory);
    /** What happened since the last call, one "directory/name: kinds" per event. */
    QStringList events();
    /** Ends every watch; events still pending are dropped. */
    void clear();

private:
    int m_fd = -1;
    QHash<int, QString> m_directories;
};

} // namespace telvor::fuzz
