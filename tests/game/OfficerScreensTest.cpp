// The officer pages over our stand-in library: creating an officer (the file written at once,
// "LastPlayer", the model and the default kit from "DefEquip.cfg", refused names, editing),
// choosing and deleting officers with the selection that follows, and the information page.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SObjectDef.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/screens/SCharacterInfo.h"
#include "frontend/screens/SChooseCharacterScreen.h"
#include "frontend/screens/SCreateCharacterScreen.h"
#include "frontend/screens/SInventoryScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/profile.h"
#include "sys/signals.h"
#include "sys/time/time.h"
#include "tests/app/GameLibraryTestSupport.h"
#include "tests/support/ProcessHubGuard.h"
#include "ui/SDC.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/STextCtrl.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string>& Told() {
    static std::vector<std::string> s_told;
    return s_told;
}

class TellingCreation : public SCreateCharacterScreen {
protected:
    void Tell(const char* text) override { Told().emplace_back(text); }
};

class AgreeingChoice : public SChooseCharacterScreen {
protected:
    bool Confirm(const char* text) override {
        Told().emplace_back(text);
        return true;
    }
};

constexpr const char* kModels = R"(OBJECT Player
{
    set Type "Player"
}
OBJECT PlayerSkin
{
    set Type "PlayerSkin"
}
OBJECT SkinA:PlayerSkin
{
    set Texture "a.bmp"
}
OBJECT ModelA:Player
{
    set Male "0"
    set Image "1"
    set skin00 "SkinA"
}
OBJECT ModelB:Player
{
    set Male "1"
    set Image "0"
}
)";

constexpr const char* kKits = R"(OBJECT SinglePlayer
{
    set Item00 "InvPistol9mm"
    set Item01 "InvRadio"
    set Item02 "InvShotgun"
    set Item03 "InvHandcuffs"
}
)";

