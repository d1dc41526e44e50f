#pragma once

#include <cstdint>

#include "app/GameInterface.h"
#include "core/SString.h"

class CObList;
class SDataCollection;
class SDC;
class SGameItems;
class SObjectDefList;
struct SHostCallbacks;

// The host's only door to the game-logic library: loads it, looks up its 25 exports by name
// and forwards one operation per export, answering a fixed value when the library lacks that
// export. The hub owns the one bridge and deletes it before its other members; deleting it
// unloads the library.
class SGameDLL {
public:
    // The file the program has always loaded; the platform maps it to our shared object.
    static constexpr const char* kLibraryName = "VQ9Game.dll";

    // Loads the library from the path and looks up its exports, then passes the profile's
    // four switches as properties. A library that cannot be loaded is reported in a message
    // box ("Failed to load game DLL!\n", the path and, for a file that is there, ": " and why)
    // and ends construction with the class library's user exception.
    explicit SGameDLL(const char* pszPath);
    // Releases what may run the library's code (Unload), then frees the library.
    virtual ~SGameDLL();
    SGameDLL(const SGameDLL&) = delete;
    SGameDLL& operator=(const SGameDLL&) = delete;

    // Where the library is: "VQ9Game.dll" when the current directory has it, else
    // start directory + "\Home\VQ9Game.dll".
    static SString FindLibraryPath(const SString& startDir);
    // Gives the library what it works with: the base path (copied into the game items), the
    // game items themselves, the host callback table, then lets it set itself up. The items
    // are remembered so that Unload can release them in time; they must outlive the bridge.
    void HandOver(SGameItems* pItems, const SString& basePathRaw);
    // The name of the first entry of the game-command list whose value is exactly `kind`
    // (byte for byte); out is left as it is when none matches.
    static void FindGameCommandOfKind(const SDataCollection* pCommands, const char* kind, SString& out);

    // Unloads the library in a safe order: the library's multiplayer state first, then the
    // game items' actor worlds and client state, then the library itself. Nothing of the
    // library is called afterwards; every operation answers its fixed value. Harmless twice.
    void Unload();

    bool IsLoaded() const { return m_hModule != nullptr; }

    // --- Forwarding operations, one per export --------------------------------------------------
    int Initialize(SGameItems* pItems);
    // Always 1.
    int GameSetup();
    int Update();
    // Always 1: the console counts the line as handled.
    int ParseCommand(const char* pszLine);
    int ObjectParse(const char* pszLine);
    int ObjectParseIsParsing();
    // The library's 16-bit state code, sign-extended.
    int GetState();
    int DoCommand(int index, int inputState, const char* pszArguments);
    SObjectDefList* GetObjectList();
    void* GetCheats();
    // Non-zero from the library; a missing export or an answer of 0 throws the class
    // library's user exception.
    int SessionCommand(int code, int argument);
    int SetCallbacks(SHostCallbacks* pTable);
    int GetCallbacks(SHostCallbacks* pTable);
    int SaveWorld(intptr_t value);
    int LoadWorld(intptr_t value);
    int ClearWorld();
    int GetAvailableSessions(intptr_t value);
    int StopAsyncEnumeration();
    int SetProperty(const char* pszName, const char* pszValue);
    // The library's text, or null; callers read null as empty.
    const char* GetProperty(const char* pszName);
    int ReleaseMultiplayer();
    int PostRender(SDC* pContext);
    int GetComm();
    // Without the export a positive size still leaves an empty text in the buffer.
    int GetLastSessionError(char* pszBuffer, int size);
    CObList* GetClientList();

private:
    // Passes each profile switch that is on to the library as the property "1".
    void PassProfileSwitches();
    void ClearExports();

    void* m_hModule = nullptr;
    game_api::InitializeFn m_pfnInitialize = nullptr;
    game_api::GameSetupFn m_pfnGameSetup = nullptr;
    game_api::UpdateFn m_pfnUpdate = nullptr;
    game_api::ParseCommandFn m_pfnParseCommand = nullptr;
    game_api::ObjectParseFn m_pfnObjectParse = nullptr;
    game_api::ObjectParseIsParsingFn m_pfnObjectParseIsParsing = nullptr;
    game_api::GetStateFn m_pfnGetState = nullptr;
    game_api::DoCommandFn m_pfnDoCommand = nullptr;
    game_api::GetObjectListFn m_pfnGetObjectList = nullptr;
    game_api::GetCheatsFn m_pfnGetCheats = nullptr;
    game_api::SessionCommandFn m_pfnSessionCommand = nullptr;
    game_api::SetCallbacksFn m_pfnSetCallbacks = nullptr;
    game_api::GetCallbacksFn m_pfnGetCallbacks = nullptr;
    game_api::SaveWorldFn m_pfnSaveWorld = nullptr;
    game_api::LoadWorldFn m_pfnLoadWorld = nullptr;
    game_api::ClearWorldFn m_pfnClearWorld = nullptr;
    game_api::GetAvailableSessionsFn m_pfnGetAvailableSessions = nullptr;
    game_api::StopAsyncEnumerationFn m_pfnStopAsyncEnumeration = nullptr;
    game_api::SetPropertyFn m_pfnSetProperty = nullptr;
    game_api::GetPropertyFn m_pfnGetProperty = nullptr;
    game_api::ReleaseMultiplayerFn m_pfnReleaseMultiplayer = nullptr;
    game_api::PostRenderFn m_pfnPostRender = nullptr;
    game_api::GetCommFn m_pfnGetComm = nullptr;
    game_api::GetLastSessionErrorFn m_pfnGetLastSessionError = nullptr;
    game_api::GetClientListFn m_pfnGetClientList = nullptr;

    // The game items handed over; released before the library goes. Not owned.
    SGameItems* m_pItems = nullptr;
};
