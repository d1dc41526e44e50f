#include "tools/makehome/HomeOutdoor.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

#include "assets/handlers/SFileHandler.h"
#include "assets/handlers/STextureHandler.h"
#include "assets/models/BspBuilder.h"
#include "assets/models/SModel.h"
#include "assets/models/SSMObject.h"
#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "render/map/SMapKR5.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "tools/mapwriter/SMapWriter.h"

namespace home_outdoor {
namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

using Painter = std::function<Rgba(int x, int y)>;

constexpr int kTextureSize = 32;
constexpr int kNightVisionFrames = 4;
const char* const kOpaqueLine = "R5G6B5 16 0 2 5 6 5 0 11 5 0 0 31 63 31 0 ";
const char* const kAlphaLine = "A4R4G4B4 12 4 2 4 4 4 4 8 4 0 12 15 15 15 15 ";

std::vector<uint8_t> TakeBytes(CMemFile& file) {
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    if (!bytes.empty()) {
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    }
    return bytes;
}

// An uncompressed 32-bit TGA, rows from the bottom, so the sprites keep their clear corners.
std::vector<uint8_t> TgaBytes(int size, const Painter& paint) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = static_cast<uint8_t>(size);
    bytes[13] = static_cast<uint8_t>(size >> 8);
    bytes[14] = static_cast<uint8_t>(size);
    bytes[15] = static_cast<uint8_t>(size >> 8);
    bytes[16] = 32;
    bytes[17] = 8;
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Rgba c = paint(x, y);
            bytes.insert(bytes.end(), {c.b, c.g, c.r, c.a});
        }
    }
    return bytes;
}

// Deterministic texel noise in 0..n-1.
int Noise(int x, int y, int seed, int n) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                 static_cast<uint32_t>(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h % static_cast<uint32_t>(n));
}

Rgba Speckled(Rgba base, int x, int y, int seed, int spread) {
    const int d = Noise(x, y, seed, 2 * spread + 1) - spread;
    auto channel = [d](uint8_t v) { return static_cast<uint8_t>(std::clamp(v + d, 0, 255)); };
    return {channel(base.r), channel(base.g), channel(base.b), base.a};
}

// A texture file made from a painted picture in one format, with its tags.
OutdoorFile Texture(const std::string& scratch, const std::string& path, const Painter& paint, bool alpha,
                    const std::vector<std::pair<const char*, const char*>>& tags = {}) {
    const std::string picture = scratch + "/outdoor_source.tga";
    {
        const std::vector<uint8_t> tga = TgaBytes(kTextureSize, paint);
        std::ofstream out(picture, std::ios::binary);
        out.write(reinterpret_cast<const char*>(tga.data()), static_cast<std::streamsize>(tga.size()));
    }
    STexture2 texture;
    OutdoorFile file{path, {}};
    if (texture.ImportImage(picture.c_str(), STexFormat::Parse(alpha ? kAlphaLine : kOpaqueLine)) != 1) {
        return file;
    }
    if (!BuildSmallerLevels(*texture.GetFormat(0))) {
        std::filesystem::remove(picture);
        return file;
    }
    for (const auto& [name, value] : tags) {
        texture.SetTag(name, value);
    }
    CMemFile memory(64 * 1024);
    if (texture.SaveToStream(&memory) != 0) {
        file.bytes = TakeBytes(memory);
    }
    std::filesystem::remove(picture);
    return file;
}

Painter Ground(Rgba base, int seed) {
    return [base, seed](int x, int y) { return Speckled(base, x, y, seed, 18); };
}

// The clear texels of a sprite keep its leaf colour: the smaller levels are averaged down with
// them, and black ones would draw a dark rim round every distant tree.
constexpr Rgba Clear(Rgba leaf) {
    return {leaf.r, leaf.g, leaf.b, 0};
}

// A conifer: a dark trunk and a green triangle on a clear background.
Rgba Pine(int x, int y) {
    const Rgba leaf{40, 110, 50, 255};
    const int centre = kTextureSize / 2;
    if (y >= kTextureSize - 6) {
        return std::abs(x - centre) <= 1 ? Rgba{90, 60, 30, 255} : Clear(leaf);
    }
    const int half = (y + 2) * centre / kTextureSize;
    return std::abs(x - centre) <= half ? Speckled(leaf, x, y, 7, 20) : Clear(leaf);
}

