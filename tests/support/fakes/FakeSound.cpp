#include "FakeSound.h"

#include <algorithm>

namespace telvor::test {

void FakeSound::startTones(int count, int frequencyHz, int durationMs)
{
    qint64 start = std::max(m_scheduler.now(), m_tonesEnd);
    for (int i = 0; i < count; ++i) {
        tones.append({frequencyHz, durationMs, start});
        start += durationMs;
    }
    m_tonesEnd = start;
}

} // namespace telvor::test
