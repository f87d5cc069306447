#include "common/StandardError.h"

#include "common/RetryOnInterrupt.h"

#include <QByteArray>

#include <mutex>

#include <unistd.h>

namespace telvor {

void printLine(const QString& line)
{
    // One write of the whole line where the system takes it whole (a pipe takes up to PIPE_BUF
    // bytes whole, also against other processes); the lock keeps a line that needs more writes
    // from interleaving with another thread's.
    static std::mutex mutex;
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    const std::lock_guard lock(mutex);
    const char* data = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = retryOnInterrupt([&] { return ::write(STDERR_FILENO, data, left); });
        if (written <= 0)
            return;
        data += written;
        left -= static_cast<size_t>(written);
    }
}

} // namespace telvor
