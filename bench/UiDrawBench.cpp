// Interface drawing on the headless 640 x 480 16-bit display: a 40-character text through the
// font's text-out cache when it hits (one blit) and when it misses (a new cache surface filled
// glyph by glyph, the oldest item dropped), and a 64 x 64 sprite frame with a colour key.
// Items are draws per second. Also the layout of one unbroken 4,096-character word wrapped into
// lines 100 pixels wide (measured, not drawn); items are layouts per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "sys/backend.h"
#include "sys/classlib/CFile.h"
#include "sys/window/window.h"
#include "ui/SDIB.h"
#include "ui/SFont.h"
#include "ui/SSprite.h"

namespace {

constexpr const char* kText = "Qualification score: 1234 points, rank 5";  // 40 characters

void WriteBmp(const std::string& path, int width, int height, const std::vector<uint8_t>& topDown) {
    sys::BITMAPINFO info;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = 8;
    info.bmiHeader.biClrUsed = 2;
    info.bmiColors[0] = sys::RGBQUAD{255, 0, 255, 0};
    info.bmiColors[1] = sys::RGBQUAD{255, 255, 255, 0};
    const int stride = (width + 3) / 4 * 4;
    std::vector<uint8_t> bits(static_cast<size_t>(stride * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits[static_cast<size_t>((height - 1 - y) * stride + x)] = topDown[static_cast<size_t>(y * width + x)];
    SDIB dib;
    dib.Attach(&info, bits.data());
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    dib.WriteBMP(&file);
    file.Close();
}

// A full-screen 16-bit display, a 16 x 16-pixel-cell font and a 64 x 64 checkered sprite frame.
struct Scene {
    Scene() {
        sys::SelectBackend(sys::Backend::Headless);
        folder = (std::filesystem::temp_directory_path() / "tarvex_uidraw_bench").string();
        std::filesystem::create_directories(folder);
        std::vector<uint8_t> sheet(16 * 16 * 16 * 6, 0);
        for (int glyph = 1; glyph < 96; ++glyph)
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 4 + glyph % 9; ++x)
                    sheet[static_cast<size_t>(((glyph / 16) * 16 + y) * 256 + (glyph % 16) * 16 + x)] = (x + y) & 1;
        WriteBmp(folder + "/font.bmp", 256, 96, sheet);
        std::vector<uint8_t> frame(64 * 64);
        for (int i = 0; i < 64 * 64; ++i)
            frame[static_cast<size_t>(i)] = ((i / 64 / 8 + i % 64 / 8) & 1) != 0 ? 1 : 0;
        WriteBmp(folder + "/frame.bmp", 64, 64, frame);

        window = sys::window::CreateWindow("Tarvex", sys::WS_VISIBLE, nullptr,
                                           [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                               return sys::window::DefWindowProc(h, m, w, l);
                                           });
        draw.Create(sys::video::GUID{});
        draw.SetMode(1, window);
        draw.SetDisplayMode(640, 480, 16, 0, 0);
        dest.CreateSurface(&draw, 640, 480, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0);

        font.SetSheetName("font.bmp");
        font.SetColumns(16);
        font.Locate(folder.c_str(), &draw);

        auto* cell = new SFrame;
        cell->SetFileName("frame.bmp");
        cell->SetFrameRect(sys::RECT{0, 0, 64, 64});
        cell->SetHotSpot(32, 32);
        sprite.InsertFrame(cell, -1);
        sprite.LoadFromFile(folder.c_str(), reinterpret_cast<uintptr_t>(&draw));
    }

    std::string folder;
    sys::HWND window = nullptr;
    SDXDraw draw;
    SDXSurface dest;
    SFont font;
    SSprite sprite;
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// A scene that did not come up would measure nothing: say so instead.
bool Ready(benchmark::State& state, bool ready) {
    if (!ready)
        state.SkipWithError("the font sheet or the sprite did not load");
    return ready;
}

void BM_TextOutCacheHit(benchmark::State& state) {
    Scene& scene = TheScene();
    scene.font.ClearCache();
    if (!Ready(state, scene.font.GetSheetSurface() != nullptr))
        return;
    for (auto _ : state)
        scene.font.TextOut(100, 200, kText, 40, &scene.dest, false);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextOutCacheHit);

void BM_TextOutCacheMiss(benchmark::State& state) {
    Scene& scene = TheScene();
    scene.font.ClearCache();
    if (!Ready(state, scene.font.GetSheetSurface() != nullptr))
        return;
    std::string text = kText;
    unsigned counter = 0;
    for (auto _ : state) {
        // A text never drawn before: the last four characters count up.
        ++counter;
        for (int i = 0; i < 4; ++i)
            text[static_cast<size_t>(36 + i)] = static_cast<char>('a' + ((counter >> (i * 4)) & 15));
        scene.font.TextOut(100, 200, text.c_str(), 40, &scene.dest, false);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextOutCacheMiss);

void BM_SpriteKeyed64(benchmark::State& state) {
    Scene& scene = TheScene();
    if (!Ready(state, scene.sprite.GetSurface() != nullptr && scene.sprite.DrawAt(&scene.dest, 320, 240) == 1))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.sprite.DrawAt(&scene.dest, 320, 240));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpriteKeyed64);

void BM_LayoutLongWord(benchmark::State& state) {
    Scene& scene = TheScene();
    if (!Ready(state, scene.font.GetSheetSurface() != nullptr))
        return;
    const std::string word(4096, 'w');
    for (auto _ : state) {
        sys::RECT rect{0, 0, 100, 0};
        scene.font.DrawText(word.c_str(), &rect, sys::DT_CALCRECT | sys::DT_WORDBREAK, nullptr);
        benchmark::DoNotOptimize(rect);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LayoutLongWord);

}  // namespace
