#include "frontend/screens/SCreateCharacterScreen.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SObjectParser.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/screens/SInventoryScreen.h"
#include "frontend/screens/SOfficerPage.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/fs/fs.h"
#include "sys/profile.h"
#include "sys/signals.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SEditBox.h"

IMPLEMENT_DYNAMIC(SCreateCharacterScreen, S3DViewScreen)

namespace {

constexpr int kMainMenu = 0;
constexpr int kOfficerInfo = 3;

SGameObjects* Hub() { return SGameObjects::Instance(); }

std::string ModelFolder() {
    const SString& base = Hub()->m_sBasePath;
    const SGameItems* items = Hub()->m_pGameItems;
    std::string hunter = items != nullptr && !items->m_sHunterPath.IsEmpty() ? items->m_sHunterPath.GetString()
                                                                            : SCreateCharacterScreen::kDefaultModelFolder;
    return base.IsEmpty() ? hunter : std::string(base.GetString()) + "\\" + hunter;
}

}  // namespace

SCreateCharacterScreen::SCreateCharacterScreen() = default;

SCreateCharacterScreen::~SCreateCharacterScreen() {
    m_Models.DeleteAll();
    m_Skins.DeleteAll();
}

const char* SCreateCharacterScreen::GetTitle() { return "Choose Character"; }
const char* SCreateCharacterScreen::GetLayoutGroup() { return "choose_character"; }
const char* SCreateCharacterScreen::GetLayoutName() { return ""; }
const char* SCreateCharacterScreen::GetMusicName() { return "Interface:cop_training"; }

void SCreateCharacterScreen::Tell(const char* text) {
    if (auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()))
        host->MessageDialog(text, 0, this, 0);
}

SObjectDef* SCreateCharacterScreen::GetSelectedModel() const {
    if (m_iSelected < 0 || m_iSelected >= m_Models.GetCount())
        return nullptr;
    return m_Models.GetAt(m_Models.FindIndex(m_iSelected));
}

void SCreateCharacterScreen::ScanModelFiles() {
    m_Models.DeleteAll();
    m_Skins.DeleteAll();
    m_iSelected = -1;
    const std::string folder = ModelFolder();
    std::vector<sys::fs::FindEntry> found;
    SObjectDefList read;
    if (sys::fs::FindFiles(folder + "\\*.sss", found)) {
        SObjectParser parser;
        parser.SetDefList(&read);
        for (const sys::fs::FindEntry& entry : found) {
            if (entry.name != "." && entry.name != "..")
                parser.ParseFile((folder + "\\" + entry.name).c_str());
        }
        parser.SetDefList(nullptr);
    }
    while (!read.IsEmpty()) {
        auto* def = static_cast<SObjectDef*>(read.RemoveHead());
        const CString name = def->GetName();
        const bool kind = name == "Player" || name == "PlayerSkin";
        if (!kind && def->IsKindOf("Player"))
            m_Models.AddTail(def);
        else if (!kind && def->IsKindOf("PlayerSkin"))
            m_Skins.AddTail(def);
        else
            delete def;
    }
}

void SCreateCharacterScreen::SelectFirstModel() { m_iSelected = m_Models.IsEmpty() ? -1 : 0; }

void SCreateCharacterScreen::NextModel() {
    const int count = m_Models.GetCount();
    if (count > 0)
        m_iSelected = m_iSelected < 0 || m_iSelected >= count - 1 ? 0 : m_iSelected + 1;
    RefreshDisplay();
}

void SCreateCharacterScreen::PreviousModel() {
    const int count = m_Models.GetCount();
    if (count > 0)
        m_iSelected = m_iSelected <= 0 || m_iSelected >= count ? count - 1 : m_iSelected - 1;
    RefreshDisplay();
}

void SCreateCharacterScreen::RefreshDisplay() {
    const SObjectDef* model = GetSelectedModel();
    if (model == nullptr)
        return;
    m_iPortrait = model->GetIntByName("Image");
    officer_page::ShowPortrait(m_pLayout, m_iPortrait);
    m_View.Show(m_pWorld, m_pCamera, model->GetValueByName("Model").GetString());
}

void SCreateCharacterScreen::Deactivate() {
    m_View.Forget();
    S3DViewScreen::Deactivate();
}

view_desc_t* SCreateCharacterScreen::GetViewDesc() { return m_View.GetDesc(); }

void SCreateCharacterScreen::OnCameraUpdate(SActor* camera) { m_View.PlaceCamera(camera); }

