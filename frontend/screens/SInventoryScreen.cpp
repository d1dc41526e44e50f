#include "frontend/screens/SInventoryScreen.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "core/SObjectParser.h"
#include "dx/display/SGraphics.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/screens/SCreateCharacterScreen.h"
#include "frontend/screens/SInventorySlots.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/profile.h"
#include "sys/signals.h"
#include "ui/SDC.h"
#include "ui/SGraphicsHost.h"
#include "ui/SSprite.h"
#include "sys/window/dialogs.h"

IMPLEMENT_DYNAMIC(SInventoryScreen, S3DViewScreen)

namespace {

constexpr int kStepLimit = 500;
constexpr int kScenarioScreen = 4;
constexpr int kViewMargin = 12;
constexpr const char* kMiscCategory = "Misc";

const char* const kMaleVoiceOvers[] = {"VoiceMale:vo-m1-cw-ammoa",    "VoiceMale:vo-m1-cw-shootina",
                                       "VoiceMale:vo-m1-ce-alonga",   "VoiceMale:vo-m1-ce-criticala",
                                       "VoiceMale:vo-m1-ce-newa",     "VoiceMale:vo-m1-ce-trya",
                                       nullptr};
const char* const kFemaleVoiceOvers[] = {"VoiceFemale:vo-f1-cw-ammoa",  "VoiceFemale:vo-f1-cw-shootina",
                                         "VoiceFemale:vo-f1-ce-alonga", "VoiceFemale:vo-f1-ce-criticala",
                                         "VoiceFemale:vo-f1-ce-newa",   "VoiceFemale:vo-f1-ce-trya",
                                         nullptr};
// The kind definitions themselves, which the catalogue collects along with their items.
const char* const kKindNames[] = {"InvCropSeed", "InvBait", "InvBlind", "Permit", "InvItem", "GameTag",
                                  "PlayerAttractant"};

SGameObjects* Hub() { return SGameObjects::Instance(); }

SObjectDefList* LibraryObjects() {
    SGameDLL* library = Hub()->m_pGameDLL;
    return library != nullptr ? library->GetObjectList() : nullptr;
}

SObjectDef* FindNoCase(SObjectDefList* list, const char* name) {
    for (POSITION pos = list != nullptr ? list->GetHeadPosition() : nullptr; pos != nullptr;) {
        SObjectDef* def = list->GetNext(pos);
        // Kits name items by definition; the page by the name it shows.
        if (CompareTextNoCase(def->GetName().GetString(), name) == 0 ||
            CompareTextNoCase(def->GetValueByName("Name").GetString(), name) == 0)
            return def;
    }
    return nullptr;
}

SString CategoryOf(const SObjectDef* item) {
    SString category = item->GetValueByName("Category");
    return category.IsEmpty() ? SString(kMiscCategory) : category;
}

// |SlotsX| x SlotsY; the sizes come from definition and officer files, so any two values.
int64_t SizeProduct(const SObjectDef* item) {
    return std::abs(int64_t{item->GetIntByName("SlotsX")}) * item->GetIntByName("SlotsY");
}

SString DefaultKitPath() {
    const SString& base = Hub()->m_sBasePath;
    return base.IsEmpty() ? SString(SInventoryScreen::kDefaultKitFile)
                          : base + "\\" + SInventoryScreen::kDefaultKitFile;
}

}  // namespace

SInventoryScreen::SInventoryScreen() : m_pItems(&m_Catalogue) {
    m_pIconSprite = LoadCatalogSprite(kIconSprite, "InventoryScreen");
}

SInventoryScreen::~SInventoryScreen() {
    ReleaseCatalogSprite(m_pIconSprite);
    m_Catalogue.DeleteAll();
}

SInventorySlots& SInventoryScreen::Slots() {
    static SInventorySlots s_slots;
    return s_slots;
}

std::vector<std::string>& SInventoryScreen::Categories() {
    static std::vector<std::string> s_categories;
    return s_categories;
}

