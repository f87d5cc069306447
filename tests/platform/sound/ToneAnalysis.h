#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace telvor::test {

/** Recordings are mono s16 at this rate (what the recorder asks the server for). */
constexpr int kRecordRate = 44100;

using Samples = std::vector<std::int16_t>;

/** A stretch of the recording that is louder than the threshold, as sample indices [begin, end). */
struct Burst {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    [[nodiscard]] double ms() const { return static_cast<double>(end - begin) * 1000.0 / kRecordRate; }
};

/**
 * The loud stretches of a recording. Samples above `threshold` (absolute) that lie closer than
 * `mergeGapMs` belong to one burst, so the zero crossings of a tone do not split it.
 */
std::vector<Burst> findBursts(const Samples& samples, int threshold = 3000, double mergeGapMs = 10.0);

/** Frequency of a tone from its rising zero crossings, measured on the middle 80 % of [begin, end). */
double toneFrequency(const Samples& samples, std::int64_t begin, std::int64_t end);

/** Gap in milliseconds between two bursts. */
double gapMs(const Burst& before, const Burst& after);

/** What a 20 ms frame of the recording contains: 0 for silence, else its zero-crossing frequency. */
std::vector<double> frameFrequencies(const Samples& samples, int threshold = 3000);
constexpr double kFrameMs = 20.0;

/** Writes a sine of `ms` milliseconds, amplitude 0.5, in the given libsndfile format; false on failure. */
bool writeSineFile(const QString& path, int format, int rate, int channels, double frequency, int ms);

} // namespace telvor::test