// A round bush.
Rgba Bush(int x, int y) {
    const Rgba leaf{70, 130, 40, 255};
    const int dx = x - kTextureSize / 2, dy = y - kTextureSize * 2 / 3;
    return dx * dx + dy * dy * 2 <= 100 ? Speckled(leaf, x, y, 9, 25) : Clear(leaf);
}

Painter Sky(Rgba top, Rgba horizon, bool ground) {
    return [top, horizon, ground](int, int y) {
        if (ground && y > kTextureSize * 3 / 4) {
            return Rgba{90, 110, 80, 255};
        }
        const int t = y * 255 / (kTextureSize - 1);
        auto mix = [t](uint8_t a, uint8_t b) { return static_cast<uint8_t>((a * (255 - t) + b * t) / 255); };
        return Rgba{mix(top.r, horizon.r), mix(top.g, horizon.g), mix(top.b, horizon.b), 255};
    };
}

// The screen-space overlays the game may lay over the view: four frames of green night-vision
// noise, a centred scope sight and a red flash round the edges. The renderer may keep a single
// bit of alpha, so each is see-through by its clear texels, not by half-clear ones.
void AddOverlayTextures(const std::string& scratch, const std::string& folder, std::vector<OutdoorFile>& files) {
    const std::vector<std::pair<const char*, const char*>> blended = {
        {"TXT-RSAlphaBlend", "Yes"}, {"TXT-RSSrcBlend", "SrcAlpha"}, {"TXT-RSDstBlend", "InvSrcAlpha"},
        {"TXT-RSZTest", "No"},       {"TXT-RSZWrite", "No"},         {"TXT-Light", "No"}};
    for (int frame = 1; frame <= kNightVisionFrames; ++frame) {
        const Painter noise = [frame](int x, int y) {
            const int glow = Noise(x, y, 40 + frame, 100);
            const auto green = static_cast<uint8_t>(120 + glow);
            return Rgba{static_cast<uint8_t>(green / 4), green, static_cast<uint8_t>(green / 4),
                        static_cast<uint8_t>(glow < 45 ? 255 : 0)};
        };
        files.push_back(Texture(scratch, folder + "nv_" + std::to_string(frame) + ".stx", noise, true, blended));
    }
    // Distances from the middle, in half texels, so that the pictures are symmetric.
    const auto squaredRadius = [](int x, int y) {
        const int dx = 2 * x + 1 - kTextureSize, dy = 2 * y + 1 - kTextureSize;
        return dx * dx + dy * dy;
    };
    const Painter sight = [squaredRadius](int x, int y) {
        const int ring = squaredRadius(x, y);
        const bool cross = (x == kTextureSize / 2 - 1 || x == kTextureSize / 2 || y == kTextureSize / 2 - 1 ||
                            y == kTextureSize / 2) &&
                           ring > 16;
        const bool circle = ring >= 26 * 26 && ring <= 30 * 30;
        return Rgba{10, 10, 10, static_cast<uint8_t>(cross || circle ? 255 : 0)};
    };
    files.push_back(Texture(scratch, folder + "ch_1.stx", sight, true, blended));
    const Painter flash = [squaredRadius](int x, int y) {
        const int ring = squaredRadius(x, y);
        const bool red = ring > 34 * 34 || (ring > 26 * 26 && (x + y) % 2 == 0);
        return Rgba{230, 20, 20, static_cast<uint8_t>(red ? 255 : 0)};
    };
    files.push_back(Texture(scratch, folder + "red_flash.stx", flash, true, blended));
}

