#include "tools/makehome/HomeRangeTarget.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

#include "assets/models/SSMObject.h"
#include "assets/textures/STexFormat.h"
#include "assets/textures/STexRegion.h"
#include "assets/textures/STexture2.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "tools/makehome/HomeOutdoor.h"

namespace home_range {
namespace {

// The board in metres, standing on its foot; the stand-in range's line test knows the same.
// Models are drawn in map units, eight to the metre, so the file holds the board at that scale.
constexpr float kMapUnitsPerMetre = 8.0f;
constexpr float kHalfWidth = 0.5f * kMapUnitsPerMetre;
constexpr float kHeight = 2.0f * kMapUnitsPerMetre;
// The back face stands a little behind the front one, so loading does not weld the two faces'
// corners into vertices whose normals cancel.
constexpr float kThickness = 0.02f * kMapUnitsPerMetre;
constexpr int kTextureSize = 64;
constexpr int kHoleSize = 16;
const char* const kOpaqueLine = "R5G6B5 16 0 2 5 6 5 0 11 5 0 0 31 63 31 0 ";
const char* const kAlphaLine = "A4R4G4B4 12 4 2 4 4 4 4 8 4 0 12 15 15 15 15 ";

struct Region {
    const char* name;
    const char* score;
    float u0, v0, u1, v1;  // texture space, 0..1, v down from the top
};

// Inner regions first: a shot scores the best region it lands in.
constexpr Region kRegions[] = {
    {"Centre", "10", 0.35f, 0.35f, 0.65f, 0.6f},
    {"Head", "5", 0.35f, 0.05f, 0.65f, 0.25f},
    {"Body", "4", 0.15f, 0.3f, 0.85f, 0.95f},
};

std::vector<uint8_t> TakeBytes(CMemFile& file) {
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    if (!bytes.empty())
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

// The painted board: pale card, the regions in darker shades, the centre darkest.
void Paint(int x, int y, uint8_t rgba[4]) {
    const float u = (static_cast<float>(x) + 0.5f) / kTextureSize;
    const float v = (static_cast<float>(y) + 0.5f) / kTextureSize;
    uint8_t shade = 230;
    for (int i = static_cast<int>(std::size(kRegions)) - 1; i >= 0; --i) {
        const Region& r = kRegions[i];
        if (u >= r.u0 && u < r.u1 && v >= r.v0 && v < r.v1)
            shade = static_cast<uint8_t>(60 + i * 50);
    }
    rgba[0] = shade;
    rgba[1] = static_cast<uint8_t>(shade * 3 / 4);
    rgba[2] = static_cast<uint8_t>(shade / 2);
    rgba[3] = 255;
}

using Painter = std::function<void(int x, int y, uint8_t rgba[4])>;

// A texture file from a painted square picture in one format, with the board's hit regions
// when asked.
std::vector<uint8_t> PaintedTexture(int size, const Painter& paint, const char* formatLine, bool regions,
                                    const std::vector<std::pair<const char*, const char*>>& tags = {}) {
    // Uncompressed 32-bit TGA, rows from the bottom.
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 2;
    tga[12] = static_cast<uint8_t>(size);
    tga[14] = static_cast<uint8_t>(size);
    tga[16] = 32;
    tga[17] = 8;
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            uint8_t c[4];
            paint(x, y, c);
            tga.insert(tga.end(), {c[2], c[1], c[0], c[3]});
        }
    }
    // The import reads pictures from files; each run uses a name of its own.
    const std::filesystem::path picture =
        std::filesystem::temp_directory_path() / ("tarvex_target_" + std::to_string(std::random_device{}()) + ".tga");
    {
        std::ofstream out(picture, std::ios::binary);
        out.write(reinterpret_cast<const char*>(tga.data()), static_cast<std::streamsize>(tga.size()));
    }
    STexture2 texture;
    std::vector<uint8_t> bytes;
    if (texture.ImportImage(picture.string().c_str(), STexFormat::Parse(formatLine)) == 1 &&
        home_outdoor::BuildSmallerLevels(*texture.GetFormat(0))) {
        for (const Region& r : kRegions) {
            if (!regions)
                break;
            auto* region = new STexRegion;
            region->SetName(r.name);
            region->AddPoint(r.u0, r.v0);
            region->AddPoint(r.u1, r.v0);
            region->AddPoint(r.u1, r.v1);
            region->AddPoint(r.u0, r.v1);
            region->SetTag("Score", r.score);
            texture.AddRegion(region);
        }
        for (const auto& [name, value] : tags)
            texture.SetTag(name, value);
        CMemFile memory(64 * 1024);
        if (texture.SaveToStream(&memory) != 0)
            bytes = TakeBytes(memory);
    }
    std::error_code ignored;
    std::filesystem::remove(picture, ignored);
    return bytes;
}

// A shot's mark on the ground: a black hole in a ring of scorched earth, clear around it.
void PaintHole(int x, int y, uint8_t rgba[4]) {
    const float dx = static_cast<float>(x) + 0.5f - kHoleSize / 2.0f;
    const float dy = static_cast<float>(y) + 0.5f - kHoleSize / 2.0f;
    const float r = std::sqrt(dx * dx + dy * dy) / (kHoleSize / 2.0f);
    const uint8_t shade = r < 0.45f ? 10 : 60;
    rgba[0] = shade;
    rgba[1] = static_cast<uint8_t>(shade * 4 / 5);
    rgba[2] = static_cast<uint8_t>(shade * 3 / 5);
    rgba[3] = r < 0.85f ? 255 : 0;
}

// The board as two faces, front (toward -z, where the shooter stands) and back, stored in the
// file's axes: the renderer turns (x, y, z) into (-y, z, x).
std::vector<uint8_t> TargetModel() {
    SSMObject model;
    auto frame = std::make_unique<SSMFrame>();
    frame->name = "stand";
    frame->groupBytes.assign(1, 1);  // the group is shown in this frame
    auto group = std::make_unique<SSMGroup>();
    group->name = "Normal";
    group->flags = kGroupInBsp;  // drawn
    auto skin = std::make_unique<SSMSkin>();
    skin->name = "Default";
    skin->resource = 0;
    group->skins.push_back(std::move(skin));
    const float w = kHalfWidth;
    const float faces[2][4][3] = {
        {{-w, 0, 0}, {-w, kHeight, 0}, {w, kHeight, 0}, {w, 0, 0}},
        {{w, 0, kThickness}, {w, kHeight, kThickness}, {-w, kHeight, kThickness}, {-w, 0, kThickness}},
    };
    static const float kUV[2][4][2] = {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}, {{1, 1}, {1, 0}, {0, 0}, {0, 1}}};
    for (int f = 0; f < 2; ++f) {
        const auto first = static_cast<int16_t>(frame->positions.size() / 3);
        for (const auto& c : faces[f])
            frame->positions.insert(frame->positions.end(), {c[2], -c[0], c[1]});
        const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& tri : tris) {
            SSMTriangle record{};
            for (int k = 0; k < 3; ++k) {
                record.vertex[k] = static_cast<int16_t>(first + tri[k]);
                record.uv[k].u = kUV[f][tri[k]][0];
                record.uv[k].v = kUV[f][tri[k]][1];
            }
            group->triangles.push_back(static_cast<int16_t>(model.m_triangles.size()));
            model.m_triangles.push_back(record);
        }
    }
    home_outdoor::FinishOneGroupModel(model, std::move(group), std::move(frame), "file;target.bmp");
    // A board moves with its actor: it is no static scenery with a tree of its own.
    auto tag = std::make_unique<SSMTag>();
    tag->name = "NoStatic";
    model.m_tags.push_back(std::move(tag));
    model.m_nTags = 1;

    return home_outdoor::StoreModel(model);
}

