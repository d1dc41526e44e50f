// The toolkit's side of the display manager: installing it, sprites, fonts and surface contexts
// told across a display reset through it, the current screen drawn in the back-buffer context,
// and the generic dialogs with and without the front end's factory.

#include <gtest/gtest.h>

#include "sys/window/dialogs.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/dx/display/GraphicsTestSupport.h"
#include "ui/SDialog.h"
#include "ui/SFont.h"
#include "ui/SGraphicsHost.h"
#include "ui/SSprite.h"
#include "ui/SSurfaceDC.h"
#include "ui/SWindow.h"
#include "ui/widgets/STextCtrl.h"

namespace {

using namespace tarvex::test;

class LoggingSprite : public SSprite {
public:
    explicit LoggingSprite(CallLog& log) : m_log(log) {}
    int DropSurface() override { return Log("sprite drop", 1); }
    int RestoreSurfaces(SDXDraw*) override { return Log("sprite restore", 0); }
    int RebuildSurface(SDXDraw*) override { return Log("sprite rebuild", 1); }

private:
    int Log(const char* text, int answer) {
        m_log.push_back(text);
        return answer;
    }
    CallLog& m_log;
};

class LoggingFont : public SFont {
public:
    explicit LoggingFont(CallLog& log) : m_log(log) {}
    bool ReleaseSurface() override {
        m_log.push_back("font release");
        return true;
    }
    bool Rebuild(SDXDraw*) override {
        m_log.push_back("font rebuild");
        return true;
    }

private:
    CallLog& m_log;
};

class LoggingScreen : public SWindow {
public:
    int Draw(SDC* pDC) override {
        drawnIn = pDC;
        return 1;
    }
    int Update(uintptr_t nValue) override {
        updateValue = nValue;
        return 1;
    }
    SDC* drawnIn = nullptr;
    uintptr_t updateValue = 0;
};

// Makes a dialog with a text child (100) that Enter ends with 1, and remembers the value.
class TestDialogFactory : public SGenericDialogFactory {
public:
    SDialog* CreateDialog(const char* group, const char* layout) override {
        asked = std::string(group) + ":" + layout;
        auto* dialog = new SDialog;
        dialog->Create(nullptr, "D", 0, {100, 100, 300, 200}, nullptr, 0, nullptr);
        text = new SWindow;
        text->Create(nullptr, "", 0, {0, 0, 100, 20}, dialog, 100, nullptr);
        dialog->SetFocus();
        return dialog;
    }
    void SetDialogValue(SDialog*, uint32_t v) override { value = v; }
    std::string asked;
    uint32_t value = 0;
    SWindow* text = nullptr;
};

class GraphicsHostTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        host.Install();
    }
    void TearDown() override {
        host.Uninstall();
        GraphicsTest::TearDown();
    }
    SGraphicsHost host{&graphics};
};

TEST_F(GraphicsHostTest, InstallingMakesItTheHostRegistryAndClient) {
    EXPECT_EQ(SDisplayHost::GetInstance(), &host);
    EXPECT_EQ(SSurfaceDC::GetRegistry(), &host);
    EXPECT_EQ(graphics.GetClient(), &host);
    EXPECT_EQ(host.GetDisplay(), &graphics);
    host.Uninstall();
    EXPECT_EQ(SDisplayHost::GetInstance(), nullptr);
    EXPECT_EQ(SSurfaceDC::GetRegistry(), nullptr);
    EXPECT_EQ(graphics.GetClient(), nullptr);
}

TEST_F(GraphicsHostTest, RegisteredObjectsAreToldAcrossAReset) {
    LoggingSprite sprite(log);
    LoggingFont font(log);
    host.AddSprite(&sprite);
    host.AddFont(&font);
    ASSERT_EQ(Reset(0), 1);
    const CallLog expected{"sprite drop", "font release", "sprite restore", "sprite rebuild", "font rebuild"};
    CallLog seen;
    for (const std::string& entry : log) {
        if (entry.rfind("sprite", 0) == 0 || entry.rfind("font", 0) == 0) {
            seen.push_back(entry);
        }
    }
    EXPECT_EQ(seen, expected);
    host.RemoveSprite(&sprite);
    host.RemoveFont(&font);
    log.clear();
    ASSERT_EQ(Reset(0), 1);
    for (const std::string& entry : log) {
        EXPECT_NE(entry.rfind("sprite", 0), 0u);
    }
}

