// The built program joining a range with a hostile kit file or start-up script in its Home: the
// script runs at start-up and the kit is read when the new officer is made, before the range
// starts. However the file is damaged, the range starts, the damage is told in one message
// (which, without a display, goes to standard error), and SIGTERM ends the program with status 0.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/ProcessRun.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

std::string Repeated(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

// Blocks each derived from the one before.
std::string DerivedChain(int count) {
    std::string text = "OBJECT O0\n{\nset a \"1\"\n}\n";
    for (int i = 1; i < count; ++i)
        text += "OBJECT O" + std::to_string(i) + ":O" + std::to_string(i - 1) + "\n{\nset a \"1\"\n}\n";
    return text;
}

TEST(KitFileProcessTest, AHostileKitFileStillLetsTheRangeStart) {
    std::string objects;
    for (int i = 0; i < 4000; ++i)
        objects += "object O" + std::to_string(i) + "\n";
    const struct {
        const char* what;
        std::string kit;
        const char* told;  // said once, or nothing to say
        const char* file = "DefEquip.cfg";
        bool afterDemo = false;  // the text follows the demo kit
    } cases[] = {
        {"includes itself", Repeated(50, "#include DefEquip.cfg\n"),
         "DefEquip.cfg not included: it is being read already (a file may not include itself)\n\n... and 49 more "
         "errors in DefEquip.cfg"},
        {"derived chain", DerivedChain(100000), nullptr},
        {"stray closes", Repeated(4000, "}\n"),
         "Syntax Error: Invalid token '}'\n\n... and 3,999 more errors in DefEquip.cfg"},
        {"cut after the demo kit", Repeated(2000000, "}\n"),
         "DefEquip.cfg not read to its end: more than 1,000,000 lines in one read\n\nSyntax Error: Invalid token '}'",
         "DefEquip.cfg", true},
        {"object lines at start-up", objects,
         "Syntax Error: Invalid token 'OBJECT'\n\n... and 3,998 more errors in startup.cfg", "startup.cfg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("KitFile");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        const fs::path file = folder / "Home" / c.file;
        WriteText(file, (c.afterDemo ? ReadAll(file) + "\n" : std::string()) + c.kit);
        // A join goes straight to the range with a new officer, who gets the kit.
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester");
        const bool drawn = RunsUntil(folder, [&] { return RangeDrawn(folder / "Home"); }, std::chrono::seconds(60));
        const int status = Terminate(folder, std::chrono::seconds(10));
        const std::string said = ReadAll(folder / "stderr.txt");
        EXPECT_TRUE(drawn) << said;
        EXPECT_EQ(status, 0) << said;
        if (c.told != nullptr) {
            EXPECT_EQ(Occurrences(said, c.told), 1) << said;
        }
        // Nothing else about the kit: no box per error.
        EXPECT_LE(Occurrences(said, "not included"), 1) << said;
        EXPECT_LE(Occurrences(said, "Syntax Error"), 1) << said;
        fs::remove_all(folder);
    }
}

}  // namespace
