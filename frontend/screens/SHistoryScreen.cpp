#include "frontend/screens/SHistoryScreen.h"

#include <cstdio>
#include <string>

#include "app/CMainFrame.h"
#include "app/CTarvexApp.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SResource.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "frontend/career/SHunterInfo.h"
#include "sys/gdi/gdi.h"
#include "sys/print/print.h"
#include "sys/window/dialogs.h"
#include "sys/window/window.h"
#include "ui/SDisplayHost.h"
#include "ui/SFont.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SMultiImage.h"

IMPLEMENT_DYNAMIC(SHistoryScreen, SAppScreen)

LevelSummaryList SHistoryScreen::s_Levels;
std::vector<SString> SHistoryScreen::s_Descriptions;

namespace {

constexpr const char* kMusic = "Interface:cop_training";
constexpr int kOfficerInfoScreen = 3;
constexpr const char* kLabelFontName = "Outline";
constexpr const char* kHighlightFontName = "Red";

const char* const kMaleVoiceOvers[] = {"VoiceMale:vo-m1-tr-monstera", "VoiceMale:vo-m1-tr-nowa",
                                       "VoiceMale:vo-m1-tr-sparsea", "VoiceMale:vo-m1-tr-trophya", nullptr};
const char* const kFemaleVoiceOvers[] = {"VoiceFemale:vo-f1-tr-monstera", "VoiceFemale:vo-f1-tr-nowa",
                                         "VoiceFemale:vo-f1-tr-sparsea", "VoiceFemale:vo-f1-tr-trophya", nullptr};

constexpr const char* kScenarioLabels =
    "Time spent: \nWeapon used: \nTotal # of targets: \nShots fired: \nComplete misses: \nInjury stats: \n"
    "Perp targets missed: \nPerp target hits: \nPerp head zone hits: \nPerp body zone hits: \n"
    "Perp wounded zone hits: \nVictim target hits: \nAccuracy: \n\n\nBest Time: \nBest Accuracy: \n";
constexpr const char* kSniperLabels =
    "Time spent: \nWeapon used: \nTotal # of targets: \nShots fired: \nComplete misses: \nInjury stats: \n"
    "Perp targets missed: \nPerp target hits: \nPerp head zone hits: \nPerp body zone hits: \n"
    "Perp wounded zone hits: \nVictim target hits: \nAccuracy: \n\n\nBest Accuracy: \n";

// One weapon of the target range: its names, its qualifying-score key and the column runs of
// its seven value lines (fired, hits, kill hits, wound hits, missed, accuracy, score).
struct RangeWeapon {
    const char* name;
    const char* display;
    const char* qualifyKey;
    int runs[7];
};
constexpr RangeWeapon kRangeWeapons[] = {
    {"Pistol9mm", "9mm Pistol", "Pistol9MMQualifyScore", {10, 8, 13, 18, 12, 15, 10}},
    {"Shotgun", "Shotgun", "ShotgunQualifyScore", {7, 5, 10, 15, 9, 12, 7}},
    {"Sniper", "Sniper", "SniperQualifyScore", {5, 3, 8, 13, 7, 10, 5}},
    {"MP5", "MP5", "MP5QualifyScore", {2, 0, 5, 10, 4, 7, 2}},
};

SGameObjects* Hub() { return SGameObjects::Instance(); }

// A value line: the run that moves it into the value column, the value, a line break.
void AddLine(std::string& text, int run, const std::string& value) {
    text.append(static_cast<size_t>(run), SHistoryScreen::kColumnChar);
    text += value;
    text += '\n';
}

std::string Printf(const char* format, int a, int b = 0) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), format, a, b);
    return buffer;
}

std::string TimeText(uint32_t milliseconds) {
    return Printf("%d min %d sec", static_cast<int>(milliseconds / 60000), static_cast<int>(milliseconds % 60000 / 1000));
}

int ScenarioHits(const SObjectDef& record) {
    return record.GetIntByName("BKHits") - record.GetIntByName("GHits") + record.GetIntByName("BNKHits") +
           record.GetIntByName("BBHits");
}

}  // namespace

