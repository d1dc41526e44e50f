// The software Direct3D device on a headless 640 x 480 RGB565 back buffer with a 16-bit
// z-buffer, drawing through the device as the renderer does:
// - FullFeatureFill: large perspective triangles, bilinear filtered from the nearest mip level
//   of a 256 x 256 RGB565 texture (the renderer's "bilinear" filter level), z-tested,
//   alpha-blended (source alpha over inverse), table-fogged and dithered. Counters:
//   pixels_per_second, and vs_memset, that rate over the rate at which memset fills the same
//   target. On one thread: the goal is one core's.
// - TrilinearFill: the same with linear mip filtering between the two nearest levels (the
//   renderer's "trilinear" level). Counter: trilinear_pixels_per_second.
// - LitTexturedScene: 10,000 lit, textured (bilinear, mipmapped), z-tested triangles of the
//   44-byte main vertex, drawn as ten indexed lists, with the target and z-buffer cleared each
//   frame, on the device's default band threads (one for each processor the program may run
//   on, up to four; TARVEX_RASTER_THREADS sets them; /0) and on one thread (/1), timed on the
//   wall clock. Under `taskset -c 2,3` the default is two. Counters: frames_per_second, threads, and
//   frame_checksum, a hash of the last frame's target and z-buffer that speed work (and the
//   thread count) must leave as it was.
// - GouraudFill: large Gouraud-shaded, z-tested, dithered triangles without texture.
//   Counter: gouraud_pixels_per_second. On one thread, like FullFeatureFill.
// Each case's label names the processor path that drew it (TARVEX_RASTER_ISA forces one).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/RasterPathLabel.h"
#include "sys/d3d/d3d.h"
#include "sys/video/headless/headless_video.h"
#include "sys/video/video.h"

using namespace sys::video;
using namespace sys::d3d;
using sys::d3d::D3D_OK;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct MainVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse;
    float u0, v0, u1, v1;
};

uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// A headless display with a back buffer, its z-buffer, a device and a viewport over it all,
// a perspective projection (90 degrees, near 1, far 3000) and a mipmapped texture.
class Bench {
public:
    Bench() {
        headless::Reset();
        CreateDirectDraw(&m_dd);
        m_dd->Initialize(nullptr);
        m_dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
        m_dd->QueryDirect3D(&m_d3d);
        m_target = Surface(kWidth, kHeight, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, false);
        m_depth = Surface(kWidth, kHeight, DDSCAPS_ZBUFFER, true);
        m_target->AddAttachedSurface(m_depth);
        m_d3d->CreateDevice(IID_IDirect3DHALDevice, m_target, &m_device, nullptr);
        m_d3d->CreateViewport(&m_viewport, nullptr);
        m_device->AddViewport(m_viewport);
        D3DVIEWPORT2 vp;
        vp.dwWidth = kWidth;
        vp.dwHeight = kHeight;
        vp.dvClipX = -1.0f;
        vp.dvClipY = 0.75f;
        vp.dvClipWidth = 2.0f;
        vp.dvClipHeight = 1.5f;
        vp.dvMaxZ = 1.0f;
        m_viewport->SetViewport2(&vp);
        m_device->SetCurrentViewport(m_viewport);
        D3DMATRIX p;
        const float q = 3000.0f / (3000.0f - 1.0f);
        p.m[2][2] = q;
        p.m[2][3] = 1.0f;
        p.m[3][2] = -q;
        p.m[3][3] = 0.0f;
        m_device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &p);
        m_device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        m_device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
        MakeTexture();
        Clear();
    }
    ~Bench() {
        m_texture->Release();
        m_textureSurface->Release();
        m_device->Release();
        m_viewport->Release();
        m_depth->Release();
        m_target->Release();
        m_d3d->Release();
        m_dd->Release();
        headless::Reset();
    }

    IDirect3DDevice3* Device() { return m_device; }
    IDirect3DTexture2* Texture() { return m_texture; }
    IDirect3DViewport3* Viewport() { return m_viewport; }
    IDirect3D3* D3D() { return m_d3d; }

    void Clear() {
        const D3DRECT all{0, 0, kWidth, kHeight};
        m_viewport->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    }

    // A 32-bit FNV-1a hash of the back buffer's and z-buffer's rows, so a change meant only
    // for speed can be seen to leave the frame as it was.
    double FrameChecksum() {
        uint32_t hash = 2166136261u;
        for (IDirectDrawSurface4* surface : {m_target, m_depth}) {
            DDSURFACEDESC2 desc;
            surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
            for (int y = 0; y < kHeight; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
                for (int i = 0; i < kWidth * 2; ++i) {
                    hash = (hash ^ row[i]) * 16777619u;
                }
            }
            surface->Unlock(nullptr);
        }
        return static_cast<double>(hash);
    }

    // Pixels a second that memset reaches filling the locked back buffer: the best of several
    // timed runs, so a busy machine does not flatter the ratio.
    double MemsetPixelsPerSecond() {
        DDSURFACEDESC2 desc;
        m_target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
        const size_t bytes = static_cast<size_t>(desc.lPitch) * kHeight;
        constexpr int kRounds = 200;
        double best = 0.0;
        for (int trial = 0; trial < 10; ++trial) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kRounds; ++i) {
                std::memset(desc.lpSurface, i & 0xFF, bytes);
                benchmark::ClobberMemory();
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            best = std::max(best, static_cast<double>(kRounds) * kWidth * kHeight / seconds);
        }
        m_target->Unlock(nullptr);
        return best;
    }

