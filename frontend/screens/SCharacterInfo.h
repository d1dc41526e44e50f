#pragma once

#include <cstdint>

#include "frontend/screens/S3DViewScreen.h"
#include "frontend/screens/SOfficerView.h"

class SHunterInfo;
class SHunterInfoList;

// The officer information page (screen id 3), the officer's home: name, portrait, qualified
// weapons, level and note, and the ways on to the scenario choice, the history and back to the
// officer choice. It remembers the officer in "LastPlayer" and writes the officer file when it
// is left. The officer's model stands in the page's 3D view.
class SCharacterInfo : public S3DViewScreen {
    DECLARE_DYNAMIC(SCharacterInfo)

public:
    static constexpr int kScreenId = 3;
    static constexpr uint32_t kNameText = 200;
    static constexpr uint32_t kPortrait = 5;
    static constexpr uint32_t kScenarioCommand = 10;
    static constexpr uint32_t kHistoryCommand = 20;
    static constexpr uint32_t kBackCommand = 222;
    // The page's value for the model-view session record.
    static constexpr int32_t kViewSessionValue = 0x8080;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void Activate() override;
    void Deactivate() override;
    view_desc_t* GetViewDesc() override;
    void OnCameraUpdate(SActor* camera) override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void OnSlideDone() override;

    void Refresh();
    SHunterInfo* GetShown() const;
    int GetNextScreen() const { return m_iNextScreen; }
    const SOfficerView& GetOfficerView() const { return m_View; }

private:
    SHunterInfoList* m_pList = nullptr;  // the hub's
    int32_t m_iShown = -1;
    int32_t m_iNextScreen = 2;
    SOfficerView m_View;
};
