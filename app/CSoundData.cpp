#include "app/CSoundData.h"

IMPLEMENT_SERIAL(CSoundData, CObject, 1)

namespace {

using Row = SConfigIntRow<CSoundData>;

// The integer variables in the order of the file; snd_driver (a text) is listed between
// snd_voice and snd_3dsoftware and written last.
const Row kRows[] = {
    {"snd_enabled", &CSoundData::m_bEnabled, 0, 1},
    {"snd_3denabled", &CSoundData::m_b3DEnabled, 0, 1},
    {"snd_music", &CSoundData::m_bMusic, 0, 1},
    {"snd_voice", &CSoundData::m_bVoice, 0, 1},
    {"snd_3dsoftware", &CSoundData::m_b3DSoftware, 0, 1},
    {"snd_8bitquality", &CSoundData::m_b8BitQuality, 0, 1},
    {"snd_3dresolution", &CSoundData::m_i3DResolution, 0, 100},
    {"snd_maxsamebuffers", &CSoundData::m_iMaxSameBuffers, 1, 16},
    {"snd_idleremovetime", &CSoundData::m_iIdleRemoveTime, 0, 600},
};

constexpr const char* kDriver = "snd_driver";

}  // namespace

void CSoundData::Serialize(CArchive& ar) {
    configvars::SerializeRows(*this, kRows, ar);
}

bool CSoundData::SetVariable(const char* name, const char* value) {
    if (configvars::NameIs(name, kDriver)) {
        m_sDriver = value != nullptr ? value : "";
        return true;
    }
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::SetRow(*this, *row, value);
    return true;
}

bool CSoundData::GetVariable(const char* name, SString& value) const {
    if (configvars::NameIs(name, kDriver)) {
        value = m_sDriver.GetString();
        return true;
    }
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::GetRow(*this, *row, value);
    return true;
}

void CSoundData::ListVariables(CArray<SString>& names) const {
    names.Add(SString("\n-- Sound settings\n"));
    for (const Row& row : kRows) {
        names.Add(SString(row.name));
        if (row.field == &CSoundData::m_bVoice)
            names.Add(SString(kDriver));
    }
}

void CSoundData::Write(const SConfigTextWriter& write) const {
    write("\n-- Sound settings\n\n");
    for (const Row& row : kRows)
        configvars::WriteIntLine(write, row.name, this->*(row.field));
    SString line;
    line.Format("set %s \"%s\"", kDriver, m_sDriver.GetString());
    write(line.GetString());
    write("\n");
}

void CSoundData::ApplyProfile(int level) {
    m_b3DEnabled = 0;
    m_b8BitQuality = 0;
    m_i3DResolution = level == 4 ? 75 : (level == 5 ? 100 : 50);
}
