#include "frontend/screens/SChooseCharacterScreen.h"

#include "app/SGameObjects.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/screens/SOfficerPage.h"
#include "frontend/screens/SOfficerTexts.h"
#include "sys/profile.h"
#include "sys/window/dialogs.h"
#include "ui/SGraphicsHost.h"

IMPLEMENT_DYNAMIC(SChooseCharacterScreen, SAppScreen)

namespace {

constexpr int kMainMenu = 0;
constexpr int kOfficerInfo = 3;

SGameObjects* Hub() { return SGameObjects::Instance(); }

}  // namespace

const char* SChooseCharacterScreen::GetTitle() { return "Choose Character"; }
const char* SChooseCharacterScreen::GetLayoutGroup() { return "load_menu"; }
const char* SChooseCharacterScreen::GetLayoutName() { return ""; }
const char* SChooseCharacterScreen::GetMusicName() { return "Interface:cop_training"; }

bool SChooseCharacterScreen::Confirm(const char* text) {
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    return host != nullptr && host->MessageDialog(text, static_cast<int>(sys::MB_YESNO), this, 0) == 1;
}

SHunterInfo* SChooseCharacterScreen::Selected() const {
    if (m_pList == nullptr || m_iSelected < 0 || m_iSelected >= m_pList->GetCount())
        return nullptr;
    return m_pList->GetRecord(m_iSelected);
}

void SChooseCharacterScreen::Activate() {
    officer_page::MakeImagesTransparent(m_pLayout);
    m_pList = Hub()->LoadPlayerList(false);
    m_iSelected = officer_page::FindLastPlayer(m_pList);
    SAppScreen::Activate();
    Refresh();
    StartSlide(1);
}

void SChooseCharacterScreen::Deactivate() {
    officer_page::RememberOfficer(Selected());
    officer_page::SaveOfficers(m_pList);
    SAppScreen::Deactivate();
}

void SChooseCharacterScreen::Refresh() {
    SHunterInfo* officer = Selected();
    if (officer != nullptr) {
        officer_page::SetText(m_pLayout, kNameText, officer->m_sName.GetString());
        officer_texts::Write(m_pLayout, *officer, true);
        officer_page::ShowPortrait(m_pLayout, officer->m_iPortrait);
    } else {
        for (uint32_t id : {200u, 300u, 400u, 500u}) officer_page::SetText(m_pLayout, id, "");
    }
    for (uint32_t id : {kChooseCommand, kDeleteCommand}) {
        if (SWindow* button = m_pLayout != nullptr ? m_pLayout->FindChild(id) : nullptr)
            button->SetNotifyParent(officer != nullptr);
    }
}

void SChooseCharacterScreen::Next() {
    const int count = m_pList != nullptr ? m_pList->GetCount() : 0;
    if (count > 0)
        m_iSelected = m_iSelected < 0 || m_iSelected >= count - 1 ? 0 : m_iSelected + 1;
    Refresh();
}

void SChooseCharacterScreen::Previous() {
    const int count = m_pList != nullptr ? m_pList->GetCount() : 0;
    if (count > 0)
        m_iSelected = m_iSelected <= 0 || m_iSelected >= count ? count - 1 : m_iSelected - 1;
    Refresh();
}

void SChooseCharacterScreen::Choose() {
    SHunterInfo* officer = Selected();
    if (officer == nullptr)
        return;
    SetMaleVoiceOvers(officer->m_pModelDef != nullptr && officer->m_pModelDef->GetIntByName("Male") != 0);
    Hub()->SetCurrentPlayer(officer);
    if (Hub()->m_iGameType == 0)
        m_iNextScreen = kOfficerInfo;
    StartSlide(0);
    sys::profile::WriteInt(sys::profile::Kind::Application, "Settings", "MaleVoiceOvers", GetMaleVoiceOvers() ? 1 : 0);
}

void SChooseCharacterScreen::Delete() {
    SHunterInfo* officer = Selected();
    if (officer == nullptr || !Confirm(kDeleteQuestion))
        return;
    const int deleted = m_iSelected;
    POSITION at = m_pList->FindIndex(deleted);
    m_pList->RemoveAt(at);
    // The hub must not keep pointing at a record that is gone.
    if (Hub()->m_pCurrentPlayer == officer)
        Hub()->SetCurrentPlayer(m_pList->GetCount() > 0 ? m_pList->GetRecord(0) : nullptr);
    delete officer;
    m_pList->SetModified();
    // The officer after the one that followed the deleted one, else the last.
    const int count = m_pList->GetCount();
    const int follower = deleted;  // where the follower now stands
    m_iSelected = follower + 1 < count ? follower + 1 : count - 1;
    if (count == 0) {
        m_iNextScreen = kMainMenu;
        StartSlide(0);
    }
    Refresh();
}

void SChooseCharacterScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kChooseCommand:
            Choose();
            break;
        case kBackCommand:
            m_iNextScreen = kMainMenu;
            StartSlide(0);
            break;
        case kDeleteCommand:
            Delete();
            break;
        case kPreviousCommand:
            Previous();
            break;
        case kNextCommand:
            Next();
            break;
        default:
            break;
    }
}

void SChooseCharacterScreen::OnSlideDone() {
    SAppScreen::OnSlideDone();
    SwitchAfterSlideOut(m_iNextScreen);
}
