// Frames: what a headless frame shows pixel by pixel, the scene calls in their order, a frame
// that meets lost surfaces, a lost exclusive display or a changed desktop mode, the modal frame
// step, and the display list's order.

#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"

namespace {

using namespace tarvex::test;
using sys::video::headless::LastFrame;
using sys::video::headless::PresentCount;

// Fills a rectangle of the back buffer when the screen is drawn: a screen of one colour.
class PaintingClient : public SDisplayClient {
public:
    void BeginBackDC(SDXSurface* back) override { m_pBack = back; }
    void DrawScreen() override {
        if (m_pBack != nullptr) {
            m_pBack->Clear(&rect, static_cast<int32_t>(pixel));
        }
    }
    sys::RECT rect{10, 20, 30, 25};
    uint32_t pixel = 0x00FF0000;

private:
    SDXSurface* m_pBack = nullptr;
};

class GraphicsFrameTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        graphics.SetClient(&client);
    }
    // The client goes before the display manager, whose destructor would tell it otherwise.
    void TearDown() override {
        GraphicsTest::TearDown();
        graphics.SetClient(nullptr);
    }
    PaintingClient client;
};

TEST_F(GraphicsFrameTest, AFrameBeforeAnyDisplayDrawsNothing) {
    EXPECT_EQ(graphics.RenderFrame(), 1);
    EXPECT_EQ(PresentCount(), 0u);
}

