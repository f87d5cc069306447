#pragma once

#include <QString>

namespace telvor {

/** The client's run-time flags and counters; zero-filled at creation. */
struct ClientState {
    bool getestet = false;        ///< the push-button test is done or switched off
    bool initialisierung = false; ///< the start phase is over; serial events count
    QString logtext;              ///< last log text of the soft-trigger watch
    bool fileFound = false;       ///< result of the latest checkFile
    bool alarmShown = false;      ///< a received alarm is shown and its message file is still there
    bool debounceRunning = false;
    bool dsrArmed = false;
    bool messageSent = false; ///< this station's message is in the slot; its hold time runs
    bool sendWaiting = false; ///< this station's alarm waits for the slot
    bool sendNow = false;     ///< the waiting alarm goes out at the next Timer1 tick
    qint16 waitTicks = 0;
    qint16 beepRounds = 0;
};

} // namespace telvor