class OfficerScreensTest : public tarvex::test::GameLibraryTest {
protected:
    void SetUp() override {
        GameLibraryTest::SetUp();
        SOfficerRecords::Install();
        sys::time::SetFakeTicks(m_dwNow);
        fs::current_path(m_folder);
        m_pHub->m_pGameDLL = new SGameDLL(
            tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), fs::path(m_folder) / "lib").c_str());
        m_pHub->m_pGameDLL->HandOver(m_pHub->m_pGameItems, SString());
        m_savedBasePath = m_pHub->m_sBasePath;
        m_pHub->m_sBasePath = m_folder.c_str();
        m_pHub->m_pCatalog = &m_catalog;
        m_pHub->SetCurrentPlayer(nullptr);
        m_pHub->LoadPlayerList(true);
        SWindow::SetResourceCatalog(&m_catalog);
        fs::create_directories(fs::path(m_folder) / "Officers");
        std::ofstream(fs::path(m_folder) / "Officers" / "models.sss") << kModels;
        std::ofstream(fs::path(m_folder) / "DefEquip.cfg") << kKits;
        BuildLayouts();
        m_setup.CreateScreens(m_pHub);
        m_pManager = m_pHub->m_pScreenManager;
        m_pManager->SetScreenFactory(1, []() -> SAppScreen* { return new TellingCreation; });
        m_pManager->SetScreenFactory(2, []() -> SAppScreen* { return new AgreeingChoice; });
        m_pManager->SetSurfaces(&m_context, nullptr);
        Told().clear();
    }
    void TearDown() override {
        m_pManager->DeleteAllScreens();
        delete m_pManager;
        m_pHub->m_pScreenManager = nullptr;
        m_pHub->SetCurrentPlayer(nullptr);
        m_pHub->LoadPlayerList(true);
        m_pHub->m_pGameDLL->Unload();
        delete m_pHub->m_pGameDLL;
        m_pHub->m_pGameDLL = nullptr;
        m_pHub->m_sBasePath = m_savedBasePath;
        m_pHub->m_pCatalog = nullptr;
        SWindow::SetResourceCatalog(nullptr);
        GameLibraryTest::TearDown();
    }

    SScreen* AddLayout(const char* group, const char* name, std::initializer_list<uint32_t> texts) {
        auto* layout = new SScreen;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
        int top = 10;
        for (uint32_t id : texts) {
            (new STextCtrl)->CreateText("", 0, sys::RECT{300, top, 600, top + 20}, layout, id);
            top += 30;
        }
        auto* item = new SCatalogItem(kKindScreen, name, group, "");
        item->SetResource(layout);
        m_catalog.AddItem(item);
        return layout;
    }
    void BuildLayouts() {
        SScreen* create = AddLayout("choose_character", "", {});
        (new SEditBox)->CreateEdit(0, sys::RECT{300, 10, 600, 30}, create, 200);
        AddLayout("load_menu", "", {200, 300, 400, 500, 600});
        AddLayout("character_main", "cm", {200, 400, 500, 600});
        AddLayout("InventoryScreen", "", {SInventoryScreen::kNarrowGridWindow, SInventoryScreen::kWideGridWindow});
    }

    SHunterInfoList& Officers() { return *m_pHub->LoadPlayerList(false); }
    std::string Text(uint32_t id) {
        CString text;
        m_pManager->GetCurrentScreen()->GetLayout()->FindChild(id)->GetText(text);
        return text.GetString();
    }
    static std::string LastPlayer() {
        return sys::profile::GetString(sys::profile::Kind::Application, "Settings", "LastPlayer", "(none)");
    }
    TellingCreation* Creation(const char* name) {
        m_pManager->SwitchTo(1);
        auto* page = dynamic_cast<TellingCreation*>(m_pManager->GetCurrentScreen());
        page->GetLayout()->FindChild(200)->SetText(name);
        return page;
    }
    void AddOfficers(std::initializer_list<const char*> names) {
        for (const char* name : names) Officers().AddTail(new SHunterInfo(name));
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 0; i < Officers().GetCount(); ++i) names.emplace_back(Officers().GetRecord(i)->m_sName.GetString());
        return names;
    }

    SGameObjects* m_pHub = SGameObjects::Instance();
    tarvex::test::ProcessHubGuard m_hubGuard;
    uint32_t m_dwNow = 5000;
    SString m_savedBasePath;
    SCatalog m_catalog;
    SDC m_context;
    SFrontEndSetup m_setup;
    SScreenManager* m_pManager = nullptr;
};

TEST_F(OfficerScreensTest, CreatingAnOfficerWritesTheFileAtOnceWithModelAndKit) {
    TellingCreation* page = Creation("Dana Reyes");
    ASSERT_EQ(page->GetModels().GetCount(), 2);
    EXPECT_EQ(page->GetSkins().GetCount(), 1);
    EXPECT_EQ(static_cast<SEditBox*>(page->GetLayout()->FindChild(200))->GetLimitText(), 18);
    page->NextModel();  // ModelB, portrait 0
    page->NextModel();  // wraps to ModelA, portrait 1
    ASSERT_TRUE(page->CreateOfficer());

    EXPECT_TRUE(fs::exists(fs::path(m_folder) / "player.cfg"));
    EXPECT_EQ(LastPlayer(), "Dana Reyes");
    SHunterInfo* officer = m_pHub->m_pCurrentPlayer;
    ASSERT_NE(officer, nullptr);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dana Reyes"}));
    ASSERT_NE(officer->m_pModelDef, nullptr);
    EXPECT_EQ(std::string(officer->m_pModelDef->GetName().GetString()), "ModelA");
    EXPECT_EQ(officer->m_iPortrait, 1);
    EXPECT_FALSE(SAppScreen::GetMaleVoiceOvers());
    // The shotgun is refused as a second weapon; the rest of the kit is taken in file order.
    std::vector<std::string> kit;
    for (POSITION pos = officer->m_pCarriedKit->GetHeadPosition(); pos != nullptr;)
        kit.emplace_back(officer->m_pCarriedKit->GetNext(pos)->GetName().GetString());
    EXPECT_EQ(kit, (std::vector<std::string>{"InvPistol9mm", "InvRadio", "InvHandcuffs"}));
    // What was written is what a fresh read finds.
    m_pHub->SetCurrentPlayer(nullptr);
    EXPECT_EQ(m_pHub->LoadPlayerList(true)->GetCount(), 1);
    EXPECT_EQ(m_pHub->m_pPlayerList->GetRecord(0)->m_pCarriedKit->GetCount(), 3);
}

