// The program: one instance per user, the main window shown maximised, the
// remembered port opened at once.

#include "app/general_error.h"
#include "app/single_instance.h"
#include "app_core/sys_settings.h"
#include "ui/main_window.h"

int main(int argc, char** argv)
{
    LoadSystemSettings();

    // A second start ends silently and leaves the running instance alone. A
    // lock that cannot be taken at all does not keep the tool from starting.
    SingleInstanceLock instance;
    if (instance.Acquire() == SingleInstanceLock::Result::AlreadyRunning)
        return 0;

    ScaleApplication app(argc, argv);
    MainWindow window;
    window.showMaximized();
    RunAction([&] { window.openRememberedPort(); });
    app.exec();
    return 0;
}
