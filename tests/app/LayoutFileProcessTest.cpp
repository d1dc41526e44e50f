// The range's layout files, damaged, through the built program on the headless backend: a join
// goes straight to the range, and a layout it cannot draw from is named on standard error
// before the range starts, while one it can read starts it; either way SIGTERM ends the
// program with status 0 within a few seconds. A file far larger than any layout is read no
// further than the layout bound: the program's memory stays near a clean session's, and
// SIGTERM ends it within a second of its processor's time.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/ProcessRun.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

// A clean range session holds some 65 MB, and a layout read no further than its bound adds
// little; a file of tens of megabytes read whole costs hundreds.
constexpr long kBoundedPeakKb = 100 * 1024;

std::string DemoLayout(const char* file) {
    return ReadAll(fs::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home" / "Layouts" / file);
}

TEST(LayoutFileProcessTest, DamagedLayoutsAreNamedBeforeTheRangeAndReadableOnesStartIt) {
    const std::string hud = "The heads-up layout Layouts/hud.lay could not be read: ";
    const std::string tooLarge = hud + "it is larger than 1048576 bytes, far more than any layout.";
    const struct {
        const char* what;
        const char* file;
        std::string text;    // written in place of the demo's file
        bool folder;         // a folder of that name instead
        std::string reason;  // on standard error; empty: the range starts
        uint64_t sparse = 0;  // bytes of a sparse file (zeros that take no disk) in place of the text
        bool bounded = false;  // its peak memory and the time SIGTERM takes are measured
    } cases[] = {
        // Bytes from 0x7F up are text, which the fonts draw as blanks where they have no glyph.
        {"0xFF bytes", "hud.lay", std::string(4000, '\xFF'), false, ""},
        {"zero bytes", "hud.lay", std::string(4000, '\0'), false, hud + "line 1 holds a byte no layout has (0x00)."},
        {"binary junk", "results.lay", "group(0,0,xr,yb)\nstring(\"A\x1b\x02\x80\",1,1)\n", false,
         "The results layout Layouts/results.lay could not be read: line 2 holds a byte no layout has (0x1B)."},
        {"one 10 MB line", "hud.lay", std::string(10 << 20, 'a'), false,
         hud + "line 1 is longer than 65536 characters."},
        {"empty", "hud.lay", "", false, hud + "it is empty."},
        {"blank lines", "results.lay", " \n\t\r\n\n", false,
         "The results layout Layouts/results.lay could not be read: it is empty."},
        {"2 MiB of line ends", "hud.lay", std::string(2 << 20, '\n'), false, tooLarge},
        {"a folder", "hud.lay", "", true, hud},
        // A quote never closed takes the rest of the script, read once.
        {"unclosed quote", "hud.lay", [] {
             std::string text = "group(0,0,xr,yb) renderframe(0,0,xr,yb,60) string(\"";
             for (int i = 0; i < 200000; ++i)
                 text += "a)\n";
             return text;
         }(), false, ""},
        // The fonts draw codes 32 to 127 and every other code as a blank.
        {"an accented label", "hud.lay",
         [] {
             std::string text = DemoLayout("hud.lay");
             text.replace(text.find("\"ROUNDS\""), 8, "\"ROUNDS\xE9\"");
             return text;
         }(),
         false, ""},
        {"UTF-8 letters and DEL", "results.lay",
         [] {
             std::string text = DemoLayout("results.lay");
             text.replace(text.find("\"SESSION RESULTS\""), 17, "\"R\xC3\xA9SULTATS \xE2\x9C\x93\x7F\"");
             return text;
         }(),
         false, ""},
        {"52 MB of items", "hud.lay",
         [] {
             std::string text = DemoLayout("hud.lay");
             text.resize(text.rfind("endgroup"));
             for (int i = 0; i < 1500000; ++i)
                 text += "line(xc -14,yc,xc -4,yc,80,255,80)\n";
             return text + "endgroup\n";
         }(),
         false, tooLarge, 0, true},
        {"1 GiB sparse", "hud.lay", "", false, hud + "line 1 holds a byte no layout has (0x00).", uint64_t{1} << 30,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("LayoutFile");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        const fs::path file = folder / "Home" / "Layouts" / c.file;
        fs::remove(file);
        if (c.folder)
            fs::create_directory(file);
        else
            WriteText(file, c.text);
        if (c.sparse != 0)
            fs::resize_file(file, c.sparse);
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester");
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        bool seen = false;
        while (!seen && std::chrono::steady_clock::now() < end) {
            ASSERT_EQ(WaitFor(folder, std::chrono::milliseconds(50)), -1) << ReadAll(folder / "stderr.txt");
            seen = c.reason.empty() ? RangeDrawn(folder / "Home")
                                    : ReadAll(folder / "stderr.txt").find(c.reason) != std::string::npos;
        }
        EXPECT_TRUE(seen) << ReadAll(folder / "stderr.txt");
        if (c.bounded) {
            EXPECT_LT(PeakMemoryKb(folder), kBoundedPeakKb);
        }
        const Closed closed = TerminateCounted(folder, std::chrono::seconds(10));
        EXPECT_EQ(closed.status, 0) << ReadAll(folder / "stderr.txt");
        EXPECT_TRUE(!c.bounded || closed.cpuSeconds < 1.0) << closed.cpuSeconds;
        if (c.reason.empty()) {
            EXPECT_EQ(ReadAll(folder / "stderr.txt").find("could not be read"), std::string::npos);
        }
        fs::remove_all(folder);
    }
}

}  // namespace
