#pragma once

#include <cstdint>

#include "frontend/screens/SAppScreen.h"

class SHunterInfo;
class SHunterInfoList;

// The officer information page (screen id 3), the officer's home: name, portrait, qualified
// weapons, level and note, and the ways on to the scenario choice, the history and back to the
// officer choice. It remembers the officer in "LastPlayer" and writes the officer file when it
// is left.
class SCharacterInfo : public SAppScreen {
    DECLARE_DYNAMIC(SCharacterInfo)

public:
    static constexpr int kScreenId = 3;
    static constexpr uint32_t kNameText = 200;
    static constexpr uint32_t kPortrait = 5;
    static constexpr uint32_t kScenarioCommand = 10;
    static constexpr uint32_t kHistoryCommand = 20;
    static constexpr uint32_t kBackCommand = 222;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void Activate() override;
    void Deactivate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void OnSlideDone() override;

    void Refresh();
    SHunterInfo* GetShown() const;
    int GetNextScreen() const { return m_iNextScreen; }

private:
    SHunterInfoList* m_pList = nullptr;  // the hub's
    int32_t m_iShown = -1;
    int32_t m_iNextScreen = 2;
};
