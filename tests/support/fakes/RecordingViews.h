#pragma once

#include "client/core/ClientViews.h"

#include <QStringList>

namespace telvor::test {

struct RecordingSentWindow final : AlarmSentView {
    void load() override { ++loads; }
    void einschalten() override;
    void enableOk() override { okEnabled = true; }
    int loads = 0;
    int shown = 0;
    bool okEnabled = false;
};

struct RecordingTestWindow final : ButtonTestView {
    void load() override { ++loads; }
    void reportPress() override { ++presses; }
    int loads = 0;
    int presses = 0;
};

struct RecordingTray final : TrayView {
    void load() override { ++loads; }
    void setCutOff(bool cutOff) override { changes.append(cutOff); }
    int loads = 0;
    QList<bool> changes; ///< every change of the cut-off state, in order
};

/** Windows that remember what the core asked of them. */
struct RecordingViews final : SetupView, MessageView, AlarmView {
    void showFields(const SetupFields& f) override { fields = f; }
    void setSetupVisible(bool visible) override;
    bool isSetupVisible() const override { return setupVisible; }
    void showMessage(const QString& text) override { messages.append(text); }
    void Alarm(const QString& anztext, bool fullScreen) override
    {
        alarms.append(anztext);
        alarmsFullScreen.append(fullScreen);
    }

    ClientViews views();

    SetupFields fields;
    bool setupVisible = false;
    int setupShown = 0;
    QStringList messages;
    QStringList alarms;
    QList<bool> alarmsFullScreen;
    RecordingSentWindow sent;
    RecordingTestWindow test;
    RecordingTray tray;
};

} // namespace telvor::test