void SCreateCharacterScreen::Activate() {
    m_iPortrait = 0;
    officer_page::MakeImagesTransparent(m_pLayout);
    ScanModelFiles();
    m_View.Configure(m_pLayout, kViewSessionValue);
    S3DViewScreen::Activate();
    m_byCancelled = 0;
    auto* nameBox = dynamic_cast<SEditBox*>(m_pLayout != nullptr ? m_pLayout->FindChild(kNameBox) : nullptr);
    if (nameBox != nullptr) {
        nameBox->SetLimitText(kNameLimit);
        nameBox->SetText("");
        nameBox->SetFocus();
        nameBox->SetCaretPos(1);
    }
    SelectFirstModel();
    if (m_pEdited != nullptr) {
        const CString wanted = m_pEdited->m_pModelDef != nullptr ? m_pEdited->m_pModelDef->GetName() : CString();
        for (int i = 0; i < m_Models.GetCount(); ++i) {
            if (CompareTextNoCase(m_Models.GetAt(m_Models.FindIndex(i))->GetName().GetString(), wanted.GetString()) ==
                0) {
                m_iSelected = i;
                break;
            }
        }
        if (nameBox != nullptr) {
            nameBox->SetText(m_pEdited->m_sName.GetString());
            nameBox->SetCaretPos(m_pEdited->m_sName.GetLength() + 1);
        }
    }
    RefreshDisplay();
    if (nameBox != nullptr)
        nameBox->SetStyle(nameBox->GetStyle() | SWindow::kStyleTabStop);
    StartSlide(1);
}

void SCreateCharacterScreen::ApplyModel(SHunterInfo* officer) {
    const SObjectDef* model = GetSelectedModel();
    if (model == nullptr || officer == nullptr)
        return;
    SetMaleVoiceOvers(model->GetIntByName("Male") != 0);
    delete officer->m_pModelDef;
    officer->m_pModelDef = new SObjectDef(model);
    char key[16];
    std::snprintf(key, sizeof(key), "skin%02d", 0);
    if (const SObjectDef* skin = m_Skins.FindByName(model->GetValueByName(key).GetString())) {
        delete officer->m_pSkinDef;
        officer->m_pSkinDef = new SObjectDef(skin);
    }
    officer->SetChanged();
}

bool SCreateCharacterScreen::CreateOfficer() {
    CString name;
    if (SWindow* nameBox = m_pLayout != nullptr ? m_pLayout->FindChild(kNameBox) : nullptr)
        nameBox->GetText(name);
    SGameObjects* hub = Hub();
    SHunterInfoList* list = hub->LoadPlayerList(false);
    // An empty name is refused on an edit too, and a name may not match another officer's.
    if (list == nullptr)
        return false;
    if (name.IsEmpty()) {
        Tell(kEmptyNameText);
        return false;
    }
    for (int i = 0; i < list->GetCount(); ++i) {
        const SHunterInfo* other = list->GetRecord(i);
        if (other != m_pEdited && CompareTextNoCase(other->m_sName.GetString(), name.GetString()) == 0) {
            Tell(kDuplicateText);
            return false;
        }
    }
    const bool isNew = m_pEdited == nullptr;
    SHunterInfo* previous = hub->m_pCurrentPlayer;
    const bool wasModified = list->IsModified();
    SHunterInfo* officer = isNew ? new SHunterInfo : m_pEdited;
    officer->m_sName = name;
    officer->SetChanged();
    if (const SObjectDef* model = GetSelectedModel()) {
        SetMaleVoiceOvers(model->GetIntByName("Male") != 0);
        delete officer->m_pModelDef;
        officer->m_pModelDef = new SObjectDef(model);
        officer->m_iPortrait = m_iPortrait;
    }
    if (isNew)
        list->AddTail(officer);
    list->SetModified();
    hub->SetCurrentPlayer(officer);
    if (isNew) {
        SScreenManager* manager = SScreenManager::GetInstance();
        auto* inventory = manager != nullptr
                              ? dynamic_cast<SInventoryScreen*>(manager->GetScreen(SInventoryScreen::kScreenId))
                              : nullptr;
        SGameDLL* library = hub->m_pGameDLL;
        if (inventory != nullptr)
            inventory->LoadKit(officer, SInventoryScreen::kSinglePlayerKit,
                               library != nullptr ? library->GetObjectList() : nullptr);
        // A close request stops the kit's reading where it is: an officer with part of his kit
        // is not saved.
        if (sys::signals::IsCloseRequested()) {
            list->Withdraw(officer, wasModified);
            hub->SetCurrentPlayer(previous);
            return false;
        }
    }
    sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", name.GetString());
    list->Save(SHunterInfoList::kFileName, SHunterInfoList::kCreateFailedText);
    return true;
}

void SCreateCharacterScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kCreateCommand:
            if (CreateOfficer())
                StartSlide(0);
            break;
        case kCancelCommand:
            m_byCancelled = 1;
            StartSlide(0);
            return;
        case kPreviousCommand:
            PreviousModel();
            break;
        case kNextCommand:
            NextModel();
            break;
        default:
            return;
    }
    // The click took the keyboard to the button; typing goes on into the name.
    if (SWindow* nameBox = m_pLayout != nullptr ? m_pLayout->FindChild(kNameBox) : nullptr)
        nameBox->SetFocus();
}

void SCreateCharacterScreen::OnSlideDone() {
    S3DViewScreen::OnSlideDone();
    if (!HasSlidOut())
        return;
    m_pEdited = nullptr;
    SwitchAfterSlideOut(m_byCancelled != 0 ? kMainMenu : kOfficerInfo);
}
