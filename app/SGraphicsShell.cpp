#include "app/SGraphicsShell.h"

#include "app/CConfigData.h"
#include "app/actors/SActorWorld.h"
#include "app/CGraphicsData.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SRendererFactory.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/window.h"

namespace {

constexpr uint32_t kWindowedStyle = sys::WS_OVERLAPPED | sys::WS_CAPTION | sys::WS_SYSMENU | sys::WS_MINIMIZEBOX;
constexpr uint32_t kFullScreenStyle = sys::WS_POPUP;

}  // namespace

void SGraphicsShell::Install(SGraphics* graphics) { graphics->SetShell(this); }

void SGraphicsShell::SetFullScreen(int fullScreen) {
    const sys::HWND window = GetMainWindow();
    if (window == nullptr) {
        return;
    }
    const uint32_t keep = sys::window::GetWindowLong(window, sys::GWL_STYLE) & sys::WS_VISIBLE;
    sys::window::SetWindowLong(window, sys::GWL_STYLE, keep | (fullScreen != 0 ? kFullScreenStyle : kWindowedStyle));
    sys::window::SetWindowPos(window, 0, 0, 0, 0, sys::SWP_NOMOVE | sys::SWP_NOSIZE | sys::SWP_FRAMECHANGED);
}

void SGraphicsShell::SetClientSize(int width, int height) {
    const sys::HWND window = GetMainWindow();
    if (window == nullptr) {
        return;
    }
    sys::RECT outer{0, 0, width, height};
    sys::window::AdjustWindowRect(outer, sys::window::GetWindowLong(window, sys::GWL_STYLE), false);
    sys::RECT area;
    sys::window::GetWorkArea(area);
    const int outerWidth = outer.right - outer.left;
    const int outerHeight = outer.bottom - outer.top;
    const int x = area.left + (area.right - area.left - outerWidth) / 2;
    const int y = area.top + (area.bottom - area.top - outerHeight) / 2;
    sys::window::SetWindowPos(window, x, y, outerWidth, outerHeight, sys::SWP_NOZORDER);
}

uint32_t SGraphicsShell::GetFullScreenDepth() {
    if (m_pHub == nullptr || m_pHub->m_pConfig == nullptr || m_pHub->m_pConfig->m_pGraphics == nullptr) {
        return 16;
    }
    return static_cast<uint32_t>(m_pHub->m_pConfig->m_pGraphics->m_iColorDepth);
}

SDisplayRenderer* SGraphicsShell::CreateRenderer() {
    return m_pFactory != nullptr ? m_pFactory->CreateRenderer() : nullptr;
}

SDisplayRenderer* SGraphicsShell::GetRenderer() { return m_pFactory != nullptr ? m_pFactory->GetRenderer() : nullptr; }

void SGraphicsShell::ReleaseRenderer() {
    if (m_pFactory != nullptr) {
        m_pFactory->ReleaseRenderer();
    }
}

bool SGraphicsShell::HasGameLibrary() { return m_pHub != nullptr && m_pHub->m_pGameDLL != nullptr; }

int SGraphicsShell::GetGameState() { return HasGameLibrary() ? m_pHub->m_pGameDLL->GetState() : 0; }

void SGraphicsShell::SessionCommand(int code, int argument) {
    if (!HasGameLibrary()) {
        return;
    }
    try {
        m_pHub->m_pGameDLL->SessionCommand(code, argument);
    } catch (const CUserException&) {
        // The library answered 0 or lacks the export: the frame goes on without it.
    }
}

void SGraphicsShell::AdvanceGame(float framesPerSecond) {
    if (HasGameLibrary()) {
        m_pHub->m_pGameDLL->Update();
    }
    // The first world's camera follows its focus actor while a dialog holds the main loop.
    SGameItems* items = m_pHub != nullptr ? m_pHub->m_pGameItems : nullptr;
    if (items != nullptr && items->m_pWorld[0] != nullptr) {
        items->m_pWorld[0]->UpdateCamera(framesPerSecond);
    }
}

bool SGraphicsShell::ShowFrameStats() { return m_pHub != nullptr && m_pHub->m_bShowFps != 0; }
bool SGraphicsShell::ShowMousePosition() { return m_pHub != nullptr && m_pHub->m_bShowInput != 0; }
bool SGraphicsShell::ShowSoundStats() { return m_pHub != nullptr && m_pHub->m_bShowSoundStats != 0; }
float SGraphicsShell::GetFrameRate() { return m_pHub != nullptr ? m_pHub->m_fFrameRate : 0.0f; }

sys::POINT SGraphicsShell::GetMousePosition() {
    sys::POINT point;
    if (m_pHub != nullptr && m_pHub->m_pInput != nullptr) {
        m_pHub->m_pInput->GetCursorPosition(point);
    }
    return point;
}

std::string SGraphicsShell::GetSoundStats() {
    if (m_pHub == nullptr || m_pHub->m_pGameItems == nullptr || m_pHub->m_pGameItems->m_pSound == nullptr) {
        return std::string();
    }
    char text[4097] = {};
    m_pHub->m_pGameItems->m_pSound->GetStatistics(text, 4096);
    return std::string(text);
}
