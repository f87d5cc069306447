#include "fuzz/ScratchRoom.h"

#include "fuzz/FuzzCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace telvor::fuzz {
namespace {

void changeDirectory(const QString& path)
{
    if (::chdir(QFile::encodeName(path).constData()) != 0)
        harnessFailed("cannot change into the scratch directory");
}

} // namespace

void harnessFailed(const char* what)
{
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

ScratchRoom::ScratchRoom()
    : m_previousDirectory(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      m_root(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/telvor-fuzz-XXXXXX")))
{
    if (m_previousDirectory < 0)
        harnessFailed("cannot open the working directory");
    if (!m_root->isValid())
        harnessFailed("cannot create a scratch directory (is TMPDIR writable?)");
    changeDirectory(makeDirectory(QStringLiteral("work")));
}

ScratchRoom::~ScratchRoom()
{
    // Out of the room before it is removed.
    if (::fchdir(m_previousDirectory) != 0)
        harnessFailed("cannot return to the working directory");
    ::close(m_previousDirectory);
}

QString ScratchRoom::root() const
{
    return m_root->path();
}

QString ScratchRoom::path(const QString& name) const
{
    return m_root->filePath(name);
}

QString ScratchRoom::makeDirectory(const QString& name) const
{
    const QString directory = path(name);
    if (!QDir().mkpath(directory))
        harnessFailed("cannot create a directory in the scratch room");
    return directory;
}

} // namespace telvor::fuzz
