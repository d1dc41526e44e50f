// A game-logic library for the bridge tests: it keeps a log of the calls it receives and
// answers it as the property "Log"; other properties it reads from the environment.
// Deliberate answers let the tests see the bridge's handling: GetState answers the 16-bit -2,
// SessionCommand answers its argument.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/GameInterface.h"
#include "app/SGameItems.h"
#include "core/SDataCollection.h"

namespace {

std::string g_log;
std::string g_answer;
SGameItems* g_pItems = nullptr;
void* const kLibraryWord = &g_log;

void Log(const std::string& entry) { g_log += entry + ";"; }

std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }

}  // namespace

TARVEX_GAME_EXPORT int Initialize(SGameItems* pItems)
{
    g_pItems = pItems;
    Log(std::string("Initialize(") + (pItems != nullptr ? "items" : "null") + ")");
    return 1;
}

TARVEX_GAME_EXPORT int GameSetup()
{
    Log("GameSetup");
    // Registers one command of each movement kind after a plain one, as a library does.
    if (g_pItems != nullptr && g_pItems->m_pCommands != nullptr) {
        g_pItems->m_pCommands->SetOrAppend("shoot", "0", 0);
        g_pItems->m_pCommands->SetOrAppend("aimy", "2", 0);
        g_pItems->m_pCommands->SetOrAppend("aimx", "3", 0);
        g_pItems->m_pCommands->SetOrAppend("aimy2", "2", 0);
    }
    return 1;
}

TARVEX_GAME_EXPORT int GetCallbacks(SHostCallbacks* pTable)
{
    Log("GetCallbacks(" + std::to_string(pTable->m_dwSize) + ")");
    // Scribbles over a host word, which the host must write again, and sets its own word.
    pTable->HostGetLevelInfo = reinterpret_cast<int (*)(SLevelInfo**)>(&GetCallbacks);
    pTable->m_pLibraryWord = kLibraryWord;
    return 1;
}

TARVEX_GAME_EXPORT int SetCallbacks(SHostCallbacks* pTable)
{
    const bool scribbleGone = pTable->HostGetLevelInfo != reinterpret_cast<int (*)(SLevelInfo**)>(&GetCallbacks);
    const bool ownWordKept = pTable->m_pLibraryWord == kLibraryWord;
    const int noOpA = pTable->HostNoOpA != nullptr ? pTable->HostNoOpA() : -1;
    const int noOpB = pTable->HostNoOpB != nullptr ? pTable->HostNoOpB() : -1;
    Log("SetCallbacks(" + std::to_string(pTable->m_dwSize) + "," + (scribbleGone ? "rewritten" : "scribbled") +
        "," + (ownWordKept ? "kept" : "lost") + "," + std::to_string(noOpA) + "," + std::to_string(noOpB) + ")");
    return 1;
}

TARVEX_GAME_EXPORT int SetProperty(const char* pszName, const char* pszValue)
{
    Log("SetProperty(" + Text(pszName) + "," + Text(pszValue) + ")");
    return 1;
}

TARVEX_GAME_EXPORT const char* GetProperty(const char* pszName)
{
    if (std::string(Text(pszName)) == "Log") {
        g_answer = g_log;
        return g_answer.c_str();
    }
    // Other answers come from the environment ("RECORDGAME_Hunter"), so a test can stand in
    // for a lobby that launched the program.
    return std::getenv(("RECORDGAME_" + Text(pszName)).c_str());
}

TARVEX_GAME_EXPORT int16_t GetState() { return -2; }

TARVEX_GAME_EXPORT int SessionCommand(int code, int argument)
{
    Log("SessionCommand(" + std::to_string(code) + "," + std::to_string(argument) + ")");
    return argument;
}

TARVEX_GAME_EXPORT int ReleaseMultiplayer()
{
    Log("ReleaseMultiplayer");
    // Left in the items so a test can see it ran while the library was still loaded.
    if (g_pItems != nullptr && g_pItems->m_pTable1 != nullptr) {
        g_pItems->m_pTable1->SetOrAppend("ReleasedBeforeUnload", "1", 0);
    }
    return 1;
}

TARVEX_GAME_EXPORT int GetLastSessionError(char* pszBuffer, int size)
{
    std::snprintf(pszBuffer, static_cast<size_t>(size), "%s", "session lost");
    return 1;
}
