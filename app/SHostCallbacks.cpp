#include "app/SHostCallbacks.h"


#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSystemData.h"
#include "app/SClientInfo.h"
#include "app/SCommandDialog.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SGameScreenLink.h"
#include "app/SMsgHandler.h"
#include "app/SOfficerHooks.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SViewModel.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "core/SDateUtil.h"
#include "core/SObjectDef.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "render/SD3D6Parser.h"
#include "ui/SDisplayHost.h"
#include "ui/SWindow.h"

namespace {

SLevelInfo s_LevelInfo;
SViewModel* s_pScreenModels[3] = {nullptr, nullptr, nullptr};

// The library calls from its own code, maybe its own threads: nothing may unwind into it.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

SGameObjects* Hub() { return SGameObjects::Instance(); }

CGraphicsData* Graphics() {
    const CConfigData* config = Hub()->m_pConfig;
    return config != nullptr ? config->m_pGraphics : nullptr;
}

SSound* GameSound() {
    SGameItems* items = Hub()->m_pGameItems;
    return items != nullptr ? items->m_pSound : nullptr;
}

// The current officer with the front end's access to it; false when there is none.
bool CurrentOfficer(SHunterInfo*& officer, SOfficerHooks*& records) {
    officer = Hub()->m_pCurrentPlayer;
    records = SOfficerHooks::Installed();
    return officer != nullptr && records != nullptr;
}

SObjectDefList* LibraryObjects() {
    SGameDLL* library = Hub()->m_pGameDLL;
    return library != nullptr ? library->GetObjectList() : nullptr;
}

// A new definition holding the source's name and values (neither its children nor its place
// in the source's tree).
SObjectDef* CopyOf(const SObjectDef* source) {
    auto* copy = new SObjectDef;
    copy->CopyDifferences(source, copy);
    return copy;
}

void NameAsTrophy(SObjectDef* trophy, int count) {
    char name[32];
    std::snprintf(name, sizeof(name), "Trophy%09d", count);
    trophy->SetName(name);
}

bool NameContains(const SObjectDef* def, const char* part) {
    return std::strstr(static_cast<const char*>(def->GetName()), part) != nullptr;
}

int HostGetLevelInfo(SLevelInfo** ppInfo) {
    return Guarded(1, [&] {
        SLevelInfo& info = s_LevelInfo;
        SHunterInfo* officer = nullptr;
        SOfficerHooks* records = nullptr;
        if (CurrentOfficer(officer, records)) {
            SOfficerGameValues values;
            records->GetGameValues(*officer, values);
            info.m_sMapPath = MapPathInHome(values.m_sMapFile);
        }
        if (const CGraphicsData* gfx = Graphics()) {
            info.Field(1) = gfx->m_iLandPop;
            info.Field(2) = gfx->m_iTextureQuality;
            info.Field(3) = gfx->m_iTreeDensity;
            info.Field(4) = gfx->m_iOverlayPersistence;
            info.Field(6) = gfx->m_iBackgroundQuality;
            info.Field(7) = gfx->m_iAnimationQuality;
            info.Field(8) = gfx->m_bWBuffering;
            info.Field(9) = gfx->m_bDepthBuffer16Bit;
            info.Field(10) = gfx->m_bColorKeying;
            info.Field(11) = gfx->m_iColorDepth;
            info.Field(12) = gfx->m_bAlphaSprites;
            info.Field(13) = gfx->m_iSoftSprites;
            info.Field(14) = gfx->m_iProfileLevelValue;
            info.Field(17) = gfx->m_bSpritePerspective;
            info.Field(18) = gfx->m_bFog;
            info.Field(20) = gfx->m_bWireframe;
            info.Field(23) = gfx->m_bTexDetail;
            info.Field(24) = gfx->m_bSoftwareLight;
            info.Field(25) = gfx->m_bFastScopes;
        }
        SGameItems* items = Hub()->m_pGameItems;
        if (items != nullptr && items->m_pWorld[0] != nullptr)
            info.Field(21) = DayOfYear(items->m_pWorld[0]->m_Date);
        if (ppInfo != nullptr)
            *ppInfo = &info;
        return 1;
    });
}

void SetPosition(SObjectDef& values, int index, const char* name, const char* value) {
    values.Set(index, name, value, 0);
}

void SetPosition(SObjectDef& values, int index, const char* name, int value) {
    SetPosition(values, index, name, std::to_string(value).c_str());
}

int HostBuildPlayerDefinition(SClientConnect** ppDefinition) {
    return Guarded(1, [&] {
        SGameObjects* hub = Hub();
        SClientConnect* connect = hub->m_pClientConnect;
        if (connect == nullptr)
            return 1;
        SObjectDef& values = *connect->m_pDef;
        values.Reset();
        connect->m_pDefs->DeleteAll();

        SHunterInfo* officer = nullptr;
        SOfficerHooks* records = nullptr;
        const bool hasOfficer = CurrentOfficer(officer, records);
        SOfficerGameValues game;
        if (hasOfficer) {
            records->GetGameValues(*officer, game);
            SObjectDefList* library = LibraryObjects();
            SObjectDefList* kit = records->GetKit(*officer, SOfficerHooks::kCarriedKit);
            for (POSITION pos = kit != nullptr ? kit->GetHeadPosition() : nullptr; pos != nullptr;) {
                const SObjectDef* item = kit->GetNext(pos);
                if (item == nullptr)
                    continue;
                const SObjectDef* known = library != nullptr ? library->FindByName(item->GetName()) : nullptr;
                auto* entry = new SObjectDef;
                entry->CopyDifferences(item, known);
                connect->m_pDefs->AddTail(entry);
            }
            records->ClearTrophyAdded(*officer);
            SetPosition(values, 0, "Name", static_cast<const char*>(game.m_sName));
        }

        const CGraphicsData* gfx = Graphics();
        const CConfigData* config = hub->m_pConfig;
        const SInputObj* input = hub->m_pInput;
        int quads = gfx != nullptr ? gfx->m_iLandPop : 0;
        quads = quads < 0 ? 0 : quads > 50 ? 50 : quads;
        SetPosition(values, 2, "View", gfx != nullptr ? gfx->m_iViewportIndex : 0);
        SetPosition(values, 3, "ViewQuads", quads);
        SetPosition(values, 4, "AttentionSounds",
                    config != nullptr && config->m_pSystem != nullptr ? config->m_pSystem->m_bAttentionSound : 0);
        SetPosition(values, 5, "UsingLightGun", input != nullptr ? input->GetSettings().m_iLightGun : 0);
        if (hasOfficer && hub->m_iGameType == 0)
            SetPosition(values, 6, "StartIndex", game.m_iStartIndex);
        else
            SetPosition(values, 6, "StartIndex", "");

        if (hasOfficer) {
            for (const SObjectDef* own : game.m_pOwnDefs)
                values.MergeFrom(own);
            records->ExportStats(*officer, &values);
            values.SetOrAppend("ScorePtr", std::to_string(reinterpret_cast<uintptr_t>(game.m_pLevelScores)).c_str(), 0);
            values.SetOrAppendInt("LevelType", game.m_iLevelType);
            values.SetOrAppendInt("DayNight", game.m_iDayNight);
            auto* qualified = new SObjectDef;
            records->WriteQualifiedWeapons(*officer, qualified);
            connect->m_pDefs->AddTail(qualified);
            values.SetOrAppendInt("LevelIndex", game.m_iLevelIndex);
            values.SetOrAppendInt("LevelPassed", 0);
            const struct {
                const char* key;
                const CString& text;
            } bio[] = {{"bioAge", game.m_sAge},     {"bioCity", game.m_sCity},   {"bioState", game.m_sState},
                       {"bioLocation", game.m_sLocation}, {"bioEmail", game.m_sEmail},
                       {"bioNotes", game.m_sNotes}, {"bioURL", game.m_sURL}};
            for (const auto& line : bio)
                values.SetOrAppend(line.key, static_cast<const char*>(line.text), 0);
        }
        if (ppDefinition != nullptr)
            *ppDefinition = connect;
        return 1;
    });
}

int HostPlayerScores(SClientConnect* pResults) {
    return Guarded(0, [&] {
        SHunterInfo* officer = nullptr;
        SOfficerHooks* records = nullptr;
        if (pResults == nullptr || !CurrentOfficer(officer, records))
            return 0;
        SObjectDefList& results = *pResults->m_pDefs;
        for (POSITION pos = results.GetHeadPosition(); pos != nullptr;)
            if (SObjectDef* result = results.GetNext(pos))
                result->SetOrAppendInt("Saved", 0);

        for (SOfficerHooks::Kit which : {SOfficerHooks::kCarriedKit, SOfficerHooks::kStoredKit}) {
            SObjectDefList* kit = records->GetKit(*officer, which);
            for (POSITION pos = kit != nullptr ? kit->GetHeadPosition() : nullptr; pos != nullptr;) {
                SObjectDef* item = kit->GetNext(pos);
                SObjectDef* result = item != nullptr ? results.FindByName(item->GetName()) : nullptr;
                if (result == nullptr)
                    continue;
                item->CopyDifferences(result, item);
                result->SetOrAppendInt("Saved", 1);
            }
        }

        SObjectDefList* library = LibraryObjects();
        SObjectDefList* stored = records->GetKit(*officer, SOfficerHooks::kStoredKit);
        for (POSITION pos = results.GetHeadPosition(); pos != nullptr;) {
            SObjectDef* result = results.GetNext(pos);
            if (result == nullptr)
                continue;
            if (result->GetIntByName("Saved") == 0 && stored != nullptr) {
                auto* item = new SObjectDef;
                if (const SObjectDef* known = library != nullptr ? library->FindByName(result->GetName()) : nullptr)
                    item->CopyDifferences(known, item);
                item->CopyDifferences(result, item);
                stored->AddTail(item);
            }
        }
        for (POSITION pos = results.GetHeadPosition(); pos != nullptr;) {
            const SObjectDef* result = results.GetNext(pos);
            if (result == nullptr)
                continue;
            if (NameContains(result, "Trophy")) {
                SObjectDef* trophy = CopyOf(result);
                NameAsTrophy(trophy, records->GetTrophyCount(*officer));
                records->AddTrophy(*officer, trophy);
            }
            if (NameContains(result, "QScore") && result->GetIntByName("Flag") == 1)
                records->AddLevelScore(*officer, CopyOf(result));
            if (result->GetName() == "WeaponsScores")
                records->ReadWeaponScores(*officer, result);
        }

        SOfficerGameValues game;
        records->GetGameValues(*officer, game);
        const SObjectDef& values = *pResults->m_pDef;
        if (values.GetIntByName("LevelPassed") != 0 && game.m_iLevelIndex > game.m_iHighestPassedLevel)
            records->SetHighestPassedLevel(*officer, game.m_iLevelIndex);
        CGraphicsData* gfx = Graphics();
        if (gfx != nullptr && values.FindByName("View") >= 0)
            gfx->m_iViewportIndex = values.GetIntByName("View");
        records->ImportStats(*officer, &values);
        records->SetChanged(*officer);
        return 1;
    });
}

// The overlay callbacks act on the in-game screen only; until one is current they answer as
// without a screen.
int HostQueueScreenshot(int width, int height, uint8_t hideFlag, const char* pszLayout, const char* pszFolder) {
    return Guarded(1, [&] {
        if (SGameScreenLink* screen = SGameScreenLink::Current())
            screen->QueueScreenshot(width, height, hideFlag, pszLayout, pszFolder);
        return 1;
    });
}

int HostShowLayout(int kind, int id) {
    return Guarded(0, [&] {
        SGameScreenLink* screen = SGameScreenLink::Current();
        return screen != nullptr ? screen->ShowLayout(kind, id) : 0;
    });
}

int HostScreenModelAnimation(int command, int a, float b, int c, int d, int e) {
    return Guarded(0, [&] {
        SGameScreenLink* screen = SGameScreenLink::Current();
        return screen != nullptr ? screen->ModelCommand(command, a, b, c, d, e) : 0;
    });
}

int HostShowTextureLayout(int id, int show, const char* pszLayout, float widthFactor, float heightFactor,
                          float xFactor, float yFactor) {
    return Guarded(0, [&] {
        SGameScreenLink* screen = SGameScreenLink::Current();
        if (screen == nullptr)
            return 0;
        return screen->ShowTextureLayout(show != 0 ? 1 : 0, id, pszLayout, widthFactor, heightFactor, xFactor,
                                         yFactor);
    });
}

int HostSetMouseInput(int bOn) {
    return Guarded(1, [&] {
        SInputObj* input = Hub()->m_pInput;
        if (input == nullptr)
            return 1;
        if (bOn != 0 && input->GetSettings().m_iAiming != 0) {
            input->EnableMouse(false);
            SWindow::SetFocusWindow(nullptr);
        } else {
            input->DisableMouse();
        }
        return 1;
    });
}

int HostRefreshScreen() {
    return Guarded(1, [] {
        SDisplayHost* host = SDisplayHost::GetInstance();
        if (SWindow* screen = host != nullptr ? host->GetCurrentScreen() : nullptr)
            screen->OnMouseMove(0, 0, 0);
        return 1;
    });
}

int HostExecuteCommand(const char* pszLine) {
    return Guarded(1, [&] {
        SCommandInterpreter* interpreter = Hub()->m_pInterpreter;
        if (pszLine != nullptr && interpreter != nullptr) {
            SString output;
            interpreter->ExecuteLine(SString(pszLine), output);
        }
        return 1;
    });
}

int HostRenderFrame() {
    return Guarded(1, [] {
        if (SGraphics* graphics = Hub()->m_pGraphics)
            graphics->RenderFrame();
        return 1;
    });
}

SDXSoundBuffer* HostGetGameSoundByIndex(int entry, int b3D) {
    return Guarded<SDXSoundBuffer*>(nullptr, [&] {
        SSound* sound = GameSound();
        return sound != nullptr ? sound->GetGameSoundByIndex(entry, b3D != 0) : nullptr;
    });
}

SDXSoundBuffer* HostGetGameSound(const char* pszFileName, int b3D) {
    return Guarded<SDXSoundBuffer*>(nullptr, [&] {
        SSound* sound = GameSound();
        return sound != nullptr && pszFileName != nullptr ? sound->GetGameSound(pszFileName, b3D != 0) : nullptr;
    });
}

int HostSetMapPath(const char* pszMapName) {
    return Guarded(1, [&] {
        s_LevelInfo.m_sMapPath = MapPathInHome(pszMapName);
        return 1;
    });
}

int HostConsolePrint(const char* pszText) {
    return Guarded(1, [&] {
        SMsgHandler* pump = Hub()->m_pMsgHandler;
        SCommandDialog* console = pump != nullptr ? pump->GetConsole() : nullptr;
        if (console != nullptr && pszText != nullptr)
            console->QueueOutput(pszText);
        return 1;
    });
}

int HostRedrawScene() {
    return Guarded(1, [] {
        if (SGraphics* graphics = Hub()->m_pGraphics)
            graphics->RedrawScene();
        return 1;
    });
}

int HostJournalPages(uint8_t mode, void* pBuffer, uint32_t size) {
    return Guarded(0, [&] {
        SHunterInfo* officer = nullptr;
        SOfficerHooks* records = nullptr;
        // Every mode reads or writes the page word at the start of the buffer.
        if (pBuffer == nullptr || size < 4 || !CurrentOfficer(officer, records))
            return 0;
        SObjectDefList* journal = records->GetKit(*officer, SOfficerHooks::kJournal);
        if (journal == nullptr)
            return 0;
        auto* bytes = static_cast<char*>(pBuffer);
        int32_t page = 0;
        std::memcpy(&page, bytes, sizeof(page));
        switch (mode) {
            case 0: {
                std::set<int> pages;
                for (POSITION pos = journal->GetHeadPosition(); pos != nullptr;)
                    if (const SObjectDef* entry = journal->GetNext(pos))
                        if (const int number = entry->GetIntByName("Page"); number != 0)
                            pages.insert(number);
                const int32_t count = static_cast<int32_t>(pages.size());
                std::memcpy(bytes, &count, sizeof(count));
                return 4;
            }
            case 1: {
                uint32_t written = 0;
                for (POSITION pos = journal->GetHeadPosition(); pos != nullptr;) {
                    const SObjectDef* entry = journal->GetNext(pos);
                    if (entry == nullptr || entry->GetIntByName("Page") != page)
                        continue;
                    const SString& text = entry->GetValueByName("Entry");
                    const uint32_t length = static_cast<uint32_t>(text.GetLength());
                    if (length + written + 1 < size) {
                        std::memcpy(bytes + written, text.GetString(), length + 1);
                        written += length + 1;
                    }
                }
                return static_cast<int>(written);
            }
            case 2: {
                // The text need not be terminated within the buffer; it ends with the buffer.
                const char* text = bytes + 4;
                const std::string entryText(text, strnlen(text, size - 4));
                auto* entry = new SObjectDef;
                entry->SetOrAppendInt("Page", page);
                entry->SetOrAppend("Entry", entryText.c_str(), 0);
                journal->AddTail(entry);
                return 0;
            }
            default:
                return 0;
        }
    });
}

int HostAddDisplayObject(SSurfaceOwner* pObject) {
    return Guarded(1, [&] {
        SGraphics* graphics = Hub()->m_pGraphics;
        if (graphics != nullptr && pObject != nullptr)
            graphics->AddFont(pObject);
        return 1;
    });
}

int HostRemoveDisplayObject(SSurfaceOwner* pObject) {
    return Guarded(1, [&] {
        SGraphics* graphics = Hub()->m_pGraphics;
        if (graphics != nullptr && pObject != nullptr)
            graphics->RemoveFont(pObject);
        return 1;
    });
}

// Two slots the library may call that have never done anything.
int HostNoOpA() { return 0; }
int HostNoOpB() { return 0; }

SObjectDef* HostFindProfileDefinition(const char* pszName) {
    return Guarded<SObjectDef*>(nullptr, [&]() -> SObjectDef* {
        SHunterInfo* officer = nullptr;
        SOfficerHooks* records = nullptr;
        if (pszName == nullptr || !CurrentOfficer(officer, records))
            return nullptr;
        for (SOfficerHooks::Kit which : {SOfficerHooks::kCarriedKit, SOfficerHooks::kStoredKit}) {
            const SObjectDefList* kit = records->GetKit(*officer, which);
            if (SObjectDef* found = kit != nullptr ? kit->FindByName(pszName) : nullptr)
                return found;
        }
        return nullptr;
    });
}

// The "gfx_software" switch of the graphics configuration.
int HostGetGraphicsValue() {
    const CGraphicsData* gfx = Graphics();
    return gfx != nullptr ? gfx->m_bSoftware : 0;
}

int HostAddTrophies(SObjectDefList* pTrophies) {
    return Guarded(0, [&] {
        SHunterInfo* officer = nullptr;
        SOfficerHooks* records = nullptr;
        if (!CurrentOfficer(officer, records))
            return 0;
        for (POSITION pos = pTrophies != nullptr ? pTrophies->GetHeadPosition() : nullptr; pos != nullptr;) {
            const SObjectDef* source = pTrophies->GetNext(pos);
            if (source == nullptr)
                continue;
            SObjectDef* trophy = CopyOf(source);
            NameAsTrophy(trophy, records->GetTrophyCount(*officer));
            records->AddTrophy(*officer, trophy);
            if (trophy->GetIntByName("IsDeerPlayer") == 1)
                trophy->SetOrAppendInt("Illegal", 0);
            if (trophy->GetIntByName("Illegal") == 0)
                records->CountLegalTrophy(*officer);
        }
        return 1;
    });
}

// The in-game screen's models count only while that model is shown.
bool ScreenModelShown() {
    SViewModel* model = s_pScreenModels[0];
    return model != nullptr && model->HasFlagA(SActor::kVisible);
}

}  // namespace

