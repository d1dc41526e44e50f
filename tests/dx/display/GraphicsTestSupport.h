#pragma once

// Shared set-up of the display-manager tests: recording stand-ins for everything the display
// manager tells or drives above it (surface owners, the cursor, the renderer, the application
// shell), all writing into one log so that tests can check the order of the calls.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VideoTestSupport.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "sys/window/headless/headless_dialogs.h"

namespace tarvex::test {

using CallLog = std::vector<std::string>;

class RecordingOwner : public SSurfaceOwner {
public:
    RecordingOwner(CallLog& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void ReleaseSurfaces() override { m_log.push_back(m_name + " release"); }
    int RestoreSurfaces(SGraphics*) override {
        m_log.push_back(m_name + " restore");
        return restoreAnswer;
    }
    int RebuildSurfaces(SGraphics*) override {
        m_log.push_back(m_name + " rebuild");
        return 1;
    }
    int restoreAnswer = 1;

private:
    CallLog& m_log;
    std::string m_name;
};

// Draws a 2 x 2 square of `pixel` at (x, y) of the surface it is given.
class RecordingCursor : public SDisplayCursor {
public:
    explicit RecordingCursor(CallLog& log) : m_log(log) {}
    uint8_t SetDrawMode(uint8_t onPrimary) override {
        const uint8_t previous = mode;
        mode = onPrimary;
        return previous;
    }
    int DrawOnto(SDXSurface* dest, const sys::RECT*) override {
        ++draws;
        if (dest != nullptr) {
            const sys::RECT square{x, y, x + 2, y + 2};
            dest->Clear(&square, static_cast<int32_t>(pixel));
        }
        return 1;
    }
    void SurfacesLost() override { m_log.push_back("cursor lost"); }
    int SurfacesRebuilt(SGraphics*) override {
        m_log.push_back("cursor rebuilt");
        return 1;
    }
    int RestoreSurfaces(SGraphics*) override {
        m_log.push_back("cursor restore");
        return 1;
    }
    uint8_t mode = 0;
    int draws = 0;
    int x = 100;
    int y = 50;
    uint32_t pixel = 0x0000FF00;

private:
    CallLog& m_log;
};

class RecordingRenderer : public SDisplayRenderer {
public:
    explicit RecordingRenderer(CallLog& log) : m_log(log) {}
    int Create(const SDisplayCreateRecord& record) override {
        m_log.push_back("renderer create " + std::to_string(record.dwSize));
        return createAnswer;
    }
    int CreateRaster(const SDisplayDeviceRecord& record) override {
        m_log.push_back("renderer raster " + std::to_string(record.dwSize));
        lastRecord = record;
        return rasterAnswer;
    }
    int BeginFrame() override { return Log("begin frame"); }
    int RenderFrame() override { return Log("render frame"); }
    int EndFrame() override { return Log("end frame"); }
    int EvictManagedTextures() override { return Log("renderer evict"); }
    int SetViewRects(int, int, int, int, int, int, int, int) override { return 1; }
    int IsReady() override { return ready; }
    void GetFrameStats(SDisplayFrameStats& stats) override { stats = SDisplayFrameStats{}; }

    int createAnswer = 1;
    int rasterAnswer = 1;
    int ready = 0;
    SDisplayDeviceRecord lastRecord;

private:
    int Log(const char* text) {
        m_log.push_back(text);
        return 1;
    }
    CallLog& m_log;
};

class RecordingShell : public SDisplayShell {
public:
    explicit RecordingShell(CallLog& log) : renderer(log), console(log, "console"), m_log(log) {}
    void SetFullScreen(int fullScreen) override { m_log.push_back("frame full screen " + std::to_string(fullScreen)); }
    void SetClientSize(int width, int height) override {
        m_log.push_back("client " + std::to_string(width) + "x" + std::to_string(height));
    }
    uint32_t GetFullScreenDepth() override { return depth; }
    SDisplayRenderer* CreateRenderer() override {
        m_log.push_back("renderer new");
        ++renderersMade;
        hasRenderer = true;
        return &renderer;
    }
    SDisplayRenderer* GetRenderer() override { return hasRenderer ? &renderer : nullptr; }
    void ReleaseRenderer() override {
        if (hasRenderer) {
            m_log.push_back("renderer delete");
            hasRenderer = false;
        }
    }
    bool HasGameLibrary() override { return library; }
    int GetGameState() override {
        m_log.push_back("game state");
        return state;
    }
    void SessionCommand(int code, int argument) override {
        m_log.push_back("session " + std::to_string(code) + " " + std::to_string(argument));
    }
    void ReleaseDeviceObjects() override { m_log.push_back("screens release"); }
    void RestoreDeviceObjects(SGraphics*) override { m_log.push_back("screens restore"); }
    void SetInterfaceSurfaces() override { m_log.push_back("screens surfaces"); }
    SSurfaceOwner* GetConsoleWindow() override { return withConsole ? &console : nullptr; }

    RecordingRenderer renderer;
    RecordingOwner console;
    bool hasRenderer = false;
    int renderersMade = 0;
    bool library = false;
    bool withConsole = false;
    int state = 0;
    uint32_t depth = 16;

private:
    CallLog& m_log;
};

// A display manager on a main window with the headless drivers enumerated and the recording
// shell installed.
class GraphicsTest : public VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        sys::dialogs::headless::Reset();
        window = MakeWindow();
        ASSERT_EQ(graphics.GetDrivers().Enumerate(), 1);
        graphics.SetShell(&shell);
    }
    void TearDown() override {
        graphics.SetCursorObject(nullptr);
        graphics.ReleaseSurfaces();
        sys::dialogs::headless::Reset();
        VideoTest::TearDown();
    }

    int Reset(int fullScreen) {
        graphics.SetDisplayOptions(1, fullScreen);
        return graphics.ResetDisplayMode();
    }

    CallLog log;
    RecordingShell shell{log};
    SGraphics graphics;
    sys::HWND window = nullptr;
};

}  // namespace tarvex::test
