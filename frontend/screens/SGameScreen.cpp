#include "frontend/screens/SGameScreen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CMainFrame.h"
#include "app/CSoundData.h"
#include "app/GameInterface.h"
#include "app/SClientInfo.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "core/SObjectDef.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "frontend/hud/SAppLayout.h"
#include "frontend/screens/SGameLayouts.h"
#include "frontend/screens/SScreenManager.h"
#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/classlib/Exceptions.h"
#include "sys/profile.h"
#include "sys/thread.h"
#include "sys/window/window.h"
#include "ui/SDC.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SButton.h"

IMPLEMENT_DYNAMIC(SGameScreen, SAppScreen)

namespace {

SGameObjects* Hub() { return SGameObjects::Instance(); }

SGameDLL* Library() {
    SGameDLL* library = Hub()->m_pGameDLL;
    return library != nullptr && library->IsLoaded() ? library : nullptr;
}

SD3D6Parser* Renderer() {
    SGameItems* items = Hub()->m_pGameItems;
    return items != nullptr ? items->m_pParser : nullptr;
}

SActorWorld* World(int index) {
    SGameItems* items = Hub()->m_pGameItems;
    return items != nullptr ? items->m_pWorld[index] : nullptr;
}

SDataCollection* ClientValues() {
    SGameItems* items = Hub()->m_pGameItems;
    return items != nullptr && items->m_pClientInfo != nullptr ? items->m_pClientInfo->m_pValues : nullptr;
}

bool DedicatedServer(SGameDLL* library) {
    const char* value = library != nullptr ? library->GetProperty("ServerDedicated") : nullptr;
    return value != nullptr && std::atoi(value) != 0;
}

// Nobody sits at a dedicated server's screen: what a player would read in a notice goes to
// standard error, where whoever runs the server sees it.
void TellServerOperator(const char* text) {
    std::fprintf(stderr, "Tarvex: %s\n", text);
    std::fflush(stderr);
}

// A dedicated server's session is over: its main window is closed, and the program ends.
void CloseServer() {
    CMainFrame* frame = Hub()->m_pMainFrame;
    const sys::HWND window = frame != nullptr ? frame->GetSafeHwnd() : sys::window::GetMainWindow();
    sys::window::PostMessage(window, sys::WM_CLOSE, 0, 0);
}

// The display's own frames hand the screen a context with the default font selected; a modal
// dialog over the range hands it the dialog's own context, which has none. The range's texts
// are drawn in the same font either way.
class FrameFontScope {
public:
    explicit FrameFontScope(SDC* pDC) : m_pDC(pDC) {
        auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
        SFont* font = host != nullptr ? host->GetDefaultFont() : nullptr;
        m_bSelected = pDC != nullptr && font != nullptr;
        if (m_bSelected)
            m_pPrevious = pDC->SelectFont(font);
    }
    ~FrameFontScope() {
        if (m_bSelected)
            m_pDC->SelectFont(m_pPrevious);
    }
    FrameFontScope(const FrameFontScope&) = delete;
    FrameFontScope& operator=(const FrameFontScope&) = delete;

private:
    SDC* m_pDC;
    SFont* m_pPrevious = nullptr;
    bool m_bSelected = false;
};

// What a click's ray is tested against: everything solid, as an actor's line of sight.
constexpr uint32_t kClickHitMode = 0x73b;

// The light 0 values the session may change; put back when the screen is left.
float g_fSavedLight[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};

}  // namespace

// Guards the overlay lists against a library that calls from its own threads.
CCriticalSection g_GameLayoutLock;

SGameScreen::SGameScreen() = default;

SGameScreen::~SGameScreen() {
    if (SGameScreenLink::Current() == this)
        SGameScreenLink::SetCurrent(nullptr);
    RemoveAllLayouts();
    DeleteViewModels();
}

const char* SGameScreen::GetTitle() { return "View"; }
const char* SGameScreen::GetLayoutGroup() { return "GameScreen"; }
const char* SGameScreen::GetLayoutName() { return "View"; }

void SGameScreen::DrawBackground(SDC* /*pDC*/) {}

// --- Session set-up and leave --------------------------------------------------------------------