TEST_F(GraphicsFrameTest, AWindowedFrameShowsScreenAndCursorPixelByPixel) {
    RecordingCursor cursor(log);
    graphics.SetCursorObject(&cursor);
    ASSERT_EQ(Reset(0), 1);
    graphics.ClearDisplay(1);
    ASSERT_EQ(graphics.RenderFrame(), 1);
    ASSERT_EQ(LastFrame().width, 640);
    ASSERT_EQ(LastFrame().height, 480);
    // The desktop is 32 bits deep, so the pixel values are the frame's colours.
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            uint32_t expected = 0;
            if (x >= 10 && x < 30 && y >= 20 && y < 25) {
                expected = 0xFF0000;
            } else if (x >= 100 && x < 102 && y >= 50 && y < 52) {
                expected = 0x00FF00;
            }
            ASSERT_EQ(LastFrame().At(x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(cursor.mode, 0);  // drawn into the back buffer and the switch put back

    // Without the cursor only the screen is left.
    graphics.ClearDisplay(1);
    EXPECT_EQ(graphics.RenderFrameWithoutCursor(), 1);
    EXPECT_EQ(LastFrame().At(100, 50), 0u);
    EXPECT_EQ(graphics.SetCursorObject(nullptr), &cursor);
    graphics.ClearDisplay(1);
    graphics.RenderFrame();
    EXPECT_EQ(LastFrame().At(100, 50), 0u);
}

TEST_F(GraphicsFrameTest, TheSceneIsDrawnOnlyWhenReadyAndWanted) {
    ASSERT_EQ(Reset(0), 1);
    log.clear();
    graphics.RenderFrame();
    shell.renderer.ready = 1;
    graphics.RenderFrame();
    EXPECT_TRUE(log.empty());
    graphics.SetDrawScene(1);
    graphics.RenderFrame();
    EXPECT_EQ(log, (CallLog{"begin frame", "session 8 1", "render frame", "session 8 0", "end frame"}));
}

TEST_F(GraphicsFrameTest, LostSurfacesInAWindowAreRestoredByThePresent) {
    ASSERT_EQ(Reset(0), 1);
    sys::video::headless::LoseAllSurfaces();
    const uint64_t before = PresentCount();
    EXPECT_EQ(graphics.RenderWindowedFrame(), 1);
    EXPECT_EQ(PresentCount(), before + 1);
    // The lost back buffer took no drawing this time; the next frame shows the screen again.
    EXPECT_EQ(graphics.RenderWindowedFrame(), 1);
    EXPECT_EQ(LastFrame().At(10, 20), 0xFF0000u);
}

TEST_F(GraphicsFrameTest, ALostFullScreenDrawsNothingUntilItIsBackAndRestored) {
    RecordingOwner sprite(log, "sprite");
    graphics.AddSprite(&sprite);
    ASSERT_EQ(Reset(1), 1);
    ASSERT_EQ(graphics.RenderFrame(), 1);
    sys::video::headless::LoseExclusiveMode();
    log.clear();
    const uint64_t before = PresentCount();
    EXPECT_EQ(graphics.RenderFullScreenFrame(), 0);
    EXPECT_EQ(PresentCount(), before);

    sys::video::headless::RegainExclusiveMode();
    EXPECT_EQ(graphics.RenderFullScreenFrame(), 1);
    EXPECT_EQ(log, (CallLog{"sprite restore", "renderer evict"}));
    EXPECT_GT(PresentCount(), before);
    // The loss is handled once.
    log.clear();
    graphics.RenderFullScreenFrame();
    EXPECT_TRUE(log.empty());
}

TEST_F(GraphicsFrameTest, AnotherProgramsExclusiveDisplaySkipsWindowedFrames) {
    ASSERT_EQ(Reset(0), 1);
    sys::video::headless::SetOtherProgramExclusive(true);
    const uint64_t before = PresentCount();
    EXPECT_EQ(graphics.RenderWindowedFrame(), 0);
    EXPECT_EQ(PresentCount(), before);
    sys::video::headless::SetOtherProgramExclusive(false);
    EXPECT_EQ(graphics.RenderWindowedFrame(), 1);
}

TEST_F(GraphicsFrameTest, AChangedDesktopModeRebuildsTheDisplayAndDrawsOn) {
    ASSERT_EQ(Reset(0), 1);
    sys::video::headless::ChangeDesktopMode(1024, 768, 16);
    const uint64_t before = PresentCount();
    EXPECT_EQ(graphics.RenderWindowedFrame(), 1);
    EXPECT_EQ(shell.renderersMade, 2);
    EXPECT_EQ(graphics.IsReady(), 1);
    EXPECT_EQ(PresentCount(), before + 1);
}

TEST_F(GraphicsFrameTest, TheModalFrameStepLeavesTheCursorOutInGameState3) {
    RecordingCursor cursor(log);
    graphics.SetCursorObject(&cursor);
    ASSERT_EQ(Reset(0), 1);
    shell.library = true;
    shell.state = 3;
    graphics.ShowFrame();
    EXPECT_EQ(cursor.draws, 0);
    shell.state = 0;
    EXPECT_EQ(graphics.DialogIdle(), 0);
    EXPECT_EQ(cursor.draws, 1);
}

class OrderedObject : public SDisplayObject {
public:
    explicit OrderedObject(int32_t order) : m_order(order) {}
    int32_t GetOrder() const override { return m_order; }
    int GetClipToView() const override { return 0; }
    int DrawClipped(SDXSurface*, const sys::RECT* clip) override {
        clipped = clip != nullptr;
        return 1;
    }
    int RestoreSurfaces(SGraphics*) override { return 1; }
    bool clipped = false;

private:
    int32_t m_order;
};

TEST_F(GraphicsFrameTest, TheDisplayListKeepsOrderAndClipsOnlyTheCurrentObject) {
    OrderedObject a(5), b(5), c(1), current(3);
    EXPECT_EQ(graphics.AddDisplayObject(&a), 1);
    EXPECT_EQ(graphics.AddDisplayObject(&b), 1);
    EXPECT_EQ(graphics.AddDisplayObject(&c), 1);
    EXPECT_EQ(graphics.AddDisplayObject(nullptr), 0);
    EXPECT_EQ(graphics.GetDisplayList().Items(), (std::vector<SDisplayObject*>{&c, &b, &a}));
    graphics.SetCurrentDisplayObject(&current);
    EXPECT_EQ(graphics.GetDisplayList().Items(), (std::vector<SDisplayObject*>{&c, &current, &b, &a}));
    ASSERT_EQ(Reset(0), 1);
    graphics.RenderFrame();
    EXPECT_TRUE(current.clipped);
    EXPECT_FALSE(a.clipped);
    EXPECT_EQ(graphics.ClearCurrentDisplayObject(&b), 0);
    EXPECT_EQ(graphics.ClearCurrentDisplayObject(&current), 1);
    EXPECT_EQ(graphics.RemoveDisplayObject(&current), 0);
    EXPECT_EQ(graphics.SendViewCommand("view", nullptr), -1);
    graphics.RemoveDisplayObject(&a);
    graphics.RemoveDisplayObject(&b);
    graphics.RemoveDisplayObject(&c);
}

}  // namespace
