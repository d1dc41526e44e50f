#include "app/SGameDLL.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/SGameItems.h"
#include "app/SHostCallbacks.h"
#include "core/SDataCollection.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/dialogs.h"
#include "sys/fs/fs.h"
#include "sys/library.h"
#include "sys/profile.h"
#include "sys/signals.h"

namespace {

constexpr const char* kCaption = "Tarvex";
// The value that switches the library's hidden cheat filter on; any other value leaves it off.
constexpr int kCheatNoCheatKey = 507318;

template <typename Fn>
void Resolve(void* module, Fn& slot, const char* name)
{
    slot = reinterpret_cast<Fn>(sys::library::Symbol(module, name));
}

int ProfileSwitch(const char* name)
{
    return sys::profile::GetInt(sys::profile::Kind::Application, "Settings", name, 0);
}

}  // namespace

SGameDLL::SGameDLL(const char* pszPath)
{
    ClearExports();
    const std::string path = pszPath != nullptr ? pszPath : "";
    m_hModule = sys::library::Load(path);
    if (m_hModule == nullptr) {
        // The file this machine looked for, not the name the data gives it, and why a file that
        // is there could not be loaded.
        const std::string reason = sys::library::LastReason();
        // Asked to close while it was tried: nothing went wrong that the player should hear of.
        if (!sys::signals::IsCloseRequested())
            sys::dialogs::MessageBox("Failed to load game DLL!\n" + sys::fs::FullPath(sys::library::FileNameFor(path)) +
                                         (reason.empty() ? std::string() : ": " + reason),
                                     kCaption, sys::MB_OK);
        ThrowUserException();
    }

    // A missing export is no error: its operation answers a fixed value instead.
    Resolve(m_hModule, m_pfnInitialize, "Initialize");
    Resolve(m_hModule, m_pfnGameSetup, "GameSetup");
    Resolve(m_hModule, m_pfnUpdate, "Update");
    Resolve(m_hModule, m_pfnParseCommand, "ParseCommand");
    Resolve(m_hModule, m_pfnObjectParse, "ObjectParse");
    Resolve(m_hModule, m_pfnObjectParseIsParsing, "ObjectParseIsParsing");
    Resolve(m_hModule, m_pfnGetState, "GetState");
    Resolve(m_hModule, m_pfnDoCommand, "DoCommand");
    Resolve(m_hModule, m_pfnGetObjectList, "GetObjectList");
    Resolve(m_hModule, m_pfnGetCheats, "GetCheats");
    Resolve(m_hModule, m_pfnSessionCommand, "SessionCommand");
    Resolve(m_hModule, m_pfnSetCallbacks, "SetCallbacks");
    Resolve(m_hModule, m_pfnGetCallbacks, "GetCallbacks");
    Resolve(m_hModule, m_pfnSaveWorld, "SaveWorld");
    Resolve(m_hModule, m_pfnLoadWorld, "LoadWorld");
    Resolve(m_hModule, m_pfnClearWorld, "ClearWorld");
    Resolve(m_hModule, m_pfnGetAvailableSessions, "GetAvailableSessions");
    Resolve(m_hModule, m_pfnStopAsyncEnumeration, "StopAsyncEnumeration");
    Resolve(m_hModule, m_pfnGetProperty, "GetProperty");
    Resolve(m_hModule, m_pfnSetProperty, "SetProperty");
    Resolve(m_hModule, m_pfnReleaseMultiplayer, "ReleaseMultiplayer");
    Resolve(m_hModule, m_pfnPostRender, "PostRender");
    Resolve(m_hModule, m_pfnGetComm, "GetComm");
    Resolve(m_hModule, m_pfnGetLastSessionError, "GetLastSessionError");
    Resolve(m_hModule, m_pfnGetClientList, "GetClientList");

    PassProfileSwitches();
}

SGameDLL::~SGameDLL() { Unload(); }

