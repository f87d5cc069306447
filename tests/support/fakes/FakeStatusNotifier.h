#pragma once

#include "common/StatusNotifier.h"

namespace telvor::test {

/** A notification area on the message bus as a test plays it: it keeps what the program hands over. */
struct FakeStatusNotifier final : StatusNotifier {
    void offer() override { offered = true; }
    void withdraw() override
    {
        offered = false;
        placed = false;
    }
    void setIcon(const QList<NotifierPixmap>& p) override { pictures = p; }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setMenu(const QList<NotifierMenuEntry>& e) override { entries = e; }

    /** The area takes the offered icon (true) or goes away (false). */
    void place(bool there)
    {
        placed = there;
        emit placedChanged(there);
    }

    bool offered = false;
    bool placed = false;
    QList<NotifierPixmap> pictures;
    QString toolTip;
    QList<NotifierMenuEntry> entries;
};

} // namespace telvor::test
