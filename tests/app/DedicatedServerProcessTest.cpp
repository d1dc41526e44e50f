// A dedicated server started from the built program on the demo data, headless, with its range
// session cut to two seconds. Nobody sits at its screen, so what it cannot use is told on
// standard error only: a damaged texture of its map leaves the session to play to its end, which
// closes the server as a clean session does (status 0), and a session that cannot start ends the
// program with status 1. One that waits for a click is killed after a minute.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/ProcessRun.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

TEST_F(ProcessTest, ADedicatedServerTellsWhatItCannotUseOnStandardErrorAndEndsByItself) {
    const struct {
        const char* what;
        void (*damage)(const fs::path& home);
        int status;
        const char* reason;
    } cases[] = {
        {"damaged texture",
         [](const fs::path& home) { WriteText(home / "Textures" / "Outdoor" / "sand.stx", std::string(4096, 'x')); },
         0, "The texture Textures\\Outdoor\\sand.stx could not be read: "},
        {"damaged map", [](const fs::path& home) { fs::resize_file(home / "Maps" / "targetrange.gmx", 1000); }, 1,
         "The map \\Maps\\targetrange.gmx could not be read: "},
        {"missing map", [](const fs::path& home) { fs::remove(home / "Maps" / "targetrange.gmx"); }, 1,
         "??? can't find map file: \\Maps\\targetrange.gmx\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("DedicatedServer");
        const fs::path home = folder / "Home";
        CopyDemoHome(home);
        fs::copy_file(kBuiltGameLibrary, home / "VQ9Game.so", fs::copy_options::overwrite_existing);
        WriteText(home / "startup.cfg", "OBJECT Score\n{\n    set QualifyTimeLimit \"2000\"\n}\n");
        c.damage(home);
        Start(folder, "", "SDL_VIDEODRIVER=dummy", "-dedicated");
        const int status = WaitFor(folder, std::chrono::seconds(60));
        if (status == -1) {
            Signal(folder, "KILL");
            WaitFor(folder, std::chrono::seconds(10));
        }
        ExpectEnded(folder, status, c.status, c.reason);
        fs::remove_all(folder);
    }
}

}  // namespace
