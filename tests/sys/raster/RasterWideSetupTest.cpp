// Vertex projection, triangle setup and small triangles' row coverage done in wide lanes give
// the same pixels, z values and counters as the one-lane path, bit for bit, over lit scenes
// with clipped, non-finite and very large vertices and tall thin triangles, on every processor
// path this machine has.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sys/raster/lighting.h"
#include "sys/raster/raster_spans_simd.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;
using sys::raster::simd::Isa;

// The renderer's main vertex (format 0x252): position, normal, diffuse, two coordinate pairs.
struct LitVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse;
    float u0, v0, u1, v1;
};

struct Scene {
    const char* what;
    bool textured;
    PixelFormat format;
    uint32_t type;
    int shape;  // 0 small, 1 tall and thin, 2 large with odd corners
    bool materialColour = false;  // lit with the material's diffuse colour, not the vertex's
    bool secondSet = false;       // textured from the second coordinate pair, the last values set up
};

struct Result {
    std::vector<uint8_t> pixels;
    std::vector<uint16_t> depth;
    RasterCounters counters;
};

Result Draw(const Scene& scene, Isa path) {
    const Isa active = sys::raster::simd::ActiveIsa();
    sys::raster::simd::UseIsa(path);
    // Tall targets let thin triangles' edge values outgrow 32 bits.
    const int kWidth = 320, kHeight = scene.shape == 1 ? 1100 : 480;
    RasterCanvas canvas(kWidth, kHeight, scene.format);
    Rasterizer& r = canvas.raster;
    SetUpUnitPerspective(r, kWidth, kHeight, true);
    r.Clear(sys::RECT{0, 0, kWidth, kHeight}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00405060, 1.0f);
    std::mt19937 texels(5);
    TestTexture texture(TextureFormat::RGB565, 32, 32, 6, [&](int, int, int) { return texels() & 0xFFFF; });
    if (scene.textured) {
        r.SetTexture(0, &texture.texture);
        r.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        r.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        r.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
        r.SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, scene.secondSet ? 1 : 0);
    }
    // Two lights, one of them without a direction (it shines nowhere).
    LightingState lighting;
    lighting.ambient = ColorF{0.25f, 0.25f, 0.25f, 1.0f};
    lighting.materialAmbient = ColorF{0.3f, 0.4f, 0.5f, 0.0f};
    lighting.materialDiffuse = ColorF{0.9f, 0.6f, 1.0f, 0.5f};
    lighting.colourVertex = !scene.materialColour;
    lighting.lights.resize(3);
    lighting.lights[0] = DirectionalLight{{0.3f, -0.4f, 1.0f}, ColorF{0.8f, 0.7f, 0.6f, 0.0f}};
    lighting.lights[1] = DirectionalLight{{0.0f, 0.0f, 0.0f}, ColorF{1.0f, 1.0f, 1.0f, 0.0f}};
    lighting.lights[2] = DirectionalLight{{-0.5f, -0.4f, 1.0f}, ColorF{0.8f, 0.4f, 0.6f, 0.0f}};
    r.SetLighting(&lighting);

    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), depth(1.2f, 4.0f);
    const float odd[4] = {__builtin_nanf(""), __builtin_inff(), 1e30f, -3e38f};
    std::vector<LitVertex> list;
    std::vector<uint16_t> indices;
    for (int t = 0; t < 300; ++t) {
        const float cx = unit(random), cy = unit(random), z = depth(random);
        for (int c = 0; c < 3; ++c) {
            float x = cx + unit(random) * 0.05f, y = cy + unit(random) * 0.05f, cz = z + unit(random) * 0.2f;
            if (scene.shape == 1) {  // under sixteen pixels across, up to the full height
                x = cx + unit(random) * 0.045f;
                y = unit(random) * 1.2f;
            } else if (scene.shape == 2) {
                x = cx + unit(random) * 1.5f;
                y = cy + unit(random) * 1.5f;
                cz = c == 0 && t % 3 == 0 ? 0.4f : cz;  // behind the near plane: clipped
                if (t % 7 == 0 && c == 1) {
                    x = odd[(t / 7) % 4];
                }
            }
            list.push_back(LitVertex{x * cz, y * cz, cz, unit(random), unit(random), -0.9f,
                                     static_cast<uint32_t>(random()), unit(random) * 3.0f, unit(random) * 3.0f,
                                     scene.secondSet ? unit(random) * 3.0f : 0.0f,
                                     scene.secondSet ? unit(random) * 3.0f : 0.0f});
            indices.push_back(static_cast<uint16_t>(indices.size()));
        }
    }
    r.DrawIndexedPrimitive(scene.type, 0x252, list.data(), static_cast<uint32_t>(list.size()), indices.data(),
                           static_cast<uint32_t>(indices.size()), 0);
    sys::raster::simd::UseIsa(active);
    return Result{canvas.pixels, canvas.depth, r.Counters()};
}