const char* SInventoryScreen::GetTitle() { return "Inventory"; }
const char* SInventoryScreen::GetLayoutGroup() { return "InventoryScreen"; }
const char* SInventoryScreen::GetLayoutName() { return ""; }
const char* SInventoryScreen::GetMusicName() { return "Background:bs-mainloop"; }
const char* SInventoryScreen::GetAmbientLoopName() { return "Other:os-firecrackle-loop"; }
const char* const* SInventoryScreen::GetVoiceOverList() {
    return GetMaleVoiceOvers() ? kMaleVoiceOvers : kFemaleVoiceOvers;
}

SHunterInfo* SInventoryScreen::Officer() { return Hub()->m_pCurrentPlayer; }

SObjectDefList* SInventoryScreen::Kit() {
    SHunterInfo* officer = Officer();
    return officer != nullptr ? officer->m_pCarriedKit : nullptr;
}

void SInventoryScreen::ShowRefusal(const char* text) {
    if (auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()))
        host->MessageDialog(text, 0, this, 0);
}

// ---- the grid ---------------------------------------------------------------------------------

void SInventoryScreen::UpdateGridSize() {
    constexpr int kHeight = 2;
    int64_t columns = 8;
    for (POSITION pos = Kit() != nullptr ? Kit()->GetHeadPosition() : nullptr; pos != nullptr;) {
        const int64_t product = SizeProduct(Kit()->GetNext(pos));
        if (product < 0)
            columns = std::min(columns - product / kHeight, int64_t{kMaxGridWidth});
    }
    const int width = static_cast<int>(columns);
    Slots().Resize(width, kHeight);
    ShowGridPicture();
    PlaceGridOrigin();
}

void SInventoryScreen::ShowGridPicture() {
    const int width = Slots().GetWidth();
    SWindow* narrow = m_pLayout != nullptr ? m_pLayout->FindChild(kNarrowGridWindow) : nullptr;
    SWindow* wide = m_pLayout != nullptr ? m_pLayout->FindChild(kWideGridWindow) : nullptr;
    if (narrow != nullptr)
        narrow->SetVisible(width <= 8);
    if (wide != nullptr)
        wide->SetVisible(width > 8);
}

void SInventoryScreen::LayOutKit() {
    SInventorySlots& slots = Slots();
    slots.Clear();
    SObjectDefList* kit = Kit();
    if (kit == nullptr)
        return;
    m_Icons.clear();
    SObjectDefList placed;
    for (int h = slots.GetHeight(); h >= 1; --h) {
        for (int w = slots.GetWidth(); w >= 1; --w) {
            slots.PlaceItemsOfSize(w, h, *kit, placed);
            for (POSITION pos = placed.GetHeadPosition(); pos != nullptr;) {
                const SObjectDef* item = placed.GetNext(pos);
                const int left = m_iGridX + item->GetIntByName("SlotCoordX");
                const int top = m_iGridY + item->GetIntByName("SlotCoordY");
                m_Icons.push_back(SInventoryIcon{item->GetValueByName("Name"),
                                                 sys::RECT{left, top, left + w * slots.GetCellWidth(),
                                                           top + h * slots.GetCellHeight()}});
            }
        }
    }
    placed.RemoveAll();
}

void SInventoryScreen::PlaceGridOrigin() {
    const SWindow* narrow = m_pLayout != nullptr ? m_pLayout->FindChild(kNarrowGridWindow) : nullptr;
    const SWindow* wide = m_pLayout != nullptr ? m_pLayout->FindChild(kWideGridWindow) : nullptr;
    const SWindow* grid = wide != nullptr && wide->IsVisible() ? wide : narrow;
    if (grid == nullptr)
        return;
    m_iGridX = grid->GetWindowRect().left;
    m_iGridY = grid->GetWindowRect().top;
}