private:
    IDirectDrawSurface4* Surface(uint32_t w, uint32_t h, uint32_t caps, bool depth) {
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = w;
        desc.dwHeight = h;
        if (depth) {
            desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
            desc.ddpfPixelFormat.dwZBufferBitDepth = 16;
            desc.ddpfPixelFormat.dwZBitMask = 0xFFFF;
        } else {
            desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
            desc.ddpfPixelFormat.dwRGBBitCount = 16;
            desc.ddpfPixelFormat.dwRBitMask = 0xF800;
            desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
            desc.ddpfPixelFormat.dwBBitMask = 0x001F;
        }
        desc.ddsCaps.dwCaps = caps | DDSCAPS_SYSTEMMEMORY;
        IDirectDrawSurface4* surface = nullptr;
        m_dd->CreateSurface(&desc, &surface, nullptr);
        return surface;
    }

    // 256 x 256 RGB565, nine levels of a coloured checker with a different tint per level.
    void MakeTexture() {
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = 256;
        desc.dwHeight = 256;
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 16;
        desc.ddpfPixelFormat.dwRBitMask = 0xF800;
        desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
        desc.ddpfPixelFormat.dwBBitMask = 0x001F;
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY;
        desc.ddsCaps.dwCaps2 = 0x10;  // managed
        m_dd->CreateSurface(&desc, &m_textureSurface, nullptr);
        IDirectDrawSurface4* level = m_textureSurface;
        level->AddRef();
        for (uint32_t l = 0; level != nullptr; ++l) {
            DDSURFACEDESC2 locked;
            level->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
            for (uint32_t y = 0; y < locked.dwHeight; ++y) {
                auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.lpSurface) + y * locked.lPitch);
                for (uint32_t x = 0; x < locked.dwWidth; ++x) {
                    const bool dark = ((x / 8) + (y / 8)) & 1;
                    row[x] = static_cast<uint16_t>(dark ? 0x2104 * (l % 4) : 0xF81F - 0x0801 * (l % 8));
                }
            }
            level->Unlock(nullptr);
            DDSCAPS2 caps;
            caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
            IDirectDrawSurface4* next = nullptr;
            level->GetAttachedSurface(&caps, &next);
            level->Release();
            level = next;
        }
        QueryTexture(m_textureSurface, &m_texture);
    }

    IDirectDraw4* m_dd = nullptr;
    IDirect3D3* m_d3d = nullptr;
    IDirectDrawSurface4* m_target = nullptr;
    IDirectDrawSurface4* m_depth = nullptr;
    IDirectDrawSurface4* m_textureSurface = nullptr;
    IDirect3DTexture2* m_texture = nullptr;
    IDirect3DDevice3* m_device = nullptr;
    IDirect3DViewport3* m_viewport = nullptr;
};

// A vertex that lands on screen pixel (sx, sy) at eye depth z: sx = 320 + 320 x/z,
// sy = 240 - 320 y/z.
MainVertex At(float sx, float sy, float z, uint32_t colour, float u, float v) {
    const float x = (sx - 320.0f) / 320.0f * z;
    const float y = (240.0f - sy) / 320.0f * z;
    return MainVertex{x, y, z, 0, 0, -1, colour, u, v, u, v};
}