TEST_F(OfficerScreensTest, EmptyAndDuplicateNamesAreRefusedAlsoOnEdit) {
    AddOfficers({"Dana", "Lee"});
    struct Case {
        const char* name;
        int edited;  // index of the officer under edit, -1 for a new one
        bool accepted;
        bool closing = false;  // a close asked while the kit is read: no officer, nothing said
    };
    const Case cases[] = {{"", -1, false},   {"dANA", -1, false}, {"Sam", -1, true},
                          {"", 0, false},    {"LEE", 0, false},   {"dana", 0, true}, {"Pat", -1, false, true}};
    for (const Case& c : cases) {
        Told().clear();
        SHunterInfo* edited = c.edited >= 0 ? Officers().GetRecord(c.edited) : nullptr;
        m_pManager->SwitchTo(3);
        auto* page = dynamic_cast<TellingCreation*>(m_pManager->GetScreen(1));
        page->SetOfficerUnderEdit(edited);
        m_pManager->SwitchTo(1);
        if (edited != nullptr) {
            EXPECT_EQ(Text(200), std::string(edited->m_sName.GetString()));
        }
        page->GetLayout()->FindChild(200)->SetText(c.name);
        const int before = Officers().GetCount();
        if (c.closing)
            sys::signals::RequestClose();
        SHunterInfo* current = m_pHub->m_pCurrentPlayer;
        EXPECT_EQ(page->CreateOfficer(), c.accepted) << c.name;
        // The officer made or edited is current; a refused or withdrawn one leaves the one before.
        EXPECT_EQ(m_pHub->m_pCurrentPlayer, c.accepted ? Officers().FindByName(c.name) : current) << c.name;
        EXPECT_EQ(sys::signals::TakeCloseRequest(), c.closing);
        EXPECT_EQ(Officers().GetCount(), before + (c.accepted && edited == nullptr ? 1 : 0)) << c.name;
        std::vector<std::string> told;
        if (!c.accepted && !c.closing)
            told.emplace_back(*c.name == '\0' ? "Please type a name for the officer."
                                               : "There is already a officer with this name.");
        EXPECT_EQ(Told(), told) << c.name;
        page->SetOfficerUnderEdit(nullptr);
    }
    // The edit renamed the record in place and kept its kit.
    EXPECT_EQ(Names(), (std::vector<std::string>{"dana", "Lee", "Sam"}));
}

TEST_F(OfficerScreensTest, TheNameKeepsTheKeyboardAfterEveryButtonButCancel) {
    TellingCreation* page = Creation("");
    SWindow* nameBox = page->GetLayout()->FindChild(SCreateCharacterScreen::kNameBox);
    EXPECT_EQ(SWindow::GetFocus(), nameBox);
    for (uint32_t button : {SCreateCharacterScreen::kNextCommand, SCreateCharacterScreen::kPreviousCommand,
                            SCreateCharacterScreen::kCreateCommand}) {
        SWindow::SetFocusWindow(page);  // where a click on a button leaves it
        page->OnNotify(button, SWindow::kNotifyClick);
        EXPECT_EQ(SWindow::GetFocus(), nameBox) << button;
    }
    EXPECT_EQ(Told(), std::vector<std::string>{"Please type a name for the officer."});
}

