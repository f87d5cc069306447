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
    virtual bool isSetupVisible() const = 0;
};

/** What the setup window tells the core. */
class SetupInput {
public:
    virtual ~SetupInput() = default;
    /** The user changed a control; fields holds every control's value now. */
    virtual void setupEdited(const SetupFields& fields) = 0;
};

/** The loader's message box with one OK button; returns once the user has confirmed it. */
class MessageView {
public:
    virtual ~MessageView() = default;
    virtual void showMessage(const QString& text) = 0;
};

/** The alarm window `Alarmanzeige`. */
class AlarmView {
public:
    virtual ~AlarmView() = default;
    /** Shows anztext (loading the window first if needed) and puts the window on top. */
    virtual void Alarm(const QString& anztext) = 0;
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

/** The tray window `mnbar`. */
class TrayView {
public:
    virtual ~TrayView() = default;
    virtual void load() = 0;
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

} // namespace telvor
