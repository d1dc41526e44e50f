// The built program with damaged files of its own in Home: a game library cut short, which the
// loader would map past its end (the process then dies of a bus error at start), or damaged where
// the loader faults on it, and an officer file of nothing but zeros, which a write cut short
// leaves and which must not be taken for a list of no officers.

#include <cstdint>
#include <cstdlib>

#include "tests/support/ElfBytes.h"
#include "tests/support/ProcessRun.h"

namespace {

using namespace tarvex::test;

// A cut or damaged library, or a pipe in its place, is refused as a missing one is: named with
// the reason when there is a file, and the program ends with status 1, neither killed by a
// fault inside the loader nor waiting on the pipe.
TEST_F(ProcessTest, AGameLibraryCutShortIsRefusedAsAMissingOneIs) {
    const std::string whole = ReadAll(kBuiltGameLibrary);
    ASSERT_GT(whole.size(), 4096u);
    const size_t dynamic = ElfDynamicAt(whole);
    ASSERT_NE(dynamic, 0u);
    std::string zeroed = whole;
    zeroed.replace(dynamic, 512, 512, '\0');
    const struct {
        const char* what;
        std::string bytes;  // empty: no file, or a pipe
        const char* reason;
    } cases[] = {
        {"an eighth", whole.substr(0, whole.size() / 8), ": the file is shorter than its"},
        {"a half", whole.substr(0, whole.size() / 2), ": the file is shorter than its"},
        {"missing", "", ""},
        {"dynamic segment zeroed", zeroed, ": loading it ends a process with signal"},
        {"a pipe", "", ": it is not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("CutLibrary");
        const fs::path library = folder / "Home" / "VQ9Game.so";
        CopyDemoHome(folder / "Home");
        fs::remove(library);
        if (!c.bytes.empty()) {
            WriteText(library, c.bytes);
        } else if (*c.reason != '\0') {
            ASSERT_EQ(std::system(("mkfifo '" + library.string() + "'").c_str()), 0);
        }
        Start(folder);
        const int status = Finish(folder, WaitFor(folder, std::chrono::seconds(30)), true);
        ExpectEnded(folder, status, 1, "Failed to load game DLL!\n" + library.string() + c.reason);
        fs::remove_all(folder);
    }
}

// The zeros are kept aside as any damaged officer file is, and the player is told so.
TEST_F(ProcessTest, AnOfficerFileOfZerosIsKeptAsideAndTold) {
    CopyDemoHome(m_folder / "Home");
    const std::string zeros(1958, '\0');
    WriteText(m_folder / "Home" / "player.cfg", zeros);
    Start(m_folder);
    const std::string told = "The officer file \"player.cfg\" could not be read.\nIt has been kept as \"player.cfg.bad\"";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReadAll(m_folder / "stderr.txt").find(told) == std::string::npos && std::chrono::steady_clock::now() < end)
        ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(50)), -1) << ReadAll(m_folder / "stderr.txt");
    const int status = Terminate(m_folder, std::chrono::seconds(20));
    ExpectEnded(m_folder, status, 0, told);
    const std::string kept = ReadAll(m_folder / "Home" / "player.cfg.bad");
    EXPECT_TRUE(kept == zeros) << kept.size() << " bytes kept";
    fs::remove_all(m_folder);
}

}  // namespace
