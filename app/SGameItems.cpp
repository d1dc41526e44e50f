#include "app/SGameItems.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/SClientInfo.h"
#include "app/actors/SActorWorld.h"
#include "core/SDataCollection.h"
#include "dx/sound/SActorSound.h"
#include "dx/sound/SSound.h"
#include "render/SD3D6Parser.h"
#include "sys/version.h"

IMPLEMENT_DYNAMIC(SGameItems, CObject)

SGameItems::SGameItems()
    : m_tCreated(0),
      m_dwUnused1(0),
      m_dwUnused2(0),
      m_dwUnused3(0),
      m_pConfig(nullptr),
      m_pCatalog(nullptr),
      m_pParser(nullptr),
      m_pSound(nullptr),
      m_pWorld{nullptr, nullptr, nullptr},
      m_pTable1(nullptr),
      m_pCommands(nullptr),
      m_pTable3(nullptr),
      m_pSoundNames(nullptr),
      m_pClientInfo(nullptr),
      m_iFlag(0)
{
    m_pSound = new SSound();
    // A game buffer the manager deletes or hands to a new request is dropped by the actor
    // sound that held it.
    m_pSound->SetReleaseHook(SActorSound::OnBufferReleased);
    for (SActorWorld*& world : m_pWorld) {
        world = new SActorWorld();
    }
    m_pTable1 = new SDataCollection(512, 32);
    m_pCommands = new SDataCollection(4096, 32);
    m_pTable3 = new SDataCollection(1024, 32);
    m_pSoundNames = new SDataCollection(4096, 128);
    m_tCreated = static_cast<int32_t>(std::time(nullptr));
    m_pClientInfo = new SClientInfo;
    m_iFlag = 1;
}

SGameItems::~SGameItems()
{
    // The worlds go first: their actors' sounds still point at the manager's buffers.
    ReleaseLibraryState();
    delete m_pSound;
    m_pSound = nullptr;
    delete m_pTable1;
    delete m_pCommands;
    delete m_pTable3;
    delete m_pSoundNames;
    m_pTable1 = m_pCommands = m_pTable3 = m_pSoundNames = nullptr;
}

void SGameItems::ReleaseParser()
{
    if (m_pParser == nullptr) {
        return;
    }
    // Worlds whose actors stand in this scene must not reach into it once it is gone.
    for (SActorWorld* world : m_pWorld) {
        if (world != nullptr)
            world->ForgetScene(m_pParser);
    }
    m_pParser->ReleaseRaster();
    m_pParser->ReleaseMap();
    delete m_pParser;
    m_pParser = nullptr;
}

void SGameItems::EndParserSession()
{
    // Without a renderer, or without a session, there is nothing to end.
    if (m_pParser == nullptr || m_pParser->m_iSessionMode == 0) {
        return;
    }
    const int steps = m_pParser->GetEndSessionStepCount(m_pParser->m_iSessionMode);
    for (int step = 0; step < steps; ++step) {
        m_pParser->EndSession(step);
    }
}

void SGameItems::ResetClientInfo()
{
    delete m_pClientInfo;
    m_pClientInfo = new SClientInfo;
}

void SGameItems::ReleaseLibraryState()
{
    // Actors the library made carry its code; they must go while it is still loaded. The
    // client state only points at actors, so it goes after them.
    for (SActorWorld*& world : m_pWorld) {
        delete world;
        world = nullptr;
    }
    delete m_pClientInfo;
    m_pClientInfo = nullptr;
}

std::string SGameItems::FormatVersion(const std::array<int, 4>& numbers)
{
    char text[64];
    if (numbers[3] != 0) {
        std::snprintf(text, sizeof(text), "%d.%d.%d.%d", numbers[0], numbers[1], numbers[2], numbers[3]);
    } else if (numbers[2] != 0) {
        std::snprintf(text, sizeof(text), "%d.%d.%d", numbers[0], numbers[1], numbers[2]);
    } else {
        std::snprintf(text, sizeof(text), "%d.%d", numbers[0], numbers[1]);
    }
    return text;
}

int SGameItems::GetVersionString(char* buffer, int size)
{
    // A size of 0 or less has no room even for the terminator; writing it would land before
    // the caller's buffer.
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const std::string text = FormatVersion(sys::version::FileVersionNumbers());
    const size_t room = static_cast<size_t>(size) - 1;
    const size_t length = text.size() < room ? text.size() : room;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return 0;
}

CString SGameItems::FormatMapDescription(const char* mapName, const char* mapState)
{
    if (mapName == nullptr && mapState == nullptr) {
        return CString("???");
    }
    CString text(mapName != nullptr ? mapName : "");
    text += ", ";
    text += mapState != nullptr ? mapState : "";
    return text;
}

void SGameItems::GetMapDescription(CString& out)
{
    // The map tags come from the renderer's current map; without a renderer there is none.
    if (m_pParser == nullptr) {
        out = FormatMapDescription(nullptr, nullptr);
        return;
    }
    char name[201] = {};
    char state[26] = {};
    uint8_t flag = 0;
    const bool hasName = m_pParser->FindMapTagValue("MapName", &flag, name, 200) != 0;
    const bool hasState = m_pParser->FindMapTagValue("MapState", &flag, state, 25) != 0;
    out = FormatMapDescription(hasName ? name : nullptr, hasState ? state : nullptr);
}
