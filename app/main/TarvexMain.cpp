// The program's entry: the real machine's platform, the arguments as the one command-line text
// the start-up reads, termination signals turned into closing the main window, and the
// application's start-up, loop and shut-down. A failed start-up ends with status 1.

#include <string>

#include "app/CTarvexApp.h"
#include "core/SCommandLine.h"
#include "platform/sys/backend.h"
#include "platform/sys/signals.h"

int main(int argc, char** argv) {
    sys::SelectBackend(sys::Backend::Sdl);
    sys::signals::InstallCloseHandler();

    CTarvexApp app;
    app.SetCommandLine(SCommandLine::JoinArguments(argc, argv));
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    return app.Run();
}
