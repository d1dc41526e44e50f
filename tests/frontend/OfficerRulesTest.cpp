// The rules behind the officer pages that need no page on screen: the kit grid and what an
// officer may carry, the officer texts (rank, weapons, statistics) and the 3D view's drag and
// field-of-view rules.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/SGameObjects.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/screens/S3DViewScreen.h"
#include "frontend/screens/SInventoryScreen.h"
#include "frontend/screens/SInventorySlots.h"
#include "frontend/screens/SOfficerTexts.h"

namespace {

std::string Str(const SString& text) { return text.GetString(); }

struct Item {
    const char* name;
    int slotsX;
    int slotsY;
    int weapon;
    int scope;
};

class KitTest : public testing::Test {
protected:
    void SetUp() override {
        m_saved = SGameObjects::Instance()->m_pCurrentPlayer;
        SGameObjects::Instance()->m_pCurrentPlayer = &m_officer;
        const Item items[] = {{"Pistol", 2, 1, 1, 0}, {"Shotgun", 4, 1, 1, 0}, {"Scope", 2, 1, 0, 1},
                              {"Radio", 1, 1, 0, 0},   {"Cuffs", 1, 1, 0, 0},   {"Light", 0, 0, 0, 0},
                              {"Belt", 4, -2, 0, 0},   {"Crate", 3, 2, 0, 0},   {"Pole", 9, 1, 0, 0},
                              {"Strap", 2, INT32_MIN, 0, 0}};
        for (const Item& item : items) {
            auto* def = new SObjectDef;
            def->SetName(item.name);
            def->SetOrAppend("Name", item.name, 0);
            def->SetOrAppendInt("SlotsX", item.slotsX);
            def->SetOrAppendInt("SlotsY", item.slotsY);
            def->SetOrAppendInt("IsWeapon", item.weapon);
            def->SetOrAppendInt("IsWeaponScope", item.scope);
            m_screen.GetCatalogue().AddTail(def);
        }
        m_screen.UpdateGridSize();
    }
    void TearDown() override { SGameObjects::Instance()->m_pCurrentPlayer = m_saved; }

    // Adds the items in order; the refusal text of each ("" when taken).
    std::vector<std::string> Add(std::initializer_list<const char*> names) {
        std::vector<std::string> refusals;
        for (const char* name : names) {
            m_screen.AddItem(name);
            refusals.emplace_back(m_screen.GetRefusal().GetString());
        }
        return refusals;
    }
    std::vector<int> Slot(const char* name) {
        SObjectDef* item = m_officer.m_pCarriedKit->FindByName(name);
        return item == nullptr ? std::vector<int>{}
                               : std::vector<int>{item->GetIntByName("SlotCoordX"), item->GetIntByName("SlotCoordY")};
    }

