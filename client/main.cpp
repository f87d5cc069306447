// telvor: the workstation alarm client.

#include "client/core/TelvorClient.h"
#include "client/forms/Alarmanzeige.h"
#include "client/forms/alarmgesendet.h"
#include "client/forms/mnbar.h"
#include "client/forms/telvor.h"
#include "client/forms/telvorttest.h"
#include "common/Clock.h"
#include "common/ExchangeIo.h"
#include "common/ProcessEnd.h"
#include "common/QtScheduler.h"
#include "common/SingleInstance.h"
#include "common/StandardError.h"
#include "common/UserDirectory.h"
#include "pictures/ProgramIcon.h"
#include "platform/DBusStatusNotifier.h"
#include "platform/InstanceChannel.h"
#include "platform/LinuxSerialPort.h"
#include "platform/PulseSound.h"
#include "platform/ThreadTaskQueue.h"
#include "platform/ThreadedExchangeIo.h"
#include "platform/X11WindowStacking.h"
#include "platform/XineramaMonitorLayout.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <csignal>

int main(int argc, char* argv[])
{
    using namespace telvor;

    // A share that drops its connection must not end the client with a signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Two clients of one user (autostart and the menu) would race each other for START.<ID>.
    const std::unique_ptr<QLockFile> instance = lockSingleInstance(QStringLiteral("telvor"));
    if (!instance) {
        // Started again from the menu: the running client shows its setup window.
        InstanceChannel::ask(QStringLiteral("telvor"), 2000);
        printLine(QStringLiteral("telvor läuft bereits"));
        return 1;
    }

    // Topmost windows and the tray need X11; under Wayland the client runs through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("telvor"));
    // The client lives on with every window closed: it must keep receiving alarms.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(programIcon());

    QtScheduler scheduler;
    SystemClock clock;
    LinuxSerialPort serial;
    PulseSound sound;
    DirectExchangeIo share;
    ThreadedExchangeIo exchange(share);
    ThreadTaskQueue logWriter;

    telvor::telvor setupWindow;
    X11WindowStacking stacking;
    XineramaMonitorLayout monitors;
    Alarmanzeige alarmWindow(scheduler, stacking, monitors);
    alarmgesendet sentWindow;
    telvorttest testWindow(scheduler);
    // For a notification area on the message bus that comes after Qt has looked for one.
    DBusStatusNotifier notifier(QDBusConnection::sessionBus(), QStringLiteral("telvor"), QStringLiteral("Quorvel"));
    mnbar tray(scheduler, &notifier);

    ClientViews views;
    views.setup = &setupWindow;
    views.messages = &setupWindow;
    views.alarm = &alarmWindow;
    views.alarmSent = &sentWindow;
    views.buttonTest = &testWindow;
    views.tray = &tray;

    // Ending never waits: a thread stuck on a hung share can neither keep the process nor its lock.
    const auto endNow = [&instance] {
        for (QWidget* window : QApplication::topLevelWidgets())
            window->hide();
        QApplication::processEvents();
        endProcessNow(instance.get(), 0);
    };
    // Machine-wide and writable by every user: the sessions of one station ID meet there.
    const QString lockDirectory =
        QFileInfo(QStringLiteral("/run/lock")).isDir() ? QStringLiteral("/run/lock") : QStringLiteral("/tmp");
    ClientServices services{scheduler,
                            clock,
                            serial,
                            sound,
                            exchange,
                            logWriter,
                            perUserDirectory(),
                            QLocale::system(),
                            printLine,
                            endNow,
                            QString(),
                            QStringLiteral(TELVOR_WORKSTATION_CONFIG_DIR),
                            lockDirectory};
    TelvorClient station(services, views);
    setupWindow.attach(&station);
    testWindow.attach(&station);
    tray.attach(&station);
    InstanceChannel channel(QStringLiteral("telvor"), [&station] { station.setupRequested(); });
    if (!channel.listen())
        printLine(QStringLiteral("telvor: ein weiterer Start kann das Setup nicht öffnen: ") + channel.errorText());

    QTimer::singleShot(0, &app, [&station] { station.Form_Load(); });
    return QApplication::exec();
}