void SGameScreen::ReadAmbientFactors(const char* pszText, float factors[4]) {
    if (pszText == nullptr)
        return;
    const char* p = pszText;
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        const float value = std::strtof(p, &end);
        if (end == p)
            return;  // nothing more could be read
        if (value >= 0.0f)
            factors[i] = value;
        p = end;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p != ',')
            return;
        ++p;
    }
}

void SGameScreen::ResetRendererSettings() {
    SD3D6Parser::s_dwSceneRenderSwitches = SD3D6Parser::kPassDefault;
    SD3D6Parser::s_bNightVision = false;
    SD3D6Parser::s_bCentredOverlay = false;
    SD3D6Parser::s_bRedFlash = false;
    SD3D6Parser::s_bViewModelsAfterOverlays = false;
    SD3D6Parser::s_bSecondModelMark = 1;
    SD3D6Parser::s_byDrawAllObjects = 1;
    // Once on, the line test keeps walking every cell for the rest of the run.
    SD3D6Parser::s_bHitTestAllCells = 1;
    SD3D6Parser::s_bGenModelExtData = 1;
    std::fill(std::begin(SD3D6Lock::s_fAmbientFactors), std::end(SD3D6Lock::s_fAmbientFactors), 1.0f);
}

void SGameScreen::ApplyDefinitions(SObjectDefList* pDefs, const char* pszScenario, const char* pszScenarioName) {
    if (pDefs == nullptr)
        return;
    if (const SObjectDef* hud = pDefs->FindByName("HUD")) {
        // Whole seconds only: a period of 2.7 gives 2000 ms. A period past what the tick count
        // can hold is held at its longest.
        constexpr float kLongestSeconds = 4294967.0f;
        const float period = hud->GetFloatByName("NightVisFuzzPeriod");
        if (period > 0.0f)
            SD3D6Parser::s_dwNightVisionPeriod = static_cast<uint32_t>(std::min(period, kLongestSeconds)) * 1000u;
    }
    if (const SObjectDef* scenario = pszScenario != nullptr ? pDefs->FindByName(pszScenario) : nullptr) {
        static const struct {
            const char* name;
            uint32_t bit;
        } kSwitches[] = {{"NoTerrain", SD3D6Parser::kPassTerrain},
                         {"NoWater", SD3D6Parser::kPassWater},
                         {"NoQuads", SD3D6Parser::kPassQuads},
                         {"NoBackground", SD3D6Parser::kPassBackground},
                         {"NoTrees", SD3D6Parser::kPassTrees}};
        for (const auto& entry : kSwitches) {
            if (scenario->GetIntByName(entry.name) != 0)
                SD3D6Parser::s_dwSceneRenderSwitches &= ~entry.bit;
        }
        SD3D6Parser::s_bGenModelBSP = scenario->GetIntByName("GenModelBSP") != 0 ? 1 : 0;
        const float offset = scenario->GetFloatByName("ConTriNormOffs");
        if (offset != 0.0f)
            SD3D6Parser::s_fConTriNormOffs = offset;
        const float alpha = scenario->GetFloatByName("AlphaOffset");
        if (alpha != 0.0f)
            SD3D6Parser::s_fAlphaOffset = alpha;
    }
    if (const SObjectDef* flags = pDefs->FindByName("ModelFlags")) {
        const SString& text = flags->GetValueByName("GenModelExtData");
        if (!text.IsEmpty())
            SD3D6Parser::s_bGenModelExtData = std::atoi(text.GetString()) != 0 ? 1 : 0;
    }
    if (const SObjectDef* named = pszScenarioName != nullptr ? pDefs->FindByName(pszScenarioName) : nullptr) {
        const SString& text = named->GetValueByName("AmbientFactors");
        if (!text.IsEmpty())
            ReadAmbientFactors(text.GetString(), SD3D6Lock::s_fAmbientFactors);
    }
}

void SGameScreen::SetupFromDefinitions() {
    ResetRendererSettings();
    m_bViewModelOverlay = 0;
    if (SD3D6Parser* renderer = Renderer()) {
        if (const SD3D6Light* light = renderer->GetLight(0)) {
            std::memcpy(g_fSavedLight, light->fDirection, sizeof(float) * 3);
            std::memcpy(g_fSavedLight + 3, light->fColour, sizeof(float) * 3);
        }
    }
    SGameDLL* library = Library();
    SObjectDefList* defs = library != nullptr ? library->GetObjectList() : nullptr;
    SString scenario;
    SGameObjects::GetScenarioName(scenario, Hub()->m_iSubGameType);
    const char* named = library != nullptr ? library->GetProperty("ScenarioName") : nullptr;
    ApplyDefinitions(defs, scenario.GetString(), named);
}

