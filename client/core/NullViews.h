#pragma once

#include "client/core/ClientViews.h"

namespace telvor {

/** Stands in for every window a station runs without (tests, a station without a display). */
struct NullViews final : SetupView, MessageView, AlarmView, AlarmSentView, ButtonTestView, TrayView {
    void showFields(const SetupFields&) override {}
    void setSetupVisible(bool visible) override { m_visible = visible; }
    [[nodiscard]] bool isSetupVisible() const override { return m_visible; }
    void showMessage(const QString&) override {}
    void Alarm(const QString&, bool) override {}
    void load() override {}
    void einschalten() override {}
    void enableOk() override {}
    void reportPress() override {}
    void setCutOff(bool) override {}

private:
    bool m_visible = false;
};

} // namespace telvor
