// The 25 exports of our stand-in game-logic library. Each forwards to the one SStandInGame of
// the library and catches whatever is thrown on the way: an exception must never unwind into
// the host, which was not built to expect one from here.

#include <type_traits>

#include "app/GameInterface.h"
#include "game/SStandInGame.h"

namespace {

SStandInGame& Game()
{
    static SStandInGame game;
    return game;
}

template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

}  // namespace

TARVEX_GAME_EXPORT int Initialize(SGameItems* pItems)
{
    return Guarded(0, [&] {
        Game().Initialize(pItems);
        return 1;
    });
}

TARVEX_GAME_EXPORT int GameSetup()
{
    return Guarded(0, [] {
        Game().Setup();
        return 1;
    });
}

TARVEX_GAME_EXPORT int Update()
{
    return Guarded(0, [] {
        Game().Update();
        return 1;
    });
}

TARVEX_GAME_EXPORT int ParseCommand(const char* pszLine)
{
    return Guarded(0, [&] { return Game().ParseCommand(pszLine); });
}

TARVEX_GAME_EXPORT int ObjectParse(const char* pszLine)
{
    return Guarded(0, [&] { return Game().ObjectParse(pszLine); });
}

TARVEX_GAME_EXPORT int ObjectParseIsParsing()
{
    return Guarded(0, [] { return Game().IsParsingObject() ? 1 : 0; });
}

TARVEX_GAME_EXPORT int16_t GetState()
{
    return Guarded<int16_t>(0, [] { return Game().GetState(); });
}

TARVEX_GAME_EXPORT int DoCommand(int index, int inputState, const char* pszArguments)
{
    return Guarded(0, [&] { return Game().DoCommand(index, inputState, pszArguments); });
}

TARVEX_GAME_EXPORT int GetObjectList(SObjectDefList** ppList)
{
    return Guarded(0, [&] {
        if (ppList == nullptr) {
            return 0;
        }
        *ppList = Game().GetObjectList();
        return 1;
    });
}

TARVEX_GAME_EXPORT int GetCheats(void** ppCheats)
{
    // No cheats: the word stays null.
    if (ppCheats != nullptr) {
        *ppCheats = nullptr;
    }
    return 0;
}

TARVEX_GAME_EXPORT int SessionCommand(int code, int argument)
{
    return Guarded(0, [&] { return Game().SessionCommand(code, argument); });
}

TARVEX_GAME_EXPORT int SetCallbacks(SHostCallbacks* pTable)
{
    return Guarded(0, [&] { return Game().SetCallbacks(pTable); });
}

TARVEX_GAME_EXPORT int GetCallbacks(SHostCallbacks* pTable)
{
    return Guarded(0, [&] { return Game().GetCallbacks(pTable); });
}

// Worlds are not saved, loaded or enumerated by this library.
TARVEX_GAME_EXPORT int SaveWorld(intptr_t /*value*/) { return 0; }
TARVEX_GAME_EXPORT int LoadWorld(intptr_t /*value*/) { return 0; }
TARVEX_GAME_EXPORT int ClearWorld() { return 0; }
TARVEX_GAME_EXPORT int GetAvailableSessions(intptr_t /*value*/) { return 0; }
TARVEX_GAME_EXPORT int StopAsyncEnumeration() { return 0; }

TARVEX_GAME_EXPORT int SetProperty(const char* pszName, const char* pszValue)
{
    return Guarded(0, [&] { return Game().SetProperty(pszName, pszValue); });
}

TARVEX_GAME_EXPORT const char* GetProperty(const char* pszName)
{
    return Guarded<const char*>(nullptr, [&] { return Game().GetProperty(pszName); });
}

TARVEX_GAME_EXPORT int ReleaseMultiplayer()
{
    return Guarded(0, [] { return Game().ReleaseMultiplayer(); });
}

TARVEX_GAME_EXPORT int PostRender(SDC* /*pContext*/) { return 0; }

TARVEX_GAME_EXPORT int GetComm() { return 0; }

TARVEX_GAME_EXPORT int GetLastSessionError(char* pszBuffer, int size)
{
    return Guarded(0, [&] { return Game().GetLastSessionError(pszBuffer, size); });
}

TARVEX_GAME_EXPORT CObList* GetClientList()
{
    return Guarded<CObList*>(nullptr, [] { return Game().GetClientList(); });
}

// The exports must have exactly the signatures the host calls them with.
static_assert(std::is_same_v<decltype(&Initialize), game_api::InitializeFn>);
static_assert(std::is_same_v<decltype(&GameSetup), game_api::GameSetupFn>);
static_assert(std::is_same_v<decltype(&Update), game_api::UpdateFn>);
static_assert(std::is_same_v<decltype(&ParseCommand), game_api::ParseCommandFn>);
static_assert(std::is_same_v<decltype(&ObjectParse), game_api::ObjectParseFn>);
static_assert(std::is_same_v<decltype(&ObjectParseIsParsing), game_api::ObjectParseIsParsingFn>);
static_assert(std::is_same_v<decltype(&GetState), game_api::GetStateFn>);
static_assert(std::is_same_v<decltype(&DoCommand), game_api::DoCommandFn>);
static_assert(std::is_same_v<decltype(&GetObjectList), game_api::GetObjectListFn>);
static_assert(std::is_same_v<decltype(&GetCheats), game_api::GetCheatsFn>);
static_assert(std::is_same_v<decltype(&SessionCommand), game_api::SessionCommandFn>);
static_assert(std::is_same_v<decltype(&SetCallbacks), game_api::SetCallbacksFn>);
static_assert(std::is_same_v<decltype(&GetCallbacks), game_api::GetCallbacksFn>);
static_assert(std::is_same_v<decltype(&SaveWorld), game_api::SaveWorldFn>);
static_assert(std::is_same_v<decltype(&LoadWorld), game_api::LoadWorldFn>);
static_assert(std::is_same_v<decltype(&ClearWorld), game_api::ClearWorldFn>);
static_assert(std::is_same_v<decltype(&GetAvailableSessions), game_api::GetAvailableSessionsFn>);
static_assert(std::is_same_v<decltype(&StopAsyncEnumeration), game_api::StopAsyncEnumerationFn>);
static_assert(std::is_same_v<decltype(&SetProperty), game_api::SetPropertyFn>);
static_assert(std::is_same_v<decltype(&GetProperty), game_api::GetPropertyFn>);
static_assert(std::is_same_v<decltype(&ReleaseMultiplayer), game_api::ReleaseMultiplayerFn>);
static_assert(std::is_same_v<decltype(&PostRender), game_api::PostRenderFn>);
static_assert(std::is_same_v<decltype(&GetComm), game_api::GetCommFn>);
static_assert(std::is_same_v<decltype(&GetLastSessionError), game_api::GetLastSessionErrorFn>);
static_assert(std::is_same_v<decltype(&GetClientList), game_api::GetClientListFn>);