SLevelInfo& HostLevelInfo() { return s_LevelInfo; }

SString MapPathInHome(const char* mapFile) {
    return Hub()->m_sBasePath + "\\Maps\\" + (mapFile != nullptr ? mapFile : "");
}

SString MissingMapText(const SString& path) { return SString("??? can't find map file: ") + path; }

void SetHostScreenViewModels(SViewModel* model, SViewModel* first, SViewModel* second) {
    s_pScreenModels[0] = model;
    s_pScreenModels[1] = first;
    s_pScreenModels[2] = second;
}

ActorDesc* HostActorCallback(void* pObject, uint8_t flags) {
    return Guarded<ActorDesc*>(nullptr, [&]() -> ActorDesc* {
        if ((flags & 2) == 0 || pObject == nullptr)
            return nullptr;
        return static_cast<SActor*>(pObject)->Update();
    });
}

void* HostNextViewModel(int32_t* pCursor) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        if (pCursor == nullptr)
            return nullptr;
        int32_t& cursor = *pCursor;
        SGameItems* items = Hub()->m_pGameItems;
        SActorWorld* first = items != nullptr ? items->m_pWorld[0] : nullptr;
        SActorWorld* third = items != nullptr ? items->m_pWorld[2] : nullptr;
        const SClientInfo* client = items != nullptr ? items->m_pClientInfo : nullptr;
        const bool firstPerson = first != nullptr && client != nullptr &&
                                 first->m_vCameraOffset.Dot(first->m_vCameraOffset) <= 0.0001f &&
                                 first->GetFocusActor() == client->m_pHunter;
        if (!firstPerson) {
            cursor = -1;
            return nullptr;
        }
        SActor* found = nullptr;
        if (cursor >= 0 && third != nullptr) {
            while (found == nullptr && cursor >= 0) {
                SActor* actor = cursor <= third->GetHighestIndex() ? third->GetActor(cursor) : nullptr;
                const auto* model = dynamic_cast<SViewModel*>(actor);
                if (actor != nullptr && actor->HasFlagA(SActor::kVisible) && (model == nullptr || model->m_bHidden == 0))
                    found = actor;
                cursor = cursor + 1 > third->GetHighestIndex() ? -1 : cursor + 1;
            }
        } else if (cursor >= 0) {
            cursor = -1;
        }
        if (found == nullptr) {
            if (cursor == -1) {
                if (ScreenModelShown() && s_pScreenModels[0]->m_bHidden == 0)
                    found = s_pScreenModels[0];
                cursor = -2;
            } else if (cursor == -2) {
                if (ScreenModelShown())
                    found = s_pScreenModels[1];
                cursor = -3;
            } else if (cursor == -3) {
                if (ScreenModelShown())
                    found = s_pScreenModels[2];
                cursor = -1;
            }
        }
        ActorDesc* desc = found != nullptr ? found->Update() : nullptr;
        if (desc == nullptr || desc->m_pModel == nullptr) {
            cursor = -1;
            return nullptr;
        }
        return desc;
    });
}

