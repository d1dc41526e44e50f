// Drawing over band threads gives the same target, z-buffer and counters as drawing on one
// thread, bit for bit, in every kind of draw; the band threads start, stop and restart cleanly;
// the thread count follows TARVEX_RASTER_THREADS and the processors the thread may run on, and
// bands that share processors wait without spinning.

#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "sys/raster/band_workers.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

constexpr int kWidth = 211, kHeight = 157;  // a few strips and a part, columns not a round number

// The vertex of format 0x152: position, normal, diffuse, one coordinate pair.
struct LitVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse;
    float u, v;
};

enum class Kind { List, IndexedList, Strip, Lines, Wireframe };

struct Scene {
    const char* name;
    PixelFormat format;
    Kind kind;
    bool textured, linear, lit, small, blend, flat;
    // Tall thin triangles whose u crosses the wide loops' reach part way down, so some of
    // their rows fall back to the one-texel sampler.
    bool tall = false;
};

struct Drawn {
    std::vector<uint8_t> pixels;
    std::vector<uint16_t> depth;
    RasterCounters counters;
};

// Triangles in perspective from z 0.6 (in front of the near plane, so clipped) to 3, reaching
// past every side of the view; small ones cluster around points, large ones span the view.
Drawn Draw(const Scene& s, int threads) {
    RasterCanvas canvas(kWidth, kHeight, s.format);
    Rasterizer& r = canvas.raster;
    r.SetThreadCount(threads);
    SetUpUnitPerspective(r, kWidth, kHeight, true);
    r.SetRenderState(D3DRENDERSTATE_SHADEMODE, s.flat ? D3DSHADE_FLAT : D3DSHADE_GOURAUD);
    r.SetRenderState(D3DRENDERSTATE_FILLMODE, s.kind == Kind::Wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
    r.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, s.blend);
    r.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    r.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    r.Clear(sys::RECT{0, 0, kWidth, kHeight}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00203040, 1.0f);
    std::mt19937 texels(5);
    TestTexture texture(TextureFormat::RGB565, 32, 32, 6, [&](int, int, int) { return texels() & 0xFFFF; });
    if (s.textured) {
        r.SetTexture(0, &texture.texture);
        const uint32_t filter = s.linear ? D3DTFG_LINEAR : D3DTFG_POINT;
        r.SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
        r.SetTextureStageState(0, D3DTSS_MINFILTER, filter);
        r.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
        r.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        r.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    }
    LightingState lighting;
    lighting.ambient = ColorF{0.2f, 0.2f, 0.2f, 0.0f};
    lighting.materialAmbient = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
    lighting.lights.push_back(DirectionalLight{{0.3f, -0.5f, 1.0f}, ColorF{0.9f, 0.8f, 0.6f, 0.0f}});
    r.SetLighting(s.lit ? &lighting : nullptr);

    std::mt19937 random(11);
    std::uniform_real_distribution<float> across(-1.3f, 1.3f), depth(0.6f, 3.0f), near(-0.12f, 0.12f),
        unit(-1.0f, 1.0f), coordinate(-2.0f, 3.0f);
    std::vector<LitVertex> vertices;
    const int corners = s.small ? 1800 : 120;
    float cx = 0.0f, cy = 0.0f;
    for (int k = 0; k < corners; ++k) {
        if (k % 3 == 0) {
            cx = across(random);
            cy = across(random);
        }
        const float z = depth(random);
        const float x = s.small ? cx + near(random) : across(random), y = s.small ? cy + near(random) : across(random);
        const uint32_t colour = static_cast<uint32_t>(random()) | 0x40000000u;
        LitVertex vertex{x * z, y * z, z, unit(random), unit(random), -1.0f, colour, coordinate(random),
                         coordinate(random)};
        if (s.tall) {
            const int corner = k % 3;
            vertex.x = (cx + 0.05f * static_cast<float>(corner)) * z;
            vertex.y = (corner == 2 ? 1.1f : -1.1f) * z;
            vertex.u = corner == 2 ? 2200.0f : 1900.0f;
        }
        vertices.push_back(vertex);
    }
    const uint32_t count = static_cast<uint32_t>(vertices.size());
    switch (s.kind) {
    case Kind::List:
    case Kind::Wireframe: r.DrawPrimitive(D3DPT_TRIANGLELIST, 0x152, vertices.data(), count, 0); break;
    case Kind::Strip: r.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0x152, vertices.data(), count, 0); break;
    case Kind::Lines: r.DrawPrimitive(D3DPT_LINELIST, 0x152, vertices.data(), count, 0); break;
    case Kind::IndexedList: {
        // Reversed, with one index past the end that drops its triangle.
        std::vector<uint16_t> indices;
        for (uint32_t i = count; i-- > 0;) {
            indices.push_back(static_cast<uint16_t>(i));
        }
        indices[4] = static_cast<uint16_t>(count);
        r.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x152, vertices.data(), count, indices.data(),
                               static_cast<uint32_t>(indices.size()), 0);
        break;
    }
    }
    return Drawn{canvas.pixels, canvas.depth, r.Counters()};
}