// Two triangles covering a w x h rectangle of the screen at (x, y), leaning back in depth so
// perspective and the level of detail vary across it; `repeats` texture repeats across.
void Quad(std::vector<MainVertex>& out, float x, float y, float w, float h, float z, float repeats) {
    const MainVertex a = At(x, y, z + 2.0f, 0xC0FF8040, 0, 0);
    const MainVertex b = At(x + w, y, z + 2.0f, 0xC040FF80, repeats, 0);
    const MainVertex c = At(x, y + h, z, 0xC08040FF, 0, repeats);
    const MainVertex d = At(x + w, y + h, z, 0xC0FFFFFF, repeats, repeats);
    out.insert(out.end(), {a, b, c, b, d, c});
}

enum class Fill { Gouraud, Bilinear, Trilinear };

void FillCase(benchmark::State& state, Fill fill) {
    const bool fullFeature = fill != Fill::Gouraud;
    Bench bench;
    IDirect3DDevice3* device = bench.Device();
    // The fill goals are one core's: large triangles would otherwise be shared among threads.
    device->SetRasterThreads(1);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
    if (fullFeature) {
        device->SetTexture(0, bench.Texture());
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, fill == Fill::Trilinear ? D3DTFP_LINEAR : D3DTFP_POINT);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 1);
        device->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
        device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00808090);
        device->SetRenderState(D3DRENDERSTATE_FOGTABLESTART, Bits(3.0f));
        device->SetRenderState(D3DRENDERSTATE_FOGTABLEEND, Bits(12.0f));
    }
    // Four large quads (each about 300 x 220 pixels) over the screen.
    std::vector<MainVertex> list;
    Quad(list, 10.3f, 10.2f, 300, 220, 2.0f, 4.0f);
    Quad(list, 330.4f, 10.6f, 300, 220, 3.0f, 8.0f);
    Quad(list, 10.7f, 250.1f, 300, 220, 4.0f, 2.0f);
    Quad(list, 330.2f, 250.5f, 300, 220, 5.0f, 16.0f);
    const double memsetRate = bench.MemsetPixelsPerSecond();
    device->ResetCounters();
    for (auto _ : state) {
        // Redrawing at equal depth passes less-or-equal, so every pixel runs the whole path.
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x252, list.data(), static_cast<uint32_t>(list.size()), 0x18);
        benchmark::ClobberMemory();
    }
    const RasterCounters& c = device->Counters();
    state.SetItemsProcessed(static_cast<int64_t>(c.pixels));
    const char* name = fill == Fill::Bilinear    ? "pixels_per_second"
                       : fill == Fill::Trilinear ? "trilinear_pixels_per_second"
                                                 : "gouraud_pixels_per_second";
    state.counters[name] = benchmark::Counter(static_cast<double>(c.pixels), benchmark::Counter::kIsRate);
    if (fill == Fill::Bilinear) {
        // The rate relative to memset's, worked out from the loop's own time.
        state.counters["vs_memset"] = benchmark::Counter(static_cast<double>(c.pixels) / memsetRate,
                                                         benchmark::Counter::kIsRate);
    }
    state.SetLabel(RasterPathLabel(device));
}

void FullFeatureFill(benchmark::State& state) { FillCase(state, Fill::Bilinear); }
void TrilinearFill(benchmark::State& state) { FillCase(state, Fill::Trilinear); }
void GouraudFill(benchmark::State& state) { FillCase(state, Fill::Gouraud); }

