#pragma once

#include <cerrno>
#include <type_traits>

namespace telvor {

/**
 * Calls call() again for as long as it fails with EINTR (a signal arrived during a system call)
 * and returns its last result, with errno as that call left it. call returns -1 on failure, as
 * system calls do. Not for close(), which must never be repeated on Linux, nor for a wait that a
 * signal is meant to end.
 */
template <typename Call> std::invoke_result_t<Call&> retryOnInterrupt(Call&& call)
{
    for (;;) {
        auto result = call();
        if (!(result == -1 && errno == EINTR))
            return result;
    }
}

} // namespace telvor