void FillHostCallbacks(SHostCallbacks& table) {
    table.HostGetLevelInfo = &HostGetLevelInfo;
    table.HostBuildPlayerDefinition = &HostBuildPlayerDefinition;
    table.HostPlayerScores = &HostPlayerScores;
    table.HostQueueScreenshot = &HostQueueScreenshot;
    table.HostShowLayout = &HostShowLayout;
    table.HostSetMouseInput = &HostSetMouseInput;
    table.HostRefreshScreen = &HostRefreshScreen;
    table.HostExecuteCommand = &HostExecuteCommand;
    table.HostRenderFrame = &HostRenderFrame;
    table.HostRefreshScreen2 = &HostRefreshScreen;
    table.HostGetGameSoundByIndex = &HostGetGameSoundByIndex;
    table.HostGetGameSound = &HostGetGameSound;
    table.HostSetMapPath = &HostSetMapPath;
    table.HostConsolePrint = &HostConsolePrint;
    table.HostRedrawScene = &HostRedrawScene;
    table.HostJournalPages = &HostJournalPages;
    table.HostScreenModelAnimation = &HostScreenModelAnimation;
    table.HostShowTextureLayout = &HostShowTextureLayout;
    table.HostAddDisplayObject = &HostAddDisplayObject;
    table.HostRemoveDisplayObject = &HostRemoveDisplayObject;
    table.HostNoOpA = &HostNoOpA;
    table.HostFindProfileDefinition = &HostFindProfileDefinition;
    table.HostNoOpB = &HostNoOpB;
    table.HostGetGraphicsValue = &HostGetGraphicsValue;
    table.HostAddTrophies = &HostAddTrophies;
}
