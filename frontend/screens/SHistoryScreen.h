#pragma once

#include <cstdint>
#include <vector>

#include "core/SObjectDef.h"
#include "core/SString.h"
#include "frontend/career/SLevelList.h"
#include "frontend/screens/SAppScreen.h"

class SFont;

// The history page (screen id 5): the current officer's stored level results, one record of
// one open level at a time, as a two-column statistics report; records are stepped through,
// deleted and the page printed. Owned by the screen manager; it owns copies of the shown
// level's records and one catalog use of each of its two fonts.
class SHistoryScreen : public SAppScreen {
    DECLARE_DYNAMIC(SHistoryScreen)

public:
    static constexpr int kScreenId = 5;
    // Layout ids.
    static constexpr uint32_t kLabelText = 7100;
    static constexpr uint32_t kValueText = 7101;
    static constexpr uint32_t kHighlightText = 7102;
    static constexpr uint32_t kDeleteButton = 7030;
    static constexpr uint32_t kLevelText = 7210;
    static constexpr uint32_t kOfficerPicture = 7510;
    static constexpr uint32_t kOfficerName = 7600;
    // Commands.
    static constexpr uint32_t kPreviousCommand = 7010;
    static constexpr uint32_t kNextCommand = 7020;
    static constexpr uint32_t kDeleteCommand = 7030;
    static constexpr uint32_t kPrintCommand = 7040;
    static constexpr uint32_t kBackCommand = 7090;
    static constexpr uint32_t kNextLevelCommand = 7210;

    static constexpr const char* kNoStatisticsText = "Currently there are no statistics for this level";
    static constexpr const char* kDeleteQuestion = "Really delete this score?";
    static constexpr const char* kDocumentName = "Stats";
    static constexpr const char* kNoPrinterText = "There is no default printer, so the statistics cannot be printed.";
    // The screen is printed at this many of its pixels per inch.
    static constexpr int kPrintPixelsPerInch = 150;
    // Runs of this character put each value beside its label in the other column.
    static constexpr char kColumnChar = '\x1A';

    // The three texts of a report: labels, values and the highlighted third column.
    struct Report {
        SString labels;
        SString values;
        SString third;
    };

    SHistoryScreen();
    ~SHistoryScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    void Activate() override;
    void Deactivate() override;
    void OnSlideDone() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetMusicName() override;
    const char* const* GetVoiceOverList() override;

    static void ReadLevelList(LevelSummaryList& list, const SObjectDef* scenario, int progress);

    void BuildRecordList();
    void RefreshReport();
    void NextRecord();
    void PreviousRecord();
    void NextOpenLevel();
    void DeleteRecord();
    // Prints the screen picture as the document "Stats"; nothing without a default printer.
    void PrintStats();

    // The report of a walk-through or sniper level's record; `levelRecords` are all records of
    // the level, for the best time and accuracy.
    static Report BuildScenarioReport(const SObjectDef& record, const SObjectDefList& levelRecords, bool bSniper);
    // The report of a target-range record for the weapon named (any case); empty for others.
    static Report BuildTargetRangeReport(const SObjectDef& record, const char* weapon, const SObjectDef* score);
    // Hits per shot fired in whole percent; 0 without shots.
    static int Accuracy(int hits, int fired);

    int GetSelectedPosition() const { return m_iSelected; }
    int GetSelectedLevel() const { return m_iSelectedLevel; }
    const SObjectDefList& GetRecordList() const { return m_Records; }
    SObjectDef* GetSelectedRecord() const { return m_pSelected; }

    static LevelSummaryList& LevelList() { return s_Levels; }
    static std::vector<SString>& Descriptions() { return s_Descriptions; }

protected:
    // A question over this page (the game's own message dialog); 1 means yes.
    virtual int AskUser(const char* text);
    // A notice over this page with an OK button (a message box while no dialog can be shown).
    virtual void Tell(const char* text);

private:
    void SetItemText(uint32_t nID, const char* text);
    SWindow* Item(uint32_t nID) const;
    void SelectPosition(int position);
    void DeleteCopies();
    SFont* LoadFont(const char* name);

    int32_t m_iPicture = 0;
    int32_t m_iSelected = -1;
    int32_t m_iLevelPosition = 0;
    int32_t m_iSelectedLevel = 0;
    SObjectDefList* m_pSource = nullptr;  // the officer's score list; not owned
    SObjectDefList m_Records;             // owned copies
    SObjectDef* m_pSelected = nullptr;
    SFont* m_pLabelFont = nullptr;      // one catalog use, registered with the display
    SFont* m_pHighlightFont = nullptr;  // likewise

    static LevelSummaryList s_Levels;
    static std::vector<SString> s_Descriptions;
};
