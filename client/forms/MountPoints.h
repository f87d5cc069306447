#pragma once

#include <QString>
#include <QStringList>

namespace telvor {

/**
 * The places where file systems a user may keep files on are mounted, from the text of
 * /proc/self/mountinfo: the kernel's own pseudo file systems are left out, and "/" always leads.
 * Read from the kernel's table, not from the mounts themselves: a hung share must not hang the list.
 */
QStringList mountPoints(const QString& mountinfo);
/** mountPoints() of this process. */
QStringList currentMountPoints();
/** The mount point among points that holds path: the longest one that is path or one of its parents. */
QString mountPointOf(const QString& path, const QStringList& points);

} // namespace telvor
