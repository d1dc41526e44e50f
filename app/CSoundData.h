#pragma once

#include <cstdint>

#include "app/CConfigSection.h"
#include "core/SString.h"
#include "dx/sound/SSound.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

// The sound section of the configuration: the snd_ switches and limits the sound manager works
// with. Its fields are the sound manager's own settings record, so the manager is handed this
// section directly at start-up. Owned by CConfigData.
class CSoundData : public CObject, public SSoundSettings {
    DECLARE_SERIAL(CSoundData)

public:
    CSoundData() = default;
    ~CSoundData() override = default;

    // The integer fields as 32-bit words in declaration order; the driver text is not stored.
    void Serialize(CArchive& ar) override;

    // False for a name this section does not know; numbers are clamped into their ranges.
    bool SetVariable(const char* name, const char* value);
    bool GetVariable(const char* name, SString& value) const;
    void ListVariables(CArray<SString>& names) const;
    void Write(const SConfigTextWriter& write) const;
    // The sound values a detail level sets.
    void ApplyProfile(int level);

    // Kept with the section but not a console variable.
    float m_fScale = 1.0f;
};