TEST(RasterBandThreads, DrawsTheSameAsOneThreadBitForBit) {
    constexpr PixelFormat k16 = PixelFormat::RGB565, k32 = PixelFormat::XRGB8888;
    const Scene scenes[] = {
        // name                      format kind               tex    linear lit    small  blend  flat
        {"lit textured small 16", k16, Kind::IndexedList, true, true, true, true, false, false},
        {"lit textured large 16", k16, Kind::List, true, true, true, false, false, false},
        {"tall textured 16", k16, Kind::List, true, true, false, true, false, false, true},
        {"point textured small 32", k32, Kind::List, true, false, false, true, false, false},
        {"Gouraud small 16", k16, Kind::List, false, false, false, true, false, false},
        {"Gouraud large 32", k32, Kind::List, false, false, false, false, false, false},
        {"flat strip 16", k16, Kind::Strip, false, false, true, false, false, true},
        {"blended textured 32", k32, Kind::List, true, true, false, false, true, false},
        {"blended small 16", k16, Kind::List, false, false, false, true, true, false},
        {"lines 16", k16, Kind::Lines, true, false, false, false, false, false},
        {"wireframe 32", k32, Kind::Wireframe, false, false, true, false, false, false},
    };
    for (const Scene& s : scenes) {
        SCOPED_TRACE(s.name);
        const Drawn one = Draw(s, 1);
        EXPECT_GT(one.counters.pixels, 3000u);  // enough of the view that the draw is shared
        for (int threads : {2, 3, 4}) {
            SCOPED_TRACE(threads);
            const Drawn many = Draw(s, threads);
            EXPECT_TRUE(many.pixels == one.pixels);
            EXPECT_TRUE(many.depth == one.depth);
            EXPECT_EQ(many.counters.triangles, one.counters.triangles);
            EXPECT_EQ(many.counters.lines, one.counters.lines);
            EXPECT_EQ(many.counters.pixels, one.counters.pixels);
            EXPECT_EQ(many.counters.shaded, one.counters.shaded);
        }
    }
}

// Rasterizers (one per device) that come and go, change their thread count between draws and
// draw after their threads have gone to sleep keep drawing the one-thread picture.
TEST(RasterBandThreads, ThreadsStartStopAndRestartWithTheirRasterizer) {
    const Scene scene{"lit textured small", PixelFormat::RGB565, Kind::List, true, true, true, true, false, false};
    const Drawn one = Draw(scene, 1);
    for (int threads : {4, 2, 4, 3}) {
        EXPECT_TRUE(Draw(scene, threads).pixels == one.pixels);
    }
    // Two at once, each with its own threads, drawing after an idle pause.
    RasterCanvas first(kWidth, kHeight), second(kWidth, kHeight);
    for (RasterCanvas* canvas : {&first, &second}) {
        canvas->UsePixelSpace();
        canvas->raster.SetThreadCount(3);
    }
    std::vector<LineVertex> quad = {V(0, 0, 0x00FF0000), V(211, 0, 0x0000FF00), V(0, 157, 0x000000FF),
                                    V(211, 0, 0x0000FF00), V(211, 157, 0x00FFFFFF), V(0, 157, 0x000000FF)};
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(first.Triangles(quad));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        EXPECT_TRUE(second.Triangles(quad));
    }
    EXPECT_TRUE(first.pixels == second.pixels);
    EXPECT_EQ(first.raster.Counters().pixels, 3u * kWidth * kHeight);
    EXPECT_TRUE(first.PaddingIntact());
}

