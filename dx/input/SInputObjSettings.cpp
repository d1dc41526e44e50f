#include "dx/input/SInputObjSettings.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/STextUtil.h"
#include "sys/classlib/Exceptions.h"

IMPLEMENT_DYNAMIC(SInputObjCommand, CObject)
IMPLEMENT_SERIAL(SInputObjSettings, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// The smallest stored command: two empty texts and six 32-bit words.
constexpr uint64_t kMinStoredCommand = 4 + 4 + 6 * 4;
// The smallest stored step: an empty text.
constexpr uint64_t kMinStoredStep = 4;

}  // namespace

// The texts are gathered whole and made into the answer once: appending to it piece by piece
// would copy the growing text at every piece.
SString SInputObjCommand::GetStepsText() const {
    std::string text;
    for (size_t i = 0; i < m_Steps.size(); ++i) {
        if (i > 0) {
            text += ';';
        }
        text += m_Steps[i].GetString();
    }
    return SString(text.c_str());
}

SInputObjSettings::SInputObjSettings() = default;

SInputObjSettings::SInputObjSettings(const SInputObjSettings& other) : CObject() { *this = other; }

SInputObjSettings& SInputObjSettings::operator=(const SInputObjSettings& other) {
    if (this == &other) {
        return *this;
    }
    m_iAiming = other.m_iAiming;
    m_iJoyAiming = other.m_iJoyAiming;
    m_iAimingNLoad = other.m_iAimingNLoad;
    m_iInvertX = other.m_iInvertX;
    m_iInvertY = other.m_iInvertY;
    m_iLightGun = other.m_iLightGun;
    m_iCalibrateLightGun = other.m_iCalibrateLightGun;
    m_iJoystick = other.m_iJoystick;
    m_iFFeedback = other.m_iFFeedback;
    m_iMSmoothing = other.m_iMSmoothing;
    m_nMSensitivity = other.m_nMSensitivity;
    m_nJSensitivity = other.m_nJSensitivity;
    m_Commands.Copy(other.m_Commands);
    m_Index.Reset();
    m_StepIndex.Reset();
    return *this;
}

SInputObjSettings::~SInputObjSettings() = default;

SInputObjCommand* SInputObjSettings::GetCommand(int index) {
    if (!IsIndex(index)) {
        return nullptr;
    }
    m_Index.Touch(index);
    return &m_Commands.ElementAt(index);
}

const SInputObjCommand* SInputObjSettings::GetCommand(int index) const {
    return IsIndex(index) ? &m_Commands.GetAt(index) : nullptr;
}

int SInputObjSettings::AddCommand(const char* name, const char* displayName, int type, int keyCode, int mouseCode,
                                  int joyCode) {
    int index = FindCommand(name);
    const bool appended = index < 0;
    if (appended) {
        index = m_Commands.Add(SInputObjCommand());
    }
    SInputObjCommand* command = &m_Commands.ElementAt(index);
    // A command bound again mostly keeps its texts as they were; only a changed one is copied.
    // Found by its name, it keeps the name but for case.
    const char* newName = name ? name : "";
    if (std::strcmp(command->m_sName.GetString(), newName) != 0) {
        command->m_sName = newName;
    }
    if (appended) {
        m_Index.Appended(m_Commands, index);
    }
    if (displayName != nullptr && displayName[0] != '\0' &&
        std::strcmp(command->m_sDisplayName.GetString(), displayName) != 0) {
        command->m_sDisplayName = displayName;
    }
    if (type != 0) {
        command->m_iType = type;
    }
    if (keyCode != -1) {
        index = UnbindCode(keyCode, -1, -1, index);
        m_Commands.ElementAt(index).m_iKeyCode = keyCode;
        m_Index.Touch(index);
    }
    if (mouseCode >= 0) {
        index = UnbindCode(-1, mouseCode, -1, index);
        m_Commands.ElementAt(index).m_iMouseCode = mouseCode;
        m_Index.Touch(index);
    }
    if (joyCode >= 0) {
        index = UnbindCode(-1, -1, joyCode, index);
        m_Commands.ElementAt(index).m_iJoyCode = joyCode;
        m_Index.Touch(index);
    }
    command = &m_Commands.ElementAt(index);
    command->m_iState = 0;
    command->m_iPrevState = 0;
    command->m_iPending = 0;
    return index;
}

