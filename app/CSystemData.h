#pragma once

#include <cstdint>

#include "app/CConfigSection.h"
#include "core/SString.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

// The system section of the configuration: the game_ switches the screens, the game-logic
// library and start-up read (full screen, view size, which animals, sounds, tooltips). Owned
// by CConfigData; set, read and listed through the console's SET and LIST.
class CSystemData : public CObject {
    DECLARE_SERIAL(CSystemData)

public:
    CSystemData() = default;
    ~CSystemData() override = default;

    // The integer fields as 32-bit words in declaration order.
    void Serialize(CArchive& ar) override;

    // False for a name this section does not know.
    bool SetVariable(const char* name, const char* value);
    bool GetVariable(const char* name, SString& value) const;
    // The section header, then the variable names.
    void ListVariables(CArray<SString>& names) const;
    // The section's "default.cfg" text.
    void Write(const SConfigTextWriter& write) const;

    int32_t m_iMaxVisibleDeer = 5;   // game_maxvisibledeer
    int32_t m_bFullScreen = 0;       // game_fullscreen
    int32_t m_iViewSize = 4;         // game_viewsize
    int32_t m_bBucks = 1;            // game_bucks
    int32_t m_bDoes = 0;             // game_does
    int32_t m_bOtherAnimals = 1;     // game_otheranimals
    int32_t m_bWalkWobble = 1;       // game_walkwobble
    int32_t m_bFootsteps = 1;        // game_footsteps
    int32_t m_bToolTips = 1;         // game_tooltips
    int32_t m_bActivateSound = 1;    // game_activatesound
    int32_t m_bAttentionSound = 1;   // game_attentionsound
    int32_t m_bAutoRun = 0;          // game_autorun
};
