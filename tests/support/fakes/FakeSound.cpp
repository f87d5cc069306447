#include "FakeSound.h"

namespace telvor::test {

void FakeSound::beep(int frequencyHz, int durationMs)
{
    tones.append({frequencyHz, durationMs, m_scheduler.now()});
    m_scheduler.block(durationMs);
}

} // namespace telvor::test
