#pragma once

class QWindow;

namespace telvor {

/**
 * How a window of ours keeps its place above other programs' windows. Window managers differ: some
 * give the keyboard to every window that raises itself, and most put a full-screen window that has
 * the keyboard above the "stay on top" layer, where only taking the keyboard lifts a window over it.
 */
class WindowStacking {
public:
    virtual ~WindowStacking() = default;

    /** Puts a shown window on top of its layer and leaves the keyboard where it is. */
    virtual void raiseWithoutFocus(QWindow& window) = 0;
    /** Gives a shown window the keyboard and puts it on top, as a click on its task-bar button does. */
    virtual void activate(QWindow& window) = 0;
    /** Whether the window that has the keyboard is a full-screen window (the alarm never is one). */
    virtual bool fullScreenWindowActive() = 0;
};

} // namespace telvor
