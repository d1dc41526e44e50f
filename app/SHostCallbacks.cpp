#include "app/SHostCallbacks.h"

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "dx/sound/SSound.h"

namespace {

SSound* GameSound()
{
    SGameItems* items = SGameObjects::Instance()->m_pGameItems;
    return items != nullptr ? items->m_pSound : nullptr;
}

// A game sound by its number in the sound-name list (from 1), plain or in 3D; null when there
// is no such sound or no sound manager.
SDXSoundBuffer* HostGetGameSoundByIndex(int entry, int b3D)
{
    SSound* sound = GameSound();
    return sound != nullptr ? sound->GetGameSoundByIndex(entry, b3D != 0) : nullptr;
}

// A game sound by file name, plain or in 3D.
SDXSoundBuffer* HostGetGameSound(const char* pszFileName, int b3D)
{
    SSound* sound = GameSound();
    return sound != nullptr && pszFileName != nullptr ? sound->GetGameSound(pszFileName, b3D != 0) : nullptr;
}

// Two slots the library may call that have never done anything.
int HostNoOpA() { return 0; }
int HostNoOpB() { return 0; }

// The "gfx_software" switch of the graphics configuration.
int HostGetGraphicsValue()
{
    const CConfigData* config = SGameObjects::Instance()->m_pConfig;
    return config != nullptr && config->m_pGraphics != nullptr ? config->m_pGraphics->m_bSoftware : 0;
}

}  // namespace

void FillHostCallbacks(SHostCallbacks& table)
{
    table.HostGetLevelInfo = nullptr;
    table.HostBuildPlayerDefinition = nullptr;
    table.HostPlayerScores = nullptr;
    table.HostQueueScreenshot = nullptr;
    table.HostShowLayout = nullptr;
    table.HostSetMouseInput = nullptr;
    table.HostRefreshScreen = nullptr;
    table.HostExecuteCommand = nullptr;
    table.HostRenderFrame = nullptr;
    table.HostRefreshScreen2 = nullptr;
    table.HostGetGameSoundByIndex = &HostGetGameSoundByIndex;
    table.HostGetGameSound = &HostGetGameSound;
    table.HostSetMapPath = nullptr;
    table.HostConsolePrint = nullptr;
    table.HostRedrawScene = nullptr;
    table.HostJournalPages = nullptr;
    table.HostScreenModelAnimation = nullptr;
    table.HostShowTextureLayout = nullptr;
    table.HostAddDisplayObject = nullptr;
    table.HostRemoveDisplayObject = nullptr;
    table.HostNoOpA = &HostNoOpA;
    table.HostFindProfileDefinition = nullptr;
    table.HostNoOpB = &HostNoOpB;
    table.HostGetGraphicsValue = &HostGetGraphicsValue;
    table.HostAddTrophies = nullptr;
}
