#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>

/** Checks an invariant of the code under test; a macro, so that a break names its line. */
#define FUZZ_REQUIRE(condition)                                                                                        \
    ((condition) ? void(0) : ::telvor::fuzz::invariantBroken(#condition, __FILE__, __LINE__))

namespace telvor::fuzz {

/** Says which invariant broke and stops the run on the spot, so that the fuzzer keeps the input. */
[[noreturn]] inline void invariantBroken(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, condition);
    __builtin_trap();
}

/** The input as the bytes of a file. */
inline QByteArray inputBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

/** The target itself cannot run (no temporary directory, no inotify): says why and stops. */
[[noreturn]] void harnessFailed(const char* what);

} // namespace telvor::fuzz
