// Writes the seed corpora of the fuzz targets whose input is a leading part and the files of a
// folder (tests/fuzz/FolderFuzzSupport.h): the renderer's lists, the actor world, the model and
// texture files, the sound emitters and the interface files. Every seed is made by our writers
// from the demo data of tools/makehome, cut down to a few files, or from small objects of ours.
// Run by hand after a change of one of the formats:
//   tarvex_fuzzseeds tests/fuzz/corpus
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/actors/SActor.h"
#include "assets/AssetResourceKinds.h"
#include "assets/handlers/STextureHandler.h"
#include "assets/models/SModel.h"
#include "assets/models/SSMObject.h"
#include "assets/textures/STexture.h"
#include "assets/textures/STexture2.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "dx/sound/SSoundEmitter.h"
#include "dx/sound/SWave.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "tests/assets/models/ModelSeeds.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/fuzz/FolderFuzzSupport.h"
#include "tools/makehome/HomeOutdoor.h"
#include "tools/makehome/HomeSet.h"
#include "ui/SFrame.h"
#include "ui/SScreen.h"
#include "ui/SSprite.h"
#include "ui/SWindow.h"
#include "ui/UiResourceKinds.h"
#include "ui/widgets/SMultiImage.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct SeedFile {
    std::string path;
    Bytes bytes;
};

Bytes Join(const Bytes& head, const std::vector<SeedFile>& files) {
    Bytes out = head;
    for (const SeedFile& file : files) {
        out.insert(out.end(), fuzzsupport::kFileMark.begin(), fuzzsupport::kFileMark.end());
        out.insert(out.end(), file.path.begin(), file.path.end());
        out.push_back('\n');
        out.insert(out.end(), file.bytes.begin(), file.bytes.end());
    }
    return out;
}

Bytes TakeBytes(CMemFile& file) {
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

template <class T>
Bytes Store(T& object) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        object.Serialize(ar);
        ar.Close();
    }
    return TakeBytes(file);
}

void Load(SCatalog& catalog, Bytes bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    catalog.Serialize(ar);
}

// The stored catalog with only the items `keep` takes.
Bytes CatalogSubset(const Bytes& whole, const std::function<bool(SCatalogItem&)>& keep) {
    SCatalog catalog;
    Load(catalog, whole);
    for (POSITION pos = catalog.GetItems()->GetHeadPosition(); pos != nullptr;) {
        const POSITION here = pos;
        SCatalogItem* pItem = catalog.GetItems()->GetNext(pos);
        if (!keep(*pItem)) {
            catalog.GetItems()->RemoveAt(here);
            delete pItem;
        }
    }
    return Store(catalog);
}

SCatalogItem* NewItem(int kind, const char* name, const char* file, SResource* resource) {
    auto* pItem = new SCatalogItem(kind, name, file, "");
    if (resource != nullptr)
        pItem->SetResource(resource);
    return pItem;
}