int SInventoryScreen::Draw(SDC* pDC) {
    const int result = S3DViewScreen::Draw(pDC);
    SDXSurface* surface = pDC != nullptr ? pDC->GetSurface() : nullptr;
    if (surface != nullptr && m_pIconSprite != nullptr) {
        const SInventorySlots& slots = Slots();
        for (const SInventoryIcon& icon : m_Icons) {
            for (int y = icon.m_rcCells.top; y < icon.m_rcCells.bottom; y += slots.GetCellHeight()) {
                for (int x = icon.m_rcCells.left; x < icon.m_rcCells.right; x += slots.GetCellWidth())
                    m_pIconSprite->Draw(surface, x, y);
            }
        }
    }
    return result;
}

bool SInventoryScreen::KitFits(SObjectDef* item) {
    SObjectDefList* kit = Kit();
    if (kit == nullptr || item == nullptr)
        return false;
    kit->AddTail(item);
    SInventorySlots& slots = Slots();
    slots.Clear();
    int placedCount = 0;
    SObjectDefList placed;
    for (int h = slots.GetHeight(); h >= 1; --h) {
        for (int w = slots.GetWidth(); w >= 1; --w) {
            slots.PlaceItemsOfSize(w, h, *kit, placed);
            placedCount += placed.GetCount();
        }
    }
    placed.RemoveAll();
    const bool fits = placedCount == kit->GetCount();
    kit->RemoveTail();
    LayOutKit();
    return fits;
}

bool SInventoryScreen::AddItem(const char* name) {
    m_sRefusal = "";
    SHunterInfo* officer = Officer();
    if (name == nullptr || *name == '\0' || m_pItems == nullptr || officer == nullptr)
        return false;
    SObjectDef* found = FindNoCase(m_pItems, name);
    // A name the catalogue lacks is tried as a single slot of its own.
    SObjectDef single;
    single.SetName(name);
    SObjectDef* item = found != nullptr ? found : &single;
    if (!KitFits(item)) {
        const int w = found != nullptr ? found->GetIntByName("SlotsX") : 1;
        const int h = found != nullptr ? found->GetIntByName("SlotsY") : 1;
        m_sRefusal.Format(kNoRoomText, w, h);
        return false;
    }
    if (found == nullptr)
        return false;
    const SString itemName = found->GetValueByName("Name");
    const bool isWeapon = found->GetIntByName("IsWeapon") != 0;
    const bool isScope = found->GetIntByName("IsWeaponScope") != 0;
    bool duplicate = false;
    bool weaponCarried = false;
    bool scopeCarried = false;
    for (POSITION pos = Kit()->GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* carried = Kit()->GetNext(pos);
        if (CompareTextNoCase(carried->GetValueByName("Name").GetString(), itemName.GetString()) == 0) {
            duplicate = true;
            m_sRefusal = kDuplicateText;
        }
        if (carried->GetIntByName("IsWeapon") != 0) {
            weaponCarried = true;
            m_sRefusal = kSecondWeaponText;
        }
        if (carried->GetIntByName("IsWeaponScope") != 0) {
            scopeCarried = true;
            m_sRefusal = kSecondScopeText;
        }
    }
    if (duplicate || (isWeapon && weaponCarried) || (isScope && scopeCarried))
        return false;
    m_sRefusal = "";
    officer->TakeItem(new SObjectDef(found));
    officer->SetChanged();
    UpdateGridSize();
    LayOutKit();
    return true;
}

bool SInventoryScreen::RemoveItem(const char* name) {
    m_sRefusal = "";
    SHunterInfo* officer = Officer();
    SObjectDef* item = FindNoCase(Kit(), name != nullptr ? name : "");
    if (officer == nullptr || item == nullptr)
        return false;
    if (SizeProduct(item) < 0) {
        const int64_t needed =
            std::abs(int64_t{item->GetIntByName("SlotsX")}) + std::abs(int64_t{item->GetIntByName("SlotsY")}) - 1;
        if (Slots().CountFree() < needed) {
            m_sRefusal = kRemoveFirstText;
            return false;
        }
    }
    officer->StoreItem(item->GetName().GetString());
    officer->SetChanged();
    UpdateGridSize();
    LayOutKit();
    return true;
}

