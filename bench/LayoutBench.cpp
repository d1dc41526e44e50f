// Layout scripts: parsing a 200-line script (blocks, if conditions, quoted texts, shapes,
// images and sprites), and drawing a layout of 100 items (50 texts, 50 32 x 32 images with a
// colour key) into a 640 x 480 16-bit surface on the headless display, one frame per
// iteration, and drawing groups nested 8 and 64 deep. Items are scripts parsed or frames drawn
// per second; damaged and long scripts are bytes parsed per second at three lengths.
#include <benchmark/benchmark.h>

#include <string>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "sys/backend.h"
#include "sys/window/window.h"
#include "tests/ui/LayoutTestSupport.h"
#include "ui/SSurfaceDC.h"

namespace {

// 200 lines: 20 blocks of 10 lines each.
std::string MakeScript200() {
    std::string script;
    for (int block = 0; block < 20; ++block) {
        const std::string n = std::to_string(block);
        script += "group(" + n + ", " + n + "0, 600, 470, 2, 3)\n";
        script += "  if(score" + n + " >= 10)\n";
        script += "    string(\"Score, rank (" + n + ")\", 10, 10, font1, 2)\n";
        script += "    cstringr(\"centred\", 100, 30)\n";
        script += "  endif\n";
        script += "  rect(0, 40, 50, 60, 255, 0, 0)\n";
        script += "  grid(0, 70, 100, 120, 10, 10, 0, 255, 0)\n";
        script += "  img(id:panel" + n + ", 5, 5, 1)\n";
        script += "  dial(needle, 20, 20, heading, 0, 255, 0, 255)\n";
        script += "endgroup\n";
    }
    return script;
}

void BM_ParseScript200Lines(benchmark::State& state) {
    const std::string script = MakeScript200();
    tarvex::test::TestLayout layout;
    for (auto _ : state) {
        layout.SetScript(script.c_str());
        benchmark::DoNotOptimize(layout.Root());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseScript200Lines);

// Times reading the whole script into a layout, as bytes a second.
void TimeParsing(benchmark::State& state, const std::string& script) {
    tarvex::test::TestLayout layout;
    for (auto _ : state) {
        layout.SetScript(script.c_str());
        benchmark::DoNotOptimize(layout.Root());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size()));
}

// A damaged script: an item whose quoted text is never closed, followed by as many "a)" lines
// as the argument, which the parser glues back into that one text. Bytes parsed per second
// stay level as the script grows when each byte is looked at a bounded number of times.
void BM_ParseUnclosedQuote(benchmark::State& state) {
    std::string script = "string(\"";
    for (int64_t i = 0; i < state.range(0); ++i)
        script += "a)\n";
    TimeParsing(state, script);
}
BENCHMARK(BM_ParseUnclosedQuote)->Arg(10000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);

// Ordinary lines, as many as the argument: the same figure for a script that is only long.
void BM_ParseManyLines(benchmark::State& state) {
    std::string script;
    for (int64_t i = 0; i < state.range(0); ++i)
        script += "string(\"ROUNDS\",16,yb -44,Outline)\n";
    TimeParsing(state, script);
}
BENCHMARK(BM_ParseManyLines)->Arg(25000)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);

// A full-screen 16-bit display with a back surface and one 32 x 32 image.
struct Scene {
    Scene() {
        sys::SelectBackend(sys::Backend::Headless);
        window = sys::window::CreateWindow("Tarvex", sys::WS_VISIBLE, nullptr,
                                           [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                               return sys::window::DefWindowProc(h, m, w, l);
                                           });
        draw.Create(sys::video::GUID{});
        draw.SetMode(1, window);
        draw.SetDisplayMode(640, 480, 16, 0, 0);
        ready = back.CreateSurface(&draw, 640, 480, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0) == 1 &&
                image.CreateSurface(&draw, 32, 32, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0) == 1;
        image.Clear(nullptr, 0x1234);
        dc.SetSurface(&back);
    }
    sys::HWND window = nullptr;
    SDXDraw draw;
    SDXSurface back;
    SDXSurface image;
    SSurfaceDC dc;
    bool ready = false;
};

void BM_DrawHundredItems(benchmark::State& state) {
    static Scene scene;
    if (!scene.ready) {
        state.SkipWithError("the display surfaces could not be made");
        return;
    }
    std::string script;
    for (int i = 0; i < 50; ++i) {
        const std::string x = std::to_string(i % 10 * 60);
        const std::string y = std::to_string(i / 10 * 90);
        script += "string(\"Item " + std::to_string(i) + " of fifty\", " + x + ", " + y + ")\n";
        script += "img(pic, " + x + ", " + std::to_string(i / 10 * 90 + 20) + ")\n";
    }
    tarvex::test::TestLayout layout;
    layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    layout.images["pic"] = &scene.image;
    layout.SetScript(script.c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(layout.Draw(&scene.dc));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawHundredItems);

// A layout whose "xr" and "yb" are the enclosing block's width and height, as the game's are.
class BlockLayout : public tarvex::test::TestLayout {
public:
    int32_t GetValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) override {
        const std::string arg = pszArg;
        if (pBlock == nullptr || (arg != "xr" && arg != "yb"))
            return TestLayout::GetValue(pszArg, pDC, pBlock);
        sys::RECT rect;
        pBlock->GetRect(pDC, rect);
        return arg == "xr" ? rect.right - rect.left : rect.bottom - rect.top;
    }
};

// Groups nested as deep as the argument, each one pixel in from the one around it and as wide
// and high as it ("group(1, 1, xr, yb)"), with a text at the bottom: every level is drawn once
// a frame and reads its enclosing block's rectangle.
void BM_DrawNestedGroups(benchmark::State& state) {
    static Scene scene;
    if (!scene.ready) {
        state.SkipWithError("the display surfaces could not be made");
        return;
    }
    std::string script;
    for (int64_t i = 0; i < state.range(0); ++i)
        script += "group(1, 1, xr, yb)\n";
    script += "string(\"deep\", 0, 0)\n";
    BlockLayout layout;
    layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    layout.SetScript(script.c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(layout.Draw(&scene.dc));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawNestedGroups)->Arg(8)->Arg(64);

}  // namespace