class RasterWideSetup : public ::testing::TestWithParam<Isa> {};

TEST_P(RasterWideSetup, MatchesTheOneLanePathBitForBit) {
    if (sys::raster::simd::BestIsa() < GetParam()) {
        GTEST_SKIP() << "this processor has no " << sys::raster::simd::IsaName(GetParam()) << " path";
    }
    const Scene scenes[] = {
        {"small textured", true, PixelFormat::RGB565, D3DPT_TRIANGLELIST, 0},
        {"small textured from the second coordinates", true, PixelFormat::RGB565, D3DPT_TRIANGLELIST, 0, false, true},
        {"small Gouraud in the material's colour", false, PixelFormat::XRGB8888, D3DPT_TRIANGLELIST, 0, true},
        {"tall thin textured", true, PixelFormat::RGB565, D3DPT_TRIANGLELIST, 1},
        {"tall thin Gouraud strip", false, PixelFormat::RGB565, D3DPT_TRIANGLESTRIP, 1},
        {"large, clipped and odd corners", true, PixelFormat::RGB565, D3DPT_TRIANGLELIST, 2},
    };
    for (const Scene& scene : scenes) {
        const Result wide = Draw(scene, GetParam());
        const Result narrow = Draw(scene, Isa::Scalar);
        EXPECT_TRUE(wide.pixels == narrow.pixels) << scene.what;
        EXPECT_TRUE(wide.depth == narrow.depth) << scene.what;
        EXPECT_EQ(wide.counters.pixels, narrow.counters.pixels) << scene.what;
        EXPECT_EQ(wide.counters.shaded, narrow.counters.shaded) << scene.what;
        EXPECT_EQ(wide.counters.triangles, narrow.counters.triangles) << scene.what;
        EXPECT_GT(narrow.counters.pixels, 2000u) << scene.what;
    }
}

// Small triangles' coverage in 32 bits, two or four rows a register for narrow blocks: every
// row's mask is what its sums say, with values up to the largest the caller lets through and
// edges that cross the block.
TEST_P(RasterWideSetup, NearEdgesCoverWhatTheirSumsSay) {
    if (sys::raster::simd::BestIsa() < GetParam()) {
        GTEST_SKIP() << "this processor has no " << sys::raster::simd::IsaName(GetParam()) << " path";
    }
    const Isa active = sys::raster::simd::ActiveIsa();
    sys::raster::simd::UseIsa(GetParam());
    std::mt19937 random(11);
    auto between = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    for (int n = 0; n < 600; ++n) {
        const int columns = 1 + n % 16, rows = 1 + (n / 16) % 16;
        const bool far = n % 3 == 0;
        sys::raster::simd::NearEdges edges{};
        for (int e = 0; e < 3; ++e) {
            edges.step[e] = between(-(1 << 24), 1 << 24) >> between(0, 20);
            edges.rowStep[e] = between(-(1 << 24), 1 << 24) >> between(0, 20);
            // Far from the block or crossing it near its middle.
            edges.start[e] = far ? between(-(1 << 29), 1 << 29)
                                 : -(columns / 2) * edges.step[e] - (rows / 2) * edges.rowStep[e] + between(-64, 64);
        }
        uint16_t mask[16];
        sys::raster::simd::CoveredRowsNear16(edges, columns, rows, mask);
        for (int r = 0; r < rows; ++r) {
            uint16_t expected = 0;
            for (int k = 0; k < columns; ++k) {
                bool inside = true;
                for (int e = 0; e < 3; ++e) {
                    inside = inside && int64_t{edges.start[e]} + int64_t{r} * edges.rowStep[e] +
                                               int64_t{k} * edges.step[e] >= 0;
                }
                expected = static_cast<uint16_t>(expected | (inside ? 1u << k : 0u));
            }
            ASSERT_EQ(mask[r], expected) << "case " << n << ", row " << r << " of " << rows << ", " << columns
                                         << " columns";
        }
    }
    sys::raster::simd::UseIsa(active);
}

INSTANTIATE_TEST_SUITE_P(Paths, RasterWideSetup, ::testing::Values(Isa::Avx2, Isa::Avx512),
                         [](const ::testing::TestParamInfo<Isa>& info) {
                             return std::string(sys::raster::simd::IsaName(info.param));
                         });

}  // namespace