SObjectDef* SInventoryScreen::ItemAt(int x, int y) {
    const SInventorySlots& slots = Slots();
    for (POSITION pos = Kit() != nullptr ? Kit()->GetHeadPosition() : nullptr; pos != nullptr;) {
        SObjectDef* item = Kit()->GetNext(pos);
        int w = 1;
        int h = 1;
        SInventorySlots::PlacementSize(item, w, h);
        const int64_t left = int64_t{m_iGridX} + item->GetIntByName("SlotCoordX");
        const int64_t top = int64_t{m_iGridY} + item->GetIntByName("SlotCoordY");
        if (x >= left && y >= top && x < left + int64_t{w} * slots.GetCellWidth() &&
            y < top + int64_t{h} * slots.GetCellHeight())
            return item;
    }
    return nullptr;
}

// ---- the catalogue ----------------------------------------------------------------------------

void SInventoryScreen::LoadCatalogue() {
    m_Catalogue.DeleteAll();
    if (SObjectDefList* library = LibraryObjects()) {
        SObjectDefList found;
        library->CollectKindOf("InvWeapon", found);
        library->CollectKindOf("InvItem", found);
        for (POSITION pos = found.GetHeadPosition(); pos != nullptr;) {
            SObjectDef* def = found.GetNext(pos);
            SObjectDef* entry = m_Catalogue.FindByName(def->GetName().GetString());
            if (entry == nullptr) {
                entry = new SObjectDef;
                m_Catalogue.AddTail(entry);
            }
            entry->CopyFrom(def);
        }
        found.RemoveAll();
    }
    for (const char* kind : kKindNames) {
        while (SObjectDef* entry = m_Catalogue.FindByName(kind)) {
            if (entry->GetName() != kind || m_Catalogue.Remove(entry) == 0)
                break;
        }
    }
    BuildCategories();
}

void SInventoryScreen::BuildCategories() {
    std::vector<std::string>& categories = Categories();
    for (POSITION pos = m_Catalogue.GetHeadPosition(); pos != nullptr;) {
        const SString category = m_Catalogue.GetNext(pos)->GetValueByName("Category");
        if (category.IsEmpty())
            continue;
        bool known = false;
        for (const std::string& name : categories) known = known || CompareTextNoCase(name.c_str(), category.GetString()) == 0;
        if (!known)
            categories.emplace_back(category.GetString());
    }
}

bool SInventoryScreen::IsItemOfCurrentCategory(const SObjectDef* item) const {
    const std::vector<std::string>& categories = Categories();
    if (m_iCategory < 0 || m_iCategory >= static_cast<int>(categories.size()))
        return CompareTextNoCase(CategoryOf(item).GetString(), kMiscCategory) == 0;
    return CompareTextNoCase(CategoryOf(item).GetString(), categories[static_cast<size_t>(m_iCategory)].c_str()) == 0;
}

SObjectDef* SInventoryScreen::GetCurrentItem() {
    const int count = m_Catalogue.GetCount();
    if (count == 0)
        return nullptr;
    if (m_iItem < 0 || m_iItem >= count)
        m_iItem = ((m_iItem % count) + count) % count;
    POSITION pos = m_Catalogue.FindIndex(m_iItem);
    return pos != nullptr ? m_Catalogue.GetAt(pos) : nullptr;
}

void SInventoryScreen::NextItem() {
    const int count = m_Catalogue.GetCount();
    for (int step = 0; count > 0 && step < kStepLimit; ++step) {
        m_iItem = (m_iItem + 1) % count;
        if (IsItemOfCurrentCategory(GetCurrentItem()))
            break;
    }
    SetViewFromItem();
}

void SInventoryScreen::PreviousItem() {
    const int count = m_Catalogue.GetCount();
    for (int step = 0; count > 0 && step < kStepLimit; ++step) {
        m_iItem = (m_iItem + count - 1) % count;
        if (IsItemOfCurrentCategory(GetCurrentItem()))
            break;
    }
    SetViewFromItem();
}

void SInventoryScreen::NextCategory() {
    const int count = static_cast<int>(Categories().size());
    if (count == 0)
        return;
    m_iCategory = (m_iCategory + 1) % count;
    NextItem();
}

