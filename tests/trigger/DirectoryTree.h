#pragma once

#include <QDir>
#include <QDirIterator>
#include <QStringList>

/** Every file and directory below root, relative to it, sorted: what a run left behind. */
inline QStringList tree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(root).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}
