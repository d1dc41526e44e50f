// The officer file on disk: saves that write nothing without changes, that replace the old file
// whole or not at all (also when the disk fills half-way or the process is killed while
// writing), and the hub's reading of the list with its first officer, a missing file and an
// unreadable one, also where nothing may be written.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "app/SGameObjects.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "sys/process.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
namespace boxes = sys::dialogs::headless;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// `count` officers whose names start with `prefix`, each with a few trophies so that the file
// takes many writes.
void FillList(SHunterInfoList& list, const char* prefix, int count) {
    for (int i = 0; i < count; ++i) {
        auto* officer = new SHunterInfo((std::string(prefix) + std::to_string(i)).c_str());
        for (int t = 0; t < 8; ++t) {
            auto* trophy = new SObjectDef;
            trophy->SetName("Trophy00000000" + CString(std::to_string(t).c_str()));
            trophy->SetOrAppend("Weight", "123.5", 0);
            officer->AddTrophy(trophy);
        }
        list.AddTail(officer);
    }
    list.SetModified();
}

// Works in a scratch folder of its own, as the program works in its "Home" folder.
class OfficerFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = tarvex::test::MakeScratchFolder("OfficerFile");
        m_previous = fs::current_path();
        fs::current_path(m_folder);
        boxes::Reset();
        SOfficerRecords::Install();
        m_hub = SGameObjects::Instance();
        m_savedList = m_hub->m_pPlayerList;
        m_savedCurrent = m_hub->m_pCurrentPlayer;
        m_hub->m_pPlayerList = nullptr;
        m_hub->m_pCurrentPlayer = nullptr;
    }
    void TearDown() override {
        m_hub->m_bHomeReadOnly = 0;
        delete m_hub->m_pPlayerList;
        m_hub->m_pPlayerList = m_savedList;
        m_hub->m_pCurrentPlayer = m_savedCurrent;
        fs::current_path(m_previous);
        boxes::Reset();
    }
    fs::path File(const char* name) const { return fs::path(m_folder) / name; }

    std::string m_folder;
    fs::path m_previous;
    SGameObjects* m_hub = nullptr;
    SHunterInfoList* m_savedList = nullptr;
    SHunterInfo* m_savedCurrent = nullptr;
};

