#include "app/CSystemData.h"

IMPLEMENT_SERIAL(CSystemData, CObject, 1)

namespace {

using Row = SConfigIntRow<CSystemData>;

// Declaration order is also the order of the file and of LIST.
const Row kRows[] = {
    {"game_maxvisibledeer", &CSystemData::m_iMaxVisibleDeer},
    {"game_fullscreen", &CSystemData::m_bFullScreen},
    {"game_viewsize", &CSystemData::m_iViewSize},
    {"game_bucks", &CSystemData::m_bBucks},
    {"game_does", &CSystemData::m_bDoes},
    {"game_otheranimals", &CSystemData::m_bOtherAnimals},
    {"game_walkwobble", &CSystemData::m_bWalkWobble},
    {"game_footsteps", &CSystemData::m_bFootsteps},
    {"game_tooltips", &CSystemData::m_bToolTips},
    {"game_activatesound", &CSystemData::m_bActivateSound},
    {"game_attentionsound", &CSystemData::m_bAttentionSound},
    {"game_autorun", &CSystemData::m_bAutoRun},
};

}  // namespace

void CSystemData::Serialize(CArchive& ar) {
    configvars::SerializeRows(*this, kRows, ar);
}

bool CSystemData::SetVariable(const char* name, const char* value) {
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::SetRow(*this, *row, value);
    return true;
}

bool CSystemData::GetVariable(const char* name, SString& value) const {
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::GetRow(*this, *row, value);
    return true;
}

void CSystemData::ListVariables(CArray<SString>& names) const {
    names.Add(SString("\n-- System settings\n"));
    configvars::ListRows(kRows, names);
}

void CSystemData::Write(const SConfigTextWriter& write) const {
    write("\n-- System settings\n\n");
    for (const Row& row : kRows)
        configvars::WriteIntLine(write, row.name, this->*(row.field));
}
