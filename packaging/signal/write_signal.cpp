// Writes the alarm signal that the package installs beside the programs, where "Signal suchen"
// opens: three rounds of a falling two-tone chime, 16-bit mono PCM at 44.1 kHz.
//   write_signal FILE
// The samples are computed, not recorded, so the file is the same at every build.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include <sndfile.h>

namespace {

constexpr int kRate = 44100;
constexpr double kAmplitude = 0.6 * 32767;
constexpr double kToneSeconds = 0.18;
constexpr double kFadeSeconds = 0.008;
constexpr double kGapSeconds = 0.12;
constexpr int kRounds = 3;
constexpr std::array kTonesHz{1320.0, 990.0};

void appendTone(std::vector<std::int16_t>& samples, double hz)
{
    const int count = static_cast<int>(kToneSeconds * kRate);
    const int fade = static_cast<int>(kFadeSeconds * kRate);
    for (int i = 0; i < count; ++i) {
        // Raised-cosine edges: a tone that starts or stops at full level clicks.
        const int edge = std::min(i, count - 1 - i);
        const double gain = edge < fade ? 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fade) : 1.0;
        const double value = kAmplitude * gain * std::sin(2 * std::numbers::pi * hz * i / kRate);
        samples.push_back(static_cast<std::int16_t>(std::lround(value)));
    }
}

void appendSilence(std::vector<std::int16_t>& samples, double seconds)
{
    samples.insert(samples.end(), static_cast<std::size_t>(seconds * kRate), 0);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: write_signal FILE\n", stderr);
        return 2;
    }
    std::vector<std::int16_t> samples;
    for (int round = 0; round < kRounds; ++round) {
        for (const double hz : kTonesHz)
            appendTone(samples, hz);
        appendSilence(samples, kGapSeconds);
    }

    SF_INFO format{};
    format.samplerate = kRate;
    format.channels = 1;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &format);
    const auto frames = static_cast<sf_count_t>(samples.size());
    const bool written = file && sf_write_short(file, samples.data(), frames) == frames;
    if (!written)
        std::fprintf(stderr, "write_signal: cannot write %s: %s\n", argv[1], sf_strerror(file));
    // A close that fails has lost what was written: no file is better than a cut one.
    if ((file && sf_close(file) != 0) || !written) {
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
