#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace telvor {

/**
 * The lock that keeps a second copy of a program of this user from running beside the first:
 * $XDG_RUNTIME_DIR/name.lock, a local directory even where homes are on NFS. A lock whose
 * holder has died is taken over. Empty when a running copy holds it.
 */
std::unique_ptr<QLockFile> lockSingleInstance(const QString& name);

/** Where the copies of a program of this user meet: $XDG_RUNTIME_DIR/name + suffix (or a private stand-in). */
QString instancePath(const QString& name, const QString& suffix);

} // namespace telvor