void SInventoryScreen::PreviousCategory() {
    const int count = static_cast<int>(Categories().size());
    if (count == 0)
        return;
    m_iCategory = (m_iCategory + count - 1) % count;
    PreviousItem();
}

void SInventoryScreen::SelectItem(const char* name) {
    const int count = m_Catalogue.GetCount();
    for (int step = 0; count > 0 && step < kStepLimit; ++step) {
        m_iItem = (m_iItem + 1) % count;
        const SObjectDef* item = GetCurrentItem();
        const char* wanted = name != nullptr ? name : "";
        if (std::strcmp(item->GetValueByName("Name").GetString(), wanted) == 0 ||
            std::strcmp(item->GetName().GetString(), wanted) == 0) {
            const std::vector<std::string>& categories = Categories();
            const SString category = CategoryOf(item);
            for (size_t i = 0; i < categories.size(); ++i) {
                if (CompareTextNoCase(categories[i].c_str(), category.GetString()) == 0)
                    m_iCategory = static_cast<int>(i);
            }
            break;
        }
    }
    SetViewFromItem();
}

bool SInventoryScreen::UsesRuleSet(const SObjectDef* def, const char* text) {
    for (int k = 0; def != nullptr; ++k) {
        char key[32];
        std::snprintf(key, sizeof(key), "RuleSet%02d", k);
        const SString& value = def->GetValueByName(key);
        if (value.IsEmpty())
            return false;
        if (std::strcmp(value.GetString(), text != nullptr ? text : "") == 0)
            return true;
    }
    return false;
}

SString SInventoryScreen::GetItemName() {
    const SObjectDef* item = GetCurrentItem();
    return item != nullptr ? item->GetValueByName("Name") : SString();
}

SString SInventoryScreen::GetItemModel() {
    const SObjectDef* item = GetCurrentItem();
    return item != nullptr ? item->GetValueByName("Model") : SString();
}

SString SInventoryScreen::GetItemDescription() {
    const SObjectDef* item = GetCurrentItem();
    if (item == nullptr)
        return SString();
    SString text = item->GetValueByName(Hub()->m_iGameType == 1 ? "Desc" : "QDesc");
    return text.IsEmpty() ? item->GetValueByName("Desc") : text;
}

// ---- officers and kits ------------------------------------------------------------------------

void SInventoryScreen::ReadKit(const char* kitName) {
    SObjectDefList kits;
    SObjectParser parser;
    parser.SetDefList(&kits);
    parser.ParseFile(DefaultKitPath().GetString());
    parser.SetDefList(nullptr);
    if (const SObjectDef* kit = kits.FindByName(kitName != nullptr ? kitName : "")) {
        for (int k = 0;; ++k) {
            char key[32];
            std::snprintf(key, sizeof(key), "Item%02d", k);
            const SString item = kit->GetValueByName(key);
            if (item.IsEmpty())
                break;
            AddItem(item.GetString());
        }
    }
    kits.DeleteAll();
}

void SInventoryScreen::LoadKit(SHunterInfo* officer, const char* kitName, SObjectDefList* items) {
    if (officer == nullptr || officer != Officer())
        return;
    SObjectDefList* saved = m_pItems;
    m_pItems = items;
    UpdateGridSize();
    ReadKit(kitName);
    m_pItems = saved;
}

