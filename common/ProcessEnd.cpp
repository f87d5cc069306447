#include "common/ProcessEnd.h"

#include <QLockFile>

#include <cstdio>

#include <unistd.h>

namespace telvor {

void endProcessNow(QLockFile* instance, int status)
{
    if (instance)
        instance->unlock();
    std::fflush(nullptr);
    ::_exit(status);
}

} // namespace telvor
