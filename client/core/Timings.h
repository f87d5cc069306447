#pragma once

#include <QtGlobal>

namespace telvor {

/** The periods of Timer1, the polling, sending and holding machine. */
inline constexpr int kIdlePollMs = 5000;   ///< polling with nothing going on
inline constexpr int kShowingPollMs = 500; ///< a received alarm is shown and its slot is still there
inline constexpr int kHoldMs = 15000;      ///< how long this station's message stays in the slot
inline constexpr int kSendDelayMs = 2000;  ///< from finding the slot free to writing, after a wait
inline constexpr qint16 kWaitPolls = 16;   ///< polls a sender waits for a busy slot before clearing it
/** Timer3, the watch for the soft trigger's file. */
inline constexpr int kTriggerPollMs = 1000;
/** How often Timer3 looks whether the exchange directory is in reach, in its ticks. */
inline constexpr int kReachabilityProbeTicks = 5;
/** A directory out of reach for this long has the station tell that it is cut off. */
inline constexpr int kCutOffMs = 15000;
/** Timer2's design interval; each of its ticks plays one round of tones. */
inline constexpr int kBeepTickMs = 15;
inline constexpr int kBeepRounds = 3;
inline constexpr int kTonesPerRound = 3;
inline constexpr int kToneHz = 2000;
inline constexpr int kToneMs = 300;
/** A signal file that has not been found playable within this time gives the beeps instead. */
inline constexpr int kWaveCheckLimitMs = 1000;
/** entprell's design interval, until the configuration gives the debounce time. */
inline constexpr int kDesignDebounceMs = 2000;
/** A push-button port that cannot be opened, or was lost, is tried again this often. */
inline constexpr int kPortRetryMs = 5000;

} // namespace telvor