SHunterInfo* SInventoryScreen::CreateOfficer(const char* name, const char* kitName, SObjectDefList* items) {
    SGameObjects* hub = Hub();
    SHunterInfoList* list = hub->LoadPlayerList(false);
    if (list == nullptr || name == nullptr)
        return nullptr;
    // A player who joins again under the same name keeps the officer made the first time.
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        auto* known = static_cast<SHunterInfo*>(list->GetNext(pos));
        if (CompareTextNoCase(known->m_sName.GetString(), name) == 0) {
            hub->SetCurrentPlayer(known);
            // His own name: the officer pages find "LastPlayer" by the exact name.
            sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer",
                                      known->m_sName.GetString());
            return known;
        }
    }
    SHunterInfo* previous = hub->m_pCurrentPlayer;
    const bool wasModified = list->IsModified();
    auto* officer = new SHunterInfo(name);
    list->AddTail(officer);
    list->SetModified();
    hub->SetCurrentPlayer(officer);
    LoadKit(officer, kitName, items);
    SScreenManager* manager = SScreenManager::GetInstance();
    auto* creation = manager != nullptr
                         ? dynamic_cast<SCreateCharacterScreen*>(manager->GetScreen(SCreateCharacterScreen::kScreenId))
                         : nullptr;
    if (creation != nullptr) {
        creation->ScanModelFiles();
        creation->SelectFirstModel();
    }
    // A close request stops the reading of the kit and the models where it is: the officer is
    // then not whole, and the save at the close must not keep him.
    if (sys::signals::IsCloseRequested()) {
        list->Withdraw(officer, wasModified);
        hub->SetCurrentPlayer(previous);
        return nullptr;
    }
    if (creation != nullptr)
        creation->ApplyModel(officer);
    sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", name);
    return officer;
}

// ---- the page ---------------------------------------------------------------------------------

void SInventoryScreen::SetViewFromItem() {
    const SObjectDef* item = GetCurrentItem();
    if (m_pLayout != nullptr) {
        if (const SWindow* view = m_pLayout->FindChild(kViewWindow)) {
            const sys::RECT& rc = view->GetWindowRect();
            m_ViewDesc.m_iLeft = rc.left + kViewMargin;
            m_ViewDesc.m_iTop = rc.top + kViewMargin;
            const int width = (rc.right - rc.left - 2 * kViewMargin) / 4 * 4;
            const int height = (rc.bottom - rc.top - 2 * kViewMargin) / 4 * 4;
            m_ViewDesc.m_iRight = m_ViewDesc.m_iLeft + (width > 0 ? width : 0);
            m_ViewDesc.m_iBottom = m_ViewDesc.m_iTop + (height > 0 ? height : 0);
        }
    }
    m_ViewDesc.m_bInteractive = 1;
    m_fCameraHeight = 1.87f;
    m_fCameraPitch = 0.0f;
    m_fCameraYaw = 1.0f;
    m_fViewDistance = 50.0f;
    if (item == nullptr)
        return;
    m_ViewDesc.m_fMinFov = item->GetFloatByName("MinFOV");
    m_ViewDesc.m_fMaxFov = item->GetFloatByName("MaxFOV");
    // An item that gives no upper bound keeps the whole range rather than a closed view.
    if (m_ViewDesc.m_fMaxFov <= 0.0f)
        m_ViewDesc.m_fMaxFov = 180.0f;
    m_fFieldOfView = ClampFieldOfView(m_fFieldOfView, m_ViewDesc.m_fMinFov, m_ViewDesc.m_fMaxFov);
    m_fCameraHeight = item->GetFloatByName("Height");
    m_fCameraPitch = item->GetFloatByName("Pitch");
    m_fCameraYaw = item->GetFloatByName("Yaw");
    m_fViewDistance = item->GetFloatByName("ViewDistance");
    ShowCurrentItem();
}

void SInventoryScreen::ShowCurrentItem() {
    // Only a current page has a world with a camera to show the item to.
    if (m_pCamera == nullptr)
        return;
    if (m_pItemActor == nullptr) {
        m_pItemActor = new SActor;
        m_pItemActor->m_sName = "InventoryItem";
        m_pWorld->AddActor(m_pItemActor, 0, -1);
        m_pWorld->PlaceAllActors();
    }
    m_ViewDesc.m_pShownActor = m_pItemActor;
    const SString model = GetItemModel();
    if (model.Compare(m_pItemActor->m_sModelPath.GetString()) != 0)
        m_pItemActor->SetModel(model.GetString());
    ApplyAlternateSkins();
}

