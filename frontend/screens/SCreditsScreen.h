#pragma once

#include <cstdint>

#include "frontend/screens/SAppScreen.h"

// The credits page (screen id 9): leads back to the main menu or on to the special thanks.
// Owned by the screen manager.
class SCreditsScreen : public SAppScreen {
    DECLARE_DYNAMIC(SCreditsScreen)

public:
    static constexpr int kScreenId = 9;
    static constexpr uint32_t kBackButton = 222;
    static constexpr uint32_t kSpecialThanksButton = 333;

    SCreditsScreen();
    ~SCreditsScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    void Activate() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void OnSlideDone() override;

    int GetTarget() const { return m_iTarget; }

private:
    int32_t m_iTarget = 0;
};