SHistoryScreen::SHistoryScreen() = default;

SHistoryScreen::~SHistoryScreen() {
    DeleteCopies();
    SCatalog* catalog = Hub()->m_pCatalog;
    SDisplayHost* host = SDisplayHost::GetInstance();
    for (SFont* font : {m_pLabelFont, m_pHighlightFont}) {
        if (font == nullptr)
            continue;
        if (host != nullptr)
            host->RemoveFont(font);
        if (catalog != nullptr)
            catalog->ReleaseResource(font);
    }
    DeleteLevelList(s_Levels);
    s_Descriptions.clear();
}

const char* SHistoryScreen::GetTitle() { return "History"; }
const char* SHistoryScreen::GetLayoutGroup() { return "History"; }
const char* SHistoryScreen::GetMusicName() { return kMusic; }

const char* const* SHistoryScreen::GetVoiceOverList() {
    return GetMaleVoiceOvers() ? kMaleVoiceOvers : kFemaleVoiceOvers;
}

void SHistoryScreen::ReadLevelList(LevelSummaryList& list, const SObjectDef* scenario, int progress) {
    ::ReadLevelList(list, scenario, progress);
}

int SHistoryScreen::AskUser(const char* text) {
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    return host != nullptr ? host->MessageDialog(text, static_cast<int>(sys::MB_YESNO), this, 0) : 0;
}

void SHistoryScreen::Tell(const char* text) {
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    if (host == nullptr || host->MessageDialog(text, 0, this, 0) == 0)
        sys::dialogs::MessageBox(text, CTarvexApp::kTitle, sys::MB_OK);
}

SWindow* SHistoryScreen::Item(uint32_t nID) const { return m_pLayout != nullptr ? m_pLayout->FindChild(nID) : nullptr; }

void SHistoryScreen::SetItemText(uint32_t nID, const char* text) {
    if (SWindow* pItem = Item(nID))
        pItem->SetText(text);
}

SFont* SHistoryScreen::LoadFont(const char* name) {
    SCatalog* catalog = Hub()->m_pCatalog;
    SResource* found = catalog != nullptr ? catalog->GetResource(kKindFont, CString(name), CString(), 0) : nullptr;
    auto* font = dynamic_cast<SFont*>(found);
    if (font == nullptr) {
        if (found != nullptr)
            catalog->ReleaseResource(found);
        return nullptr;
    }
    if (SGraphics* display = Hub()->m_pGraphics)
        font->Locate(CString(""), display);
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->AddFont(font);
    return font;
}

void SHistoryScreen::Activate() {
    SAppScreen::Activate();
    const SHunterInfo* officer = Hub()->m_pCurrentPlayer;
    if (SWindow* pName = Item(kOfficerName)) {
        pName->SetText(officer != nullptr ? officer->m_sName.GetString() : "");
        pName->SetStyle(pName->GetStyle() | 1);
    }
    ReadLevelList(s_Levels, FindGameDefinition("Scenario"), officer != nullptr ? officer->m_iHighestPassedLevel : -1);
    s_Descriptions.clear();
    for (const auto& level : s_Levels) {
        if (level->m_bAccessible != 0)
            s_Descriptions.push_back(level->m_sDescription);
    }
    SetItemText(kLevelText, s_Descriptions.empty() ? "" : s_Descriptions.front().GetString());
    m_iLevelPosition = m_iSelectedLevel = officer != nullptr ? officer->m_iLevelIndex : 0;
    m_iPicture = officer != nullptr ? officer->m_iPortrait : 0;
    if (auto* pPicture = dynamic_cast<SMultiImage*>(Item(kOfficerPicture)))
        pPicture->SetCurImage(m_iPicture);
    if (m_pLabelFont == nullptr)
        m_pLabelFont = LoadFont(kLabelFontName);
    if (m_pHighlightFont == nullptr)
        m_pHighlightFont = LoadFont(kHighlightFontName);
    BuildRecordList();
    RefreshReport();
    StartSlide(1);
}