void AddTextures(const std::string& scratch, std::vector<OutdoorFile>& files) {
    const std::string folder = std::string(kTextureFolder) + "/";
    files.push_back(Texture(scratch, folder + "grass.stx", Ground({70, 140, 60, 255}, 1), false));
    files.push_back(Texture(scratch, folder + "meadow.stx", Ground({110, 150, 70, 255}, 2), false));
    files.push_back(Texture(scratch, folder + "dirt.stx", Ground({120, 95, 60, 255}, 3), false));
    files.push_back(Texture(scratch, folder + "sand.stx", Ground({200, 185, 140, 255}, 4), false));
    files.push_back(Texture(scratch, folder + "water.stx", Ground({50, 90, 160, 255}, 5), false));
    // Sprites belong to the tree class, so the renderer's sprite settings decide between the
    // alpha format and a colour key; with the alpha format the test drops the clear texels, and
    // its reference matches the hit mask, which counts alpha from 128 as solid.
    const std::vector<std::pair<const char*, const char*>> clearCorners = {
        {"TXT-IsTree", "Yes"}, {"TXT-RSAlphaTest", "Yes"}, {"TXT-RSAlphaFunc", "GreaterEqual"},
        {"TXT-RSAlphaRef", "128"}};
    auto sprite = [&clearCorners](std::vector<std::pair<const char*, const char*>> tags) {
        tags.insert(tags.end(), clearCorners.begin(), clearCorners.end());
        return tags;
    };
    files.push_back(Texture(scratch, folder + "pine.stx", Pine, true,
                            sprite({{"TREE-YoungScale", "6.0"}, {"TREE-OldScale", "10.0"}, {"TREE-Oscillator1", "1"},
                                    {"TREE-Oscillator2", "2"}, {"TREE-ShadeLevel", "24"}})));
    files.push_back(Texture(scratch, folder + "bush.stx", Bush, true,
                            sprite({{"TREE-YoungScale", "3.0"}, {"TREE-OldScale", "4.0"}, {"TREE-ShadeLevel", "8"}})));
    const Rgba blue{70, 120, 200, 255}, pale{170, 200, 230, 255}, grey{150, 155, 160, 255};
    for (const char* face : {"front", "left", "back", "right"}) {
        files.push_back(Texture(scratch, folder + "sky_" + face + ".stx", Sky(blue, pale, true), false));
        files.push_back(Texture(scratch, folder + "fog_" + face + ".stx", Sky(grey, grey, true), false));
    }
    AddOverlayTextures(scratch, folder, files);
    files.push_back(Texture(scratch, folder + "sky_top.stx", Sky(blue, blue, false), false));
    files.push_back(Texture(scratch, folder + "fog_top.stx", Sky(grey, grey, false), false,
                            {{"FOG-ColorRGB", "150 155 160"}, {"FOG-RangeNear", "1200"}, {"FOG-RangeFar", "2300"}}));
}

}  // namespace

// --- Models ---------------------------------------------------------------------------------

std::vector<Quad> Box(float x0, float z0, float x1, float z1, float h) {
    return {
        {{{x0, h, z0}, {x0, h, z1}, {x1, h, z1}, {x1, h, z0}}},  // top
        {{{x0, 0, z0}, {x1, 0, z0}, {x1, 0, z1}, {x0, 0, z1}}},  // bottom
        {{{x0, 0, z0}, {x0, h, z0}, {x1, h, z0}, {x1, 0, z0}}},
        {{{x1, 0, z1}, {x1, h, z1}, {x0, h, z1}, {x0, 0, z1}}},
        {{{x0, 0, z1}, {x0, h, z1}, {x0, h, z0}, {x0, 0, z0}}},
        {{{x1, 0, z0}, {x1, h, z0}, {x1, h, z1}, {x1, 0, z1}}},
    };
}

std::unique_ptr<SSMObject> MakeModel(const std::vector<Quad>& quads, const char* texture) {
    auto model = std::make_unique<SSMObject>();
    auto frame = std::make_unique<SSMFrame>();
    frame->name = "base";
    frame->groupBytes.assign(1, 1);  // the group is shown in this frame
    auto group = std::make_unique<SSMGroup>();
    group->name = "Normal";
    group->flags = kGroupInBsp | kGroupHasBsp;
    auto skin = std::make_unique<SSMSkin>();
    skin->name = "Default";
    skin->resource = 0;
    group->skins.push_back(std::move(skin));
    static const float kUV[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    for (const Quad& quad : quads) {
        const int16_t first = static_cast<int16_t>(frame->positions.size() / 3);
        for (const auto& c : quad.corners) {
            frame->positions.insert(frame->positions.end(), {c[2], -c[0], c[1]});
        }
        const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& tri : tris) {
            SSMTriangle record{};
            for (int k = 0; k < 3; ++k) {
                record.vertex[k] = static_cast<int16_t>(first + tri[k]);
                record.uv[k].u = kUV[tri[k]][0];
                record.uv[k].v = kUV[tri[k]][1];
            }
            record.group = 0;
            group->triangles.push_back(static_cast<int16_t>(model->m_triangles.size()));
            model->m_triangles.push_back(record);
        }
    }
    FinishOneGroupModel(*model, std::move(group), std::move(frame), texture);
    return model;
}

