// telvor: the workstation alarm client.

#include "client/core/TelvorClient.h"
#include "client/forms/Alarmanzeige.h"
#include "client/forms/alarmgesendet.h"
#include "client/forms/telvor.h"
#include "client/forms/telvorttest.h"
#include "common/Clock.h"
#include "common/QtScheduler.h"
#include "common/UserDirectory.h"
#include "platform/LinuxSerialPort.h"
#include "platform/PulseSound.h"

#include <QApplication>
#include <QTimer>

#include <iostream>

int main(int argc, char* argv[])
{
    using namespace telvor;

    // Topmost windows and the tray need X11; under Wayland the client runs through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("telvor"));
    // The client lives on with every window closed: it must keep receiving alarms.
    QApplication::setQuitOnLastWindowClosed(false);

    QtScheduler scheduler;
    SystemClock clock;
    LinuxSerialPort serial;
    PulseSound sound;

    TelvorClient* client = nullptr;
    telvor::telvor setupWindow;
    Alarmanzeige alarmWindow(scheduler, [&client] { return client && client->config().fullScreen; });
    alarmgesendet sentWindow;
    ButtonTestClient testClient;
    testClient.setInitialisierung = [&client](bool value) {
        if (client)
            client->setInitialisierung(value);
    };
    testClient.setGetestet = [&client](bool value) {
        if (client)
            client->setGetestet(value);
    };
    // "Abrechen" ends the client at once: exit() leaves every event loop without asking windows to close.
    testClient.quit = [] { QCoreApplication::exit(0); };
    telvorttest testWindow(scheduler, testClient);

    ClientViews views;
    views.setup = &setupWindow;
    views.messages = &setupWindow;
    views.alarm = &alarmWindow;
    views.alarmSent = &sentWindow;
    views.buttonTest = &testWindow;

    ClientServices services{scheduler,
                            clock,
                            serial,
                            sound,
                            perUserDirectory(),
                            QLocale::system(),
                            [](const QString& line) { std::cerr << line.toLocal8Bit().constData() << std::endl; }};
    TelvorClient station(services, views);
    client = &station;
    setupWindow.attach(&station);

    QTimer::singleShot(0, &app, [&station] { station.Form_Load(); });
    return QApplication::exec();
}
