// Writes the alarm signal that the package installs beside the programs, where "Signal suchen"
// opens: three rounds of a falling two-tone chime, 16-bit mono PCM at 44.1 kHz.
//   write_signal FILE
// The samples are computed, not recorded, so the file is the same at every build.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

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

template <typename T> void put(std::ofstream& out, T value)
{
    // RIFF is little-endian, as is every machine this is built on; written byte by byte to be sure.
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.put(static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xff));
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

    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write("RIFF", 4);
    put<std::uint32_t>(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put<std::uint32_t>(out, 16);        // size of the format chunk
    put<std::uint16_t>(out, 1);         // PCM
    put<std::uint16_t>(out, 1);         // mono
    put<std::uint32_t>(out, kRate);     // frames per second
    put<std::uint32_t>(out, kRate * 2); // bytes per second
    put<std::uint16_t>(out, 2);         // bytes per frame
    put<std::uint16_t>(out, 16);        // bits per sample
    out.write("data", 4);
    put<std::uint32_t>(out, dataBytes);
    for (const std::int16_t sample : samples)
        put<std::uint16_t>(out, static_cast<std::uint16_t>(sample));
    out.close();
    if (!out) {
        std::fprintf(stderr, "write_signal: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