namespace {

// The ".bsp" of a stored model: read back and prepared as the renderer prepares models it
// loads, with every group's tree built over the prepared vertices.
std::vector<uint8_t> BspFor(const std::vector<uint8_t>& stored) {
    SSMObject model;
    std::vector<uint8_t> copy = stored;
    CMemFile file(copy.data(), static_cast<unsigned>(copy.size()));
    {
        CArchive ar(&file, CArchive::load);
        model.Serialize(ar);
    }
    static const uint8_t kOrder[3] = {1, 2, 0};
    static const float kScales[3] = {-1.0f, 1.0f, 1.0f};
    model.RemapAxes(kOrder, kScales);
    model.WeldVertices();
    model.PostLoad();
    model.m_bBSPWanted = 1;
    const std::vector<float>& positions = model.m_frames[0]->positions;
    model.m_nBSPVertices = static_cast<uint32_t>(positions.size() / 3);
    model.m_bspVertices.clear();
    for (size_t v = 0; v < positions.size() / 3; ++v) {
        model.m_bspVertices.insert(model.m_bspVertices.end(),
                                   {positions[3 * v], positions[3 * v + 1], positions[3 * v + 2], 0.0f, 0.0f, 0.0f});
    }
    for (size_t g = 0; g < model.m_groups.size(); ++g) {
        SSMGroup& group = *model.m_groups[g];
        std::vector<bsppoly_t> polys;
        BSPCollectGroupPolygons(polys, model, static_cast<int>(g));
        bsppolylist_t& work = BSPBuildBegin(&group.nodes, &group.leaves, polys);
        group.pRoot = nullptr;
        BSPBuildNode(&group.pRoot, work, nullptr, 0);
        BSPBuildEnd();
    }
    model.m_bBSPBuilt = 1;
    model.m_bTransformValid = 1;
    return model.WriteBSP();
}

void AddModel(std::vector<OutdoorFile>& files, const std::string& name, const std::vector<Quad>& quads,
              const char* texture) {
    auto model = MakeModel(quads, texture);
    const std::string base = std::string(kModelFolder) + "/" + name;
    OutdoorFile stored{base + ".ssm", StoreModel(*model)};
    files.push_back(OutdoorFile{base + ".bsp", BspFor(stored.bytes)});
    files.push_back(std::move(stored));
}

void AddModels(const std::string& scratch, std::vector<OutdoorFile>& files) {
    std::vector<Quad> hut = Box(-192.0f, -128.0f, 192.0f, 128.0f, 160.0f);
    const std::vector<Quad> roof = Box(-208.0f, -144.0f, 208.0f, 144.0f, 24.0f);
    for (Quad quad : roof) {
        for (auto& corner : quad.corners) {
            corner[1] += 160.0f;
        }
        hut.push_back(quad);
    }
    AddModel(files, "hut", hut, "file;planks.bmp");
    AddModel(files, "crate", Box(-32.0f, -32.0f, 32.0f, 32.0f, 64.0f), "file;crate.bmp");
    const std::string folder = std::string(kModelFolder) + "/";
    files.push_back(Texture(scratch, folder + "planks.stx",
                            [](int x, int y) {
                                const bool seam = y % 8 == 0;
                                return Speckled(seam ? Rgba{70, 50, 30, 255} : Rgba{140, 100, 60, 255}, x, y, 11, 12);
                            },
                            false));
    files.push_back(Texture(scratch, folder + "crate.stx",
                            [](int x, int y) {
                                const bool edge = x < 3 || y < 3 || x > kTextureSize - 4 || y > kTextureSize - 4 ||
                                                  x == y || x == kTextureSize - 1 - y;
                                return edge ? Rgba{100, 70, 35, 255} : Speckled({170, 130, 80, 255}, x, y, 12, 10);
                            },
                            false));
}

// --- Map ------------------------------------------------------------------------------------

constexpr int kHillX = 96, kHillY = 96;
constexpr int kPondX = 150, kPondY = 140;

// Catalog entries name their files as the catalog stores paths, with backslashes.
std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

void PlaceModel(SMapKR5& map, const char* name, float x, float z, float heading) {
    auto* output = new SMapKR5Model_Output();
    output->m_sName = name;
    output->m_fX = x;
    output->m_fY = z;
    output->m_dwValue3 = FloatBits(0.0f);
    output->m_dwValue4 = FloatBits(heading);
    output->m_dwValue5 = FloatBits(1.0f);
    output->m_byValue7 = 0x80;
    map.m_ModelOutputs.Add(output);
}

std::vector<uint8_t> BuildMap() {
    SMapKR5 map;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double hill = std::hypot(x - kHillX, y - kHillY);
            const double pond = std::hypot(x - kPondX, y - kPondY);
            float height = 40.0f;
            height += static_cast<float>(640.0 * std::exp(-(hill * hill) / 200.0));
            height -= static_cast<float>(120.0 * std::exp(-(pond * pond) / 40.0));
            map.m_fHeights[y * 256 + x] = height;
            map.m_fSecondGrid[y * 256 + x] = pond < 12.0 ? 16.0f : -1000.0f;
        }
    }
    map.m_GroundNames.Add("file;Textures\\Outdoor\\grass.bmp");
    map.m_GroundNames.Add(kMeadowListKey);
    map.m_GroundNames.Add("file;Textures\\Outdoor\\dirt.bmp");
    map.m_GroundNames.Add("file;Textures\\Outdoor\\sand.bmp");
    map.m_ModelNames.Add("file;Textures\\Outdoor\\pine.bmp");
    map.m_ModelNames.Add(kTreeListKey);
    map.m_ModelNames.Add("file;Textures\\Outdoor\\bush.bmp");
    map.m_ModelNames.Add("file;Textures\\Outdoor\\pine.bmp");
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            uint8_t* cell = map.GetCell(y * 256 + x);
            const double hill = std::hypot(x - kHillX, y - kHillY);
            const double pond = std::hypot(x - kPondX, y - kPondY);
            cell[40] = pond < 13.0 ? 3 : hill < 8.0 ? 2 : hill < 22.0 ? 1 : 0;
            cell[41] = 0xE4;
            if (pond < 15.0) {
                continue;
            }
            // A wood over the hill's slopes, a few bushes elsewhere.
            const bool wood = hill >= 6.0 && hill < 26.0;
            for (int k = 0; k < 8; ++k) {
                cell[k] = static_cast<uint8_t>((x * 31 + y * 17 + k * 53) & 255);
                cell[8 + k] = static_cast<uint8_t>(wood ? k % 2 : 2);
                cell[16 + k] = static_cast<uint8_t>(wood ? (k < 4 ? 110 : 40) : (k == 0 ? 12 : 0));
                cell[24 + 2 * k] = 0;
                cell[25 + 2 * k] = 255;
            }
        }
    }
    map.m_Tags.Add(SMapKR5Tag{"MapRandom", "1999", 0});
    map.m_Tags.Add(SMapKR5Tag{"MapBackground", "Sky_Background:Outdoor", 0});
    map.m_Tags.Add(SMapKR5Tag{"SolidColorRGB", "100 151 218", 0});
    PlaceModel(map, kHutModelKey, 120.0f * 256.0f, 120.0f * 256.0f, 0.5f);
    PlaceModel(map, kCrateModelKey, 124.0f * 256.0f + 64.0f, 118.0f * 256.0f, 0.0f);
    return smapwriter::Build(map);
}

