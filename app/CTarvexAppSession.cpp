// The two command-line starts that skip the menus: joining a multiplayer game as a client and
// running as a dedicated server. Both end start-up by handing the session's settings to the
// game-logic library as named properties and going to the in-game screen.

#include <cstdio>
#include <string>

#include "app/CConfigData.h"
#include "app/CServerData.h"
#include "app/CTarvexApp.h"
#include "app/SFrontEndHooks.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/SOfficerHooks.h"
#include "app/actors/SActorWorld.h"
#include "core/SCommandLine.h"
#include "core/SDateUtil.h"
#include "core/SFileSystem.h"
#include "render/SD3D6Parser.h"
#include "dx/display/SGraphics.h"
#include "sys/classlib/Exceptions.h"
#include "sys/profile.h"
#include "sys/window/dialogs.h"

namespace {

constexpr int kCalibrationScreen = 8;
constexpr int kInGameScreen = 11;
constexpr const char* kMultiplayerKit = "Multiplayer";

void SetProperty(SGameObjects* hub, const char* name, const std::string& value) {
    if (hub->m_pGameDLL != nullptr)
        hub->m_pGameDLL->SetProperty(name, value.c_str());
}

std::string ValueOr(SCommandLine& commandLine, const char* key, const char* fallback) {
    std::string value;
    return commandLine.GetValue(key, value, false) ? value : std::string(fallback);
}

}  // namespace

void StripQuotes(std::string& text) {
    if (!text.empty() && text.front() == '"')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '"')
        text.pop_back();
}

void CTarvexApp::Connect(SCommandLine& commandLine) {
    const std::string target = ValueOr(commandLine, "connect", "");
    const size_t colon = target.find(':');
    const std::string server = target.substr(0, colon);
    const std::string port = colon == std::string::npos ? std::string() : target.substr(colon + 1);
    std::string name = ValueOr(commandLine, "name", "");
    StripQuotes(name);
    std::string password = ValueOr(commandLine, "password", "");
    StripQuotes(password);
    if (server.empty() || name.empty())
        return;

    // A join reuses the officer of that name, so the same player keeps one record, and plays the
    // map that record names. One that is not there is named as the scenario page names it, in
    // a message box as start-up's others, and start-up stays on its first screen, where the
    // player can choose another level.
    SHunterInfo* officer = nullptr;
    SOfficerHooks* records = SOfficerHooks::Installed();
    SHunterInfoList* officers = m_pHub->LoadPlayerList(false);
    if (records != nullptr && officers != nullptr)
        officer = records->FindOfficer(*officers, name.c_str());
    if (officer != nullptr) {
        // The officer pages open on the officer "LastPlayer" names: the join's officer is
        // current there too, not only in the hub, whether he plays or his map is missing.
        sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", name);
        SOfficerGameValues values;
        records->GetGameValues(*officer, values);
        const SString path = MapPathInHome(values.m_sMapFile);
        if (!values.m_sMapFile.IsEmpty() && !SFileSystem::FileExists(path.GetString())) {
            m_pHub->SetCurrentPlayer(officer);
            sys::dialogs::MessageBox(MissingMapText(path).GetString(), kTitle, sys::MB_OK);
            return;
        }
    }

    SetProperty(m_pHub, "Join", server);
    SetProperty(m_pHub, "Hunter", name);
    if (officer == nullptr && records != nullptr) {
        SObjectDefList* items = m_pHub->m_pGameDLL != nullptr ? m_pHub->m_pGameDLL->GetObjectList() : nullptr;
        officer = records->CreateOfficer(m_pHub, name.c_str(), kMultiplayerKit, items);
    }
    m_pHub->SetCurrentPlayer(officer);
    SetProperty(m_pHub, "ServerType", "TCP");
    if (!password.empty())
        SetProperty(m_pHub, "Password", password);
    if (!port.empty())
        SetProperty(m_pHub, "ServerQueryPort", port);
    m_pHub->SetGameType(3);
    EnterPlayScreen();
}

void CTarvexApp::EnterPlayScreen() {
    SFrontEndHooks::Installed().SwitchScreen(m_pHub, m_pHub->IsLightGunActive() ? kCalibrationScreen : kInGameScreen);
}

void CTarvexApp::StartDedicated(SCommandLine& commandLine) {
    SetProperty(m_pHub, "ServerDedicated", "1");
    m_bDedicatedServer = 1;
    std::string value;
    // The level record's map path as the library's map-path callback builds it (a leading "\\"
    // is the working folder). A server has nothing to serve without its map, and nobody to click
    // a message away: one it cannot find is named on standard error, in the scenario page's
    // words, and start-up stops there.
    if (commandLine.GetValue("map", value, false)) {
        HostLevelInfo().m_sMapPath = MapPathInHome(value.c_str());
        const SString& path = HostLevelInfo().m_sMapPath;
        if (!SFileSystem::FileExists(path.GetString())) {
            std::fprintf(stderr, "%s: %s\n", kTitle, MissingMapText(path).GetString());
            std::fflush(stderr);
            ThrowUserException();
        }
    }
    if (commandLine.GetValue("date", value, false)) {
        SGameItems* items = m_pHub->m_pGameItems;
        if (items != nullptr && items->m_pWorld[0] != nullptr)
            items->m_pWorld[0]->m_Date = ParseDate(value.c_str());
    }
    if (commandLine.GetValue("time", value, false))
        SetProperty(m_pHub, "HuntStartTime", value);
    SetProperty(m_pHub, "Host", ValueOr(commandLine, "name", "DedicatedHost"));
    if (commandLine.GetValue("password", value, false))
        SetProperty(m_pHub, "password", value);
    SetProperty(m_pHub, "ServerType", ValueOr(commandLine, "type", "TCP"));
    SetProperty(m_pHub, "MOTD", ValueOr(commandLine, "MOTD", "MOTD.txt"));
    const CServerData* server = m_pHub->m_pConfig != nullptr ? m_pHub->m_pConfig->m_pServer : nullptr;
    const std::string maxPlayers = std::to_string(server != nullptr ? server->m_iMaxPlayers : 0);
    SetProperty(m_pHub, "MaxPlayers", ValueOr(commandLine, "srv_maxplayers", maxPlayers.c_str()));

    static const char* const kServerOptions[][2] = {
        {"srv_clean", "ServerCleanMode"}, {"srv_death", "ServerShootHunters"}, {"srv_flood", "ServerFloodLimit"},
        {"srv_game", "ServerGameType"},   {"srv_kills", "ServerKillLimit"},    {"srv_time", "ServerTimeLimit"},
    };
    for (const auto& option : kServerOptions) {
        std::string setting = ValueOr(commandLine, option[0], "0");
        if (setting == "-1")
            setting = "0";
        SetProperty(m_pHub, option[1], setting);
    }

    bool flag = false;
    if (commandLine.GetFlag(flag, "srv_log", false))
        SetProperty(m_pHub, "ServerLogFile", "KR5Server.log");
    if (commandLine.GetValue("srv_logfile", value, false))
        SetProperty(m_pHub, "ServerLogFile", value);
    if (commandLine.GetFlag(flag, "GameSpy", false))
        SetProperty(m_pHub, "GameSpy", "1");

    if (m_pGraphics != nullptr) {
        m_pGraphics->SetDisplayOptions(0, 0);
        m_pGraphics->ResetDisplayMode();  // the server runs whatever the display answers
    }
    m_pHub->SetGameType(2);
    SFrontEndHooks::Installed().SwitchScreen(m_pHub, kInGameScreen);
}
