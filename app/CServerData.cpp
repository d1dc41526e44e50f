#include "app/CServerData.h"

IMPLEMENT_SERIAL(CServerData, CObject, 1)

namespace {

using Row = SConfigIntRow<CServerData>;

// Declaration order, the order of LIST and of the archive.
const Row kRows[] = {
    {"srv_time", &CServerData::m_iTime},
    {"srv_kills", &CServerData::m_iKills},
    {"srv_flood", &CServerData::m_iFlood},
    {"srv_maxplayers", &CServerData::m_iMaxPlayers, CServerData::kMinPlayers, CServerData::kMaxPlayers},
    {"srv_clean", &CServerData::m_bClean},
    {"srv_death", &CServerData::m_bDeath},
    {"srv_log", &CServerData::m_bLog},
    {"srv_game", &CServerData::m_iGame},
};

// Stored files have always listed the server integers in this order.
int32_t CServerData::*const kFileOrder[] = {
    &CServerData::m_bClean, &CServerData::m_bLog,   &CServerData::m_bDeath, &CServerData::m_iFlood,
    &CServerData::m_iGame,  &CServerData::m_iKills, &CServerData::m_iTime,  &CServerData::m_iMaxPlayers,
};

const Row& RowOf(int32_t CServerData::*field) {
    for (const Row& row : kRows) {
        if (row.field == field)
            return row;
    }
    return kRows[0];
}

}  // namespace

void CServerData::Serialize(CArchive& ar) {
    configvars::SerializeRows(*this, kRows, ar);
}

bool CServerData::SetVariable(const char* name, const char* value) {
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::SetRow(*this, *row, value);
    return true;
}

bool CServerData::GetVariable(const char* name, SString& value) const {
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::GetRow(*this, *row, value);
    return true;
}

void CServerData::ListVariables(CArray<SString>& names) const {
    names.Add(SString("\n-- Server settings\n"));
    configvars::ListRows(kRows, names);
}

void CServerData::Write(const SConfigTextWriter& write) const {
    write("\n-- Server settings\n\n");
    for (int32_t CServerData::*field : kFileOrder)
        configvars::WriteIntLine(write, RowOf(field).name, this->*field);
    // The two texts go unquoted, as stored files have them.
    SString line;
    line.Format("set %s %s\n", "srv_curse", m_sCurse.GetString());
    write(line.GetString());
    line.Format("set %s %s\n", "srv_logfile", m_sLogFile.GetString());
    write(line.GetString());
}
