#include "screensaver/core/AlarmDisplay.h"

#include "screensaver/core/ClockFormat.h"

#include <cmath>

namespace telvor {

namespace {

int channel(double random)
{
    return static_cast<int>(std::floor(random * 256));
}

} // namespace

AlarmDisplay::AlarmDisplay(Exchange& exchange, const Clock& clock, RandomSource& random, const QLocale& locale)
    : m_exchange(exchange), m_clock(clock), m_random(random), m_locale(locale), m_clockFormat(clockFormat(m_locale))
{
}

void AlarmDisplay::refresh()
{
    m_display.labelBackground = m_display.background;
    m_display.time = m_locale.toString(m_clock.now().time(), m_clockFormat);

    const Presence slot = m_exchange.probe(kMessageFileName).presence;
    if (slot == Presence::Unknown)
        return;
    if (slot == Presence::Absent) {
        showNoAlarm();
        return;
    }
    const SlotDecision decision = m_exchange.lookAtSlot();
    switch (decision.action) {
    case SlotDecision::Action::Show:
        showAlarm(decision.text);
        return;
    case SlotDecision::Action::Remove:
        // An alarm notice whose sender has no alarm text: black, and nothing else changes.
        m_display.background = kBlack;
        return;
    case SlotDecision::Action::Absent:
    case SlotDecision::Action::Leave:
    case SlotDecision::Action::ReadText:
    case SlotDecision::Action::RemoveDirectory:
        return;
    }
}

void AlarmDisplay::showNoAlarm()
{
    m_display.background = kBlack;
    m_display.labelBackground = kBlack;
    m_display.alarmTextColour = kWhite;
}

void AlarmDisplay::showAlarm(const QString& text)
{
    // Drawn in this order: red, green, blue.
    const int red = channel(m_random.draw());
    const int green = channel(m_random.draw());
    const int blue = channel(m_random.draw());
    m_display.background = Rgb{red, green, blue};
    m_display.labelBackground = m_display.background;
    m_display.alarmTextColour = kBlack;
    m_display.alarmText = text;
    m_display.alarmTextShown = true;
}

} // namespace telvor