void SInventoryScreen::ApplyAlternateSkins() {
    const SObjectDef* item = GetCurrentItem();
    SSMHandle* instance = m_pItemActor != nullptr ? m_pItemActor->m_pModel : nullptr;
    if (item == nullptr || instance == nullptr)
        return;
    for (int k = 0;; ++k) {
        char key[32];
        std::snprintf(key, sizeof(key), "AlternateSkin%02d", k);
        const std::string value = item->GetValueByName(key).GetString();
        if (value.empty())
            break;
        const size_t colon = value.find(':');
        if (colon == std::string::npos)
            continue;
        const int16_t group = instance->FindGroup(value.substr(0, colon).c_str());
        const int16_t skin = instance->FindSkin(group, value.substr(colon + 1).c_str());
        if (group != -1 && skin != -1)
            instance->SetSkin(group, skin);
    }
}

view_desc_t* SInventoryScreen::GetViewDesc() { return &m_ViewDesc; }

void SInventoryScreen::OnCameraUpdate(SActor* camera) {
    if (camera == nullptr)
        return;
    camera->m_vPosition = SVector(0.0f, m_fCameraHeight, -m_fViewDistance);
    camera->m_vOrientation = SVector(m_fCameraPitch, m_fCameraYaw, 0.0f);
}

void SInventoryScreen::Activate() {
    // A working page loads what it browses on entry; the grid follows the officer's kit.
    LoadCatalogue();
    SetViewFromItem();
    S3DViewScreen::Activate();
    ShowCurrentItem();
    UpdateGridSize();
    LayOutKit();
    m_byFirstEntry = 0;
    StartSlide(1);
    // The slide shows every window it brings in; of the two grid pictures only the kit's stays.
    ShowGridPicture();
}

void SInventoryScreen::Deactivate() {
    // The world lets go of its actors as the page leaves.
    m_pItemActor = nullptr;
    S3DViewScreen::Deactivate();
}

void SInventoryScreen::SetSceneFlag(bool on) {
    if (SGraphics* graphics = Hub()->m_pGraphics)
        graphics->SetDrawScene(on ? 1 : 0);
}

void SInventoryScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kPreviousItemCommand:
            PreviousItem();
            break;
        case kNextItemCommand:
            NextItem();
            break;
        case kAddCommand:
            if (!AddItem(GetItemName().GetString()) && !m_sRefusal.IsEmpty())
                ShowRefusal(m_sRefusal.GetString());
            break;
        case kRemoveCommand:
            if (!RemoveItem(GetItemName().GetString()) && !m_sRefusal.IsEmpty())
                ShowRefusal(m_sRefusal.GetString());
            break;
        case kBackCommand:
            SetSceneFlag(false);
            StartSlide(0);
            UpdateGridSize();
            m_iNextScreen = 2;
            break;
        case kDoneCommand:
            if (Hub()->m_iGameType == 0)
                m_iNextScreen = kScenarioScreen;
            SetSceneFlag(false);
            StartSlide(0);
            UpdateGridSize();
            break;
        case kPreviousCategoryCommand:
            PreviousCategory();
            break;
        case kNextCategoryCommand:
            NextCategory();
            break;
        default:
            break;
    }
}

void SInventoryScreen::OnSlideDone() {
    S3DViewScreen::OnSlideDone();
    if (!HasSlidOut()) {
        if (IsActive())
            SetSceneFlag(true);
        return;
    }
    SwitchAfterSlideOut(m_iNextScreen);
}

void SInventoryScreen::OnLButtonDown(uint32_t nFlags, int x, int y) {
    S3DViewScreen::OnLButtonDown(nFlags, x, y);
    if (const SObjectDef* item = ItemAt(x, y))
        SelectItem(item->GetValueByName("Name").GetString());
}

void SInventoryScreen::OnRButtonDown(uint32_t nFlags, int x, int y) {
    S3DViewScreen::OnRButtonDown(nFlags, x, y);
    if (const SObjectDef* item = ItemAt(x, y)) {
        if (!RemoveItem(item->GetName().GetString()) && !m_sRefusal.IsEmpty())
            ShowRefusal(m_sRefusal.GetString());
    }
}
