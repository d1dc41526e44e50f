#pragma once

#include <cstdint>

#include "app/CConfigSection.h"
#include "core/SString.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

// The server section of the configuration: the srv_ rules a hosted multiplayer game starts
// with (time and kill limits, flood control, player count, logging). Owned by CConfigData;
// the dedicated-server start and the game-logic library read it.
class CServerData : public CObject {
    DECLARE_SERIAL(CServerData)

public:
    static constexpr int32_t kMinPlayers = 2;
    static constexpr int32_t kMaxPlayers = 8;

    CServerData() = default;
    ~CServerData() override = default;

    // The integer fields as 32-bit words in declaration order.
    void Serialize(CArchive& ar) override;

    // False for a name this section does not know. The two texts are written to
    // "default.cfg" but are not console variables, so SET refuses them.
    bool SetVariable(const char* name, const char* value);
    bool GetVariable(const char* name, SString& value) const;
    void ListVariables(CArray<SString>& names) const;
    void Write(const SConfigTextWriter& write) const;

    int32_t m_iTime = -1;        // srv_time
    int32_t m_iKills = -1;       // srv_kills
    int32_t m_iFlood = 5;        // srv_flood
    int32_t m_iMaxPlayers = 8;   // srv_maxplayers, 2..8
    int32_t m_bClean = 1;        // srv_clean
    int32_t m_bDeath = 1;        // srv_death
    int32_t m_bLog = 0;          // srv_log
    CString m_sCurse;            // srv_curse
    CString m_sLogFile;          // srv_logfile
    int32_t m_iGame = 0;         // srv_game
};