TEST_F(OfficerFileTest, SavesWriteOnlyChangesAndKeepTheOldFileOnFailure) {
    // Nothing changed: the path is not even opened, so a folder in its place is no failure.
    fs::create_directory(File("player.cfg"));
    SHunterInfoList unchanged;
    unchanged.AddTail(new SHunterInfo("Al"));
    unchanged.ClearModified();
    EXPECT_TRUE(unchanged.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    EXPECT_TRUE(boxes::Shown().empty());
    fs::remove(File("player.cfg"));

    SHunterInfoList list;
    FillList(list, "A", 2);
    ASSERT_TRUE(list.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    EXPECT_FALSE(list.IsModified());
    const std::string saved = ReadFile(File("player.cfg"));
    EXPECT_EQ(saved.substr(0, 2), std::string("\x02\x00", 2));

    // The temporary copy cannot be made (the name leaves no room for its ending): the message,
    // the flags kept, the old file whole.
    list.GetRecord(1)->SetMapFile("b.gmx");
    const std::string longName(253, 'p');
    fs::copy_file(File("player.cfg"), File(longName.c_str()));
    EXPECT_FALSE(list.Save(longName.c_str(), SHunterInfoList::kCreateFailedText));
    ASSERT_EQ(boxes::Shown().size(), 1u);
    EXPECT_EQ(boxes::Shown()[0].text, "Failed to create player file!\n");
    EXPECT_TRUE(list.GetRecord(1)->IsChanged());
    EXPECT_EQ(ReadFile(File(longName.c_str())), saved);

    // A file the hub would not read, though its text is within an archive's budget, is not
    // written: one of exactly the hub's bound is, and reads back whole.
    boxes::Reset();
    SHunterInfoList big;
    big.AddTail(new SHunterInfo("Big"));
    big.SetModified();
    ASSERT_TRUE(big.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    const uint64_t bare = fs::file_size(File("player.cfg"));  // the map file's prefix grows by 6
    big.GetRecord(0)->SetMapFile(std::string(SGameObjects::kMaxPlayerFileSize - bare - 6, 'm').c_str());
    ASSERT_TRUE(big.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    EXPECT_EQ(fs::file_size(File("player.cfg")), SGameObjects::kMaxPlayerFileSize);
    const std::string atBound = ReadFile(File("player.cfg"));
    big.GetRecord(0)->SetMapFile(std::string(SGameObjects::kMaxPlayerFileSize - bare - 5, 'm').c_str());
    EXPECT_FALSE(big.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    ASSERT_EQ(boxes::Shown().size(), 1u);
    EXPECT_EQ(boxes::Shown()[0].text, "Failed to create hunter file!\n");
    EXPECT_TRUE(big.IsModified());
    EXPECT_TRUE(ReadFile(File("player.cfg")) == atBound);
    EXPECT_EQ(m_hub->LoadPlayerList(true)->GetCount(), 1);
    EXPECT_FALSE(fs::exists(File("player.cfg.bad")));
}

TEST_F(OfficerFileTest, ADiskThatFillsHalfWayLeavesTheOldFile) {
    SHunterInfoList old;
    FillList(old, "Old", 1);
    ASSERT_TRUE(old.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    const std::string before = ReadFile(File("player.cfg"));

    const int child = sys::process::RunChild([] {
        SHunterInfoList bigger;
        FillList(bigger, "New", 40);
        // The new file needs some 20000 bytes; the disk takes 6000.
        if (!sys::process::LimitFileSize(6000))
            return 10;
        if (bigger.Save("player.cfg", SHunterInfoList::kSaveFailedText))
            return 11;
        if (!bigger.IsModified())
            return 12;
        return boxes::Shown().size() == 1 && boxes::Shown()[0].text == "Failed to create hunter file!\n" ? 0 : 13;
    });
    ASSERT_GT(child, 0);
    EXPECT_EQ(sys::process::WaitChild(child), 0);
    EXPECT_EQ(ReadFile(File("player.cfg")), before);
    EXPECT_FALSE(fs::exists(File("player.cfg.tmp")));
}

TEST_F(OfficerFileTest, AProcessKilledWhileSavingLeavesTheOldOrTheNewFile) {
    SHunterInfoList first;
    FillList(first, "First", 300);
    ASSERT_TRUE(first.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    const std::string firstBytes = ReadFile(File("player.cfg"));
    SHunterInfoList second;
    FillList(second, "Second", 301);
    ASSERT_TRUE(second.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    const std::string secondBytes = ReadFile(File("player.cfg"));

    std::mt19937 random(36);
    for (int round = 0; round < 6; ++round) {
        const int child = sys::process::RunChild([&first, &second] {
            for (int i = 0; i < 1000; ++i) {
                SHunterInfoList& list = i % 2 == 0 ? first : second;
                list.SetModified();
                list.Save("player.cfg", SHunterInfoList::kSaveFailedText);
            }
            return 0;
        });
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 40));
        EXPECT_TRUE(sys::process::KillChild(child));
        sys::process::WaitChild(child);
        const std::string now = ReadFile(File("player.cfg"));
        EXPECT_TRUE(now == firstBytes || now == secondBytes) << "round " << round << ": " << now.size() << " bytes";
    }
}

TEST_F(OfficerFileTest, TheHubReadsTheListOnceAndMakesTheFirstOfficerCurrent) {
    // No file: an empty list and no message.
    SHunterInfoList* list = m_hub->LoadPlayerList(false);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(m_hub->m_pCurrentPlayer, nullptr);
    EXPECT_TRUE(boxes::Shown().empty());

    SHunterInfoList stored;
    FillList(stored, "Officer", 2);
    ASSERT_TRUE(stored.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    EXPECT_EQ(m_hub->LoadPlayerList(false), list);  // read once only
    list = m_hub->LoadPlayerList(true);
    ASSERT_EQ(list->GetCount(), 2);
    ASSERT_NE(m_hub->m_pCurrentPlayer, nullptr);
    EXPECT_EQ(m_hub->m_pCurrentPlayer, list->GetRecord(0));
    EXPECT_FALSE(list->IsModified());
    EXPECT_FALSE(fs::exists(File("~player.tmp")));

    // A current officer stays current when the list is asked for again.
    m_hub->SetCurrentPlayer(list->GetRecord(1));
    EXPECT_EQ(m_hub->LoadPlayerList(false), list);
    EXPECT_EQ(m_hub->m_pCurrentPlayer, list->GetRecord(1));
}

TEST_F(OfficerFileTest, AnUnreadableFileIsMovedAsideAndTheUserTold) {
    WriteFile(File("player.cfg"), "not an officer file");
    WriteFile(File("player.cfg.bad"), "an earlier one");
    SHunterInfoList* list = m_hub->LoadPlayerList(false);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_FALSE(fs::exists(File("player.cfg")));
    EXPECT_EQ(ReadFile(File("player.cfg.bad")), "an earlier one");
    EXPECT_EQ(ReadFile(File("player.cfg.bad2")), "not an officer file");
    ASSERT_EQ(boxes::Shown().size(), 1u);
    EXPECT_NE(boxes::Shown()[0].text.find("player.cfg.bad2"), std::string::npos);

    // A new officer saved now does not touch what was set aside.
    list->AddTail(new SHunterInfo("Fresh"));
    list->SetModified();
    EXPECT_TRUE(list->Save("player.cfg", SHunterInfoList::kSaveFailedText));
    EXPECT_EQ(ReadFile(File("player.cfg.bad2")), "not an officer file");
}

// A write cut short can leave a file of zeros: it reads as a count of no officers with bytes
// after it, which no save writes. Bytes after the last officer (a count made smaller, zeros
// after a whole list) and a file far larger than any save are damaged like any other unreadable
// file, while the count alone is the list of no officers that a save of an empty list leaves.
TEST_F(OfficerFileTest, BytesAfterTheLastOfficerAreDamagedButTheCountAloneIsAnEmptyList) {
    SHunterInfoList two;
    FillList(two, "Officer", 2);
    ASSERT_TRUE(two.Save("player.cfg", SHunterInfoList::kSaveFailedText));
    const std::string saved = ReadFile(File("player.cfg"));
    const struct {
        const char* what;
        std::string bytes;
        uint64_t sparse;  // the file's size, zeros after the bytes, when not 0
        bool damaged;
    } cases[] = {
        {"1958 zeros", std::string(1958, '\0'), 0, true},
        {"3 zeros", std::string(3, '\0'), 0, true},
        {"2 zeros", std::string(2, '\0'), 0, false},
        {"two officers", saved, 0, false},
        {"a count made smaller", "\x01" + saved.substr(1), 0, true},
        {"one zero after the last officer", saved + std::string(1, '\0'), 0, true},
        {"zeros after the last officer, past the bound", saved, SGameObjects::kMaxPlayerFileSize + 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes::Reset();
        fs::remove(File("player.cfg.bad"));
        delete m_hub->m_pPlayerList;
        m_hub->m_pPlayerList = nullptr;
        WriteFile(File("player.cfg"), c.bytes);
        if (c.sparse != 0)
            fs::resize_file(File("player.cfg"), c.sparse);
        const std::string bytes = ReadFile(File("player.cfg"));
        SHunterInfoList* list = m_hub->LoadPlayerList(false);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->GetCount(), c.damaged ? 0 : static_cast<int>(bytes.size() > 2 ? 2 : 0));
        EXPECT_EQ(boxes::Shown().size(), c.damaged ? 1u : 0u);
        EXPECT_EQ(fs::exists(File("player.cfg.bad")), c.damaged);
        EXPECT_FALSE(fs::exists(File("~player.tmp")));
        if (c.damaged) {
            EXPECT_TRUE(!boxes::Shown().empty() && boxes::Shown()[0].text.find("player.cfg.bad") != std::string::npos);
            EXPECT_FALSE(fs::exists(File("player.cfg")));
            list->AddTail(new SHunterInfo("Fresh"));
            list->SetModified();
            EXPECT_TRUE(list->Save("player.cfg", SHunterInfoList::kSaveFailedText));
            EXPECT_TRUE(ReadFile(File("player.cfg.bad")) == bytes);
        } else {
            EXPECT_TRUE(ReadFile(File("player.cfg")) == bytes);
        }
    }
}

// Where nothing may be written (Home read-only, as start-up found), a damaged file stays where
// it is, is not called anything but unreadable, and no save replaces it or says it failed.
TEST_F(OfficerFileTest, WhereNothingMayBeWrittenADamagedFileStaysAndSavesAreSilent) {
    WriteFile(File("player.cfg"), "not an officer file");
    m_hub->m_bHomeReadOnly = 1;
    SHunterInfoList* list = m_hub->LoadPlayerList(false);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 0);
    ASSERT_EQ(boxes::Shown().size(), 1u);
    EXPECT_EQ(boxes::Shown()[0].text,
              "The officer file \"player.cfg\" could not be read.\nThe game starts without officers.");
    list->AddTail(new SHunterInfo("Fresh"));
    list->SetModified();
    EXPECT_FALSE(list->Save("player.cfg", SHunterInfoList::kSaveFailedText));
    EXPECT_EQ(boxes::Shown().size(), 1u);
    EXPECT_EQ(ReadFile(File("player.cfg")), "not an officer file");
    EXPECT_FALSE(fs::exists(File("player.cfg.bad")));
}

}  // namespace