// 10,000 triangles of about 40 pixels each in a 100 x 50 grid of cells, at depths from 2 to
// 12, lit by two directional lights and the ambient light through a material.
void LitTexturedScene(benchmark::State& state) {
    Bench bench;
    IDirect3DDevice3* device = bench.Device();
    device->SetRasterThreads(static_cast<int>(state.range(0)));
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    device->SetTexture(0, bench.Texture());
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
    IDirect3DLight* lights[2] = {};
    for (int k = 0; k < 2; ++k) {
        bench.D3D()->CreateLight(&lights[k], nullptr);
        D3DLIGHT2 light;
        light.dltType = D3DLIGHT_DIRECTIONAL;
        light.dcvColor = D3DCOLORVALUE{0.8f, 0.7f - 0.3f * static_cast<float>(k), 0.6f, 0.0f};
        light.dvDirection = D3DVECTOR{k == 0 ? 0.3f : -0.5f, -0.4f, 1.0f};
        light.dwFlags = D3DLIGHT_ACTIVE | D3DLIGHT_NO_SPECULAR;
        lights[k]->SetLight(&light);
        bench.Viewport()->AddLight(lights[k]);
    }
    IDirect3DMaterial3* material = nullptr;
    bench.D3D()->CreateMaterial(&material, nullptr);
    D3DMATERIAL m;
    m.diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    m.ambient = D3DCOLORVALUE{0.3f, 0.3f, 0.3f, 0.0f};
    material->SetMaterial(&m);
    D3DMATERIALHANDLE handle = 0;
    material->GetHandle(device, &handle);
    device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle);
    device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0xFF404040);

    constexpr int kAcross = 100, kDown = 50, kBatches = 10;
    std::vector<MainVertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<std::vector<MainVertex>> batchVertices(kBatches);
    std::vector<std::vector<uint16_t>> batchIndices(kBatches);
    for (int cell = 0; cell < kAcross * kDown; ++cell) {
        const int i = cell % kAcross, j = cell / kAcross;
        std::vector<MainVertex>& v = batchVertices[static_cast<size_t>(cell % kBatches)];
        std::vector<uint16_t>& x = batchIndices[static_cast<size_t>(cell % kBatches)];
        const float sx = static_cast<float>(i) * 6.4f + 0.3f, sy = static_cast<float>(j) * 9.6f + 0.2f;
        const float z = 2.0f + static_cast<float>((i * 7 + j * 3) % 11);
        const uint16_t n = static_cast<uint16_t>(v.size());
        MainVertex corners[4] = {At(sx, sy, z, 0xFFFFFFFF, 0, 0), At(sx + 6.4f, sy, z + 0.1f, 0xFFFFFFFF, 1, 0),
                                 At(sx, sy + 9.6f, z + 0.1f, 0xFFFFFFFF, 0, 1),
                                 At(sx + 6.4f, sy + 9.6f, z + 0.2f, 0xFFFFFFFF, 1, 1)};
        for (MainVertex& c : corners) {
            c.nx = 0.2f * static_cast<float>(i % 5) - 0.4f;
            c.ny = 0.1f * static_cast<float>(j % 7) - 0.3f;
            c.nz = -0.9f;
            v.push_back(c);
        }
        x.insert(x.end(), {n, static_cast<uint16_t>(n + 1), static_cast<uint16_t>(n + 2), static_cast<uint16_t>(n + 1),
                           static_cast<uint16_t>(n + 3), static_cast<uint16_t>(n + 2)});
    }
    device->ResetCounters();
    for (auto _ : state) {
        bench.Clear();
        device->BeginScene();
        for (int b = 0; b < kBatches; ++b) {
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x252, batchVertices[b].data(),
                                         static_cast<uint32_t>(batchVertices[b].size()), batchIndices[b].data(),
                                         static_cast<uint32_t>(batchIndices[b].size()), 0x8);
        }
        device->EndScene();
        benchmark::ClobberMemory();
    }
    const RasterCounters& c = device->Counters();
    state.counters["frames_per_second"] = benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles_per_frame"] =
        benchmark::Counter(static_cast<double>(c.triangles), benchmark::Counter::kAvgIterations);
    state.counters["pixels_per_frame"] =
        benchmark::Counter(static_cast<double>(c.pixels), benchmark::Counter::kAvgIterations);
    state.counters["frame_checksum"] = bench.FrameChecksum();
    state.counters["threads"] = device->RasterThreads();
    state.SetLabel(RasterPathLabel(device));
    material->Release();
    for (IDirect3DLight* light : lights) {
        bench.Viewport()->DeleteLight(light);
        light->Release();
    }
}

BENCHMARK(FullFeatureFill)->Unit(benchmark::kMillisecond);
BENCHMARK(TrilinearFill)->Unit(benchmark::kMillisecond);
BENCHMARK(LitTexturedScene)->Unit(benchmark::kMillisecond)->Arg(0)->Arg(1)->UseRealTime();
BENCHMARK(GouraudFill)->Unit(benchmark::kMillisecond);

}  // namespace
