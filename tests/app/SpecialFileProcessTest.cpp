// The built program with a Home file replaced by something that is no plain file: a pipe nobody
// writes into, or a link to an endless device. Each reader refuses it as a file it cannot read,
// the game starts without it or stops as for any such file, and SIGTERM ends it at once. A link
// planted where a save writes never carries the save to the file it names: the save replaces
// the link. A save's temporary file is made new: whatever stands at its name is left as it is,
// and the save is made all the same.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/ProcessRun.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

void MakePipe(const fs::path& file) {
    fs::remove(file);
    ASSERT_EQ(std::system(("mkfifo '" + file.string() + "'").c_str()), 0);
}

void LinkToDevice(const fs::path& file, const char* device) {
    fs::remove(file);
    fs::create_symlink(device, file);
}

// Where the saves make their temporary files: the settings, the officers, the profile, and the
// check at start that Home can be written.
const char* const kTemporaries[] = {"default.cfg.tmp", "player.cfg.tmp", "../config/Tarvex/Tarvex.ini.tmp",
                                    "~tarvex.probe.tmp"};
enum class Held { nothing, hardLink, symbolicLink, pipe, folder };

void Hold(const fs::path& at, Held held, const fs::path& victim) {
    fs::create_directories(at.parent_path());
    if (held == Held::hardLink)
        fs::create_hard_link(victim, at);
    else if (held == Held::symbolicLink)
        fs::create_symlink(victim, at);
    else if (held == Held::pipe)
        MakePipe(at);
    else
        fs::create_directory(at);
}

TEST(SpecialFileProcessTest, NoPlainFileIsRefusedAndSigtermStillEndsTheGame) {
    const struct {
        const char* file;
        bool device;  // a link to an endless device instead of a pipe
        int status;
        // Said on standard error; empty where the game plays on without a word.
        const char* reason;
        // Or a link to "victim.txt" beside Home holding these words, which it keeps.
        const char* victim = nullptr;
        // Or this at every temporary name of kTemporaries at once (links to "victim.txt").
        Held held = Held::nothing;
    } cases[] = {
        {"default.cfg", false, 0, "The settings file \"default.cfg\" could not be opened."},
        {"Tarvex.cat", false, 1, "Error loading file: Tarvex.cat"},
        {"DefEquip.cfg", false, 0, ""},
        {"Layouts/hud.lay", true, 0, ""},
        {"Maps/targetrange.gmx", false, 0, "The map \\Maps\\targetrange.gmx could not be read"},
        {"Models/Range/target.ssm", false, 0, "The board model Models/Range/target.ssm could not be read"},
        {"Textures/Outdoor/grass.stx", false, 0, "The texture Textures\\Outdoor\\grass.stx could not be read"},
        {"../config/Tarvex/Tarvex.ini", false, 0, "", "[System/Settings]\nMaleVoiceOvers=1\n"},
        {"hard links at the temporary names", false, 0, "", "precious words", Held::hardLink},
        {"links at the temporary names", false, 0, "", "precious words", Held::symbolicLink},
        {"pipes at the temporary names", false, 0, "", "precious words", Held::pipe},
        {"folders at the temporary names", false, 0, "", "precious words", Held::folder},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path folder = MakeScratchFolder(("SpecialFile" + std::to_string(row++)).c_str());
        const fs::path home = folder / "Home";
        CopyDemoHome(home);
        fs::copy_file(kBuiltGameLibrary, home / "VQ9Game.so", fs::copy_options::overwrite_existing);
        if (c.victim != nullptr)
            WriteText(folder / "victim.txt", c.victim);
        if (c.held != Held::nothing) {
            for (const char* temporary : kTemporaries)
                Hold(home / temporary, c.held, folder / "victim.txt");
        } else if (c.victim != nullptr) {
            fs::create_directories((home / c.file).parent_path());
            fs::create_symlink(folder / "victim.txt", home / c.file);
        } else if (c.device)
            LinkToDevice(home / c.file, "/dev/zero");
        else
            MakePipe(home / c.file);
        // A join goes straight to the range, which reads the map, its models and textures.
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester");
        const std::string reason = c.reason;
        int status = -1;
        bool past = false;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (status == -1 && !past && std::chrono::steady_clock::now() < end) {
            status = WaitFor(folder, std::chrono::milliseconds(50));
            // One that is to stop is left to stop by itself; one that plays on is past the file
            // once it names it or draws the range.
            const std::string said = ReadAll(folder / "stderr.txt");
            // A save is told at the close, once the range is drawn.
            past = c.status == 0 && (c.victim != nullptr ? RangeDrawn(home)
                                     : reason.empty()    ? RangeDrawn(home) || said.find(fs::path(c.file).filename().string()) !=
                                                                               std::string::npos
                                                         : said.find(reason) != std::string::npos);
        }
        EXPECT_TRUE(status != -1 || past) << "stuck on the file: " << ReadAll(folder / "stderr.txt");
        status = Finish(folder, status, true, std::chrono::seconds(10));
        ExpectEnded(folder, status, c.status, reason);
        if (c.victim != nullptr) {
            EXPECT_EQ(ReadAll(folder / "victim.txt"), c.victim);
        }
        if (c.held != Held::nothing) {
            // Home was found writable, and the officer, the settings and the last officer saved.
            const std::string said = ReadAll(folder / "stderr.txt");
            for (const char* failed : {"cannot be written to", "Could not save", "could not save", "Failed to create"})
                EXPECT_EQ(said.find(failed), std::string::npos) << said;
            EXPECT_NE(ReadAll(home / "player.cfg").find("Tester"), std::string::npos);
            EXPECT_NE(ReadAll(home / "default.cfg").find("cfg_sysprofile"), std::string::npos);
            EXPECT_NE(ReadAll(folder / "config/Tarvex/Tarvex.ini").find("LastPlayer=Tester"), std::string::npos);
            // What stood at the names stays; no temporary file of ours is left beside it.
            int temporaries = 0;
            for (const fs::path& in : {home, folder / "config/Tarvex"})
                for (const auto& entry : fs::directory_iterator(in))
                    temporaries += entry.path().extension() == ".tmp" ? 1 : 0;
            EXPECT_EQ(temporaries, 4);
            for (const char* temporary : kTemporaries)
                EXPECT_TRUE(fs::exists(fs::symlink_status(home / temporary))) << temporary;
        }
        // One that had to be killed is let go by its shell before its folder goes.
        if (status == -1)
            WaitFor(folder, std::chrono::seconds(5));
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
}

}  // namespace