int SInputObjSettings::UnbindCode(int keyCode, int mouseCode, int joyCode, int keep) {
    int kept = IsIndex(keep) ? keep : -1;
    std::vector<int> holders;
    m_Index.CollectHolders(m_Commands, keyCode, mouseCode, joyCode, kept, holders);
    // From the last holder back, so that removing one leaves the others where they are.
    for (auto it = holders.rbegin(); it != holders.rend(); ++it) {
        const int i = *it;
        SInputObjCommand& command = m_Commands.ElementAt(i);
        bool lost = false;
        if (keyCode != -1 && command.m_iKeyCode == keyCode) {
            command.m_iKeyCode = -1;
            lost = true;
        }
        if (mouseCode != -1 && command.m_iMouseCode == mouseCode) {
            command.m_iMouseCode = -1;
            lost = true;
        }
        if (joyCode != -1 && command.m_iJoyCode == joyCode) {
            command.m_iJoyCode = -1;
            lost = true;
        }
        if (lost && command.HasNoCode() && command.m_sName.IsEmpty()) {
            m_Commands.RemoveAt(i);
            m_Index.Removed(m_Commands, i);
            if (kept > i) {
                --kept;
            }
            continue;
        }
        m_Index.Touch(i);
    }
    return kept;
}

bool SInputObjSettings::AddAlias(int index, const char* step) {
    if (!IsIndex(index) || step == nullptr || WouldLoop(index, step)) {
        return false;
    }
    m_Commands.ElementAt(index).m_Steps.push_back(SString(step));
    m_StepIndex.StepAdded(m_Commands, index, IsFirstOfName(index), step);
    return true;
}

bool SInputObjSettings::WouldLoop(int index, const char* step) const {
    return IsIndex(index) && step != nullptr && m_StepIndex.LeadsBack(m_Commands, index, step);
}

SString SInputObjSettings::GetAliasText(int index) const {
    return IsIndex(index) ? m_Commands[index].GetStepsText() : SString();
}

int SInputObjSettings::GetAliasCount(int index) const {
    return IsIndex(index) ? static_cast<int>(m_Commands[index].m_Steps.size()) : 0;
}

SString SInputObjSettings::GetAlias(int index, int n) const {
    if (!IsIndex(index) || n < 0 || n >= GetAliasCount(index)) {
        return SString();
    }
    return m_Commands[index].m_Steps[static_cast<size_t>(n)];
}

void SInputObjSettings::ClearAlias(int index) {
    if (IsIndex(index)) {
        m_StepIndex.StepsCleared(m_Commands, index, IsFirstOfName(index));
        m_Commands.ElementAt(index).m_Steps.clear();
    }
}

// Each round takes one prefix off and, when the rest names a command of exactly one step,
// continues with that step; the prefixes stay in front in the order they were met. Two
// commands whose single steps name each other would go round for ever, so it stops after
// kLoopDepth replacements.
bool SInputObjSettings::ResolveAlias(const char* step, SString& resolved) const {
    SString prefix;
    SString rest(step ? step : "");
    bool replaced = false;
    for (int replacements = 0;;) {
        const char first = rest.IsEmpty() ? '\0' : static_cast<char>(rest.GetAt(0));
        if (first == '+' || first == '-') {
            prefix += first;
            rest = rest.Mid(1);
        }
        const int index = FindCommand(rest.GetString());
        if (index < 0 || m_Commands[index].m_Steps.size() != 1 || replacements == kLoopDepth) {
            break;
        }
        rest = m_Commands[index].m_Steps[0];
        replaced = true;
        ++replacements;
    }
    resolved = prefix + rest;
    return replaced;
}

int SInputObjSettings::FindCommand(const char* name) const { return m_Index.FindName(m_Commands, name); }

int SInputObjSettings::FindCommandByCodes(int keyCode, int mouseCode, int joyCode) const {
    return m_Index.FindByCodes(m_Commands, keyCode, mouseCode, joyCode);
}

SString SInputObjSettings::ListUnboundCommands() const {
    std::string text;
    for (int i = 0; i < m_Commands.GetSize(); ++i) {
        const SInputObjCommand& command = m_Commands[i];
        if (!command.m_sName.IsEmpty() && command.HasNoCode()) {
            text += command.m_sName.GetString();
            text += ' ';
        }
    }
    return SString(text.c_str());
}