class SeedWriter {
public:
    explicit SeedWriter(fs::path corpus) : m_corpus(std::move(corpus)) {
        m_scratch = fs::temp_directory_path() / ("tarvex_fuzzseeds_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_scratch);
        m_home.Build();
        m_homeCatalog = m_home.CatalogBytes();
        for (const HomeSet::File& file : m_home.Files())
            m_files.push_back(SeedFile{file.path, file.bytes});
        for (const home_outdoor::OutdoorFile& file : home_outdoor::BuildOutdoorFiles())
            m_files.push_back(SeedFile{file.path, file.bytes});
        SCatalog outdoor;
        home_outdoor::AddOutdoorCatalogItems(outdoor);
        m_outdoorCatalog = Store(outdoor);
    }
    ~SeedWriter() {
        std::error_code ignored;
        fs::remove_all(m_scratch, ignored);
    }

    void Write(const char* target, const std::string& name, const Bytes& bytes) {
        fs::create_directories(m_corpus / target);
        std::ofstream(m_corpus / target / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::printf("%-20s %-22s %7zu\n", target, name.c_str(), bytes.size());
    }

    // A demo file by its path in the Home folder, under `as` (its own path when empty).
    SeedFile Demo(const std::string& path, const std::string& as = "") const {
        for (const SeedFile& file : m_files) {
            if (file.path == path)
                return SeedFile{as.empty() ? path : as, file.bytes};
        }
        std::fprintf(stderr, "no demo file %s\n", path.c_str());
        std::exit(1);
    }

    // A demo texture cut down to 4 x 4 pixels, with its formats and tags, and tags added.
    SeedFile SmallTexture(const std::string& path, const std::vector<std::pair<const char*, const char*>>& tags = {},
                          const std::string& as = "") const {
        SeedFile file = Demo(path, as);
        CMemFile in(file.bytes.data(), static_cast<unsigned>(file.bytes.size()), 0);
        STexture2 texture;
        texture.LoadFromStream(&in, 1);
        texture.ResampleFormat(4, 4);
        for (const auto& [key, value] : tags)
            texture.SetTag(key, value);
        CMemFile out;
        texture.SaveToStream(&out);
        file.bytes = TakeBytes(out);
        return file;
    }

    void RenderSeeds() {
        const char* target = "render_lists_fuzz";
        const auto only = [&](const std::vector<std::string>& keys) {
            return CatalogSubset(m_outdoorCatalog, [&](SCatalogItem& item) {
                for (const std::string& key : keys) {
                    if (item.GetKey() == key.c_str())
                        return true;
                }
                return false;
            });
        };
        const std::string outdoor = home_outdoor::kTextureFolder + std::string("/");
        Write(target, "meadow_list", Join(only({home_outdoor::kMeadowListKey}),
                                          {Demo(outdoor + "meadow.stx"), SmallTexture(outdoor + "grass.stx")}));
        Write(target, "tree_list", Join(only({home_outdoor::kTreeListKey}),
                                        {SmallTexture(outdoor + "pine.stx"), SmallTexture(outdoor + "bush.stx")}));
        std::vector<SeedFile> sky;
        for (const char* face : {"sky_front", "sky_left", "sky_back", "sky_right", "sky_top", "fog_front", "fog_left",
                                 "fog_back", "fog_right", "fog_top", "water"})
            sky.push_back(SmallTexture(outdoor + face + ".stx"));
        // With the water texture the renderer takes when the sky box names none.
        SCatalog skyBox;
        Load(skyBox, only({"Sky_Background-Outdoor--22-0"}));
        auto* pWater = new STextureHandler();
        pWater->SetEntryName("water.stx", -1);
        pWater->SetEntryParamsA(-1, 1, 365);
        pWater->SetCurrentIndex(0);
        skyBox.AddItem(NewItem(kKindTextureHandler, "GroundTexture", "Water1", pWater));
        sky.push_back(SmallTexture(outdoor + "water.stx", {}, "water.stx"));
        Write(target, "sky_box", Join(Store(skyBox), sky));
        std::vector<SeedFile> overlays;
        std::vector<std::string> overlayKeys;
        for (const char* name : {"nv_1", "ch_1", "red_flash"}) {
            overlays.push_back(SmallTexture(outdoor + name + ".stx"));
            overlayKeys.push_back(std::string("MiscTextures-") + name + "--24-0");
        }
        Write(target, "overlay_lists", Join(only(overlayKeys), overlays));
        const std::string models = home_outdoor::kModelFolder + std::string("/");
        Write(target, "static_models",
              Join(only({home_outdoor::kHutModelKey, home_outdoor::kCrateModelKey, home_outdoor::kHutHandlerKey,
                         home_outdoor::kCrateHandlerKey}),
                   {Demo(models + "hut.ssm"), Demo(models + "hut.bsp"), Demo(models + "crate.ssm"),
                    Demo(models + "crate.bsp"), SmallTexture(models + "crate.stx"), SmallTexture(models + "planks.stx")}));

        // The hut's model resource with an empty entry before its frame.
        SCatalog gap;
        Load(gap, only({home_outdoor::kHutHandlerKey}));
        auto* pModel = new SModel;
        pModel->m_strName = "Hut";
        pModel->AddFrame(nullptr);
        auto* pFrame = new SModelFrame;
        pFrame->m_strName = (std::string("SSM:") + home_outdoor::kHutHandlerKey).c_str();
        pModel->AddFrame(pFrame);
        gap.AddItem(NewItem(kKindModel, "Models", "Hut", pModel));
        Write(target, "model_frame_gap", Join(Store(gap), {Demo(models + "hut.ssm"), Demo(models + "hut.bsp")}));

        // A list of one tree that stands for its parent, whose parent names it back, and a
        // detail texture drawn from a list.
        SCatalog tags;
        auto* pList = new STextureHandler();
        pList->SetEntryName("oak.stx", -1);
        pList->SetEntryParamsA(-1, 1, 365);
        pList->AddEntry();
        pList->SetEntryName("Textures\\elm.stx", -1);
        pList->SetEntryParamsA(-1, 3, 365);
        pList->SetCurrentIndex(0);
        tags.AddItem(NewItem(kKindTextureHandler, "Trees", "Mixed", pList));
        Write(target, "texture_tags",
              Join(Store(tags), {SmallTexture(outdoor + "pine.stx",
                                              {{"TXT-ParentClass", "file;parent.bmp"}, {"TREE-YoungScale", "3.5"},
                                               {"TREE-Oscillator1", "12"}, {"TREE-ShadeLevel", "2"}},
                                              "oak.stx"),
                                 SmallTexture(outdoor + "bush.stx", {{"TXT-ParentClass", "file;oak.bmp"}}, "parent.stx"),
                                 SmallTexture(outdoor + "grass.stx",
                                              {{"TXT-DetailID", "Trees-Mixed--24-0"}, {"TXT-IsTree", "Yes"}},
                                              "Textures/elm.stx")}));
    }

    void ActorSeeds() {
        const char* target = "actor_world_fuzz";
        const std::string models = home_outdoor::kModelFolder + std::string("/");
        const std::vector<SeedFile> hut = {Demo(models + "hut.ssm"), Demo(models + "hut.bsp"),
                                           SmallTexture(models + "planks.stx")};
        const auto actor = [&](const char* name, const char* className, const char* modelPath,
                               const std::vector<SeedFile>& files, SVector position = SVector(120.0f, 4.0f, -32.5f)) {
            SActor record;
            record.m_sClassName = className;
            record.m_sModelPath = modelPath;
            record.m_vPosition = position;
            record.m_iTargetIndex = 3;
            Write(target, name, Join(Store(record), files));
        };
        actor("model_path", "Actor", "Models\\Outdoor\\hut.ssm", hut);
        actor("handler_entry", "StaticModel:Hut:SSM", "StaticModel:Hut:SSM", {Demo(models + "hut.ssm", "Hut.ssm")});
        actor("handler", "Actor", "StaticModel:Crate", {Demo(models + "crate.ssm", "Crate.ssm")});
        actor("officer", "\\Models\\Officers\\officer_m.ssm", "Models/Officers/officer_m.ssm",
              {Demo("Models/Officers/officer_m.ssm")});
        actor("texture_name", "Actor", "GroundTexture-Meadow--24-0", {});
        actor("drive_letter", "D:\\hut.ssm", "C:\\hut.ssm", {});
        // A position past every quad, and one that is not a number.
        actor("far_position", "Actor", "", {}, SVector(3e32f, 0.0f, -3e32f));
        actor("position_not_a_number", "Actor", "", {}, SVector(std::nanf(""), 0.0f, 64.0f));
        // The first version of the record, without the target index.
        SActor older;
        older.m_sModelPath = "Models\\Outdoor\\hut.ssm";
        Bytes first = Store(older);
        first[0] = 1;
        first.resize(first.size() - 4);
        Write(target, "version_1", Join(first, hut));
    }

    void ModelSeeds() {
        const char* target = "ssmo_file_fuzz";
        const std::string models = home_outdoor::kModelFolder + std::string("/");
        Write(target, "hut", Join(Demo(models + "hut.ssm").bytes, {Demo(models + "hut.bsp", "model.bsp")}));
        Write(target, "crate", Join(Demo(models + "crate.ssm").bytes, {Demo(models + "crate.bsp", "model.bsp")}));
        Bytes cut = Demo(models + "crate.bsp").bytes;
        cut.resize(cut.size() / 2);
        Write(target, "crate_cut_trees", Join(Demo(models + "crate.ssm").bytes, {SeedFile{"model.bsp", cut}}));
        Write(target, "range_target", Demo("Models/Range/target.ssm").bytes);
        Write(target, "officer", Demo("Models/Officers/officer_m.ssm").bytes);
        for (const auto& [name, bytes] : tarvex::test::SsmoSeeds()) {
            if (name == "dressed")
                Write(target, "dressed", bytes);
        }
    }

    // A skin of 8 x 8 with both of its levels.
    static Bytes Skin() {
        Bytes skin = {'S', 'K', 'N', 'M', 1, 0, 0, 0, 8, 0, 8, 0, 2, 0};
        for (int i = 0; i < 256; ++i)
            skin.insert(skin.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
        skin.resize(782, 0);
        for (int i = 0; i < 64 + 16; ++i)
            skin.push_back(static_cast<uint8_t>(i * 7));
        return skin;
    }

    // Two records of the mip file writer, of a picture of 8 x 8 and one of 16 x 4.
    Bytes MipFile() const {
        CMemFile file;
        for (const auto& [w, h] : {std::pair{8, 8}, std::pair{16, 4}}) {
            tarvex::test::WriteFile((m_scratch / "mip.bmp").string(), tarvex::test::MakeBmp(w, h, 8));
            STexture texture;
            texture.m_strFolder = m_scratch.string().c_str();
            texture.AddFileName("mip.bmp");
            if (texture.GenerateMipFile(&file) != 1)
                std::exit(1);
        }
        return TakeBytes(file);
    }

    void TextureSeeds() {
        const char* target = "texture_files_fuzz";
        using tarvex::test::MakeBmp;
        Write(target, "indexed_8x8", MakeBmp(8, 8, 8));
        Write(target, "indexed_4x4_16colours", MakeBmp(4, 4, 8, 16));
        Write(target, "rgba_8x8", MakeBmp(8, 8, 32));
        Write(target, "rgb_4x4", MakeBmp(4, 4, 24));
        Bytes pixels;
        for (int i = 0; i < 16; ++i)
            pixels.insert(pixels.end(), {static_cast<uint8_t>(i * 16), 0x40, static_cast<uint8_t>(255 - i), 0x80});
        Write(target, "tga_4x4", tarvex::test::MakeTga(2, 4, 4, 32, 0x20, pixels));
        Write(target, "with_skin", Join(MakeBmp(8, 8, 8), {SeedFile{"t.skn", Skin()}}));
        Write(target, "with_mip_file", Join(MakeBmp(8, 8, 8), {SeedFile{"t.mip", MipFile()}}));
    }

    void SoundSeeds() {
        const char* target = "sound_emitter_fuzz";
        SSoundEmitterInfo info;
        info.m_Value1 = 2;
        info.m_Value7 = 90.0f;
        info.m_Value10 = 350.0f;
        info.m_Value13 = -1;
        SCatalog catalog;
        catalog.AddItem(NewItem(kKindSound, "Interface", "interface_click", nullptr));
        catalog.AddItem(NewItem(kKindSoundEmitter, "Emitters", "click", new SSoundEmitter("interface_click.wav", info)));
        auto* pTwo = new SSoundEmitter("Sounds\\missing.wav");
        pTwo->GetFiles().Add("interface_click.wav");
        catalog.AddItem(NewItem(kKindSoundEmitter, "Emitters", "two", pTwo));
        catalog.AddItem(NewItem(kKindSoundEmitter, "Emitters", "none", new SSoundEmitter));
        Write(target, "emitters", Join(Store(catalog), {Demo("interface_click.wav")}));
        Write(target, "demo_tones",
              Join(CatalogSubset(m_homeCatalog,
                                 [](SCatalogItem& item) {
                                     return item.GetKind() == kKindSound &&
                                            (item.GetFileName() == "mouse_over" || item.GetFileName() == "interface_click");
                                 }),
                   {Demo("interface_click.wav"), Demo("mouse_over.wav")}));
    }

    void UiSeeds() {
        const char* target = "ui_files_fuzz";
        Write(target, "demo_cursor",
              Join(CatalogSubset(m_homeCatalog, [](SCatalogItem& item) { return item.GetKind() == kKindSprite; }),
                   {Demo("Graphics/hunthand.bmp", "hunthand.bmp")}));

        // A page of ours: its own picture and tone by file, picture switchers by file and by
        // catalog name, and a sprite of three frames, one at half size and one whose picture
        // is cut short.
        SCatalog catalog;
        auto* pPage = new SScreen;
        pPage->Create(nullptr, "", 0, sys::RECT{0, 0, 320, 240}, nullptr, 0, nullptr);
        pPage->AddResourceName("panel.bmp");
        pPage->AddResourceName("interface_click.wav");
        auto* pFiles = new SMultiImage;
        pFiles->Create(nullptr, "", 0, sys::RECT{8, 8, 40, 40}, pPage, 5, nullptr);
        for (const char* name : {"officer_blue.bmp", "officer_grey.bmp", "missing.bmp"})
            pFiles->AddResourceName(name);
        auto* pNamed = new SMultiImage;
        pNamed->Create(nullptr, "", 0, sys::RECT{48, 8, 80, 40}, pPage, 6, nullptr);
        pNamed->AddResourceName("id;officer_blue");
        catalog.AddItem(NewItem(kKindScreen, "Page", "page", pPage));
        catalog.AddItem(NewItem(kKindImage, "officer_blue", "officer_blue", nullptr));
        catalog.AddItem(NewItem(kKindSound, "Interface", "interface_click", nullptr));
        auto* pSprite = new SSprite;
        pSprite->SetName("Badge");
        pSprite->SetDoubleSize(1);
        for (const char* file : {"officer_blue.bmp", "officer_grey.bmp", "broken.bmp"}) {
            auto* pFrame = new SFrame;
            pFrame->SetFileName(file);
            pFrame->SetFrameRect(sys::RECT{0, 0, 8, 8});
            pFrame->SetRegionRect(sys::RECT{0, 0, 8, 8});
            if (file[8] == 'g')
                pFrame->SetSuffix("_lo");
            pSprite->InsertFrame(pFrame, -1);
        }
        catalog.AddItem(NewItem(kKindSprite, "Badge", "Badges", pSprite));
        Write(target, "page_files",
              Join(Store(catalog), {Demo("arrow_up_n.bmp", "panel.bmp"), Demo("officer_blue.bmp"),
                                    Demo("officer_grey.bmp"), Demo("officer_grey.bmp", "officer_grey_lo.bmp"),
                                    Demo("interface_click.wav"), SeedFile{"broken.bmp", Bytes{'B', 'M', 9, 0, 0}}}));
    }

private:
    fs::path m_corpus;
    fs::path m_scratch;
    HomeSet m_home;
    Bytes m_homeCatalog;
    Bytes m_outdoorCatalog;
    std::vector<SeedFile> m_files;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_ROOT\n", argv[0]);
        return 2;
    }
    RegisterSoundResourceKinds();
    RegisterUiResourceKinds();
    RegisterAssetResourceKinds();
    SeedWriter writer{fs::path(argv[1])};
    writer.RenderSeeds();
    writer.ActorSeeds();
    writer.ModelSeeds();
    writer.TextureSeeds();
    writer.SoundSeeds();
    writer.UiSeeds();
    return 0;
}
