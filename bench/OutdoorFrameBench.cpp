// The demo outdoor map at 640 x 480 x 16 along a fixed camera path of 600 frames: frames per
// second, the renderer's own frame statistics (opaque and translucent triangles), the time a
// frame takes, and pixels shaded and overdraw from the device's counters, on the device's
// default band threads (/0) and on one (/1); the label names the processor path and threads.
// The Home folder is the one the build writes beside the benchmark (or TARVEX_HOME).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/RasterPathLabel.h"
#include "render/SD3D6Parser.h"
#include "render/pipeline/SRaster.h"
#include "sys/d3d/d3d.h"
#include "tests/render/DemoOutdoorSession.h"

namespace {

constexpr int kFrames = 600;

std::string HomeFolder() {
    if (const char* home = std::getenv("TARVEX_HOME")) {
        return home;
    }
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("build/Home") : (exe.parent_path().parent_path() / "Home").string();
}

// Frame f of the path: a loop over the grass, past the wood on the hill and over the pond,
// turning slowly and looking a little down.
void CameraAt(int f, float* x, float* z, float* yaw, float* pitch) {
    const float t = static_cast<float>(f) / kFrames * 2.0f * 3.14159265f;
    *x = 30000.0f + 9000.0f * std::cos(t);
    *z = 30000.0f + 6000.0f * std::sin(t);
    *yaw = t + 3.14159265f * 0.5f + 0.4f * std::sin(3.0f * t);
    *pitch = -0.2f + 0.1f * std::sin(2.0f * t);
}

void OutdoorFrames(benchmark::State& state) {
    tarvex::demo::DemoOutdoor demo;
    if (demo.Open(HomeFolder(), true) != 1) {
        state.SkipWithError("the demo outdoor world could not be opened (is the Home folder built?)");
        return;
    }
    SD3D6Parser& parser = demo.parser;
    parser.SetProjection(60.0f, 60.0f, 1.0f, static_cast<float>(parser.m_LevelInfo.Field(5)));
    sys::d3d::IDirect3DDevice3* device = parser.GetRaster()->GetDevice(0);
    device->SetRasterThreads(static_cast<int>(state.range(0)));
    double frames = 0.0, opaque = 0.0, translucent = 0.0, seconds = 0.0, textureSeconds = 0.0;
    device->ResetCounters();
    for (auto _ : state) {
        for (int f = 0; f < kFrames; ++f) {
            float x, z, yaw, pitch;
            CameraAt(f, &x, &z, &yaw, &pitch);
            const float ground = parser.m_pWorld != nullptr ? static_cast<float>(parser.GetTerrainHeight(x, z)) : 0.0f;
            const auto start = std::chrono::steady_clock::now();
            demo.Frame(x, ground + 250.0f, z, pitch, yaw);
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            opaque += SD3D6Parser::s_FrameStats.iOpaqueTriangles;
            translucent += SD3D6Parser::s_FrameStats.iTranslucentTriangles;
            textureSeconds += SD3D6Parser::s_FrameStats.dTextureTime;
            frames += 1.0;
        }
        benchmark::ClobberMemory();
    }
    const sys::raster::RasterCounters& c = device->Counters();
    state.counters["frames_per_second"] = frames / seconds;
    state.counters["frame_ms"] = seconds / frames * 1000.0;
    state.counters["opaque_triangles"] = opaque / frames;
    state.counters["translucent_triangles"] = translucent / frames;
    // The renderer times its frames and texture states on the system clock, which the headless
    // backend fakes; the wall-clock frame time above is the one to read.
    state.counters["texture_state_ms"] = textureSeconds / frames * 1000.0;
    state.counters["pixels_shaded"] = static_cast<double>(c.shaded) / frames;
    state.counters["overdraw"] = static_cast<double>(c.shaded) / frames / (640.0 * 480.0);
    state.SetLabel(RasterPathLabel(device));
}

BENCHMARK(OutdoorFrames)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(0)->Arg(1);

}  // namespace