void SHistoryScreen::Deactivate() {
    DeleteLevelList(s_Levels);
    s_Descriptions.clear();
    SAppScreen::Deactivate();
}

void SHistoryScreen::OnSlideDone() {
    SAppScreen::OnSlideDone();
    SwitchAfterSlideOut(kOfficerInfoScreen);
}

void SHistoryScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kPreviousCommand:
            PreviousRecord();
            RefreshReport();
            break;
        case kNextCommand:
            NextRecord();
            RefreshReport();
            break;
        case kDeleteCommand:
            DeleteRecord();
            break;
        case kPrintCommand:
            PrintStats();
            break;
        case kBackCommand:
            StartSlide(0);
            break;
        case kNextLevelCommand:
            NextOpenLevel();
            BuildRecordList();
            RefreshReport();
            break;
        default:
            break;
    }
}

void SHistoryScreen::DeleteCopies() {
    m_Records.DeleteAll();
    m_pSelected = nullptr;
    m_iSelected = -1;
}

void SHistoryScreen::SelectPosition(int position) {
    m_iSelected = position;
    m_pSelected = nullptr;
    POSITION pos = position >= 0 ? m_Records.FindIndex(position) : nullptr;
    if (pos != nullptr)
        m_pSelected = m_Records.GetAt(pos);
}

void SHistoryScreen::BuildRecordList() {
    SHunterInfo* officer = Hub()->m_pCurrentPlayer;
    m_pSource = officer != nullptr ? officer->m_pLevelScores : nullptr;
    if (m_pSource == nullptr)
        return;
    DeleteCopies();
    for (POSITION pos = m_pSource->GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* record = m_pSource->GetNext(pos);
        if (record != nullptr && record->GetIntByName("LevelIndex") == m_iSelectedLevel)
            m_Records.AddTail(new SObjectDef(record));
    }
    SelectPosition(static_cast<int>(m_Records.GetCount()) - 1);
}

void SHistoryScreen::NextRecord() {
    const int count = static_cast<int>(m_Records.GetCount());
    if (count > 0)
        SelectPosition((m_iSelected + 1) % count);
}

void SHistoryScreen::PreviousRecord() {
    const int count = static_cast<int>(m_Records.GetCount());
    if (count > 0)
        SelectPosition((count + m_iSelected - 1) % count);
}

void SHistoryScreen::NextOpenLevel() {
    if (s_Descriptions.empty())
        return;
    ++m_iLevelPosition;
    if (m_iLevelPosition < 0 || m_iLevelPosition >= static_cast<int>(s_Descriptions.size()))
        m_iLevelPosition = 0;
    if (m_iLevelPosition < static_cast<int>(s_Levels.size()))
        m_iSelectedLevel = s_Levels[m_iLevelPosition]->m_iLevelIndex;
}

void SHistoryScreen::DeleteRecord() {
    if (m_pSelected == nullptr || AskUser(kDeleteQuestion) != 1)
        return;
    SHunterInfo* officer = Hub()->m_pCurrentPlayer;
    if (officer != nullptr) {
        const int levelIndex = m_pSelected->GetIntByName("LevelIndex");
        int counted = 0;
        for (int i = 0; i < officer->GetLevelScoreCount(); ++i) {
            const SObjectDef* record = officer->GetLevelScore(i);
            if (record == nullptr || record->GetIntByName("LevelIndex") != levelIndex)
                continue;
            if (counted++ == m_iSelected) {
                officer->RemoveLevelScore(i);
                break;
            }
        }
    }
    BuildRecordList();
    RefreshReport();
}

int SHistoryScreen::Accuracy(int hits, int fired) {
    return fired > 0 ? static_cast<int>(static_cast<int64_t>(hits) * 100 / fired) : 0;
}

