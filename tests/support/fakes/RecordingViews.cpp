#include "RecordingViews.h"

namespace telvor::test {

void RecordingSentWindow::einschalten()
{
    ++shown;
    okEnabled = false;
}

void RecordingViews::setSetupVisible(bool visible)
{
    if (visible)
        ++setupShown;
    setupVisible = visible;
}

ClientViews RecordingViews::views()
{
    return {this, this, this, &sent, &test, &tray};
}

} // namespace telvor::test
