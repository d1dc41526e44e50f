// The software cursor on headless surfaces: what it saves under itself and puts back, cutting
// at the target's edges, the margin around the client area, the hidden system pointer, the
// frame animation and the size of the save surface.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/hud/SCursor.h"
#include "sys/time/time.h"
#include "tests/ui/UiTestSupport.h"

namespace {

using Row = std::vector<uint32_t>;
constexpr uint32_t K = tarvex::test::kBlack;
constexpr uint32_t W = tarvex::test::kWhite;
constexpr uint32_t R = 0xFF0000;

class CursorTest : public tarvex::test::UiDisplayTest {
protected:
    void SetUp() override {
        UiDisplayTest::SetUp();
        sys::time::SetFakeTicks(0);
        folder = tarvex::test::MakeScratchFolder("cursor");
        tarvex::test::WriteIndexedBmp(folder + "/w2.bmp", 2, 2, {1, 1, 1, 1});
        tarvex::test::WriteIndexedBmp(folder + "/w3.bmp", 3, 3, {1, 1, 1, 1, 1, 1, 1, 1, 1});
        MakeSurface(dest, 8, 6);
        PointerAtClient(10, 10);
    }

    static SFrame* NewFrame(const char* file, int width, int height, int hotX = 0, int hotY = 0) {
        auto* frame = new SFrame;
        frame->SetFileName(file);
        frame->SetFrameRect(sys::RECT{0, 0, width, height});
        frame->SetHotSpot(hotX, hotY);
        return frame;
    }

    // A cursor of one white frame loaded from the scratch folder, with its save surface.
    void Load(const char* file, int size, int hot) {
        ASSERT_EQ(cursor.InsertFrame(NewFrame(file, size, size, hot, hot), -1), 1);
        ASSERT_TRUE(cursor.LoadFromFile(folder.c_str(), reinterpret_cast<uintptr_t>(&draw)));
        ASSERT_EQ(cursor.CreateSaveSurface(), 1);
    }

    static void PointerAtClient(int x, int y) {
        sys::POINT point{x, y};
        sys::window::ClientToScreen(sys::window::GetMainWindow(), point);
        sys::window::SetCursorPos(point.x, point.y);
    }

    void Dot(int x, int y, uint32_t colour) { tarvex::test::SetPixelAt(dest.GetSurface(), x, y, colour); }

    std::string folder;
    SDXSurface dest;
    SCursor cursor{0, &draw};
};

TEST_F(CursorTest, MovingPutsBackWhatTheOldImageCovered) {
    Load("w2.bmp", 2, 0);
    Dot(3, 2, R);
    cursor.SetPosition(3, 2);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 2, 2, 8), (Row{K, W, W, K, K, K}));

    cursor.SetPosition(5, 3);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 2, 2, 8), (Row{K, R, K, K, K, K}));
    EXPECT_EQ(ReadRow(dest, 3, 2, 8), (Row{K, K, K, W, W, K}));

}

TEST_F(CursorTest, TheOffsetMovesSavingDrawingAndRestoringAlike) {
    Load("w2.bmp", 2, 0);
    Dot(3, 3, R);
    const sys::POINT offset{1, 1};
    cursor.SetPosition(2, 2);
    cursor.Update(&dest, &offset);
    EXPECT_EQ(ReadRow(dest, 3, 2, 6), (Row{K, W, W, K}));
    cursor.SetPosition(0, 0);
    cursor.Update(&dest, &offset);
    EXPECT_EQ(ReadRow(dest, 3, 2, 6), (Row{K, R, K, K}));
    EXPECT_EQ(ReadRow(dest, 1, 0, 4), (Row{K, W, W, K}));
}

TEST_F(CursorTest, AtTheCornerOnlyTheVisiblePartIsSavedAndRestored) {
    Load("w3.bmp", 3, 1);
    Dot(0, 0, R);
    Dot(1, 1, R);
    cursor.SetPosition(0, 0);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 0, 0, 3), (Row{W, W, K}));
    EXPECT_EQ(ReadRow(dest, 1, 0, 3), (Row{W, W, K}));
    cursor.SetPosition(5, 4);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 0, 0, 3), (Row{R, K, K}));
    EXPECT_EQ(ReadRow(dest, 1, 0, 3), (Row{K, R, K}));
}

TEST_F(CursorTest, CuttingToTheSurfaceMovesTheSourceAlong) {
    sys::RECT dest1{-5, -5, 27, 27};
    sys::RECT source1{0, 0, 32, 32};
    EXPECT_TRUE(SCursor::CutToSurface(dest1, source1, 640, 480));
    EXPECT_EQ(dest1, (sys::RECT{0, 0, 27, 27}));
    EXPECT_EQ(source1, (sys::RECT{5, 5, 32, 32}));

    sys::RECT dest2{630, 470, 662, 502};
    sys::RECT source2{0, 0, 32, 32};
    EXPECT_TRUE(SCursor::CutToSurface(dest2, source2, 640, 480));
    EXPECT_EQ(dest2, (sys::RECT{630, 470, 640, 480}));
    EXPECT_EQ(source2, (sys::RECT{0, 0, 10, 10}));

    sys::RECT dest3{641, 0, 673, 32};
    sys::RECT source3{0, 0, 32, 32};
    EXPECT_FALSE(SCursor::CutToSurface(dest3, source3, 640, 480));
}