TEST_F(GraphicsHostTest, AnOffScreenContextKeepsItsSizeAcrossAReset) {
    ASSERT_EQ(Reset(0), 1);
    SSurfaceDC onBack(graphics.GetBack(), false);
    SDC* made = onBack.CreateCompatibleDC(32, 16);
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(Reset(1), 1);
    SDXSurface* surface = made->GetSurface();
    ASSERT_NE(surface, nullptr);
    ASSERT_NE(surface->GetSurface(), nullptr);
    EXPECT_EQ(surface->GetWidth(), 32);
    EXPECT_EQ(surface->GetHeight(), 16);
    delete made;
    EXPECT_EQ(Reset(0), 1);  // the deleted context is no longer told
}

TEST_F(GraphicsHostTest, AFrameDrawsAndUpdatesTheCurrentScreenInTheBackContext) {
    LoggingScreen screen;
    host.SetCurrentScreen(&screen);
    ASSERT_EQ(Reset(0), 1);
    ASSERT_NE(host.GetSourceDC(), nullptr);
    EXPECT_EQ(host.GetSourceDC()->GetSurface(), graphics.GetInterfaceSource());
    EXPECT_EQ(host.GetBackgroundDC()->GetSurface(), graphics.GetInterfaceBackground());
    SDXSurface* background = graphics.CreateUIBackground();
    EXPECT_EQ(host.GetBackgroundDC()->GetSurface(), background);
    graphics.RenderFrame();
    EXPECT_EQ(screen.drawnIn, host.GetBackDC());
    EXPECT_EQ(screen.updateValue, reinterpret_cast<uintptr_t>(static_cast<SDC*>(host.GetBackDC())));
    EXPECT_EQ(host.GetBackDC()->GetSurface(), graphics.GetBack());
    host.SetCurrentScreen(nullptr);
}

TEST_F(GraphicsHostTest, WithoutTheGenericLayoutsTheDialogsFail) {
    EXPECT_EQ(host.MessageDialog("Quit?", 1, nullptr, 5), 0);
    EXPECT_EQ(host.NoticeDialog("Done", 0, nullptr), 0);
    EXPECT_TRUE(sys::dialogs::headless::Shown().empty());
    CString text("secret");
    EXPECT_EQ(host.PasswordDialog("Password:", text, nullptr, 0), 0);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "can't create dialog - Generic:Password");
    EXPECT_EQ(shown[0].type, sys::MB_ICONINFORMATION);
    EXPECT_EQ(text, CString("secret"));
}

TEST_F(GraphicsHostTest, AMessageDialogShowsItsTextAndAnswersTheButton) {
    ASSERT_EQ(Reset(0), 1);
    TestDialogFactory factory;
    host.SetDialogFactory(&factory);
    sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, sys::VK_RETURN, 1);
    EXPECT_EQ(host.MessageDialog("Quit?", 0, nullptr, 42), 1);
    EXPECT_EQ(factory.asked, "Generic:OK");
    EXPECT_EQ(factory.value, 42u);
    host.SetDialogFactory(nullptr);
}

// A dialog that, while it runs, has the same question asked again and keeps that answer.
class AskingAgainFactory : public SGenericDialogFactory {
public:
    explicit AskingAgainFactory(SGraphicsHost& host) : m_host(host) {}
    SDialog* CreateDialog(const char*, const char*) override {
        ++made;
        struct Asking : SDialog {
            Asking(AskingAgainFactory& factory) : m_factory(factory) {}
            int DoModal(SDC*) override {
                if (m_factory.made == 1)  // only the first, so a second copy cannot go on without end
                    m_factory.nested = m_factory.m_host.MessageDialog("Save?", 1, nullptr, 0);
                return 1;
            }
            AskingAgainFactory& m_factory;
        };
        return new Asking(*this);
    }
    void SetDialogValue(SDialog*, uint32_t) override {}
    SGraphicsHost& m_host;
    int made = 0;
    int nested = -1;
};

