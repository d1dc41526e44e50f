// The built program joining a range with a hostile kit file in its Home: the kit is read when
// the new officer is made, before the range starts. However the file is damaged, the range
// starts, the damage is told in one message (which, without a display, goes to standard
// error), and SIGTERM ends the program with status 0.

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
    const struct {
        const char* what;
        std::string kit;
        const char* told;  // said once, or nothing to say
    } cases[] = {
        {"includes itself", Repeated(50, "#include DefEquip.cfg\n"),
         "DefEquip.cfg not included: it is being read already (a file may not include itself)\n\n... and 49 more "
         "errors in DefEquip.cfg"},
        {"derived chain", DerivedChain(100000), nullptr},
        {"stray closes", Repeated(4000, "}\n"),
         "Syntax Error: Invalid token '}'\n\n... and 3,999 more errors in DefEquip.cfg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("KitFile");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        WriteText(folder / "Home" / "DefEquip.cfg", c.kit);
        // A join goes straight to the range with a new officer, who gets the kit.
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester");
        const bool drawn = RunsUntil(folder, [&] { return RangeDrawn(folder / "Home"); }, std::chrono::seconds(30));
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