TEST_F(CursorTest, APointerTwoPixelsOutsideTheClientAreaStillDrawsThreeDoNot) {
    Load("w2.bmp", 2, 0);
    cursor.SetPosition(3, 2);
    PointerAtClient(-3, 10);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 2, 3, 5), (Row{K, K}));
    EXPECT_EQ(cursor.GetLastFrame(), nullptr);  // nothing saved either
    PointerAtClient(642, 10);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 2, 3, 5), (Row{K, K}));

    PointerAtClient(641, 481);
    cursor.Update(&dest, nullptr);
    EXPECT_EQ(ReadRow(dest, 2, 3, 5), (Row{W, W}));
}

TEST_F(CursorTest, AHiddenSystemPointerHidesTheCursorButStillSavesUnderIt) {
    Load("w2.bmp", 2, 0);
    cursor.SetPosition(3, 2);
    sys::window::ShowCursor(false);
    cursor.Update(&dest, nullptr);
    sys::window::ShowCursor(true);
    EXPECT_EQ(ReadRow(dest, 2, 3, 5), (Row{K, K}));
    EXPECT_NE(cursor.GetLastFrame(), nullptr);
    EXPECT_EQ(cursor.GetLastPosition(), (sys::POINT{3, 2}));
}

TEST_F(CursorTest, FramesStepEveryHundredMillisecondsAndWrap) {
    for (int i = 0; i < 4; ++i)
        cursor.InsertFrame(NewFrame("w2.bmp", 2, 2), -1);
    std::vector<int> seen;
    for (uint32_t tick : {0u, 100u, 101u, 150u, 202u, 303u, 404u}) {
        sys::time::SetFakeTicks(tick);
        cursor.Animate();
        seen.push_back(cursor.GetCurrentFrame());
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 1, 1, 2, 3, 0}));

    SCursor single;
    single.InsertFrame(NewFrame("w2.bmp", 2, 2), -1);
    sys::time::SetFakeTicks(1000);
    single.Animate();
    EXPECT_EQ(single.GetCurrentFrame(), 0);
}

TEST_F(CursorTest, TheSaveSurfaceTakesTheWidestAndTheTallestFrame) {
    cursor.InsertFrame(NewFrame("a.bmp", 32, 16), -1);
    cursor.InsertFrame(NewFrame("b.bmp", 16, 40), -1);
    ASSERT_EQ(cursor.CreateSaveSurface(), 1);
    ASSERT_NE(cursor.GetSaveSurface(), nullptr);
    EXPECT_EQ(cursor.GetSaveSurface()->GetWidth(), 32);
    EXPECT_EQ(cursor.GetSaveSurface()->GetHeight(), 40);
}

// The display manager's two modes: straight onto the primary the cursor saves under itself;
// in the back buffer it only draws. The previous mode comes back as the answer.
TEST_F(CursorTest, DrawModesSwitchSaveUnder) {
    EXPECT_EQ(cursor.SetDrawMode(0), 1);
    EXPECT_EQ(cursor.GetSaveUnder(), 0);
    EXPECT_EQ(cursor.SetDrawMode(1), 0);
    EXPECT_EQ(cursor.GetSaveUnder(), 1);
}

// A dialog opening over a page: the back buffer is drawn anew, then the cursor moves. What lay
// under its old image on the page must not come back inside the dialog.
TEST_F(CursorTest, ARedrawnBackBufferGetsNoPixelsOfAnEarlierFrame) {
    constexpr uint32_t B = 0x0000FF;
    Load("w2.bmp", 2, 0);
    auto drawOnBack = [&] {
        const uint8_t previous = cursor.SetDrawMode(0);
        cursor.DrawOnto(&dest, nullptr);
        cursor.SetDrawMode(previous);
    };
    Dot(3, 2, R);
    cursor.SetPosition(3, 2);
    drawOnBack();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            Dot(x, y, B);
    cursor.SetPosition(5, 3);
    drawOnBack();
    EXPECT_EQ(ReadRow(dest, 2, 2, 8), (Row{B, B, B, B, B, B}));
    EXPECT_EQ(ReadRow(dest, 3, 2, 8), (Row{B, B, B, W, W, B}));
}

TEST_F(CursorTest, ADisplayRebuildMakesTheSaveSurfaceAgain) {
    Load("w2.bmp", 2, 0);
    cursor.SetPosition(3, 2);
    cursor.Update(&dest, nullptr);
    cursor.SurfacesLost();
    EXPECT_EQ(cursor.GetSaveSurface(), nullptr);
    EXPECT_EQ(cursor.GetLastFrame(), nullptr);  // nothing stale is put back
    EXPECT_EQ(cursor.SurfacesRebuilt(nullptr), 1);
    ASSERT_NE(cursor.GetSaveSurface(), nullptr);
    EXPECT_EQ(cursor.GetSaveSurface()->GetWidth(), 2);
}

}  // namespace