void SGameScreen::Activate() {
    CConfigData* config = Hub()->m_pConfig;
    SGameDLL* library = Library();
    if (library != nullptr) {
        const bool music = config != nullptr && config->m_pSound != nullptr && config->m_pSound->m_bMusic != 0;
        library->SetProperty("MusicLevelEnabled", music ? "1" : "0");
    }
    SetupFromDefinitions();
    SAppScreen::Activate();
    // The front end's click sounds are all a session keeps of what the menus loaded.
    ReleaseSoundsExceptInterface();
    if (SInputObj* input = Hub()->m_pInput)
        input->GetKeyboard().Enable(true);
    if (SGraphics* display = Hub()->m_pGraphics)
        display->SetDrawScene(0);
    SGameScreenLink::SetCurrent(this);

    SString log;
    try {
        RunSessionStart(log);
        ReportUnreadableTextures();
    } catch (CUserException&) {
        ReportFailedStart(log);
    }
}

void SGameScreen::RunSessionStart(SString& log) {
    log += "\n(Setting up the game screen)";
    m_iRedrawCount = 2;
    m_iEndState = -1;
    m_bAmbientStarted = 0;
    if (m_pLayout != nullptr)
        m_pLayout->SetPaintBackground(0);
    EndRendererSession();
    PlaceMainWindow();

    char date[32] = "1/1/1970";
    if (SActorWorld* world = World(0)) {
        const CTime& when = world->m_Date;
        std::snprintf(date, sizeof(date), "%d/%d/%d", when.GetMonth(), when.GetDay(), when.GetYear());
    }
    if (SGameDLL* library = Library()) {
        log += "\n(Setting up the game dll)";
        library->SetProperty("Date", date);
        if (SD3D6Parser* renderer = Renderer()) {
            renderer->SetCallback1(&HostActorCallback);
            renderer->SetCallback3(&HostNextViewModel);
        }
        log += "\n(Session_Init_Single)";
        library->SessionCommand(0, 0);
    }
    SGameItems* items = Hub()->m_pGameItems;
    SDataCollection* commands = items != nullptr ? items->m_pCommands : nullptr;
    m_sLeftClick.Empty();
    m_sRightClick.Empty();
    SGameDLL::FindGameCommandOfKind(commands, "4", m_sLeftClick);
    SGameDLL::FindGameCommandOfKind(commands, "5", m_sRightClick);
}

void SGameScreen::ReportFailedStart(const SString& log) {
    SString message = "Initialization failed...";
    message += log;
    if (SGameDLL* library = Library()) {
        char error[1024] = {};
        library->GetLastSessionError(error, sizeof(error));
        error[sizeof(error) - 1] = '\0';
        if (error[0] != '\0') {
            message += "\n";
            message += error;
        }
    }
    RemoveFlaggedLayouts();
    // A dedicated server has nobody to read a notice or click it away: it says why on standard
    // error and closes, as it does when its session ends.
    if (DedicatedServer(Library())) {
        TellServerOperator(message.GetString());
        // A server that served nothing has failed.
        Hub()->m_iExitStatus = 1;
        CloseServer();
        return;
    }
    if (auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()))
        host->NoticeDialog(message.GetString(), 0, this);
    if (SScreenManager* manager = SScreenManager::GetInstance())
        manager->SwitchTo(kScenarioScreenId);
}

