#include "common/ProcessEnd.h"

#include <QByteArray>
#include <QLockFile>

#include <cstdio>
#include <mutex>

#include <unistd.h>

namespace telvor {

void printLine(const QString& line)
{
    static std::mutex mutex;
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    const std::lock_guard lock(mutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void endProcessNow(QLockFile* instance, int status)
{
    if (instance)
        instance->unlock();
    std::fflush(nullptr);
    ::_exit(status);
}

} // namespace telvor
