#pragma once

#include "client/core/StationConfig.h"

#include <QString>

namespace telvor {

/** The setup window `telvor`, as the core sees it. */
class SetupView {
public:
    virtual ~SetupView() = default;
    /** The core changed the controls' values; the window shows them, visible or not. */
    virtual void showFields(const SetupFields& fields) = 0;
    virtual void setSetupVisible(bool visible) = 0;
    [[nodiscard]] virtual bool isSetupVisible() const = 0;
};

/**
 * The loader's message box with one OK button. It opens without waiting for the OK: the core goes
 * on at once, and a second message waits until the first has been confirmed.
 */
class MessageView {
public:
    virtual ~MessageView() = default;
    virtual void showMessage(const QString& text) = 0;
};

/** The alarm window `Alarmanzeige`. */
class AlarmView {
public:
    virtual ~AlarmView() = default;
    /**
     * Shows anztext (loading the window first if needed) and puts the window on top; fullScreen
     * is the station's setting at this alarm, which the window keeps for its flashing.
     */
    virtual void Alarm(const QString& anztext, bool fullScreen) = 0;
};

/** The alarm sent window `alarmgesendet`. */
class AlarmSentView {
public:
    virtual ~AlarmSentView() = default;
    /** Loads the window without showing it. */
    virtual void load() = 0;
    /** Shows it minimised with "OK !" disabled. */
    virtual void einschalten() = 0;
    /** The hold ended with this station's message still in the slot: "OK !" may close the window. */
    virtual void enableOk() = 0;
};

/** The button test window `telvorttest`. */
class ButtonTestView {
public:
    virtual ~ButtonTestView() = default;
    /** Loads and starts the test; no effect when the window exists already. */
    virtual void load() = 0;
    /** A test press was seen: "Alarm ausgelöst", "OK !", and the window's Timer2 on. */
    virtual void reportPress() = 0;
};

/** The tray window `mnbar`: the notification-area icon and its menu. */
class TrayView {
public:
    virtual ~TrayView() = default;
    /** Adds the icon; a desktop without a tray host yet is looked at again for a while. */
    virtual void load() = 0;
    /** The exchange directory has been out of reach for a while (true) or answers again (false). */
    virtual void setCutOff(bool cutOff) = 0;
};

/** The windows of one client; any left null does nothing. */
struct ClientViews {
    SetupView* setup = nullptr;
    MessageView* messages = nullptr;
    AlarmView* alarm = nullptr;
    AlarmSentView* alarmSent = nullptr;
    ButtonTestView* buttonTest = nullptr;
    TrayView* tray = nullptr;
};

/** Everything the client's windows tell its core: the one way back from the forms. */
class ClientInput {
public:
    virtual ~ClientInput() = default;
    /** The user changed a setup control; fields holds every control's value now. */
    virtual void setupEdited(const SetupFields& fields) = 0;
    /** The button test's start phase is over: serial events count from now on. */
    virtual void setInitialisierung(bool value) = 0;
    /** The user confirmed a test press: presses and soft triggers raise alarms from now on. */
    virtual void setGetestet(bool value) = 0;
    /** "Abrechen" of the button test or "Programm beenden" of the tray: the client ends at once. */
    virtual void endProgram() = 0;
    /** "Setup beenden": the save. The controls' values are those of the last setupEdited. */
    virtual void speichern_Click() = 0;
    /** "Signal suchen" was closed with a file accepted; a cancel does not call this. */
    virtual void signalFileChosen(const QString& path) = 0;
    /** "Bildschirmschoner initialisieren": hands the directory box over to the screen saver. */
    virtual void config_PendraSaver_Click() = 0;
    /** "Einstellung" of the tray menu, or a second start of the program: the setup window. */
    virtual void setupRequested() = 0;
    /** No notification area appeared in time: the client runs on without its icon. */
    virtual void trayUnavailable() = 0;
};

} // namespace telvor
