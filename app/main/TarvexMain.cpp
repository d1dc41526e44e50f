// The program's entry: standard descriptors it was started without given /dev/null, the real
// machine's platform, the arguments as the one command-line text the start-up reads,
// termination signals turned into closing the main window, and the application's start-up,
// loop and shut-down with the front end installed. A failed start-up ends with status 1,
// unless a termination request ended it.

#include <string>

#include "app/CTarvexApp.h"
#include "app/SFrontEndHooks.h"
#include "core/SCommandLine.h"
#include "frontend/SFrontEndSetup.h"
#include "sys/backend.h"
#include "sys/fs/fs.h"
#include "sys/signals.h"

int main(int argc, char** argv) {
    sys::fs::OpenClosedStandardDescriptors();
    sys::SelectBackend(sys::Backend::Sdl);
    const std::string commandLine = SCommandLine::JoinArguments(argc, argv);
    {
        SCommandLine options(commandLine.c_str());
        options.Parse();
        bool dedicated = false;
        if (options.GetFlag(dedicated, "dedicated", false))
            sys::RunWithoutDisplay();
    }
    sys::signals::InstallCloseHandler();

    // Declared before the application, so it outlives everything the application tears down.
    SFrontEndSetup frontEnd;
    SFrontEndHooks::Install(&frontEnd);
    int status = 1;
    {
        CTarvexApp app;
        app.SetCommandLine(commandLine);
        if (!app.InitInstance()) {
            app.ExitInstance();
            // Stopped on request, the start-up ends as closing the window does.
            if (sys::signals::TakeCloseRequest())
                status = 0;
        } else {
            status = app.Run();
        }
    }
    SFrontEndHooks::Install(nullptr);
    return status;
}