// --- Catalog entries ------------------------------------------------------------------------

// Entries of a texture list: the file and the days of the year it grows in (1 to 365: all).
struct ListEntry {
    const char* file;
    uint32_t firstDay, lastDay;
};

void AddTextureList(SCatalog& catalog, const char* name, const char* file, const std::vector<ListEntry>& entries) {
    auto* list = new STextureHandler();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            list->AddEntry();
        }
        const std::string path = std::string(kTextureFolder) + "/" + entries[i].file;
        list->SetEntryName(WindowsPath(path).c_str(), -1);
        list->SetEntryParamsA(-1, entries[i].firstDay, entries[i].lastDay);
    }
    list->SetCurrentIndex(0);
    auto* item = new SCatalogItem(kKindTextureHandler, name, file, "");
    item->SetResource(list);
    catalog.AddItem(item);
}

void AddFileHandler(SCatalog& catalog, const char* name, const char* file,
                    const std::vector<std::pair<std::string, std::string>>& files, uint32_t flags) {
    auto* handler = new SFileHandler();
    for (const auto& [entry, path] : files) {
        const int index = handler->AddFile(WindowsPath(path).c_str(), entry.c_str(), 0, -1);
        handler->SetFlags(index, flags);
    }
    auto* item = new SCatalogItem(kKindFileHandler, name, file, "");
    item->SetResource(handler);
    catalog.AddItem(item);
}