void SGameScreen::ReportUnreadableTextures() {
    SD3D6Parser* renderer = Renderer();
    if (renderer == nullptr || renderer->GetUnreadableTextures().empty())
        return;
    // A long list would run off the box; the first files name the fault well enough.
    constexpr size_t kNamed = 5;
    const auto& unreadable = renderer->GetUnreadableTextures();
    std::string message;
    for (size_t i = 0; i < unreadable.size() && i < kNamed; ++i) {
        message += i == 0 ? "" : "\n";
        message += "The texture " + unreadable[i].sPath + " could not be read: " + unreadable[i].sWhy + ".";
    }
    if (unreadable.size() > kNamed)
        message += "\n(and " + std::to_string(unreadable.size() - kNamed) + " more texture files)";
    message += unreadable.size() == 1 ? "\nThe level is played without it." : "\nThe level is played without them.";
    // A dedicated server says so and plays on: nobody would close the notice.
    if (DedicatedServer(Library())) {
        TellServerOperator(message.c_str());
        return;
    }
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    if (host == nullptr)
        return;
    // The range waits while the player reads: its clock stands still, and the mouse the session
    // took for aiming is free to click the notice away until it is closed.
    SInputObj* input = Hub()->m_pInput;
    const bool aiming = input != nullptr && input->IsMouseInput();
    const bool acquired = aiming && input->IsMouseAcquired();
    if (aiming)
        input->DisableMouse();
    if (SGameDLL* library = Library())
        library->SetProperty(game_api::kPausedProperty, "1");
    host->NoticeDialog(message.c_str(), 0, this);
    if (SGameDLL* library = Library())
        library->SetProperty(game_api::kPausedProperty, "0");
    if (aiming)
        input->EnableMouse(!acquired);
}

void SGameScreen::Deactivate() {
    SGameScreenLink::SetCurrent(nullptr);
    std::fill(std::begin(SD3D6Lock::s_fAmbientFactors), std::end(SD3D6Lock::s_fAmbientFactors), 1.0f);
    if (SD3D6Parser* renderer = Renderer()) {
        renderer->SetFog(0x00FFFFFF, 10000.0f, 10000.0f);
        if (SD3D6Light* light = renderer->GetLight(0)) {
            std::memcpy(light->fDirection, g_fSavedLight, sizeof(float) * 3);
            std::memcpy(light->fColour, g_fSavedLight + 3, sizeof(float) * 3);
            renderer->SetLight(0, light);
        }
        renderer->SetAmbientLight(0xFFFFFFFF);
    }
    SGameItems* items = Hub()->m_pGameItems;
    if (items != nullptr && items->m_pSound != nullptr)
        items->m_pSound->ReleaseGameSounds();
    RemoveAllLayouts();
    DeleteViewModels();
    if (SInputObj* input = Hub()->m_pInput)
        input->GetKeyboard().Enable(true);
    if (SGameDLL* library = Library())
        library->ReleaseMultiplayer();
    EndRendererSession();
    RestoreMenuResolution();
    SAppScreen::Deactivate();
}

void SGameScreen::EndRendererSession() {
    SD3D6Parser* renderer = Renderer();
    if (renderer == nullptr)
        return;
    const int steps = renderer->GetEndSessionStepCount(renderer->m_iSessionMode);
    for (int step = 0; step < steps; ++step)
        renderer->EndSession(step);
}

// --- Frame -------------------------------------------------------------------------------------

void SGameScreen::Update() {
    SAppScreen::Update();
    SGameDLL* library = Library();
    if (library != nullptr)
        library->Update();
    if (SActorWorld* world = World(0))
        world->UpdateCamera(60.0f);
    const int state = library != nullptr ? library->GetState() : 0;
    try {
        if (library != nullptr && state == 5)
            library->SessionCommand(4, 0);
    } catch (CUserException&) {
    }
    RemoveFlaggedLayouts();
    const int now = library != nullptr ? library->GetState() : 0;
    if (now != m_iEndState)
        return;
    if (DedicatedServer(library)) {
        CloseServer();
    } else if (SScreenManager* manager = SScreenManager::GetInstance()) {
        manager->SwitchTo(kScenarioScreenId);
    }
}

void SGameScreen::EndGame() {
    SGameDLL* library = Library();
    const int state = library != nullptr ? library->GetState() : 0;
    // A refused end command leaves the session running; the console line must not fail.
    try {
        if (m_iEndState == -1 && library != nullptr && (state == 7 || state == 11)) {
            library->SessionCommand(5, 0);
            m_iEndState = 0;
        } else if (library != nullptr && (state == 7 || state == 11 || state == 0 || state == 2 || state == 9 ||
                                          state == 5 || state == 4)) {
            library->SessionCommand(6, 0);
            m_iEndState = library->GetState();
        }
    } catch (CUserException&) {
    }
    if (SInputObj* input = Hub()->m_pInput)
        input->DisableMouse();
}

