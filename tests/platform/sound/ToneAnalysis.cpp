#include "ToneAnalysis.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace telvor::test {

std::vector<Burst> findBursts(const Samples& samples, int threshold, double mergeGapMs)
{
    const auto mergeGap = static_cast<std::int64_t>(mergeGapMs * kRecordRate / 1000.0);
    std::vector<Burst> bursts;
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(samples.size()); ++i) {
        if (std::abs(static_cast<int>(samples[static_cast<size_t>(i)])) <= threshold) {
            continue;
        }
        if (!bursts.empty() && i - bursts.back().end < mergeGap) {
            bursts.back().end = i + 1;
        } else {
            bursts.push_back({i, i + 1});
        }
    }
    return bursts;
}

double toneFrequency(const Samples& samples, std::int64_t begin, std::int64_t end)
{
    const std::int64_t margin = (end - begin) / 10;
    const std::int64_t from = begin + margin;
    const std::int64_t to = end - margin;
    if (to - from < 2) {
        return 0.0;
    }
    // Count from the first rising crossing to the last, so that partial periods at the edges do not count.
    std::int64_t first = -1;
    std::int64_t last = -1;
    int crossings = 0;
    for (std::int64_t i = from + 1; i < to; ++i) {
        if (samples[static_cast<size_t>(i - 1)] < 0 && samples[static_cast<size_t>(i)] >= 0) {
            if (first < 0) {
                first = i;
            } else {
                ++crossings;
            }
            last = i;
        }
    }
    if (crossings == 0) {
        return 0.0;
    }
    return crossings * static_cast<double>(kRecordRate) / static_cast<double>(last - first);
}

double gapMs(const Burst& before, const Burst& after)
{
    return static_cast<double>(after.begin - before.end) * 1000.0 / kRecordRate;
}

std::vector<double> frameFrequencies(const Samples& samples, int threshold)
{
    const auto frame = static_cast<std::int64_t>(kFrameMs * kRecordRate / 1000.0);
    std::vector<double> result;
    for (std::int64_t start = 0; start + frame <= static_cast<std::int64_t>(samples.size()); start += frame) {
        int peak = 0;
        for (std::int64_t i = start; i < start + frame; ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(samples[static_cast<size_t>(i)])));
        }
        result.push_back(peak > threshold ? toneFrequency(samples, start, start + frame) : 0.0);
    }
    return result;
}

bool writeSineFile(const QString& path, int format, int rate, int channels, double frequency, int ms)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(rate) * ms / 1000;
    std::vector<double> data(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(i) / rate);
        for (int c = 0; c < channels; ++c) {
            data[static_cast<size_t>(i * channels + c)] = value;
        }
    }
    const bool ok = sf_writef_double(file, data.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

} // namespace telvor::test