SHistoryScreen::Report SHistoryScreen::BuildScenarioReport(const SObjectDef& record, const SObjectDefList& levelRecords,
                                                           bool bSniper) {
    const int fired = record.GetIntByName("Fired");
    int bestAccuracy = Accuracy(ScenarioHits(record), fired);
    auto bestTime = static_cast<uint32_t>(record.GetIntByName("Time"));
    for (POSITION pos = levelRecords.GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* other = levelRecords.GetNext(pos);
        if (other == nullptr)
            continue;
        const int accuracy = Accuracy(ScenarioHits(*other), other->GetIntByName("Fired"));
        if (accuracy > bestAccuracy)
            bestAccuracy = accuracy;
        const auto time = static_cast<uint32_t>(other->GetIntByName("Time"));
        if (time < bestTime)
            bestTime = time;
    }
    std::string values;
    AddLine(values, 2, TimeText(static_cast<uint32_t>(record.GetIntByName("Time"))));
    AddLine(values, 5, record.GetValueByName("Weapon").GetString());
    AddLine(values, 11, Printf("%d", record.GetIntByName("NumberOfTargets")));
    AddLine(values, 2, Printf("%d", fired));
    AddLine(values, 11, Printf("%d", fired - record.GetIntByName("BHits") - record.GetIntByName("GHits") -
                                         record.GetIntByName("BMissed")));
    AddLine(values, 3, Printf("%d", -record.GetIntByName("Injury")));
    AddLine(values, 15, Printf("%d", record.GetIntByName("BMissed")));
    AddLine(values, 9, Printf("%d", record.GetIntByName("BHits")));
    AddLine(values, 14, Printf("%d", record.GetIntByName("BKHits")));
    AddLine(values, 14, Printf("%d", record.GetIntByName("BBHits")));
    AddLine(values, 19, Printf("%d", record.GetIntByName("BNKHits")));
    AddLine(values, 13, Printf("%d", record.GetIntByName("GHits")));
    AddLine(values, 1, Printf("%d%%", Accuracy(ScenarioHits(record), fired)));
    AddLine(values, 3, Printf("%d/%d", record.GetIntByName("Score"), record.GetIntByName("PassScore")));
    AddLine(values, 1, "");
    if (!bSniper)
        AddLine(values, 1, TimeText(bestTime));
    AddLine(values, 7, Printf("%d%%", bestAccuracy));

    std::string third;
    for (int i = 0; i < 13; ++i)
        AddLine(third, 1, "");
    third += "Final score: \n";
    return Report{SString(bSniper ? kSniperLabels : kScenarioLabels), SString(values.c_str()), SString(third.c_str())};
}

SHistoryScreen::Report SHistoryScreen::BuildTargetRangeReport(const SObjectDef& record, const char* weapon,
                                                              const SObjectDef* score) {
    for (const RangeWeapon& range : kRangeWeapons) {
        if (CompareTextNoCase(weapon != nullptr ? weapon : "", range.name) != 0)
            continue;
        std::string labels;
        for (const char* label : {" fired: ", " hits: ", " kill hits: ", " wound hits: ", " missed: ", " accuracy: ",
                                  " score: "}) {
            labels += range.display;
            labels += label;
            labels += '\n';
        }
        labels += '\n';
        const int fired = record.GetIntByName("Fired");
        const int hits = record.GetIntByName("BHits");
        std::string values;
        AddLine(values, range.runs[0], Printf("%d", fired));
        AddLine(values, range.runs[1], Printf("%d", hits));
        AddLine(values, range.runs[2], Printf("%d", record.GetIntByName("BKHits")));
        AddLine(values, range.runs[3], Printf("%d", record.GetIntByName("BNKHits")));
        AddLine(values, range.runs[4], Printf("%d", record.GetIntByName("BMissed")));
        AddLine(values, range.runs[5], Printf("%d%%", Accuracy(hits, fired)));
        AddLine(values, range.runs[6], Printf("%d/%d", record.GetIntByName("Score"),
                                              score != nullptr ? score->GetIntByName(range.qualifyKey) : 0));
        values += "\n\n";
        return Report{SString(labels.c_str()), SString(values.c_str()), SString()};
    }
    return Report{};
}

