#pragma once

// A display host that draws nothing and keeps nothing: the tests' base for hosts that watch
// one part of the toolkit's traffic with the display manager and let the rest pass.

#include "ui/SDisplayHost.h"

namespace tarvex::test {

class QuietDisplayHost : public SDisplayHost {
public:
    int DialogIdle() override { return 0; }
    int RenderFrameWithoutCursor() override { return 1; }
    SWindow* GetCurrentScreen() override { return nullptr; }
    void SetCurrentScreen(SWindow*) override {}
    void AddSprite(SSprite*) override {}
    void RemoveSprite(SSprite*) override {}
    void AddFont(SFont*) override {}
    void RemoveFont(SFont*) override {}
    void AddLayout(SLayout*) override {}
    void RemoveLayout(SLayout*) override {}
};

}  // namespace tarvex::test