int SGameScreen::Draw(SDC* pDC) {
    if (SGraphics* display = Hub()->m_pGraphics)
        display->SetDrawScene(0);
    CSingleLock lock(&g_GameLayoutLock);
    if (!lock.Lock(kLockWaitDraw))
        return 0;
    const FrameFontScope font(pDC);
    if (m_pLayout != nullptr) {
        if (SScreenManager* manager = SScreenManager::GetInstance())
            manager->Paint();
    }
    SD3D6Parser* renderer = Renderer();
    SGameDLL* library = Library();
    // A frame begun is always ended, whatever the library throws in between.
    bool frameBegun = false;
    try {
        if (renderer != nullptr) {
            renderer->BeginFrame();
            frameBegun = true;
        }
        if (library != nullptr)
            library->SessionCommand(8, 1);
        if (m_bAmbientStarted == 0) {
            StartAmbientLoop();
            m_bAmbientStarted = 1;
        }
        SDXSurface* surface = pDC != nullptr ? pDC->GetSurface() : nullptr;
        if (surface != nullptr) {
            const sys::RECT full{0, 0, surface->GetWidth(), surface->GetHeight()};
            MoveLayouts(&full);
        }
        SetLayoutsRedraw(m_iRedrawCount);
        SetThirdWorldVisible(false);
        if (m_bViewModelOverlay == 0) {
            SetViewModelsHidden(true, 0.0f);
            RenderViewModelTexture();
        }
        CaptureTextureLayouts(pDC);
        if (m_bViewModelOverlay != 0)
            SetViewModelsHidden(false, m_fViewModelOffset);
        else
            SetThirdWorldVisible(true);
        ProcessScreenshot(pDC);
        SetLayoutsRedraw(m_iRedrawCount);
        for (SActiveLayout* overlay : m_ActiveLayouts)
            overlay->m_pLayout->Draw(pDC);
        if (m_iRedrawCount > 0)
            --m_iRedrawCount;
        DrawFlatSkin(pDC);
        if (m_bExitRequest != 0) {
            m_bExitRequest = 0;
            if (SCommandInterpreter* interpreter = Hub()->m_pInterpreter) {
                SString output;
                interpreter->ExecuteLine(SString("exit"), output);
            }
        }
        if (library != nullptr)
            library->SessionCommand(8, 0);
    } catch (CUserException&) {
        // A library that fails inside the frame loses the rest of this frame only: the frame
        // is still ended below and the lock released, and the next frame tries again.
    }
    if (frameBegun)
        renderer->EndFrame();
    return 0;
}

int SGameScreen::Update(uintptr_t nValue) {
    CSingleLock lock(&g_GameLayoutLock);
    if (!lock.Lock(kLockWaitDraw))
        return 0;
    SDC* pDC = reinterpret_cast<SDC*>(nValue);
    const FrameFontScope font(pDC);
    SWindow::Update(nValue);
    for (SActiveLayout* overlay : m_PassiveLayouts)
        overlay->m_pLayout->Draw(pDC);
    if (SGameDLL* library = Library())
        library->PostRender(pDC);
    DrawDebugTexts(pDC);
    return 0;
}