// The officer's pistol as the first-person view holds it: a barrel pointing ahead (+z) over a
// grip, the origin at the back of the barrel's underside. First-person models are drawn ten
// times their size, so the file holds tenths of map units: a barrel of 0.2 m is 0.16.
std::vector<uint8_t> PistolModel() {
    std::vector<home_outdoor::Quad> quads = home_outdoor::Box(-0.014f, 0.0f, 0.014f, 0.16f, 0.03f);
    for (home_outdoor::Quad quad : home_outdoor::Box(-0.012f, 0.0f, 0.012f, 0.04f, 0.07f)) {
        for (auto& corner : quad.corners)
            corner[1] -= 0.07f;
        quads.push_back(quad);
    }
    std::unique_ptr<SSMObject> model = home_outdoor::MakeModel(quads, "file;pistol.bmp");
    // Like a board, the weapon moves with its actor and has no tree of its own.
    model->m_groups[0]->flags = kGroupInBsp;
    auto tag = std::make_unique<SSMTag>();
    tag->name = "NoStatic";
    model->m_tags.push_back(std::move(tag));
    model->m_nTags = 1;
    return home_outdoor::StoreModel(*model);
}

// Blued steel, a little lighter along the top of the picture.
void PaintSteel(int, int y, uint8_t rgba[4]) {
    const auto shade = static_cast<uint8_t>(y < 4 ? 90 : 55);
    rgba[0] = shade;
    rgba[1] = shade;
    rgba[2] = static_cast<uint8_t>(shade + 12);
    rgba[3] = 255;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> BuildTargetFiles() {
    return {{kTargetModelPath, TargetModel()},
            // Ambient light on the card, or an upright face lit only by the sun shows black.
            {kTargetTexturePath, PaintedTexture(kTextureSize, Paint, kOpaqueLine, true,
                                                {{"MAT-AmbientR", "0.7"}, {"MAT-AmbientG", "0.7"}, {"MAT-AmbientB", "0.7"}})},
            // A mark lies on the ground whichever way its triangles wind, and its clear ring
            // lets the ground show through.
            {kHoleTexturePath, PaintedTexture(kHoleSize, PaintHole, kAlphaLine, false,
                                              {{"TXT-RSCull", "None"}, {"TXT-RSAlphaTest", "Yes"},
                                               {"TXT-RSAlphaFunc", "GreaterEqual"}, {"TXT-RSAlphaRef", "128"}})},
            {kPistolModelPath, PistolModel()},
            {kPistolTexturePath, PaintedTexture(kHoleSize, PaintSteel, kOpaqueLine, false,
                                                {{"MAT-AmbientR", "0.8"}, {"MAT-AmbientG", "0.8"}, {"MAT-AmbientB", "0.8"}})}};
}

std::vector<uint8_t> PlainTexture(uint8_t red, uint8_t green, uint8_t blue) {
    const auto paint = [=](int, int, uint8_t rgba[4]) {
        rgba[0] = red;
        rgba[1] = green;
        rgba[2] = blue;
        rgba[3] = 255;
    };
    return PaintedTexture(kHoleSize, paint, kOpaqueLine, false,
                          {{"MAT-AmbientR", "0.7"}, {"MAT-AmbientG", "0.7"}, {"MAT-AmbientB", "0.7"}});
}

}  // namespace home_range