    SHunterInfo m_officer{"Kit"};
    SHunterInfo* m_saved = nullptr;
    SInventoryScreen m_screen;
};

TEST_F(KitTest, ItemsArePlacedTallestAndWidestFirstColumnByColumn) {
    EXPECT_EQ(Add({"Pistol", "Radio", "Cuffs", "Light"}), (std::vector<std::string>{"", "", "", ""}));
    // The 2 x 1 item takes columns 0 and 1 of row 0; each column is filled from the top.
    EXPECT_EQ(Slot("Pistol"), (std::vector<int>{0, 0}));
    EXPECT_EQ(Slot("Radio"), (std::vector<int>{0, 32}));
    EXPECT_EQ(Slot("Cuffs"), (std::vector<int>{32, 32}));
    // Sizes of 0 count as one slot.
    EXPECT_EQ(Slot("Light"), (std::vector<int>{64, 0}));
    EXPECT_EQ(SInventoryScreen::Slots().CountFree(), 16 - 5);
    EXPECT_EQ(SInventoryScreen::Slots().GetCell(1, 0), 1);
    EXPECT_EQ(SInventoryScreen::Slots().GetCell(1, 1), 3);
    // Pointing at a placed item finds it.
    EXPECT_EQ(m_screen.ItemAt(40, 10), m_officer.m_pCarriedKit->FindByName("Pistol"));
    EXPECT_EQ(m_screen.ItemAt(40, 40), m_officer.m_pCarriedKit->FindByName("Cuffs"));
    EXPECT_EQ(m_screen.ItemAt(300, 10), nullptr);
}

TEST_F(KitTest, RefusalsLeaveTheKitAsItWas) {
    const std::vector<std::string> refusals = Add({"Pistol", "Shotgun", "Scope", "Scope", "radio", "Radio", "Pole",
                                                   "Unknown"});
    // For a second scope the carried scope's text comes last and wins.
    EXPECT_EQ(refusals, (std::vector<std::string>{"", "You cannot take more than one weapon.", "",
                                                  "You cannot take more than one weapon scope.", "",
                                                  "You already have that item.",
                                                  "You must have a 9 x 1 slot open.", ""}));
    EXPECT_EQ(m_officer.m_pCarriedKit->GetCount(), 3);
    // A name the catalogue lacks: nothing is taken.
    EXPECT_EQ(m_officer.m_pCarriedKit->FindByName("Unknown"), nullptr);
    // Room is tried before anything else, so a second crate is refused for its size.
    EXPECT_EQ(Add({"Crate", "Crate"}), (std::vector<std::string>{"", "You must have a 3 x 2 slot open."}));
    EXPECT_EQ(m_officer.m_pCarriedKit->GetCount(), 4);
    EXPECT_EQ(SInventoryScreen::Slots().CountFree(), 5);
}

TEST_F(KitTest, AGridWideningItemWidensTheGridAndMustBeRemovedLast) {
    EXPECT_EQ(Add({"Belt"}), (std::vector<std::string>{""}));
    // 4 x -2 has the size product -8: four more columns on two rows.
    SInventorySlots& slots = SInventoryScreen::Slots();
    EXPECT_EQ(slots.GetWidth(), 12);
    EXPECT_EQ(slots.CountFree(), 20);
    // Removing it needs |4| + |-2| - 1 = 5 free cells.
    slots.Fill(0, 0, slots.GetWidth(), slots.GetHeight(), 1);
    for (int x = 0; x < 4; ++x) slots.SetCell(x, 1, 0);
    EXPECT_FALSE(m_screen.RemoveItem("Belt"));
    EXPECT_EQ(Str(m_screen.GetRefusal()), std::string("You must remove some items first."));
    EXPECT_EQ(m_officer.m_pCarriedKit->GetCount(), 1);
    slots.SetCell(4, 1, 0);
    EXPECT_TRUE(m_screen.RemoveItem("Belt"));
    EXPECT_EQ(slots.GetWidth(), 8);
    EXPECT_EQ(m_officer.m_pStoredKit->GetCount(), 1);
}

TEST_F(KitTest, SizesNoGridHoldsWidenItOnlyToItsLimitAndStayOnIt) {
    // 2 x -2147483648 takes a 2 x 1 place and widens the grid as far as it goes.
    EXPECT_EQ(Add({"Strap"}), (std::vector<std::string>{""}));
    EXPECT_EQ(SInventoryScreen::Slots().GetWidth(), 64);
    // Removing it needs 2 + 2147483648 - 1 free cells, more than any grid has.
    EXPECT_FALSE(m_screen.RemoveItem("Strap"));
    EXPECT_EQ(m_officer.m_pCarriedKit->GetCount(), 1);
    // An item an officer file gives a width no grid holds is found wherever its row lies.
    auto* pylon = new SObjectDef;
    pylon->SetName("Pylon");
    pylon->SetOrAppendInt("SlotsX", INT32_MAX);
    m_officer.TakeItem(pylon);
    EXPECT_EQ(m_screen.ItemAt(5000, 10), pylon);
}

TEST(InventorySlotsTest, CellsOutsideTheGridAreNeverFreeOrWritten) {
    SInventorySlots slots;
    EXPECT_EQ(slots.GetWidth(), 10);
    EXPECT_EQ(slots.GetHeight(), 2);
    slots.SetCell(10, 0, 5);
    slots.SetCell(-1, 1, 5);
    EXPECT_EQ(slots.CountFree(), 20);
    EXPECT_EQ(slots.GetCell(10, 0), 0);
    // A rectangle reaching past the edge does not fit, even though outside reads as free.
    EXPECT_FALSE(slots.IsFree(9, 0, 2, 1, 0));
    int x = -1;
    int y = -1;
    EXPECT_FALSE(slots.FindFree(11, 1, x, y));
    slots.Fill(0, 0, 9, 2, 7);
    EXPECT_TRUE(slots.FindFree(1, 2, x, y));
    EXPECT_EQ(x, 9);
    EXPECT_EQ(y, 0);
}

TEST(InventoryCatalogueTest, AnEmptyCatalogueHasNoItemAndStepsStayInRange) {
    SInventoryScreen screen;
    EXPECT_EQ(screen.GetCurrentItem(), nullptr);
    screen.NextItem();
    screen.PreviousCategory();
    EXPECT_EQ(Str(screen.GetItemName()), std::string(""));
    for (const char* name : {"A", "B"}) {
        auto* def = new SObjectDef;
        def->SetName(name);
        def->SetOrAppend("Name", name, 0);
        screen.GetCatalogue().AddTail(def);
    }
    // The index of 2 from construction wraps into the two-item catalogue.
    ASSERT_NE(screen.GetCurrentItem(), nullptr);
    EXPECT_EQ(Str(screen.GetItemName()), std::string("A"));
    screen.NextItem();
    EXPECT_EQ(Str(screen.GetItemName()), std::string("B"));
    screen.NextItem();
    EXPECT_EQ(Str(screen.GetItemName()), std::string("A"));

    SObjectDef rules;
    rules.SetOrAppend("RuleSet00", "Range", 0);
    rules.SetOrAppend("RuleSet01", "Street", 0);
    rules.SetOrAppend("RuleSet03", "Night", 0);
    EXPECT_TRUE(SInventoryScreen::UsesRuleSet(&rules, "Street"));
    EXPECT_FALSE(SInventoryScreen::UsesRuleSet(&rules, "street"));
    EXPECT_FALSE(SInventoryScreen::UsesRuleSet(&rules, "Night"));  // after the first gap
}

TEST(OfficerTextsTest, RankFollowsResultCountsAndSkill) {
    struct Case {
        int results, skill, rank;
    };
    const Case cases[] = {{10, 2, 2}, {10, 1, 1}, {10, 0, 0}, {7, 1, 1}, {7, 2, 0}, {9, 2, 0}, {6, 1, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(officer_texts::RankFor(c.results, 3, c.skill), c.rank) << c.results << " results, skill " << c.skill;
}

TEST(OfficerTextsTest, WeaponsStatisticsAndBiography) {
    struct Case {
        int pistol, sniper, shotgun, mp5;
        const char* text;
    };
    const Case cases[] = {{0, 0, 0, 0, "no qualified weapons"},
                          {1, 0, 0, 0, "9mm Pistol"},
                          {0, 1, 0, 1, "/Sniper/MP5"},
                          {1, 1, 1, 1, "9mm Pistol/Sniper/Shotgun/MP5"}};
    for (const Case& c : cases) {
        SHunterInfo officer("W");
        officer.m_bQualifiedPistol = c.pistol;
        officer.m_bQualifiedSniper = c.sniper;
        officer.m_bQualifiedShotgun = c.shotgun;
        officer.m_bQualifiedMP5 = c.mp5;
        EXPECT_EQ(Str(officer_texts::WeaponsText(officer)), std::string(c.text));
    }
    SHunterInfo officer("S");
    officer.m_Stats.m_iNumHunts = 4;
    officer.m_Stats.m_iTrophies = 1;
    officer.m_Stats.m_iTargetShotsFired = 3;
    officer.m_Stats.m_iTargetShotsHit = 2;
    EXPECT_EQ(Str(officer_texts::StatsSummary(officer)), std::string("Hunting Trips: 4\nTrophies: 1\nAccuracy: NA\n\nRange Rating: 67%\n"));
    officer.m_Bio.m_sCity = "Springfield";
    officer.m_Bio.m_sAge = "31";
    EXPECT_EQ(Str(officer_texts::Biography(officer)), std::string("Springfield\nAge: 31\nEmail: \nWeb page: \nNotes: \n"));
}

TEST(ViewScreenTest, FieldOfViewClampAndDragRates) {
    EXPECT_FLOAT_EQ(S3DViewScreen::ClampFieldOfView(60.0f, 75.0f, 70.0f), 70.0f);
    EXPECT_FLOAT_EQ(S3DViewScreen::ClampFieldOfView(60.0f, 30.0f, 50.0f), 50.0f);
    EXPECT_FLOAT_EQ(S3DViewScreen::ClampFieldOfView(60.0f, 30.0f, 90.0f), 60.0f);

    view_desc_t desc;
    desc.m_fYawCentre = 90.0f;
    desc.m_fYawRange = 45.0f;
    desc.m_fPitchCentre = 0.0f;
    desc.m_fPitchRange = 20.0f;
    struct Turn {
        float pitch, yaw;
        int dx, dy;  // pointer moved by
        float wantPitch, wantYaw;
    };
    const Turn turns[] = {
        {0.0f, 90.0f, -10, 0, 0.0f, 97.0f},     // 10 pixels left turn 7 degrees
        {0.0f, 90.0f, -100, 0, 0.0f, 135.0f},   // pinned at the yaw limit
        {0.0f, 90.0f, 100, 0, 0.0f, 45.0f},
        {350.0f, 90.0f, 0, 0, 350.0f, 90.0f},   // above 340 stays
        {300.0f, 90.0f, 0, 0, 340.0f, 90.0f},
        {0.0f, 90.0f, 0, -20, 14.0f, 90.0f},    // 20 pixels up pitch 14 degrees
        {0.0f, 90.0f, 0, -40, 20.0f, 90.0f},
    };
    for (const Turn& t : turns) {
        const SVector got = S3DViewScreen::TurnAngles(SVector(t.pitch, t.yaw, 0.0f), 100, 100, 100 + t.dx,
                                                      100 + t.dy, desc);
        EXPECT_NEAR(got.x, t.wantPitch, 1e-3) << t.pitch << " " << t.dx << "," << t.dy;
        EXPECT_NEAR(got.y, t.wantYaw, 1e-3) << t.yaw << " " << t.dx << "," << t.dy;
    }
    desc.m_fMinFov = 30.0f;
    desc.m_fMaxFov = 80.0f;
    EXPECT_FLOAT_EQ(S3DViewScreen::ZoomFieldOfView(60.0f, 100, 140, desc), 70.0f);  // 40 pixels down: +10
    EXPECT_FLOAT_EQ(S3DViewScreen::ZoomFieldOfView(60.0f, 100, 300, desc), 80.0f);
    EXPECT_FLOAT_EQ(S3DViewScreen::ZoomFieldOfView(60.0f, 100, 0, desc), 35.0f);
    EXPECT_FLOAT_EQ(S3DViewScreen::ZoomFieldOfView(60.0f, 300, 0, desc), 30.0f);

    EXPECT_EQ(S3DViewScreen::RangeWeight(10, 20, 15), 1.0f);
    EXPECT_EQ(S3DViewScreen::RangeWeight(20, 10, 15), 0.0f);
    EXPECT_EQ(S3DViewScreen::RangeWeight(20, 10, 25), 1.0f);
    EXPECT_EQ(S3DViewScreen::RangeWeight(20, 10, 20), 0.0f);
}

}  // namespace
