// A dedicated server started from the built program on the demo data, headless. Nobody sits at
// its screen, so what it cannot use is told on standard error only: a damaged texture of its map
// leaves the session to play to its end, which closes the server as a clean session does, and a
// session that cannot start ends the program with status 1.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/ProcessRun.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

// Starts a server on a copy of the demo Home that `damage` has changed, with a range session cut
// to two seconds, and gives it the limit to end by itself: its status, or -1 (then killed).
int RunServer(void (*damage)(const fs::path& home), std::string& said) {
    const fs::path folder = MakeScratchFolder("DedicatedServer");
    const fs::path home = folder / "Home";
    CopyDemoHome(home);
    fs::copy_file(kBuiltGameLibrary, home / "VQ9Game.so", fs::copy_options::overwrite_existing);
    WriteText(home / "startup.cfg", "OBJECT Score\n{\n    set QualifyTimeLimit \"2000\"\n}\n");
    damage(home);
    Start(folder, "", "SDL_VIDEODRIVER=dummy", "-dedicated");
    const int status = WaitFor(folder, std::chrono::seconds(60));
    if (status == -1) {
        Signal(folder, "KILL");
        WaitFor(folder, std::chrono::seconds(10));
    }
    said = ReadAll(folder / "stderr.txt");
    fs::remove_all(folder);
    return status;
}

TEST_F(ProcessTest, ADedicatedServerTellsADamagedTextureOnStandardErrorAndPlaysItsSessionOut) {
    std::string said;
    const int status = RunServer(
        [](const fs::path& home) { WriteText(home / "Textures" / "Outdoor" / "sand.stx", std::string(4096, 'x')); },
        said);
    EXPECT_EQ(status, 0) << said;
    EXPECT_EQ(said.find("Initialization failed"), std::string::npos) << said;
    EXPECT_NE(said.find("The texture Textures\\Outdoor\\sand.stx could not be read: "), std::string::npos) << said;
}

TEST_F(ProcessTest, ADedicatedServerWhoseSessionCannotStartSaysWhyAndFails) {
    const struct {
        const char* what;
        void (*damage)(const fs::path& home);
        const char* reason;
    } cases[] = {
        {"damaged map", [](const fs::path& home) { fs::resize_file(home / "Maps" / "targetrange.gmx", 1000); },
         "The map \\Maps\\targetrange.gmx could not be read: "},
        {"missing map", [](const fs::path& home) { fs::remove(home / "Maps" / "targetrange.gmx"); },
         "The map \\Maps\\targetrange.gmx could not be read: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string said;
        const int status = RunServer(c.damage, said);
        EXPECT_EQ(status, 1) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
    }
}

}  // namespace
