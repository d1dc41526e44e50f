// The built program with damaged files of its own in Home: a game library cut short, which the
// loader would map past its end (the process then dies of a bus error at start), and an officer
// file of nothing but zeros, which a write cut short leaves and which must not be taken for a
// list of no officers.

#include "tests/support/ProcessRun.h"

namespace {

using namespace tarvex::test;

// A cut library is refused as a missing one is: named, and the program ends with status 1.
TEST_F(ProcessTest, AGameLibraryCutShortIsRefusedAsAMissingOneIs) {
    const std::string whole = ReadAll(kBuiltGameLibrary);
    ASSERT_GT(whole.size(), 4096u);
    const struct {
        const char* what;
        size_t keep;
    } cases[] = {{"an eighth", whole.size() / 8}, {"a half", whole.size() / 2}, {"missing", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("CutLibrary");
        CopyDemoHome(folder / "Home");
        fs::remove(folder / "Home" / "VQ9Game.so");
        if (c.keep != 0)
            WriteText(folder / "Home" / "VQ9Game.so", whole.substr(0, c.keep));
        Start(folder);
        const int status = Finish(folder, WaitFor(folder, std::chrono::seconds(60)), true);
        ExpectEnded(folder, status, 1, "Failed to load game DLL!\n" + (folder / "Home" / "VQ9Game.so").string());
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