TEST_F(OfficerScreensTest, AJoinMakesAnOfficerWithItsKitOnceAndReusesItAfterwards) {
    AddOfficers({"Dana"});
    auto* inventory = dynamic_cast<SInventoryScreen*>(m_pManager->GetScreen(SInventoryScreen::kScreenId));
    ASSERT_NE(inventory, nullptr);
    SObjectDefList* library = m_pHub->m_pGameDLL->GetObjectList();
    SHunterInfo* joined = inventory->CreateOfficer("Kim", "SinglePlayer", library);
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(m_pHub->m_pCurrentPlayer, joined);
    EXPECT_EQ(joined->m_pCarriedKit->GetCount(), 3);
    ASSERT_NE(joined->m_pModelDef, nullptr);  // the first model of the model files
    EXPECT_EQ(std::string(joined->m_pModelDef->GetName().GetString()), "ModelA");
    ASSERT_NE(joined->m_pSkinDef, nullptr);
    EXPECT_EQ(std::string(joined->m_pSkinDef->GetName().GetString()), "SkinA");
    EXPECT_EQ(LastPlayer(), "Kim");
    EXPECT_FALSE(fs::exists(fs::path(m_folder) / "player.cfg"));
    // Joining again under a known name, in any case, takes that officer back.
    EXPECT_EQ(inventory->CreateOfficer("DANA", "SinglePlayer", library), Officers().GetRecord(0));
    EXPECT_EQ(LastPlayer(), "Dana");  // as the officer pages look him up
    EXPECT_EQ(inventory->CreateOfficer("kim", "SinglePlayer", library), joined);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dana", "Kim"}));
    EXPECT_EQ(joined->m_pCarriedKit->GetCount(), 3);
    // A kit the file does not define adds nothing.
    SHunterInfo* bare = inventory->CreateOfficer("Ray", "NoSuchKit", library);
    EXPECT_EQ(bare->m_pCarriedKit->GetCount(), 0);
    // A close request while he is made withdraws him, and the officer current before is again.
    sys::signals::RequestClose();
    EXPECT_EQ(inventory->CreateOfficer("Max", "SinglePlayer", library), nullptr);
    EXPECT_TRUE(sys::signals::TakeCloseRequest());
    EXPECT_EQ(m_pHub->m_pCurrentPlayer, bare);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dana", "Kim", "Ray"}));
}

TEST_F(OfficerScreensTest, TheInventoryPageShowsTheGridPictureOfItsKitAlone) {
    struct Case {
        int slotsY;  // of a 4-column item: -2 widens the grid by 4 columns
        bool narrow;
        bool wide;
    };
    const Case cases[] = {{1, true, false}, {-2, false, true}};
    for (const Case& c : cases) {
        auto* officer = new SHunterInfo("Kit");
        Officers().AddTail(officer);
        m_pHub->SetCurrentPlayer(officer);
        auto* item = new SObjectDef;
        item->SetName("Belt");
        item->SetOrAppendInt("SlotsX", 4);
        item->SetOrAppendInt("SlotsY", c.slotsY);
        officer->TakeItem(item);
        m_pManager->SwitchTo(SInventoryScreen::kScreenId);
        SWindow* layout = m_pManager->GetCurrentScreen()->GetLayout();
        EXPECT_EQ(layout->FindChild(5200)->IsVisible(), c.narrow) << c.slotsY;
        EXPECT_EQ(layout->FindChild(5201)->IsVisible(), c.wide) << c.slotsY;
        m_pManager->SwitchTo(3);
    }
}

TEST_F(OfficerScreensTest, DeletingSelectsTheOfficerAfterTheOneThatFollowed) {
    struct Case {
        int deleted;
        const char* selected;
    };
    const Case cases[] = {{0, "C"}, {1, "D"}, {2, "D"}, {3, "C"}};
    for (const Case& c : cases) {
        m_pHub->SetCurrentPlayer(nullptr);
        Officers().DeleteAll();
        AddOfficers({"A", "B", "C", "D"});
        SHunterInfo* deleted = Officers().GetRecord(c.deleted);
        m_pHub->SetCurrentPlayer(deleted);
        m_pManager->SwitchTo(2);
        auto* page = dynamic_cast<AgreeingChoice*>(m_pManager->GetCurrentScreen());
        for (int step = 0; step < 4 && page->GetSelected() != c.deleted; ++step) page->Next();
        ASSERT_EQ(page->GetSelected(), c.deleted);
        page->Delete();
        EXPECT_EQ(Officers().GetCount(), 3);
        EXPECT_EQ(Text(200), c.selected) << "deleting " << c.deleted;
        // The hub no longer points at the deleted record.
        EXPECT_NE(m_pHub->m_pCurrentPlayer, nullptr);
        EXPECT_EQ(Officers().Find(m_pHub->m_pCurrentPlayer) != nullptr, true);
        m_pManager->SwitchTo(3);
    }
    EXPECT_EQ(Told().front(), "Really delete this officer?");
}

