#pragma once

#include "client/core/ClientViews.h"

namespace telvor::test {

/** A client that ignores everything its windows tell it; tests override what they watch. */
struct NullInput : ClientInput {
    void setupEdited(const SetupFields&) override {}
    void setInitialisierung(bool) override {}
    void setGetestet(bool) override {}
    void endProgram() override {}
    void speichern_Click() override {}
    void signalFileChosen(const QString&) override {}
    void config_PendraSaver_Click() override {}
    void setupRequested() override {}
    void trayUnavailable() override {}
};

} // namespace telvor::test