TEST_F(GraphicsHostTest, AQuestionNeverOpensAgainOverItself) {
    ASSERT_EQ(Reset(0), 1);
    AskingAgainFactory factory(host);
    host.SetDialogFactory(&factory);
    EXPECT_EQ(host.MessageDialog("Save?", 1, nullptr, 0), 1);
    EXPECT_EQ(factory.made, 1);
    EXPECT_EQ(factory.nested, 0);
    // Once answered, it may be asked again.
    EXPECT_EQ(host.MessageDialog("Save?", 1, nullptr, 0), 1);
    EXPECT_EQ(factory.made, 2);
    host.SetDialogFactory(nullptr);
}

// A window that keeps the rectangles it and its parent were drawn at.
// Where the button was drawn and how large its box was then; kept outside the button, which the
// modal run deletes with its dialog.
struct DrawnPlaces {
    sys::RECT drawnAt{};
    sys::RECT boxAt{};
};

class PlaceRecorder : public SWindow {
public:
    explicit PlaceRecorder(DrawnPlaces& places) : m_places(places) {}
    int Draw(SDC*) override {
        m_places.drawnAt = m_rcWindow;
        m_places.boxAt = m_pParent->GetWindowRect();
        return 0;
    }

private:
    DrawnPlaces& m_places;
};

// A 300 x 100 box at (100, 100) whose text line holds one line; its OK button lies below it.
// Children are placed relative to the box.
class OneLineBoxFactory : public SGenericDialogFactory {
public:
    explicit OneLineBoxFactory(int buttonTop = 50) : m_buttonTop(buttonTop) {}
    SDialog* CreateDialog(const char*, const char*) override {
        auto* dialog = new SDialog;
        dialog->Create(nullptr, "D", 0, {100, 100, 400, 200}, nullptr, 0, nullptr);
        text = new STextCtrl;
        text->Create(nullptr, "", STextCtrl::kStyleCentre, {10, 10, 290, 30}, dialog, 100, nullptr);
        auto* button = new PlaceRecorder(places);
        button->Create(nullptr, "OK", 0, {120, m_buttonTop, 180, m_buttonTop + 30}, dialog, 1, nullptr);
        dialog->SetFocus();
        return dialog;
    }
    void SetDialogValue(SDialog*, uint32_t) override {}
    STextCtrl* text = nullptr;
    DrawnPlaces places;
    int m_buttonTop;
};

TEST_F(GraphicsHostTest, AMessageBoxGrowsToShowEveryLineOfItsText) {
    ASSERT_EQ(Reset(0), 1);
    SSurfaceDC measure(graphics.GetBack(), false);
    SWindow::SetSourceDC(&measure);
    // The button 5 below the text line; the text keeps the 10 above it below it too.
    OneLineBoxFactory factory(35);
    host.SetDialogFactory(&factory);
    const char* text = "You need the Pistol9mm Shotgun qualified before this level can be played, "
                       "so go back to the target range first.";
    sys::RECT needed{0, 0, 280, 0};
    measure.DrawText(text, needed, sys::DT_CENTER | sys::DT_WORDBREAK | sys::DT_CALCRECT);
    const int lines = needed.bottom - 20;
    ASSERT_GT(lines, 0) << "the text must need more than the one line";
    sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, sys::VK_RETURN, 1);
    EXPECT_EQ(host.NoticeDialog(text, 0, nullptr), 1);
    // Drawn 10 below the whole text, the box grown by as much; the box is not kept grown.
    EXPECT_EQ(factory.places.drawnAt.top, 140 + lines);
    EXPECT_EQ(factory.places.boxAt.bottom - factory.places.boxAt.top, 105 + lines);
    host.SetDialogFactory(nullptr);
    SWindow::SetSourceDC(nullptr);
}

}  // namespace