void SHistoryScreen::RefreshReport() {
    const bool levelKnown = m_iSelectedLevel >= 0 && m_iSelectedLevel < static_cast<int>(s_Descriptions.size()) &&
                            m_iSelectedLevel < static_cast<int>(s_Levels.size());
    SetItemText(kLevelText, levelKnown ? s_Descriptions[m_iSelectedLevel].GetString() : "");
    SWindow* pDelete = Item(kDeleteButton);
    SWindow* pLabels = Item(kLabelText);
    if (pLabels != nullptr)
        pLabels->SetFont(m_pLabelFont);
    // A level outside the open ones has nothing that could be shown for it.
    if (m_pSource == nullptr || m_iSelected < 0 || m_pSelected == nullptr || !levelKnown) {
        SetItemText(kLabelText, kNoStatisticsText);
        SetItemText(kValueText, "");
        SetItemText(kHighlightText, "");
        if (pDelete != nullptr)
            pDelete->SetNotifyParent(false);
        return;
    }
    if (pDelete != nullptr)
        pDelete->SetNotifyParent(true);
    const level_summary_t& level = *s_Levels[m_iSelectedLevel];
    Report report;
    if (level.m_sTypeName.CompareNoCase("TargetRange") == 0) {
        report = BuildTargetRangeReport(*m_pSelected, level.m_sWeapons.GetString(), FindGameDefinition("Score"));
    } else {
        const SObjectDef* def = FindGameDefinition(level.m_sTypeName.GetString());
        const bool bSniper = def != nullptr && def->GetValueByName("Type").CompareNoCase("SniperRange") == 0;
        report = BuildScenarioReport(*m_pSelected, m_Records, bSniper);
    }
    SetItemText(kLabelText, report.labels.GetString());
    SetItemText(kValueText, report.values.GetString());
    if (SWindow* pThird = Item(kHighlightText)) {
        pThird->SetFont(m_pHighlightFont);
        pThird->SetText(report.third.GetString());
    }
}

void SHistoryScreen::PrintStats() {
    SGraphics* display = Hub()->m_pGraphics;
    if (display == nullptr)
        return;
    sys::RECT source{0, 0, display->GetWidth(), display->GetHeight()};
    // In a window the primary surface is the desktop, so the window's own part of it is printed.
    if (display->IsFullScreen() == 0) {
        CMainFrame* frame = Hub()->m_pMainFrame;
        sys::window::GetWindowRect(frame != nullptr ? frame->GetSafeHwnd() : sys::window::GetMainWindow(), source);
    }
    const int width = source.right - source.left;
    const int height = source.bottom - source.top;
    if (width < 1 || height < 1)
        return;
    sys::print::Printer printer;
    if (!sys::print::FindDefaultPrinter(printer)) {
        Tell(kNoPrinterText);
        return;
    }
    if (!printer.canCopyBitmaps) {
        Tell(("The printer \"" + printer.name + "\" cannot print pictures, so the statistics cannot be printed.").c_str());
        return;
    }
    SDXSurface* primary = display->GetPrimary();
    sys::HDC screenDC = nullptr;
    if (primary == nullptr || !primary->GetDC(&screenDC) || screenDC == nullptr)
        return;
    sys::print::Page page;
    page.width = width;
    page.height = height;
    page.printedWidth = width * printer.dpiX / kPrintPixelsPerInch;
    page.printedHeight = height * printer.dpiY / kPrintPixelsPerInch;
    page.pixels.assign(static_cast<size_t>(width) * height, 0);
    sys::HDC copyDC = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(page.pixels.data(), width, height, width * 4, 32));
    if (copyDC != nullptr) {
        sys::gdi::BitBlt(copyDC, 0, 0, width, height, screenDC, source.left, source.top, sys::SRCCOPY);
        sys::gdi::DeleteDC(copyDC);
    }
    primary->ReleaseDC(screenDC);
    if (copyDC != nullptr && !sys::print::PrintPage(printer, kDocumentName, sys::print::PageSettings{}, page))
        Tell(("The statistics could not be printed: " + sys::print::LastError()).c_str());
}