TEST(RasterBandThreads, EveryBandRunsOncePerJob) {
    for (int bands : {1, 2, 5}) {
        sys::raster::BandWorkers workers(bands);
        EXPECT_EQ(workers.Bands(), bands);
        for (int job = 0; job < 50; ++job) {
            std::vector<std::atomic<int>> runs(static_cast<size_t>(bands));
            workers.Run([](void* context, int band) { (*static_cast<std::vector<std::atomic<int>>*>(context))[band]++; },
                        &runs);
            for (const std::atomic<int>& count : runs) {
                EXPECT_EQ(count.load(), 1);
            }
            if (job % 10 == 9) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));  // past the spin: threads sleep
            }
        }
    }
}

TEST(RasterBandThreads, ThreadCountFromTheEnvironmentAndTheMachine) {
    struct Case {
        const char* setting;
        unsigned hardware;
        int expected;
    };
    const Case cases[] = {
        {nullptr, 8, 4}, {nullptr, 2, 2}, {nullptr, 1, 1}, {nullptr, 0, 1}, {"1", 8, 1},  {"6", 2, 6},
        {"16", 4, 16},   {"", 8, 4},      {"0", 8, 4},     {"17", 8, 4},   {"-2", 8, 4}, {"3x", 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting != nullptr ? c.setting : "(unset)");
        EXPECT_EQ(sys::raster::BandThreadsFor(c.setting, c.hardware), c.expected);
    }
    Rasterizer raster;
    EXPECT_EQ(raster.ThreadCount(), sys::raster::DefaultBandThreads());
    raster.SetThreadCount(1);
    EXPECT_EQ(raster.ThreadCount(), 1);
}

// The processors this thread may run on now.
std::vector<int> Allowed() {
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> processors;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &set))
                processors.push_back(cpu);
        }
    }
    return processors;
}

// Runs `work` on a new thread that may use only the first `count` of `processors`, as
// `taskset` would start the program.
void OnProcessors(const std::vector<int>& processors, int count, const std::function<void()>& work) {
    std::thread([&] {
        cpu_set_t set;
        CPU_ZERO(&set);
        for (int k = 0; k < count; ++k)
            CPU_SET(processors[static_cast<size_t>(k)], &set);
        ASSERT_EQ(sched_setaffinity(0, sizeof set, &set), 0);
        work();
    }).join();
}

TEST(RasterBandThreads, TheDefaultFollowsTheProcessorsTheThreadMayRunOn) {
    if (std::getenv("TARVEX_RASTER_THREADS") != nullptr)
        GTEST_SKIP() << "TARVEX_RASTER_THREADS sets the count";
    const std::vector<int> processors = Allowed();
    ASSERT_FALSE(processors.empty());
    const struct {
        int allowed, threads;
    } cases[] = {{1, 1}, {2, 2}, {3, 3}, {6, 4}};
    for (const auto& c : cases) {
        if (c.allowed > static_cast<int>(processors.size()))
            continue;
        SCOPED_TRACE(c.allowed);
        OnProcessors(processors, c.allowed, [&] {
            EXPECT_EQ(sys::raster::AllowedProcessors(), static_cast<unsigned>(c.allowed));
            Rasterizer raster;
            EXPECT_EQ(raster.ThreadCount(), c.threads);
        });
    }
}

// The calling thread sleeps between jobs as the game's thread waits for its next frame: each
// job wakes the band threads, which then wait for the next. Where bands share processors a
// thread that spun while it waited would keep one from a band with work or from the game's
// thread, so none may pause in a spin however busy the machine; with a processor each they
// spin a moment, which shows the pauses are counted. What the waits cost in processor time is
// bench_RasterBandBench's figure.
TEST(RasterBandThreads, BandsSharingAProcessorWaitWithoutHoldingIt) {
    const std::vector<int> processors = Allowed();
    ASSERT_FALSE(processors.empty());
    const struct {
        int processors, bands;
        bool spin;
    } cases[] = {{1, 4, false}, {3, 4, false}, {2, 2, true}};
    for (const auto& c : cases) {
        if (c.processors > static_cast<int>(processors.size()))
            continue;
        SCOPED_TRACE(c.processors);
        OnProcessors(processors, c.processors, [&] {
            sys::raster::BandWorkers workers(c.bands);
            std::atomic<int> runs{0};
            for (int job = 0; job < 50; ++job) {
                workers.Run([](void* context, int) { ++*static_cast<std::atomic<int>*>(context); }, &runs);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            EXPECT_EQ(runs.load(), 50 * c.bands);
            EXPECT_EQ(workers.Pauses() > 0, c.spin);
        });
    }
}

}  // namespace
