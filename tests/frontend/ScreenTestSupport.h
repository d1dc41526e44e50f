#pragma once

// Pages that log what the screen manager does to them, for the screen manager and page tests.

#include <string>
#include <vector>

#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SScreenManager.h"

namespace screentest {

inline std::vector<std::string>& Log() {
    static std::vector<std::string> s_log;
    return s_log;
}

class RecordingScreen : public SAppScreen {
public:
    explicit RecordingScreen(int nId) : m_nId(nId) {}
    ~RecordingScreen() override {
        // No catalog lent this layout; it is the test's own.
        if (m_pLayout != nullptr) {
            m_pLayout->SetParent(nullptr);
            delete m_pLayout;
            m_pLayout = nullptr;
        }
    }
    bool Initialise() override {
        Record("init");
        return SAppScreen::Initialise();
    }
    bool CreateScreen(const char* c, const char* t, uint32_t s, const sys::RECT& rc, SWindow* pOwner, uint32_t id,
                      void* ctx) override {
        Record("create");
        return SAppScreen::CreateScreen(c, t, s, rc, pOwner, id, ctx);
    }
    void Activate() override {
        Record("activate");
        SAppScreen::Activate();
    }
    void Deactivate() override {
        Record("deactivate");
        SAppScreen::Deactivate();
    }
    void ReleaseDeviceObjects() override { Record("release"); }
    void RestoreDeviceObjects(SGraphics*) override { Record("restore"); }
    void OnSlideDone() override {
        Record("slide done");
        SAppScreen::OnSlideDone();
        SwitchAfterSlideOut(m_nTarget);
    }
    // A layout of our own with no children, so that the slides run on the clock.
    void GiveLayout() {
        m_pLayout = new SScreen;
        m_pLayout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, this, 0, nullptr);
    }

    int m_nTarget = 0;

private:
    void Record(const char* what) { Log().push_back(std::string(what) + " " + std::to_string(m_nId)); }
    int m_nId;
};

template <int Id>
SAppScreen* MakeRecordingScreen() {
    return new RecordingScreen(Id);
}

// Every id of the page table gets a recording page.
inline void InstallRecordingScreens(SScreenManager& manager) {
    manager.SetScreenFactory(0, &MakeRecordingScreen<0>);
    manager.SetScreenFactory(1, &MakeRecordingScreen<1>);
    manager.SetScreenFactory(2, &MakeRecordingScreen<2>);
    manager.SetScreenFactory(3, &MakeRecordingScreen<3>);
    manager.SetScreenFactory(4, &MakeRecordingScreen<4>);
    manager.SetScreenFactory(5, &MakeRecordingScreen<5>);
    manager.SetScreenFactory(6, &MakeRecordingScreen<6>);
    manager.SetScreenFactory(7, &MakeRecordingScreen<7>);
    manager.SetScreenFactory(8, &MakeRecordingScreen<8>);
    manager.SetScreenFactory(9, &MakeRecordingScreen<9>);
    manager.SetScreenFactory(11, &MakeRecordingScreen<11>);
    manager.SetScreenFactory(12, &MakeRecordingScreen<12>);
    manager.SetScreenFactory(13, &MakeRecordingScreen<13>);
}

}  // namespace screentest
