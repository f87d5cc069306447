// PendraSaver: the alarm screen saver (modScreenSaver). The desktop starts it with a switch: "/S"
// the screen saver, "/P" and a window its preview, "/C" the settings, "/A" a new password; a
// screen-saver host of the xscreensaver kind with -root or -window-id (one dash or two).

#include "common/Clock.h"
#include "common/ExchangeIo.h"
#include "common/FailureReporter.h"
#include "common/ProcessEnd.h"
#include "common/QtScheduler.h"
#include "common/SettingsNames.h"
#include "common/SingleInstance.h"
#include "common/StandardError.h"
#include "pictures/ProgramIcon.h"
#include "platform/TerminationSignal.h"
#include "platform/ThreadedExchangeIo.h"
#include "platform/X11WindowSystem.h"
#include "screensaver/core/RandomSource.h"
#include "screensaver/core/SaverContext.h"
#include "screensaver/core/StartDecision.h"
#include "screensaver/forms/PointerCursor.h"
#include "screensaver/forms/frmConfig.h"
#include "screensaver/forms/frmScreenSaver.h"
#include "screensaver/forms/frmSetPassword.h"

#include <QApplication>

#include <csignal>
#include <memory>

namespace {

using namespace telvor;

const QString kProgram = QStringLiteral("PendraSaver");

/** The display of the modes that draw: the screen saver itself, its preview and a host's window. */
[[noreturn]] void runDisplay(const StartDecision& start, SaverContext& context, QLockFile* instance)
{
    QtScheduler scheduler;
    SystemClock clock;
    MersenneRandom random;
    DirectExchangeIo share;
    ThreadedExchangeIo exchange(share);
    FailureReporter reporter(kProgram, printLine, {});
    X11WindowSystem windows;

    if (start.mode == SaverMode::ScreenSaver)
        context.RunMode = kScreenSaverRunMode;
    frmScreenSaver window(context, ScreenSaverServices{scheduler, exchange, clock, random, QLocale(), &reporter},
                          windows);
    window.Form_Load();

    // The real screen saver asks, through the password if there is one; a preview or a host's
    // display has no say in its end.
    const bool screenSaver = start.mode == SaverMode::ScreenSaver;
    const TerminationSignal terminate([&window, screenSaver, instance] {
        if (screenSaver)
            window.close();
        else
            endProcessNow(instance, 0);
    });

    if (start.mode == SaverMode::ScreenSaver || start.mode == SaverMode::HostRoot) {
        window.showFullScreenSaver();
    } else {
        const std::optional<QSize> size = windows.windowSize(start.window);
        if (!size) {
            printLine(QStringLiteral("%1: kein Fenster %2").arg(kProgram).arg(start.window));
            endProcessNow(instance, 2);
        }
        window.embedInto(start.window, *size);
        windows.watchWindow(
            start.window, [instance] { endProcessNow(instance, 0); },
            [&window](QSize resized) { window.resize(resized); });
    }
    // Ended from here: leaving this scope would wait for a call stuck on a hung share.
    endProcessNow(instance, QApplication::exec());
}

int Main(const StartDecision& start, int argc, char* argv[])
{
    if (start.mode == SaverMode::None) {
        if (!start.error.isEmpty())
            printLine(kProgram + QStringLiteral(": ") + start.error);
        return 0;
    }
    std::unique_ptr<QLockFile> instance;
    if (start.takesLock) {
        instance = lockSingleInstance(kProgram);
        if (!instance) {
            printLine(QStringLiteral("%1 läuft bereits").arg(kProgram));
            return 1;
        }
    }
    if (!start.error.isEmpty()) {
        printLine(kProgram + QStringLiteral(": ") + start.error);
        return 2;
    }

    // Above-all windows, grabs and embedding into a host's window need X11; under Wayland the
    // screen saver runs through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(kProgram);
    QApplication::setWindowIcon(programIcon());

    SaverContext context{SettingsStore(settings::kApplication)};
    bindPointerToCursor(context.pointer);

    if (start.mode != SaverMode::Settings && start.mode != SaverMode::NewPassword)
        runDisplay(start, context, instance.get());

    // A settings or password window that is told to go ends at once, storing nothing.
    const TerminationSignal terminate([&instance] { endProcessNow(instance.get(), 0); });
    std::unique_ptr<QWidget> window;
    if (start.mode == SaverMode::Settings) {
        auto settingsWindow = std::make_unique<frmConfig>(context.settings);
        settingsWindow->Form_Load();
        window = std::move(settingsWindow);
    } else {
        auto passwordWindow = std::make_unique<frmSetPassword>(context.settings);
        passwordWindow->Form_Load();
        window = std::move(passwordWindow);
    }
    endProcessNow(instance.get(), QApplication::exec());
}

} // namespace

int main(int argc, char* argv[])
{
    // Before any thread starts, so that SIGTERM reaches the event loop alone.
    TerminationSignal::blockInEveryThread();
    // A share that drops its connection must not end the screen saver with a signal.
    std::signal(SIGPIPE, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return Main(decideStart(arguments, qEnvironmentVariable("XSCREENSAVER_WINDOW")), argc, argv);
}
