// The program: one instance per user (a second start brings the running
// window to the front and ends), the window in its language (--lang, the
// settings file or the locale; Chinese by default), shown maximised, the
// remembered port (or the one given with --port) opened at once; or, with
// --certificate, a certificate written without a window.

#include <cstdio>
#include <cstdlib>

#include "app/app_identity.h"
#include "app/command_line.h"
#include "app/ending_signals.h"
#include "app/general_error.h"
#include "app/language.h"
#include "app/raise_request.h"
#include "app/single_instance.h"
#include "app_core/sys_settings.h"
#include "program/certificate_command.h"
#include "ui/main_window.h"

namespace {

// A second start: the running window comes to the front and opens the port
// given with --port. Says what happened on standard error.
int HandOverToRunningInstance(const StartOptions& options)
{
    const QString program = QCoreApplication::applicationName();
    if (!SendRaiseRequest(RaiseSocketPath(), options.port)) {
        std::fputs(qPrintable(program + QStringLiteral(": already running, but the running "
                                                       "window does not answer.\n")),
                   stderr);
        return EXIT_FAILURE;
    }
    const QString done =
        options.port ? QStringLiteral(": already running; port %1 handed to its window.\n")
                           .arg(*options.port)
                     : QStringLiteral(": already running; its window was brought to the front.\n");
    std::fputs(qPrintable(program + done), stderr);
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    SetApplicationIdentity();
    // A certificate for a script: no window, no single-instance lock.
    if (const std::optional<int> exitCode = RunCertificateCommand(argc, argv))
        return *exitCode;
    CommandLine commandLine;
    commandLine.answerWithoutDisplay(argc, argv);

    LoadSystemSettings();

    // A second start shows the running instance's window and ends. A lock
    // that cannot be taken at all does not keep the tool from starting.
    SingleInstanceLock instance;
    const SingleInstanceLock::Result lock = instance.Acquire();
    if (lock == SingleInstanceLock::Result::AlreadyRunning) {
        QCoreApplication app(argc, argv);
        return HandOverToRunningInstance(commandLine.process(app));
    }

    ScaleApplication app(argc, argv);
    // Ended by a signal, the window still closes its port on the way out.
    const EndingSignals endingSignals;
    const StartOptions options = commandLine.process(app);
    UseLanguage(ChooseLanguage(options.language, QString::fromStdString(windowLanguage),
                               QLocale::system()));
    MainWindow window;
    RaiseRequestServer raiseRequests(window);
    raiseRequests.onPortHandedOver(
        [&](const QString& port) { RunAction([&] { window.openHandedOverPort(port); }); });
    if (lock == SingleInstanceLock::Result::Acquired)
        raiseRequests.listen(RaiseSocketPath());
    window.showMaximized();
    RunAction([&] {
        if (options.port)
            window.openPortForThisStart(*options.port);
        else
            window.openRememberedPort();
    });
    if (!endingSignals.received())
        app.exec();
    return 0;
}
