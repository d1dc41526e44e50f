#pragma once

// The demo outdoor world (the Home folder's "Maps/Outdoor.gmx" and its textures) opened on a
// headless 640 x 480 x 16 display, for the outdoor frame's reference images and its benchmark.
// Free of the test framework, so the benchmark can use it too.

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "render/SD3D6Parser.h"
#include "render/outdoor/SRendererCatalog.h"
#include "render/pipeline/SRaster.h"
#include "sys/classlib/CStringArray.h"
#include "sys/rand.h"
#include "sys/window/window.h"

namespace tarvex::demo {

// The Home folder as the search folder, and the sky-box handler's files by their names there.
class DemoCatalog : public SRendererCatalog {
public:
    // The demo's texture lists: the meadow, the mixed trees, and one file for each of the screen
    // overlays ("MiscTextures-<name>--24-0").
    bool GetTextureList(const char* name, std::vector<STextureListSource>& sources) override {
        const std::string key = name, group = "MiscTextures-", tail = "--24-0";
        std::vector<std::string> files;
        if (key == "GroundTexture-Meadow--24-0") {
            files = {"meadow", "grass"};
        } else if (key == "TreeSprites-Mixed--24-0") {
            files = {"pine", "bush"};
        } else if (key.rfind(group, 0) == 0 && key.size() > group.size() + tail.size()) {
            files = {key.substr(group.size(), key.size() - group.size() - tail.size())};
        }
        for (const std::string& file : files) {
            STextureListSource source;
            source.m_sPath = ("Textures\\Outdoor\\" + file + ".stx").c_str();
            sources.push_back(source);
        }
        return !files.empty();
    }
    // Every entry weighs the same on every day.
    static float EveryDay(int32_t, int32_t, int32_t, int32_t, int32_t) { return 1.0f; }
    SResource* GetModelResource(const char*) override { return nullptr; }
    void GetModelFrameTexts(SResource*, std::vector<SString>&) override {}
    bool FindHandlerFileByKey(const char*, const char*, SString&, uint32_t&) override { return false; }
    bool GetHandlerFiles(const char* resource, const char* file, const char* const* entries, int count,
                         SString* paths) override {
        if (std::string(resource) != "Sky_Background" || std::string(file) != "Outdoor") {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            const std::string entry = entries[i];
            std::string name = entry.rfind("Fog", 0) == 0 ? "fog_" + entry.substr(3) : "sky_" + entry;
            for (char& c : name) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            paths[i] = ("Textures\\Outdoor\\" + (entry == "Water" ? std::string("water") : name) + ".bmp").c_str();
        }
        return true;
    }
    void ReleaseResource(SResource*) override {}
    const CStringArray* GetSearchFolders() override { return &folders; }

    CStringArray folders;
};

// A display, a renderer with its raster and the demo map's session, in that order of making.
class DemoOutdoor {
public:
    // 0 when the display, the raster or the session cannot be made. `fog` asks for the map's
    // table fog; `map` is a file of the Home folder's "Maps"; `quality` the texture quality of
    // the level record.
    int Open(const std::string& home, bool fog, const char* map = "Outdoor.gmx", int quality = 1) {
        sys::HWND window = sys::window::GetMainWindow();
        if (window == nullptr) {
            window = sys::window::CreateWindow("Tarvex", sys::WS_OVERLAPPED | sys::WS_VISIBLE, nullptr,
                                               [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                                   return sys::window::DefWindowProc(h, m, w, l);
                                               });
        }
        if (draw.Create(sys::video::GUID{}) != 1 || draw.SetMode(1, window) != 1 ||
            draw.SetDisplayMode(640, 480, 16, 0, 0) != 1 ||
            primary.CreatePrimarySurface(&draw, 2, sys::video::DDSCAPS_3DDEVICE) != 1 ||
            primary.GetBackBuffer(&back) != 1) {
            return 0;
        }
        record.pDisplay = &draw;
        record.pPrimary = primary.GetSurface();
        record.pRenderTarget = back.GetSurface();
        record.dwDriver = 1;
        parser.Create(&info);
        if (parser.CreateRaster(&record) != 1) {
            return 0;
        }
        catalog.folders.Add(home.c_str());
        SD3D6Parser::SetCatalog(&catalog);
        parser.SetCallback4(
            reinterpret_cast<SParser::Callback4>(reinterpret_cast<void (*)()>(&DemoCatalog::EveryDay)));
        // Textures drawn from lists are drawn at random: the same world on every run.
        sys::Srand(1);
        SLevelInfo level;
        level.m_sMapPath = (home + "/Maps/" + map).c_str();
        level.Field(2) = quality;
        level.Field(18) = fog ? 1 : 0;  // the device has table fog: the level decides
        for (int step = 0; step <= 4; ++step) {
            if (parser.InitSession(2, &level, step) != 1) {
                return 0;
            }
        }
        return 1;
    }

    ~DemoOutdoor() {
        SD3D6Parser::SetCatalog(nullptr);
        parser.EndSession(0);
        parser.ReleaseRaster();
    }

    // One whole frame from a camera: position, pitch and yaw (radians).
    void Frame(float x, float y, float z, float pitch, float yaw) {
        parser.SetViewPosition(x, y, z);
        parser.SetViewAngles(pitch, yaw, 0.0f);
        parser.UpdateFrustum();
        parser.BeginFrame();
        parser.RenderFrame();
        parser.EndFrame();
    }

    sys::video::IDirectDrawSurface4* Target() { return back.GetSurface(); }

    SDXDraw draw;
    SDXSurface primary;
    SDXSurface back;
    SRasterDeviceRecord record;
    SParserCreateInfo info;
    DemoCatalog catalog;
    SD3D6Parser parser;
};

}  // namespace tarvex::demo