void SGameScreen::DrawDebugTexts(SDC* pDC) {
    if (pDC == nullptr)
        return;
    char line[160];
    auto write = [&](int y) { pDC->TextOut(15, y, line, static_cast<int>(std::strlen(line))); };
    if (Hub()->m_bShowLayout != 0) {
        uint32_t layouts = 0, intCalls = 0, intTime = 0, floatCalls = 0, floatTime = 0, textCalls = 0, textTime = 0;
        uint32_t times[5] = {0, 0, 0, 0, 0};
        auto add = [&](SActiveLayout* overlay) {
            SAppLayout* layout = overlay->m_pLayout;
            ++layouts;
            intCalls += layout->GetIntCalls();
            intTime += layout->GetIntTime();
            floatCalls += layout->GetFloatCalls();
            floatTime += layout->GetFloatTime();
            textCalls += layout->GetTextCalls();
            textTime += layout->GetTextTime();
            times[0] += layout->GetTime(SLayout::kTimeGroup);
            times[1] += layout->GetLayoutTime();
            times[2] += layout->GetTime(SLayout::kTimeImage);
            times[3] += layout->GetTime(SLayout::kTimeControl);
            times[4] += layout->GetTime(SLayout::kTimeSprite);
        };
        for (SActiveLayout* overlay : m_PassiveLayouts)
            add(overlay);
        for (SActiveLayout* overlay : m_ActiveLayouts)
            add(overlay);
        std::snprintf(line, sizeof(line), "SLayouts : %u", layouts);
        write(45);
        std::snprintf(line, sizeof(line), " GetInt Calls: %u Time: %u", intCalls, intTime);
        write(60);
        std::snprintf(line, sizeof(line), " GetFloat Calls: %u Time: %u", floatCalls, floatTime);
        write(75);
        std::snprintf(line, sizeof(line), " GetString Calls: %u Time: %u", textCalls, textTime);
        write(90);
        static const char* const kTimes[5] = {" Group Time: %u", " Draw Time: %u", " Image Time: %u",
                                              " Window Time: %u", " Sprite Time: %u"};
        for (int i = 0; i < 5; ++i) {
            std::snprintf(line, sizeof(line), kTimes[i], times[i]);
            write(105 + 15 * i);
        }
    }
    DrawClientBlock(pDC);
    if (sys::profile::GetInt(sys::profile::Kind::Application, "Settings", "AdjWeaponPos", 0) != 0) {
        SDataCollection* values = ClientValues();
        static const char* const kOffsets[3] = {"Weapon X offs : %8.3f", "Weapon Y offs : %8.3f",
                                                "Weapon Z offs : %8.3f"};
        for (int i = 0; i < 3; ++i) {
            std::snprintf(line, sizeof(line), kOffsets[i], values != nullptr ? values->GetFloat(57 + i) : 0.0f);
            write(45 + 15 * i);
        }
    }
}

void SGameScreen::DrawClientBlock(SDC* pDC) {
    const int index = Hub()->m_iClientIndex;
    SGameDLL* library = Library();
    CObList* clients = index > -1 && library != nullptr ? library->GetClientList() : nullptr;
    if (clients == nullptr)
        return;
    SClientInfo* client = nullptr;
    for (POSITION pos = SClientInfo::GetHeadPosition(clients); pos != nullptr;) {
        SClientInfo* entry = SClientInfo::GetNext(clients, pos);
        if (entry != nullptr && entry->m_iClientId == index) {
            client = entry;
            break;
        }
    }
    if (client == nullptr)
        return;
    std::vector<std::string> lines;
    char line[256];
    SActor* own = client->m_pHunter;
    SActorWorld* first = World(0);
    const bool inFirst = own != nullptr && first != nullptr && first->FindActor(own) >= 0;
    std::snprintf(line, sizeof(line), "Identifier: %s", inFirst ? own->m_sName.GetString() : "(none)");
    lines.emplace_back(line);
    static const char* const kModes[5] = {"WLK", "STD", "TRK", "ATV", "BOAT"};
    const int mode = client->m_iMoveMode;
    std::snprintf(line, sizeof(line), "Physics: %d (%s)", mode, mode >= 0 && mode < 5 ? kModes[mode] : "INVALID!");
    lines.emplace_back(line);
    const struct {
        const char* role;
        SActor* actor;
    } roles[] = {{"Hunter", client->m_pHunter},         {"Eyes", client->m_pEyes},
                 {"Commanding", client->m_pCommanding}, {"ControlPos", client->m_pControlPos},
                 {"ControlYaw", client->m_pControlYaw}, {"ControlPitch", client->m_pControlPitch}};
    for (const auto& role : roles) {
        if (role.actor == nullptr) {
            std::snprintf(line, sizeof(line), "%s: NULL!", role.role);
        } else {
            const CString position = role.actor->m_vPosition.ToString();
            std::snprintf(line, sizeof(line), "%s: %s Pos: %s Child of: %s", role.role, role.actor->m_sName.GetString(),
                          static_cast<const char*>(position),
                          role.actor->m_pParent != nullptr ? role.actor->m_pParent->m_sName.GetString() : "none");
        }
        lines.emplace_back(line);
    }
    int y = 45;
    for (const std::string& text : lines) {
        pDC->TextOut(15, y, text.c_str(), static_cast<int>(text.size()));
        y += 15;
    }
}

// --- Input ---------------------------------------------------------------------------------------

void SGameScreen::OnMouseMove(uint32_t nFlags, int x, int y) {
    SAppScreen::OnMouseMove(nFlags, x, y);
    m_iRedrawCount = 2;
}

