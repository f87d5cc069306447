#include "common/RetryOnInterrupt.h"
#include "common/StandardError.h"
#include "common/UserDirectory.h"
#include "trigger/TriggerRun.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool displayNamed()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

/**
 * Shows message in a message window and waits until it is closed. Qt ends the whole process when
 * it cannot open the window system, so the window is made in a child process: when it cannot be
 * made, only the child ends, and the run keeps the exit code that says what failed.
 */
void showMessageWindow(char* programName, const QString& message)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        return;
    }
    if (child == 0) {
        // The abort of a window system that cannot be opened must not leave a core file behind.
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        int argc = 1;
        char* argv[] = {programName, nullptr};
        QApplication app(argc, argv);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("TelvorStart"), message, QMessageBox::Ok);
        // The message quotes paths and texts from TELVOR.DAT, which are never markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
        ::_exit(0);
    }
    int status = 0;
    telvor::retryOnInterrupt([&] { return ::waitpid(child, &status, 0); });
}

} // namespace

int main(int /*argc*/, char** argv)
{
    // A share that drops its connection must not end the run with a signal instead of its report.
    std::signal(SIGPIPE, SIG_IGN);
    telvor::TriggerResult result;
    {
        // Only the program name goes to Qt: arguments have no effect, not even Qt's own options.
        int qtArgc = 1;
        QCoreApplication app(qtArgc, argv);
        result = telvor::runTrigger(
            telvor::TriggerInputs{{QCoreApplication::applicationDirPath(), telvor::perUserDirectory(),
                                   QStringLiteral(TELVOR_WORKSTATION_CONFIG_DIR)}});
    }
    if (!result.ok()) {
        // Standard error always: a desktop without a display, or a window that cannot be made, must
        // still learn that no alarm went out.
        telvor::printLine(QStringLiteral("telvorstart: ") + result.message);
        if (displayNamed()) {
            showMessageWindow(argv[0], result.message);
        }
    }
    return result.exitCode();
}
