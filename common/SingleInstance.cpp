#include "common/SingleInstance.h"

#include <QDir>

#include <unistd.h>

namespace telvor {

namespace {

QString runtimeDirectory()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;
    // No session runtime directory: a per-user name in the temporary directory stands in.
    QString fallback = QDir::tempPath() + QStringLiteral("/telvor-runtime-%1").arg(::getuid());
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return fallback;
}

} // namespace

QString instancePath(const QString& name, const QString& suffix)
{
    return runtimeDirectory() + QLatin1Char('/') + name + suffix;
}

std::unique_ptr<QLockFile> lockSingleInstance(const QString& name)
{
    auto lock = std::make_unique<QLockFile>(instancePath(name, QStringLiteral(".lock")));
    // Only a dead holder makes a lock stale, however long the running copy has held it.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(100))
        return nullptr;
    return lock;
}

} // namespace telvor