TEST_F(OfficerScreensTest, DeletingTheOnlyOfficerReturnsToTheMainMenuAndWritesAnEmptyList) {
    AddOfficers({"Solo"});
    m_pHub->SetCurrentPlayer(Officers().GetRecord(0));
    sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", "Gone");
    m_pManager->SwitchTo(2);
    auto* page = dynamic_cast<AgreeingChoice*>(m_pManager->GetCurrentScreen());
    // "LastPlayer" naming no officer selects the last one.
    EXPECT_EQ(Text(200), "Solo");
    page->Delete();
    EXPECT_EQ(page->GetSelected(), -1);
    EXPECT_EQ(page->GetNextScreen(), 0);
    EXPECT_EQ(m_pHub->m_pCurrentPlayer, nullptr);
    EXPECT_EQ(Text(200), "");
    m_pManager->SwitchTo(3);
    EXPECT_EQ(LastPlayer(), "");
    m_pHub->SetCurrentPlayer(nullptr);
    EXPECT_EQ(m_pHub->LoadPlayerList(true)->GetCount(), 0);
    EXPECT_TRUE(fs::exists(fs::path(m_folder) / "player.cfg"));
}

TEST_F(OfficerScreensTest, ChoosingAndTheInformationPage) {
    AddOfficers({"A", "B"});
    SHunterInfo* b = Officers().GetRecord(1);
    b->m_bQualifiedSniper = 1;
    b->m_bQualifiedMP5 = 1;
    b->m_iHighestPassedLevel = 2;
    b->m_iSkill = 1;
    b->m_sNote2 = "Alley by day";
    b->m_pModelDef->SetOrAppendInt("Male", 1);  // the record owns its model entry from the start
    for (int i = 0; i < 7; ++i) {
        auto* result = new SObjectDef;
        result->SetName("LevelQScore");
        b->AddLevelScore(result);
    }
    sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", "A");
    m_pManager->SwitchTo(2);
    auto* page = dynamic_cast<AgreeingChoice*>(m_pManager->GetCurrentScreen());
    EXPECT_EQ(page->GetNextScreen(), 0);  // a fresh page knows where it goes
    EXPECT_EQ(Text(400), "no qualified weapons");
    page->Next();
    EXPECT_EQ(Text(200), "B");
    EXPECT_EQ(Text(400), "/Sniper/MP5");
    EXPECT_EQ(Text(500), "3");
    EXPECT_EQ(Text(600), "Alley by day");
    // 7 results with 3 levels per rank and skill 1: rank 1.
    EXPECT_EQ(b->m_iRank, 1);
    EXPECT_EQ(Text(300), "Officer / Regular");
    SAppScreen::SetMaleVoiceOvers(false);
    m_pHub->SetGameType(0);
    page->Choose();
    EXPECT_EQ(m_pHub->m_pCurrentPlayer, b);
    EXPECT_EQ(page->GetNextScreen(), 3);
    EXPECT_TRUE(SAppScreen::GetMaleVoiceOvers());
    EXPECT_EQ(sys::profile::GetInt(sys::profile::Kind::Application, "Settings", "MaleVoiceOvers", -1), 1);

    m_pManager->SwitchTo(3);
    EXPECT_EQ(LastPlayer(), "B");
    auto* info = dynamic_cast<SCharacterInfo*>(m_pManager->GetCurrentScreen());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetShown(), b);
    EXPECT_EQ(Text(200), "B");
    EXPECT_EQ(Text(400), "/Sniper/MP5");
    b->m_iCounter4 = 5;
    info->OnNotify(SCharacterInfo::kHistoryCommand, SWindow::kNotifyClick);
    EXPECT_EQ(b->m_iCounter4, 0);
    EXPECT_EQ(info->GetNextScreen(), 5);
}

}  // namespace
