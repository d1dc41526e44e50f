#include "app/SConsoleHostImpl.h"

#include <cstdio>

#include "app/CConfigData.h"
#include "app/CTarvexApp.h"
#include "app/SCommandDialog.h"
#include "app/SFrontEndHooks.h"
#include "app/SGameDLL.h"
#include "app/SGameScreenLink.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "core/SDataCollection.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SDXJoystick.h"
#include "dx/input/SInputObj.h"
#include "render/SD3D6Parser.h"
#include "sys/classlib/CArray.h"
#include "sys/window/window.h"

SConsoleHostImpl::SConsoleHostImpl(SGameObjects& hub) : m_hub(hub) {}

SConsoleHostImpl::~SConsoleHostImpl() = default;

SInputObj* SConsoleHostImpl::Input() const { return m_hub.m_pInput; }

void SConsoleHostImpl::Say(const char* text) {
    std::fprintf(stderr, "%s: %s\n", CTarvexApp::kTitle, text);
    std::fflush(stderr);
    SCommandDialog* console = m_hub.m_pMsgHandler != nullptr ? m_hub.m_pMsgHandler->GetConsole() : nullptr;
    if (console != nullptr)
        console->QueueOutput(text);
}

// --- Game-logic library ----------------------------------------------------------------------------

bool SConsoleHostImpl::HasGameLibrary() { return m_hub.m_pGameDLL != nullptr; }

bool SConsoleHostImpl::IsObjectBlockOpen() {
    return m_hub.m_pGameDLL != nullptr && m_hub.m_pGameDLL->ObjectParseIsParsing() != 0;
}

int SConsoleHostImpl::ObjectParse(const char* line) {
    return m_hub.m_pGameDLL != nullptr ? m_hub.m_pGameDLL->ObjectParse(line) : 0;
}

int SConsoleHostImpl::GetGameState() { return m_hub.m_pGameDLL != nullptr ? m_hub.m_pGameDLL->GetState() : 0; }

int SConsoleHostImpl::DoCommand(int index, int state, const char* arguments) {
    return m_hub.m_pGameDLL != nullptr ? m_hub.m_pGameDLL->DoCommand(index, state, arguments) : 0;
}

bool SConsoleHostImpl::ParseCommand(const char* line) {
    if (m_hub.m_pGameDLL == nullptr)
        return false;
    m_hub.m_pGameDLL->ParseCommand(line);
    return true;
}

// --- Game items ------------------------------------------------------------------------------------

SDataCollection* SConsoleHostImpl::GetGameCommands() {
    return m_hub.m_pGameItems != nullptr ? m_hub.m_pGameItems->m_pCommands : nullptr;
}

// The first of the library's own tables holds the settings it lets users read and set.
SDataCollection* SConsoleHostImpl::GetGameSettings() {
    return m_hub.m_pGameItems != nullptr ? m_hub.m_pGameItems->m_pTable1 : nullptr;
}

// The word the game items start with at 1 and the library clears once its game is set up.
bool SConsoleHostImpl::AreObjectCommandsEnabled() {
    return m_hub.m_pGameItems != nullptr && m_hub.m_pGameItems->m_iFlag != 0;
}

// --- Input object ----------------------------------------------------------------------------------

bool SConsoleHostImpl::HasInput() { return Input() != nullptr; }

int SConsoleHostImpl::GetInputCommandCount() {
    return Input() != nullptr ? Input()->GetSettings().GetCommandCount() : 0;
}

const char* SConsoleHostImpl::GetInputCommandName(int index) {
    const SInputObjCommand* command = Input() != nullptr ? Input()->GetCommand(index) : nullptr;
    return command != nullptr ? command->m_sName.GetString() : "";
}

const char* SConsoleHostImpl::GetInputCommandDisplayName(int index) {
    const SInputObjCommand* command = Input() != nullptr ? Input()->GetCommand(index) : nullptr;
    return command != nullptr ? command->m_sDisplayName.GetString() : "";
}

int SConsoleHostImpl::GetInputAliasCount(int index) {
    return Input() != nullptr ? Input()->GetAliasCount(index) : 0;
}

void SConsoleHostImpl::ExecuteInputCommand(int index) {
    if (Input() != nullptr)
        Input()->ExecuteCommand(index);
}

void SConsoleHostImpl::NoteInputLine(const char* word) {
    if (Input() != nullptr)
        Input()->NoteLine(word);
}

int SConsoleHostImpl::FindInputCommand(const char* name) {
    return Input() != nullptr ? Input()->FindCommand(name) : -1;
}

int SConsoleHostImpl::FindInputCommandByCodes(int keyCode, int mouseCode, int joyCode) {
    return Input() != nullptr ? Input()->FindCommandByCodes(keyCode, mouseCode, joyCode) : -1;
}

int SConsoleHostImpl::AddInputCommand(const char* name, const char* displayName, int type, int keyCode,
                                      int mouseCode, int joyCode) {
    return Input() != nullptr ? Input()->AddCommand(name, displayName, type, keyCode, mouseCode, joyCode) : -1;
}

bool SConsoleHostImpl::AddInputAlias(int index, const char* step) {
    return Input() != nullptr && Input()->AddAlias(index, step);
}

void SConsoleHostImpl::ClearInputAlias(int index) {
    if (Input() != nullptr)
        Input()->ClearAlias(index);
}

SString SConsoleHostImpl::GetInputAliasText(int index) {
    return Input() != nullptr ? Input()->GetAliasText(index) : SString();
}

SString SConsoleHostImpl::ListUnboundInputCommands() {
    return Input() != nullptr ? Input()->ListUnboundCommands() : SString();
}

