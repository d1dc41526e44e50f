#include "frontend/screens/SCharacterInfo.h"

#include "app/SGameObjects.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/screens/SOfficerPage.h"
#include "frontend/screens/SOfficerTexts.h"

IMPLEMENT_DYNAMIC(SCharacterInfo, S3DViewScreen)

namespace {

constexpr int kScenarioScreen = 4;
constexpr int kHistoryScreen = 5;
constexpr int kChooseScreen = 2;

SGameObjects* Hub() { return SGameObjects::Instance(); }

}  // namespace

const char* SCharacterInfo::GetTitle() { return "Character Info"; }
const char* SCharacterInfo::GetLayoutGroup() { return "character_main"; }
const char* SCharacterInfo::GetLayoutName() { return "cm"; }
const char* SCharacterInfo::GetMusicName() { return "Interface:cop_training"; }

SHunterInfo* SCharacterInfo::GetShown() const {
    if (m_pList == nullptr || m_iShown < 0 || m_iShown >= m_pList->GetCount())
        return nullptr;
    return m_pList->GetRecord(m_iShown);
}

void SCharacterInfo::Activate() {
    officer_page::MakeImagesTransparent(m_pLayout);
    m_pList = Hub()->LoadPlayerList(false);
    m_iShown = officer_page::FindLastPlayer(m_pList);
    m_View.Configure(m_pLayout, kViewSessionValue);
    S3DViewScreen::Activate();
    Refresh();
    StartSlide(1);
}

void SCharacterInfo::Deactivate() {
    officer_page::RememberOfficer(GetShown());
    officer_page::SaveOfficers(m_pList);
    m_View.Forget();
    S3DViewScreen::Deactivate();
}

view_desc_t* SCharacterInfo::GetViewDesc() { return m_View.GetDesc(); }

void SCharacterInfo::OnCameraUpdate(SActor* camera) { m_View.PlaceCamera(camera); }

void SCharacterInfo::Refresh() {
    SHunterInfo* officer = GetShown();
    if (officer == nullptr) {
        officer_page::SetText(m_pLayout, kNameText, "");
        return;
    }
    officer_page::SetText(m_pLayout, kNameText, officer->m_sName.GetString());
    officer_texts::Write(m_pLayout, *officer, false);
    officer_page::ShowPortrait(m_pLayout, officer->m_iPortrait);
    if (officer->m_pModelDef != nullptr)
        m_View.Show(m_pWorld, m_pCamera, officer->m_pModelDef->GetValueByName("Model").GetString());
}

void SCharacterInfo::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kScenarioCommand:
            m_iNextScreen = kScenarioScreen;
            break;
        case kHistoryCommand:
            if (SHunterInfo* officer = GetShown())
                officer->m_iCounter4 = 0;
            m_iNextScreen = kHistoryScreen;
            break;
        case kBackCommand:
            m_iNextScreen = kChooseScreen;
            break;
        default:
            return;
    }
    StartSlide(0);
}

void SCharacterInfo::OnSlideDone() {
    S3DViewScreen::OnSlideDone();
    SwitchAfterSlideOut(m_iNextScreen);
}
