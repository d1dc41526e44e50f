#pragma once

#include <cstdint>

#include "frontend/screens/SAppScreen.h"

// The special thanks page (screen id 12), reached from the credits and leading back to them.
// It shares the help page's layout group. Owned by the screen manager.
class SSpecialThanksScreen : public SAppScreen {
    DECLARE_DYNAMIC(SSpecialThanksScreen)

public:
    static constexpr int kScreenId = 12;
    static constexpr uint32_t kBackButton = 222;

    SSpecialThanksScreen();
    ~SSpecialThanksScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    void Activate() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void OnSlideDone() override;
};