// A model resource whose one frame loads the static model through its own handler, which lists
// the model file under the frame's text and under "SSM".
void AddStaticModel(SCatalog& catalog, const char* model, const char* handlerKey, const char* file, bool follow) {
    const std::string text = std::string("SSM:") + handlerKey;
    const std::string path = std::string(kModelFolder) + "/" + file;
    AddFileHandler(catalog, "StaticModel", model, {{text, path}, {"SSM", path}}, follow ? 1u : 0u);
    auto* resource = new SModel();
    resource->m_strName = model;
    auto* frame = new SModelFrame();
    frame->m_strName = text.c_str();
    resource->AddFrame(frame);
    auto* item = new SCatalogItem(kKindModel, "Models", model, "");
    item->SetResource(resource);
    catalog.AddItem(item);
}

}  // namespace

void FinishOneGroupModel(SSMObject& model, std::unique_ptr<SSMGroup> group, std::unique_ptr<SSMFrame> frame,
                         const std::string& texture) {
    group->triangleCount = static_cast<int16_t>(group->triangles.size());
    model.m_groups.push_back(std::move(group));
    frame->groupFrames.resize(1);
    model.m_nVertices = static_cast<int16_t>(frame->positions.size() / 3);
    model.m_nTriangles = static_cast<int16_t>(model.m_triangles.size());
    model.m_nGroups = 1;
    model.m_nFrames = 1;
    model.m_frames.push_back(std::move(frame));
    auto resource = std::make_unique<SSMResource>();
    resource->name = texture;
    model.m_resources.push_back(std::move(resource));
    model.m_nResources = 1;
}

std::vector<uint8_t> StoreModel(SSMObject& model) {
    CMemFile file(16 * 1024);
    {
        CArchive ar(&file, CArchive::store);
        model.Serialize(ar);
        ar.Close();
    }
    return TakeBytes(file);
}

bool BuildSmallerLevels(STexFormat& format) {
    return format.BuildMipLayersRGB("Box", "Box") != 0 &&
           (format.HasAlpha() == 0 || format.BuildMipLayersAlpha("Box", "Box") != 0);
}

void AddOutdoorCatalogItems(SCatalog& catalog) {
    AddTextureList(catalog, "GroundTexture", "Meadow", {{"meadow.stx", 1, 365}, {"grass.stx", 1, 365}});
    AddTextureList(catalog, "TreeSprites", "Mixed", {{"pine.stx", 1, 365}, {"bush.stx", 1, 365}});
    for (int frame = 1; frame <= kNightVisionFrames; ++frame) {
        const std::string name = "nv_" + std::to_string(frame);
        const std::string file = name + ".stx";
        AddTextureList(catalog, "MiscTextures", name.c_str(), {{file.c_str(), 1, 365}});
    }
    AddTextureList(catalog, "MiscTextures", "ch_1", {{"ch_1.stx", 1, 365}});
    AddTextureList(catalog, "MiscTextures", "red_flash", {{"red_flash.stx", 1, 365}});
    std::vector<std::pair<std::string, std::string>> sky;
    for (const char* face : {"Front", "Left", "Back", "Right", "Top"}) {
        std::string lower(face);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        sky.emplace_back(face, std::string(kTextureFolder) + "/sky_" + lower + ".stx");
        sky.emplace_back(std::string("Fog") + face, std::string(kTextureFolder) + "/fog_" + lower + ".stx");
    }
    sky.emplace_back("Water", std::string(kTextureFolder) + "/water.stx");
    AddFileHandler(catalog, "Sky_Background", "Outdoor", sky, 0);
    // The crate tilts with the ground it stands on; the hut stands upright.
    AddStaticModel(catalog, "Hut", kHutHandlerKey, "hut.ssm", false);
    AddStaticModel(catalog, "Crate", kCrateHandlerKey, "crate.ssm", true);
}

std::vector<OutdoorFile> BuildOutdoorFiles() {
    // The texture import reads pictures from files; each run uses a folder of its own, since
    // several builds may run at once.
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("tarvex_outdoor_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(scratch);
    std::vector<OutdoorFile> files;
    files.push_back(OutdoorFile{kMapPath, BuildMap()});
    AddTextures(scratch.string(), files);
    AddModels(scratch.string(), files);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return files;
}

}  // namespace home_outdoor