void SGameScreen::OnLButtonDown(uint32_t nFlags, int x, int y) {
    SAppScreen::OnLButtonDown(nFlags, x, y);
    m_iRedrawCount = 2;
    ClickCommand(x, y, 0);
}

void SGameScreen::OnRButtonDown(uint32_t nFlags, int x, int y) {
    SAppScreen::OnRButtonDown(nFlags, x, y);
    m_iRedrawCount = 2;
    ClickCommand(x, y, 1);
}

void SGameScreen::OnLButtonUp(uint32_t nFlags, int x, int y) {
    SAppScreen::OnLButtonUp(nFlags, x, y);
    m_iRedrawCount = 2;
}

void SGameScreen::OnRButtonUp(uint32_t nFlags, int x, int y) {
    SAppScreen::OnRButtonUp(nFlags, x, y);
    m_iRedrawCount = 2;
}

SString SGameScreen::FormatClickLine(const SString& command, const float point[3], const float angles[2]) {
    char line[256];
    std::snprintf(line, sizeof(line), "%s %.2f,%.2f,%.2f, %.2f,%.2f", command.GetString(), point[0] * 0.125f,
                  point[1] * 0.125f, point[2] * 0.125f, angles[0], angles[1]);
    return SString(line);
}

int SGameScreen::ClickCommand(int x, int y, int button) {
    if (m_pLayout != nullptr) {
        SWindow* child = m_pLayout->ChildFromPoint(x, y, 0);
        if (child != nullptr && child->IsKindOf(RUNTIME_CLASS(SButton)))
            return 0;
    }
    SDataCollection* values = ClientValues();
    if (values != nullptr && values->GetInt(3) != 0) {
        SGraphics* display = Hub()->m_pGraphics;
        const int height = display != nullptr ? display->GetHeight() : SScreenManager::kPageHeight;
        if (y > height - kPanelHeight)
            return 0;
    }
    float point[3] = {0.0f, 0.0f, 0.0f};
    float angles[2] = {0.0f, 0.0f};
    if (!ViewPointAt(x, y, point, angles))
        return 0;
    if (SCommandInterpreter* interpreter = Hub()->m_pInterpreter) {
        SString output;
        interpreter->ExecuteLine(FormatClickLine(button == 0 ? m_sLeftClick : m_sRightClick, point, angles), output);
    }
    return 0;
}

bool SGameScreen::ViewPointAt(int x, int y, float point[3], float angles[2]) {
    SD3D6Parser* renderer = Renderer();
    if (renderer == nullptr)
        return false;
    sys::RECT view{}, second{};
    renderer->GetViewRects(&view, &second);
    if (x < view.left || x >= view.right || y < view.top || y >= view.bottom)
        return false;
    // The point under the cursor is where the ray from the eye first meets the scene; a ray
    // into the sky ends at the far plane.
    const sys::POINT at{x, y};
    SVector origin, direction, turn;
    renderer->ScreenToRay(&at, &origin, &direction);
    renderer->ScreenToAngles(&at, &turn);
    float fov = 0.0f, baseFov = 0.0f, nearZ = 0.0f, farZ = 0.0f;
    renderer->GetProjection(&fov, &baseFov, &nearZ, &farZ);
    SVector target = origin + direction * farZ;
    if (renderer->HitTest(&origin, &target, 0.0f, 0.0f, kClickHitMode) == 0) {
        if (const SHitRecord* record = renderer->GetHitRecord())
            target = record->m_vPoint;
    }
    point[0] = target.x;
    point[1] = target.y;
    point[2] = target.z;
    angles[0] = turn.x;
    angles[1] = turn.y;
    return true;
}

int32_t SGameScreen::PackColonTriple(const char* pszText) {
    if (pszText == nullptr || *pszText == '\0')
        return 0;
    // Each part counts only its leading digits; the third ends at the first bracket anyway.
    int32_t parts[3] = {0, 0, 0};
    const char* p = pszText;
    for (int i = 0; i < 3 && p != nullptr; ++i) {
        for (const char* d = p; *d >= '0' && *d <= '9'; ++d)
            parts[i] = parts[i] * 10 + (*d - '0');
        const char* next = i < 2 ? std::strchr(p, ':') : nullptr;
        p = next != nullptr ? next + 1 : nullptr;
    }
    return (parts[0] << 16) + (parts[1] << 8) + parts[2];
}