void SGameDLL::ClearExports()
{
    m_pfnInitialize = nullptr;
    m_pfnGameSetup = nullptr;
    m_pfnUpdate = nullptr;
    m_pfnParseCommand = nullptr;
    m_pfnObjectParse = nullptr;
    m_pfnObjectParseIsParsing = nullptr;
    m_pfnGetState = nullptr;
    m_pfnDoCommand = nullptr;
    m_pfnGetObjectList = nullptr;
    m_pfnGetCheats = nullptr;
    m_pfnSessionCommand = nullptr;
    m_pfnSetCallbacks = nullptr;
    m_pfnGetCallbacks = nullptr;
    m_pfnSaveWorld = nullptr;
    m_pfnLoadWorld = nullptr;
    m_pfnClearWorld = nullptr;
    m_pfnGetAvailableSessions = nullptr;
    m_pfnStopAsyncEnumeration = nullptr;
    m_pfnSetProperty = nullptr;
    m_pfnGetProperty = nullptr;
    m_pfnReleaseMultiplayer = nullptr;
    m_pfnPostRender = nullptr;
    m_pfnGetComm = nullptr;
    m_pfnGetLastSessionError = nullptr;
    m_pfnGetClientList = nullptr;
}

void SGameDLL::PassProfileSwitches()
{
    if (ProfileSwitch("TextObjects") != 0) {
        SetProperty("TextObjects", "1");
    }
    if (ProfileSwitch("CheatNoCheat") == kCheatNoCheatKey) {
        SetProperty("CheatNoCheat", "1");
    }
    if (ProfileSwitch("HunterAroundDeer") == 1) {
        SetProperty("HunterAroundDeer", "1");
    }
    if (ProfileSwitch("AdjWeaponPos") != 0) {
        SetProperty("AdjWeaponPos", "1");
    }
}

SString SGameDLL::FindLibraryPath(const SString& startDir)
{
    // The search looks for the file the loader would open for the name, not for the name.
    std::vector<sys::fs::FindEntry> found;
    if (sys::fs::FindFiles(sys::library::FileNameFor(kLibraryName), found)) {
        return SString(kLibraryName);
    }
    SString path;
    path.Format("%s\\%s\\%s", startDir.GetString() != nullptr ? startDir.GetString() : "", "Home",
                kLibraryName);
    return path;
}

void SGameDLL::HandOver(SGameItems* pItems, const SString& basePathRaw)
{
    m_pItems = pItems;
    if (pItems != nullptr) {
        pItems->m_sBasePath = basePathRaw;
    }
    Initialize(pItems);

    // The library copies what it keeps during SetCallbacks: the table lives only here.
    SHostCallbacks table{};
    table.m_dwSize = kHostCallbacksSize;
    GetCallbacks(&table);
    FillHostCallbacks(table);
    SetCallbacks(&table);

    GameSetup();
}

void SGameDLL::FindGameCommandOfKind(const SDataCollection* pCommands, const char* kind, SString& out)
{
    if (pCommands == nullptr || kind == nullptr) {
        return;
    }
    const int last = pCommands->GetHighWater();
    for (int index = 0; index <= last; ++index) {
        const char* value = pCommands->GetValue(index).GetString();
        if (std::strcmp(value != nullptr ? value : "", kind) == 0) {
            out = pCommands->GetName(index);
            return;
        }
    }
}

void SGameDLL::Unload()
{
    if (m_hModule == nullptr) {
        return;
    }
    // The library's sessions and the actors it made run its code; they go first.
    ReleaseMultiplayer();
    if (m_pItems != nullptr) {
        m_pItems->ReleaseLibraryState();
        m_pItems = nullptr;
    }
    ClearExports();
    void* module = m_hModule;
    m_hModule = nullptr;
    sys::library::Unload(module);
}

// --- Forwarding ----------------------------------------------------------------------------------

int SGameDLL::Initialize(SGameItems* pItems) { return m_pfnInitialize != nullptr ? m_pfnInitialize(pItems) : 0; }

int SGameDLL::GameSetup()
{
    if (m_pfnGameSetup != nullptr) {
        m_pfnGameSetup();
    }
    return 1;
}

int SGameDLL::Update() { return m_pfnUpdate != nullptr ? m_pfnUpdate() : 0; }

