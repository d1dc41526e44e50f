#pragma once

#include <cstdint>

#include "app/SHostCallbacks.h"

class CObList;
class SDC;
class SGameItems;
class SObjectDefList;

// The game-logic library's side of the program: the 25 functions it exports with C names,
// as the host calls them. The host's bridge (SGameDLL) and our own library (game/) both
// include this header, so a signature changed here is changed for both. Texts are
// NUL-terminated 8-bit strings; values the old interface carried in 32-bit words that may
// hold addresses are pointer-sized.
//
// Every export must catch what it throws: nothing may unwind into the host.
namespace game_api {

using InitializeFn = int (*)(SGameItems* pItems);
using GameSetupFn = int (*)();
using UpdateFn = int (*)();
using ParseCommandFn = int (*)(const char* pszLine);
using ObjectParseFn = int (*)(const char* pszLine);
using ObjectParseIsParsingFn = int (*)();
// The library's state code is a 16-bit value; the host widens it with its sign.
using GetStateFn = int16_t (*)();
// input state: 0 pressed, 1 released, 2 plain.
using DoCommandFn = int (*)(int index, int inputState, const char* pszArguments);
// Both write their answer into the word the caller passes (set to null beforehand).
using GetObjectListFn = int (*)(SObjectDefList** ppList);
using GetCheatsFn = int (*)(void** ppCheats);
// Non-zero on success.
using SessionCommandFn = int (*)(int code, int argument);
using SetCallbacksFn = int (*)(SHostCallbacks* pTable);
using GetCallbacksFn = int (*)(SHostCallbacks* pTable);
using SaveWorldFn = int (*)(intptr_t value);
using LoadWorldFn = int (*)(intptr_t value);
using ClearWorldFn = int (*)();
using GetAvailableSessionsFn = int (*)(intptr_t value);
using StopAsyncEnumerationFn = int (*)();
using SetPropertyFn = int (*)(const char* pszName, const char* pszValue);
// The library's text, or null when it has no value; valid until the next call.
using GetPropertyFn = const char* (*)(const char* pszName);
using ReleaseMultiplayerFn = int (*)();
using PostRenderFn = int (*)(SDC* pContext);
using GetCommFn = int (*)();
using GetLastSessionErrorFn = int (*)(char* pszBuffer, int size);
// The library's list of client-state records.
using GetClientListFn = CObList* (*)();

// The export names in the order the bridge looks them up.
constexpr int kExportCount = 25;
inline constexpr const char* kExportNames[kExportCount] = {
    "Initialize",          "GameSetup",         "Update",         "ParseCommand",
    "ObjectParse",         "ObjectParseIsParsing", "GetState",    "DoCommand",
    "GetObjectList",       "GetCheats",         "SessionCommand", "SetCallbacks",
    "GetCallbacks",        "SaveWorld",         "LoadWorld",      "ClearWorld",
    "GetAvailableSessions", "StopAsyncEnumeration", "GetProperty", "SetProperty",
    "ReleaseMultiplayer",  "PostRender",        "GetComm",        "GetLastSessionError",
    "GetClientList",
};

// The property by which the host stops the session's clock while the player cannot play ("1")
// and lets it run on from there ("0").
inline constexpr const char* kPausedProperty = "Paused";

}  // namespace game_api

// Marks a function of the library as one of its exports (the library is built with hidden
// visibility, so only these names are seen from outside).
#define TARVEX_GAME_EXPORT extern "C" __attribute__((visibility("default")))
