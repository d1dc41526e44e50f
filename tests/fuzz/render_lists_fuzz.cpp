// Fuzz target of what the outdoor renderer reads through its registries: a catalog (the input's
// leading part, see FolderFuzzSupport.h) of texture lists, file handlers and model resources,
// and the folder of texture and model files they name (the input's files), searched as the
// program searches its Home folder. On a headless device, every texture list is drawn from,
// every texture file of the folder looked up by name, the sky box of every file handler loaded
// (without and with table fog), the handlers' models loaded, and the model resources placed as
// a map would place them. A texture found is a texture of the registry, found again by the same
// name; a sky box has all five faces or none. Nothing may crash, leak or read past what was read.
//
// The seeds in corpus/render_lists_fuzz/ are the demo's outdoor catalog entries with its
// textures and models, written by tools/fuzzseeds.
#include <cstdint>
#include <string>
#include <vector>

#include "assets/AssetResourceKinds.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "assets/models/SSMHandle.h"
#include "render/SD3D6Parser.h"
#include "render/outdoor/SRendererCatalogAdapter.h"
#include "render/pipeline/SRaster.h"
#include "sys/window/window.h"
#include "tests/fuzz/FolderCatalogFuzzSupport.h"
#include "tests/fuzz/FolderFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kTarget = "render_lists_fuzz";

// A list entry weighs its first value, whatever the day.
float FirstValue(int32_t first, int32_t, int32_t, int32_t, int32_t) { return static_cast<float>(first); }

// The renderer on a small headless window, made once.
struct Renderer {
    Renderer() {
        sys::HWND window = sys::window::CreateWindow(
            "Tarvex", sys::WS_OVERLAPPED | sys::WS_VISIBLE, nullptr,
            [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) { return sys::window::DefWindowProc(h, m, w, l); });
        Check(draw.Create(sys::video::GUID{}) == 1 && draw.SetMode(0, window) == 1);
        Check(primary.CreatePrimarySurface(&draw, 1, 0) == 1 &&
              back.CreateSurface(&draw, 64, 48, sys::video::DDSCAPS_3DDEVICE, nullptr, 0) == 1);
        record.pDisplay = &draw;
        record.pPrimary = primary.GetSurface();
        record.pRenderTarget = back.GetSurface();
        record.dwDriver = 1;
        parser.Create(&info);
        Check(parser.CreateRaster(&record) == 1);
        parser.SetCallback4(reinterpret_cast<SParser::Callback4>(reinterpret_cast<void (*)()>(&FirstValue)));
        // The model view's set-up chooses the texture formats, which its end keeps.
        Check(parser.InitSession(1, &view, 0) == 1);
        parser.EndSession(0);
    }
    // A model view again without making its frame buffers anew (its later steps do nothing);
    // its end frees what the input's look-ups loaded.
    // Textures load their detail textures, as on a device with a second texture stage.
    void Begin() {
        Check(parser.InitSession(1, &view, 1) == 1);
        parser.m_ModelView.Field(model_view_fields::kMultiTexture) = 1;
    }
    void End() { parser.EndSession(0); }
    SDXDraw draw;
    SDXSurface primary;
    SDXSurface back;
    SRasterDeviceRecord record;
    SParserCreateInfo info;
    SModelViewInfo view;
    SD3D6Parser parser;
};

void CheckFound(SD3D6Parser& parser, int16_t index) {
    Check(index < 0 || (index < parser.m_TextureItems.GetSize() && parser.GetTexture(index) != nullptr));
}

// The map names the handler as its background: "<name>:<file>".
void LoadSkyBox(SD3D6Parser& parser, const SCatalogItem& handler) {
    SMapKR5Tag tag{"MapBackground", handler.GetName().GetString(), 0};
    tag.m_sValue += ":";
    tag.m_sValue += handler.GetFileName().GetString();
    parser.m_Tags.Add(&tag);
    for (const uint32_t caps : {0u, 0x100u}) {
        parser.m_HWDesc.dpcTriCaps.dwRasterCaps = caps;
        parser.m_LevelInfo.Field(6) = 2;
        parser.m_LevelInfo.Field(18) = 1;
        parser.LoadBackground();
        int faces = 0;
        for (SD3D6Lock* face : parser.m_pSkyFaces)
            faces += face != nullptr ? 1 : 0;
        Check(faces == 0 || faces == 5);
    }
    parser.m_Tags.RemoveAll();
    // A map without a sky box, its background colour given as the handler's file name.
    SMapKR5Tag solid{"SolidColorRGB", handler.GetFileName().GetString(), 0};
    parser.m_Tags.Add(&solid);
    parser.LoadBackground();
    Check(parser.m_pSkyFaces[0] == nullptr);
    parser.m_Tags.RemoveAll();
    delete parser.LoadSSMModelsFromHandler(handler.GetName().GetString(), handler.GetFileName().GetString());
}

void Exercise(SD3D6Parser& parser, SCatalog& catalog, const std::vector<fuzzsupport::FolderFile>& files) {
    for (const fuzzsupport::FolderFile& file : files) {
        const std::string name = "file;" + file.path;
        const int16_t index = parser.FindTexture(name.c_str(), 0, 1);
        CheckFound(parser, index);
        Check(parser.FindTexture(name.c_str(), 0, 1) == index);
    }
    for (POSITION pos = catalog.GetItems()->GetHeadPosition(); pos != nullptr;) {
        const SCatalogItem& item = *catalog.GetItems()->GetNext(pos);
        const CString key = item.GetKey();
        switch (item.GetKind()) {
        case kKindTextureHandler:
            for (int draw = 0; draw < 3; ++draw)
                CheckFound(parser, parser.FindTexture(key.GetString(), 0, 1));
            break;
        case kKindFileHandler:
            LoadSkyBox(parser, item);
            break;
        case kKindModel:
            parser.FindModelResource(key.GetString());
            break;
        default:
            break;
        }
    }
    parser.PlaceSSMObjects();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Renderer* s_pRenderer = [] {
        RegisterAssetResourceKinds();
        return new Renderer;
    }();
    if (size > (1u << 20) || fuzzsupport::ClimbsOut(data, size))
        return 0;
    const fuzzsupport::FolderInput input = fuzzsupport::SplitFolderInput(data, size);
    const fuzzsupport::InputFolder folder(kTarget, input.files);

    SCatalog catalog;
    if (!fuzzsupport::LoadCatalog(catalog, input.head))
        return 0;
    // The program searches its Home folder for every file a catalog entry names.
    fuzzsupport::FindFilesIn(catalog, folder.Path(), false);
    SRendererCatalogAdapter adapter(&catalog);
    SD3D6Parser::SetCatalog(&adapter);

    // The game screen's model switches (trees built at first drawing instead of read, the
    // second loading mark) follow the input's length, so both ways are fuzzed.
    SD3D6Parser::s_bGenModelBSP = static_cast<int32_t>(size & 1);
    SD3D6Parser::s_bSecondModelMark = static_cast<int32_t>((size >> 1) & 1);
    s_pRenderer->Begin();
    Exercise(s_pRenderer->parser, catalog, input.files);
    s_pRenderer->End();
    SD3D6Parser::SetCatalog(nullptr);
    return 0;
}