int SGameDLL::ParseCommand(const char* pszLine)
{
    if (m_pfnParseCommand != nullptr) {
        m_pfnParseCommand(pszLine);
    }
    return 1;
}

int SGameDLL::ObjectParse(const char* pszLine) { return m_pfnObjectParse != nullptr ? m_pfnObjectParse(pszLine) : 0; }

int SGameDLL::ObjectParseIsParsing()
{
    return m_pfnObjectParseIsParsing != nullptr ? m_pfnObjectParseIsParsing() : 0;
}

int SGameDLL::GetState() { return m_pfnGetState != nullptr ? static_cast<int>(m_pfnGetState()) : 0; }

int SGameDLL::DoCommand(int index, int inputState, const char* pszArguments)
{
    return m_pfnDoCommand != nullptr ? m_pfnDoCommand(index, inputState, pszArguments) : 0;
}

SObjectDefList* SGameDLL::GetObjectList()
{
    SObjectDefList* list = nullptr;
    if (m_pfnGetObjectList != nullptr) {
        m_pfnGetObjectList(&list);
    }
    return list;
}

void* SGameDLL::GetCheats()
{
    void* cheats = nullptr;
    if (m_pfnGetCheats != nullptr) {
        m_pfnGetCheats(&cheats);
    }
    return cheats;
}

int SGameDLL::SessionCommand(int code, int argument)
{
    if (m_pfnSessionCommand == nullptr) {
        ThrowUserException();
    }
    const int result = m_pfnSessionCommand(code, argument);
    if (result == 0) {
        ThrowUserException();
    }
    return result;
}

int SGameDLL::SetCallbacks(SHostCallbacks* pTable) { return m_pfnSetCallbacks != nullptr ? m_pfnSetCallbacks(pTable) : 0; }

int SGameDLL::GetCallbacks(SHostCallbacks* pTable) { return m_pfnGetCallbacks != nullptr ? m_pfnGetCallbacks(pTable) : 0; }

int SGameDLL::SaveWorld(intptr_t value) { return m_pfnSaveWorld != nullptr ? m_pfnSaveWorld(value) : 0; }

int SGameDLL::LoadWorld(intptr_t value) { return m_pfnLoadWorld != nullptr ? m_pfnLoadWorld(value) : 0; }

int SGameDLL::ClearWorld() { return m_pfnClearWorld != nullptr ? m_pfnClearWorld() : 0; }

int SGameDLL::GetAvailableSessions(intptr_t value)
{
    return m_pfnGetAvailableSessions != nullptr ? m_pfnGetAvailableSessions(value) : 0;
}

int SGameDLL::StopAsyncEnumeration()
{
    return m_pfnStopAsyncEnumeration != nullptr ? m_pfnStopAsyncEnumeration() : 0;
}

int SGameDLL::SetProperty(const char* pszName, const char* pszValue)
{
    return m_pfnSetProperty != nullptr ? m_pfnSetProperty(pszName, pszValue) : 0;
}

const char* SGameDLL::GetProperty(const char* pszName)
{
    return m_pfnGetProperty != nullptr ? m_pfnGetProperty(pszName) : nullptr;
}

int SGameDLL::ReleaseMultiplayer() { return m_pfnReleaseMultiplayer != nullptr ? m_pfnReleaseMultiplayer() : 0; }

int SGameDLL::PostRender(SDC* pContext) { return m_pfnPostRender != nullptr ? m_pfnPostRender(pContext) : 0; }

int SGameDLL::GetComm() { return m_pfnGetComm != nullptr ? m_pfnGetComm() : 0; }

int SGameDLL::GetLastSessionError(char* pszBuffer, int size)
{
    if (m_pfnGetLastSessionError != nullptr) {
        return m_pfnGetLastSessionError(pszBuffer, size);
    }
    if (pszBuffer != nullptr && size > 0) {
        pszBuffer[0] = '\0';
    }
    return 0;
}

CObList* SGameDLL::GetClientList() { return m_pfnGetClientList != nullptr ? m_pfnGetClientList() : nullptr; }