const char* SConsoleHostImpl::GetInputConfigName(InputClass inputClass, int row) {
    switch (inputClass) {
    case kInputKey:
        return SInputObj::KeyIndexToConfigName(row);
    case kInputMouse:
        return SInputObj::MouseIndexToConfigName(row);
    case kInputJoystick:
        return SInputObj::JoyIndexToConfigName(row);
    }
    return "";
}

int SConsoleHostImpl::InputConfigNameToCode(InputClass inputClass, const char* name) {
    switch (inputClass) {
    case kInputKey:
        return SInputObj::KeyConfigNameToCode(name);
    case kInputMouse:
        return SInputObj::MouseConfigNameToCode(name);
    case kInputJoystick:
        return SInputObj::JoyConfigNameToCode(name);
    }
    return -1;
}

bool SConsoleHostImpl::GetLightGunPoint(int& x, int& y) {
    SInputObj* input = Input();
    if (input == nullptr || input->GetSettings().m_iLightGun == 0)
        return false;
    // The gun reports where it points on the screen; without a device of its own the input
    // object's never-created joystick answers.
    SDXJoystick* device = input->GetJoystick() != nullptr ? input->GetJoystick() : &SDXJoystick::Unused();
    sys::POINT point{device->GetX(), device->GetY()};
    if (!sys::window::ScreenToClient(sys::window::GetMainWindow(), point))
        return false;
    x = point.x;
    y = point.y;
    return true;
}

// --- Configuration and variable store --------------------------------------------------------------

bool SConsoleHostImpl::HasConfig() { return m_hub.m_pConfig != nullptr; }

bool SConsoleHostImpl::SetConfigVariable(const char* name, const char* value) {
    return m_hub.m_pConfig != nullptr && m_hub.m_pConfig->SetVariable(name, value, 0);
}

bool SConsoleHostImpl::GetConfigVariable(const char* name, SString& value) {
    return m_hub.m_pConfig != nullptr && m_hub.m_pConfig->GetVariable(name, value, 0);
}

void SConsoleHostImpl::ListConfigVariables(std::vector<SString>& names) {
    names.clear();
    if (m_hub.m_pConfig == nullptr)
        return;
    CArray<SString> list;
    m_hub.m_pConfig->ListVariables(list, 0);
    names.reserve(static_cast<size_t>(list.GetSize()));
    for (int i = 0; i < list.GetSize(); ++i)
        names.push_back(list.GetAt(i));
}

SDataCollection* SConsoleHostImpl::GetVariableStore() { return m_hub.m_pVariables; }

void SConsoleHostImpl::SetDisplayFlags(bool showFps, bool showInput, bool showLayout, int clientValue) {
    m_hub.m_bShowFps = showFps ? 1 : 0;
    m_hub.m_bShowInput = showInput ? 1 : 0;
    m_hub.m_bShowLayout = showLayout ? 1 : 0;
    m_hub.m_iClientIndex = clientValue;
}

bool SConsoleHostImpl::GetSoundStatsOverlay() { return m_hub.m_bShowSoundStats != 0; }

void SConsoleHostImpl::SetSoundStatsOverlay(bool show) { m_hub.m_bShowSoundStats = show ? 1 : 0; }

// --- Renderer, display and screens ----------------------------------------------------------------

SD3D6Parser* SConsoleHostImpl::Renderer() const {
    return m_hub.m_pGameItems != nullptr ? m_hub.m_pGameItems->m_pParser : nullptr;
}

bool SConsoleHostImpl::HasRenderer() { return Renderer() != nullptr; }

bool SConsoleHostImpl::GetViewport(int rect[4]) {
    SD3D6Parser* renderer = Renderer();
    if (renderer == nullptr) {
        return false;
    }
    sys::RECT view, window;
    renderer->GetViewRects(&view, &window);
    rect[0] = view.left, rect[1] = view.top, rect[2] = view.right, rect[3] = view.bottom;
    return true;
}

bool SConsoleHostImpl::GetViewRay(int x, int y, float eye[3], float direction[3]) {
    SD3D6Parser* renderer = Renderer();
    if (renderer == nullptr) {
        return false;
    }
    const sys::POINT point{x, y};
    SVector origin, ray;
    if (renderer->ScreenToRay(&point, &origin, &ray) == 0) {
        return false;
    }
    eye[0] = origin.x, eye[1] = origin.y, eye[2] = origin.z;
    direction[0] = ray.x, direction[1] = ray.y, direction[2] = ray.z;
    return true;
}

void SConsoleHostImpl::RendererStatusLog() {
    if (SD3D6Parser* renderer = Renderer()) {
        renderer->LogTextureState();
    }
}

void SConsoleHostImpl::RendererOverheadShot(int viewDistance, float height, int fogStart, int fogEnd) {
    // The view range lifts the camera and widens the view and fog for a shot of the map.
    if (SD3D6Parser* renderer = Renderer()) {
        renderer->SetViewRange(viewDistance, height, static_cast<uint32_t>(fogStart), static_cast<uint32_t>(fogEnd));
    }
}

void SConsoleHostImpl::SaveScreenShot() {
    if (m_hub.m_pGraphics != nullptr) {
        m_hub.m_pGraphics->SaveScreenShot();
    }
}

void SConsoleHostImpl::NotifyGunCalibrateScreen() { SFrontEndHooks::Installed().NotifyGunCalibrateScreen(&m_hub); }

bool SConsoleHostImpl::IsGameScreenCurrent() { return SGameScreenLink::Current() != nullptr; }

void SConsoleHostImpl::EndGame() {
    if (SGameScreenLink* screen = SGameScreenLink::Current())
        screen->EndGame();
}