int SInputObjSettings::SetAxisCommand(int slot, int index) {
    if (slot < 0 || slot >= kAxisSlots) {
        return -1;
    }
    m_AxisCommands[slot] = index;
    return index;
}

int SInputObjSettings::GetAxisCommand(int slot) const {
    return slot >= 0 && slot < kAxisSlots ? m_AxisCommands[slot] : -1;
}

// --- Variables ---

namespace {

struct VariableRow {
    const char* name;
    int32_t SInputObjSettings::*word;  // null for the two 8-bit sensitivities
    uint8_t SInputObjSettings::*byte;
};

constexpr VariableRow kVariables[] = {
    {"inp_aiming", &SInputObjSettings::m_iAiming, nullptr},
    {"inp_aiming_nload", &SInputObjSettings::m_iAimingNLoad, nullptr},
    {"inp_invertx", &SInputObjSettings::m_iInvertX, nullptr},
    {"inp_inverty", &SInputObjSettings::m_iInvertY, nullptr},
    {"inp_joystick", &SInputObjSettings::m_iJoystick, nullptr},
    {"inp_ffeedback", &SInputObjSettings::m_iFFeedback, nullptr},
    {"inp_msensitivity", nullptr, &SInputObjSettings::m_nMSensitivity},
    {"inp_jsensitivity", nullptr, &SInputObjSettings::m_nJSensitivity},
    {"inp_msmoothing", &SInputObjSettings::m_iMSmoothing, nullptr},
    {"inp_lightgun", &SInputObjSettings::m_iLightGun, nullptr},
    {"inp_calibratelightgun", &SInputObjSettings::m_iCalibrateLightGun, nullptr},
};

const VariableRow* FindVariable(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    // The configuration asks here for every name no section took: the first letter turns
    // nearly every row away before the whole comparison.
    const int first = std::tolower(static_cast<unsigned char>(name[0]));
    for (const VariableRow& row : kVariables) {
        if (std::tolower(static_cast<unsigned char>(row.name[0])) == first && CompareTextNoCase(row.name, name) == 0) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool SInputObjSettings::SetVariable(const char* name, const char* value) {
    const VariableRow* row = FindVariable(name);
    if (row == nullptr) {
        return false;
    }
    if (row->byte != nullptr) {
        this->*(row->byte) = static_cast<uint8_t>(ReadSettingInt(value, 1, 255));
        return true;
    }
    const int32_t number = ReadSettingInt(value);
    this->*(row->word) = number;
    if (row->word == &SInputObjSettings::m_iAiming) {
        m_iJoyAiming = number;
    }
    return true;
}

bool SInputObjSettings::GetVariable(const char* name, SString& value) const {
    const VariableRow* row = FindVariable(name);
    if (row == nullptr) {
        return false;
    }
    if (row->byte != nullptr) {
        value.Format("%u", static_cast<unsigned>(this->*(row->byte)));
    } else {
        value.Format("%d", this->*(row->word));
    }
    return true;
}

void SInputObjSettings::ListVariables(CArray<SString>& names) const {
    names.Add(SString("\n-- Input settings\n"));
    for (const VariableRow& row : kVariables) {
        names.Add(SString(row.name));
    }
}

// --- Configuration lines ---

void SInputObjSettings::WriteConfigPairs(const SConfigTextWriter& write) const { Write(write, true); }

void SInputObjSettings::WriteConfig(const SConfigTextWriter& write) const { Write(write, false); }

void SInputObjSettings::Write(const SConfigTextWriter& write, bool pairs) const {
    write("\n-- Input settings\n\n");
    SString line;
    for (int i = 0; i < m_Commands.GetSize(); ++i) {
        const SInputObjCommand& command = m_Commands[i];
        const SString steps = command.GetStepsText();
        const char* display = command.m_sDisplayName.GetString();
        if (!command.m_Steps.empty() && !command.m_sName.IsEmpty()) {
            if (pairs) {
                line.Format("alias %s \"%s\" \"%s\"\n", command.m_sName.GetString(), steps.GetString(), display);
            } else {
                line.Format("alias %s \"%s\"\n", command.m_sName.GetString(), steps.GetString());
            }
            write(line.GetString());
        }
        const SString bound = command.m_sName.IsEmpty() ? steps : command.m_sName;
        // An input bound to no name and no steps runs nothing: its line would read back as a
        // question about the input, not as a binding.
        if (bound.IsEmpty()) {
            continue;
        }
        const char* codeNames[3] = {
            command.m_iKeyCode >= 0 ? KeyCodeToConfigName(command.m_iKeyCode) : nullptr,
            command.m_iMouseCode >= 0 ? MouseCodeToConfigName(command.m_iMouseCode) : nullptr,
            command.m_iJoyCode >= 0 ? JoyCodeToConfigName(command.m_iJoyCode) : nullptr,
        };
        for (const char* codeName : codeNames) {
            if (codeName == nullptr) {
                continue;
            }
            if (pairs) {
                line.Format("bind %s \"%s\" \"%s\"\n", codeName, bound.GetString(), display);
            } else {
                line.Format("bind %s \"%s\"\n", codeName, bound.GetString());
            }
            write(line.GetString());
        }
    }
    const struct {
        const char* name;
        int value;
    } sets[] = {
        {"inp_aiming", m_iAiming},
        {"inp_aiming_nload", m_iAimingNLoad},
        {"inp_invertx", m_iInvertX},
        {"inp_inverty", m_iInvertY},
        {"inp_joystick", m_iJoystick},
        {"inp_lightgun", m_iLightGun},
        {"inp_calibratelightgun", m_iCalibrateLightGun},
        {"inp_ffeedback", m_iFFeedback},
        {"inp_msmoothing", m_iMSmoothing},
        {"inp_msensitivity", m_nMSensitivity},
        {"inp_jsensitivity", m_nJSensitivity},
    };
    for (const auto& set : sets) {
        line.Format("set %s \"%d\"\n", set.name, set.value);
        write(line.GetString());
    }
}

// --- Archive form ---

void SInputObjSettings::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_iAiming << m_iJoyAiming << m_iInvertX << m_iInvertY << m_iJoystick << m_iLightGun
           << m_iCalibrateLightGun << m_iFFeedback;
        ar << m_nMSensitivity << m_nJSensitivity;
        ar << m_iAimingNLoad << m_iMSmoothing;
        ar << static_cast<int32_t>(m_Commands.GetSize());
        for (int i = 0; i < m_Commands.GetSize(); ++i) {
            SInputObjCommand& command = m_Commands.ElementAt(i);
            command.m_sName.Serialize(ar);
            command.m_sDisplayName.Serialize(ar);
            ar << command.m_iKeyCode << command.m_iMouseCode << command.m_iJoyCode << command.m_iType
               << command.m_iPending << static_cast<int32_t>(command.m_Steps.size());
            for (SString& step : command.m_Steps) {
                step.Serialize(ar);
            }
        }
        return;
    }
    // Read into a scratch object first: a damaged file leaves these settings as they were.
    SInputObjSettings loaded;
    loaded.Load(ar);
    *this = loaded;
}

void SInputObjSettings::Load(CArchive& ar) {
    ar >> m_iAiming >> m_iJoyAiming >> m_iInvertX >> m_iInvertY >> m_iJoystick >> m_iLightGun >>
        m_iCalibrateLightGun >> m_iFFeedback;
    ar >> m_nMSensitivity >> m_nJSensitivity;
    ar >> m_iAimingNLoad >> m_iMSmoothing;
    int32_t count = 0;
    ar >> count;
    // A damaged count is refused before anything is made for it.
    if (count < 0) {
        ThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
    }
    ar.EnsureAvailable(static_cast<uint64_t>(count) * kMinStoredCommand);
    m_Commands.SetSize(count);
    for (int i = 0; i < count; ++i) {
        SInputObjCommand& command = m_Commands.ElementAt(i);
        command.m_Steps.clear();
        command.m_sName.Serialize(ar);
        command.m_sDisplayName.Serialize(ar);
        int32_t steps = 0;
        ar >> command.m_iKeyCode >> command.m_iMouseCode >> command.m_iJoyCode >> command.m_iType >>
            command.m_iPending >> steps;
        if (steps < 0) {
            ThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
        }
        ar.EnsureAvailable(static_cast<uint64_t>(steps) * kMinStoredStep);
        command.m_Steps.resize(static_cast<size_t>(steps));
        for (SString& step : command.m_Steps) {
            step.Serialize(ar);
        }
        command.m_iState = 0;
        command.m_iPrevState = 0;
    }
}
