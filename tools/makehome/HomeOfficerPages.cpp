// The officer pages of the demo Home folder: creation, choice, information and the inventory,
// with every control id the pages look for, two officer portraits, the officer model file
// "Officers/officers.sss" with two officer models drawn as plain figures, and the default kits
// of "DefEquip.cfg".

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/models/SSMObject.h"
#include "core/SResource.h"
#include "tools/makehome/HomeArt.h"
#include "tools/makehome/HomeOutdoor.h"
#include "tools/makehome/HomeRangeTarget.h"
#include "tools/makehome/HomeSet.h"
#include "ui/SScreen.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/widgets/STextCtrl.h"

namespace {

constexpr HomeRect kPage{0, 0, 640, 480};
constexpr int kButtonHeight = 30;
constexpr int kBottomRow = 418;
constexpr HomeRgb kInk{242, 246, 252};
constexpr HomeRgb kShadow{6, 8, 16};
constexpr HomeRgb kFrameInk{120, 150, 190};

constexpr const char* kOfficerScript = R"(// The officer models a new officer may take: the portrait image, the model file and the skin.
OBJECT Player
{
    set Type "Player"
}
OBJECT PlayerSkin
{
    set Type "PlayerSkin"
}
OBJECT OfficerSkinBlue:PlayerSkin
{
    set Texture "officer_blue.bmp"
}
OBJECT OfficerSkinGrey:PlayerSkin
{
    set Texture "officer_grey.bmp"
}
OBJECT OfficerMale:Player
{
    set Male "1"
    set Model "Models\Officers\officer_m.ssm"
    set Image "0"
    set skin00 "OfficerSkinBlue"
    set PoseAnim00 "stand"
}
OBJECT OfficerFemale:Player
{
    set Male "0"
    set Model "Models\Officers\officer_f.ssm"
    set Image "1"
    set skin00 "OfficerSkinGrey"
    set PoseAnim00 "stand"
}
)";

constexpr const char* kDefaultKits = R"(// The kits a new officer starts with.
OBJECT SinglePlayer
{
    set Item00 "InvPistol9mm"
    set Item01 "InvRadio"
    set Item02 "InvHandcuffs"
}
OBJECT MultiPlayer
{
    set Item00 "InvPistol9mm"
    set Item01 "InvRadio"
}
)";

template <class T>
T* AddWindow(SWindow* pParent, uint32_t nID, const HomeRect& rc, uint32_t dwStyle = 0, const std::string& text = "") {
    auto* pWindow = new T;
    pWindow->Create(nullptr, text.c_str(), dwStyle, sys::RECT{rc.left, rc.top, rc.right, rc.bottom}, pParent, nID,
                    nullptr);
    return pWindow;
}

SScreen* NewPage() {
    auto* pLayout = new SScreen;
    pLayout->Create(nullptr, "", 0, sys::RECT{kPage.left, kPage.top, kPage.right, kPage.bottom}, nullptr, 0, nullptr);
    pLayout->AddResourceName("id;bg_page");
    return pLayout;
}

HomeRect Sized(int x, int y, int nWidth, int nHeight) { return HomeRect{x, y, x + nWidth, y + nHeight}; }

void AddText(SWindow* pLayout, uint32_t nID, const HomeRect& rc, const std::string& text = "") {
    AddWindow<STextCtrl>(pLayout, nID, rc, 0, text)->AddResourceName("id;Text");
}

// A labelled value line.
void AddValue(SWindow* pLayout, uint32_t nID, int y, const std::string& label) {
    AddText(pLayout, 0, Sized(250, y, 110, 24), label);
    AddText(pLayout, nID, Sized(360, y, 250, 24));
}

// A label with its value on the line below, across the whole column: for values as long as
// the four qualified weapons ("9mm Pistol/Sniper/Shotgun/MP5").
void AddWideValue(SWindow* pLayout, uint32_t nID, int y, const std::string& label) {
    AddText(pLayout, 0, Sized(250, y, 110, 24), label);
    AddText(pLayout, nID, Sized(250, y + 24, 360, 24));
}

// A head-and-shoulders badge: the officer's portrait.
HomeCanvas Portrait(const HomeGlyphs& glyphs, const std::string& label, HomeRgb uniform, HomeRgb skin) {
    constexpr int kSize = 160;
    HomeCanvas canvas(kSize, kSize, HomeRgb{30, 40, 64});
    canvas.Fill(HomeRect{30, 110, 130, kSize}, uniform);
    canvas.Fill(HomeRect{55, 40, 105, 104}, skin);
    canvas.Fill(HomeRect{50, 26, 110, 46}, uniform);
    canvas.Frame(HomeRect{0, 0, kSize, kSize}, kFrameInk);
    canvas.TextCentred(glyphs, HomeRect{0, 136, kSize, 156}, label, 2, kInk, kShadow);
    return canvas;
}

// A frame the pages draw around their pictures.
HomeCanvas PictureFrame(int nWidth, int nHeight) {
    HomeCanvas canvas(nWidth, nHeight, HomeRgb{0, 0, 0}, true);
    canvas.Frame(HomeRect{0, 0, nWidth, nHeight}, kFrameInk);
    canvas.Frame(HomeRect{2, 2, nWidth - 2, nHeight - 2}, kFrameInk);
    return canvas;
}

// --- Officer models -------------------------------------------------------------------------

struct Box {
    float x0, y0, z0, x1, y1, z1;
};

// A figure of boxes stored in the file's axes (the renderer turns (x, y, z) into (-y, z, x)).
// `alternate` adds a second skin "Night" of the figure's group, drawn with that texture.
std::vector<uint8_t> FigureModel(const std::vector<Box>& boxes, const char* texture, const char* alternate = nullptr) {
    SSMObject model;
    auto frame = std::make_unique<SSMFrame>();
    frame->name = "stand";
    frame->groupBytes.assign(1, 1);  // the group is shown in this frame
    auto group = std::make_unique<SSMGroup>();
    group->name = "Body";
    group->flags = kGroupInBsp;  // a group the renderer draws
    auto skin = std::make_unique<SSMSkin>();
    skin->name = "Default";
    skin->resource = 0;
    group->skins.push_back(std::move(skin));
    if (alternate != nullptr) {
        auto night = std::make_unique<SSMSkin>();
        night->name = "Night";
        night->resource = 1;
        group->skins.push_back(std::move(night));
    }
    for (const Box& b : boxes) {
        const float quads[6][4][3] = {
            {{b.x0, b.y1, b.z0}, {b.x0, b.y1, b.z1}, {b.x1, b.y1, b.z1}, {b.x1, b.y1, b.z0}},
            {{b.x0, b.y0, b.z0}, {b.x1, b.y0, b.z0}, {b.x1, b.y0, b.z1}, {b.x0, b.y0, b.z1}},
            {{b.x0, b.y0, b.z0}, {b.x0, b.y1, b.z0}, {b.x1, b.y1, b.z0}, {b.x1, b.y0, b.z0}},
            {{b.x1, b.y0, b.z1}, {b.x1, b.y1, b.z1}, {b.x0, b.y1, b.z1}, {b.x0, b.y0, b.z1}},
            {{b.x0, b.y0, b.z1}, {b.x0, b.y1, b.z1}, {b.x0, b.y1, b.z0}, {b.x0, b.y0, b.z0}},
            {{b.x1, b.y0, b.z0}, {b.x1, b.y1, b.z0}, {b.x1, b.y1, b.z1}, {b.x1, b.y0, b.z1}},
        };
        static const float kUV[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        for (const auto& quad : quads) {
            const auto first = static_cast<int16_t>(frame->positions.size() / 3);
            for (const auto& c : quad) frame->positions.insert(frame->positions.end(), {c[2], -c[0], c[1]});
            const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
            for (const auto& tri : tris) {
                SSMTriangle record{};
                for (int k = 0; k < 3; ++k) {
                    record.vertex[k] = static_cast<int16_t>(first + tri[k]);
                    record.uv[k].u = kUV[tri[k]][0];
                    record.uv[k].v = kUV[tri[k]][1];
                }
                group->triangles.push_back(static_cast<int16_t>(model.m_triangles.size()));
                model.m_triangles.push_back(record);
            }
        }
    }
    home_outdoor::FinishOneGroupModel(model, std::move(group), std::move(frame), texture);
    // Turned in the pages' views, so never drawn from a transform kept from its first frame.
    auto tag = std::make_unique<SSMTag>();
    tag->name = "NoStatic";
    model.m_tags.push_back(std::move(tag));
    model.m_nTags = 1;
    if (alternate != nullptr) {
        auto resource = std::make_unique<SSMResource>();
        resource->name = alternate;
        model.m_resources.push_back(std::move(resource));
        model.m_nResources = 2;
    }
    return home_outdoor::StoreModel(model);
}

// Legs, body, arms and head of an officer about 1.8 units tall; `build` widens the shoulders.
std::vector<Box> Figure(float build) {
    const float s = 0.22f * build;
    return {
        {-0.18f, 0.0f, -0.1f, -0.02f, 0.9f, 0.1f},  {0.02f, 0.0f, -0.1f, 0.18f, 0.9f, 0.1f},
        {-s, 0.9f, -0.12f, s, 1.5f, 0.12f},          {-s - 0.1f, 0.95f, -0.06f, -s, 1.45f, 0.06f},
        {s, 0.95f, -0.06f, s + 0.1f, 1.45f, 0.06f},  {-0.1f, 1.52f, -0.1f, 0.1f, 1.78f, 0.1f},
    };
}

}  // namespace

void HomeSet::AddOfficerPages() {
    AddPicture("portrait_m", Portrait(m_Glyphs, "OFFICER", HomeRgb{40, 60, 120}, HomeRgb{220, 180, 150}));
    AddPicture("portrait_f", Portrait(m_Glyphs, "OFFICER", HomeRgb{90, 96, 110}, HomeRgb{200, 160, 130}));
    AddPicture("officer_frame", PictureFrame(176, 176));
    AddPicture("officer_band", PictureFrame(560, 8));
    AddPicture("inv_view", PictureFrame(248, 200));
    // The mark on each grid cell an item of the kit takes.
    HomeCanvas icon(32, 32, HomeRgb{40, 70, 110}, false);
    icon.Frame(HomeRect{0, 0, 32, 32}, kFrameInk);
    icon.Fill(HomeRect{10, 10, 22, 22}, kFrameInk);
    AddSprite("inv btn icon", "InventoryScreen", "inv_btn_icon.bmp", icon);
    AddPicture("officer_blue", HomeCanvas(16, 16, HomeRgb{40, 60, 120}));
    AddPicture("officer_grey", HomeCanvas(16, 16, HomeRgb{90, 96, 110}));
    AddPicture("inv_grid8", PictureFrame(8 * 32, 2 * 32));
    AddPicture("inv_grid12", PictureFrame(12 * 32, 2 * 32));

    const auto addButtons = [this](SWindow* pLayout, int y, std::initializer_list<std::pair<uint32_t, const char*>> rows,
                                   const char* prefix) {
        const int nCount = static_cast<int>(rows.size());
        const int nWidth = nCount > 4 ? 100 : 120;
        int x = (kPage.Width() - nCount * nWidth - (nCount - 1) * 10) / 2;
        for (const auto& [id, label] : rows) {
            const std::string key = std::string(prefix) + std::to_string(id);
            AddButtonPictures(key, label, nWidth, kButtonHeight);
            auto* pButton = AddWindow<SButton>(pLayout, id, Sized(x, y, nWidth, kButtonHeight), 0, label);
            for (const char* suffix : {"_n", "_c", "_h"}) pButton->AddResourceName(("id;" + key + suffix).c_str());
            x += nWidth + 10;
        }
    };
    // Portrait (5) inside its frame (999) over a band (998), as every officer page shows them.
    const auto addPortrait = [](SWindow* pLayout) {
        AddWindow<SMultiImage>(pLayout, 998, Sized(40, 300, 560, 8))->AddResourceName("id;officer_band");
        AddWindow<SMultiImage>(pLayout, 999, Sized(40, 100, 176, 176))->AddResourceName("id;officer_frame");
        auto* pPortrait = AddWindow<SMultiImage>(pLayout, 5, Sized(48, 108, 160, 160));
        pPortrait->AddResourceName("id;portrait_m");
        pPortrait->AddResourceName("id;portrait_f");
    };
    // The 3D view (6) where the officer stands, over the portrait.
    const auto addOfficerView = [](SWindow* pLayout) { AddWindow<SMultiImage>(pLayout, 6, Sized(48, 108, 160, 160)); };

    SScreen* pCreate = NewPage();
    AddTitle(pCreate, "title_create_officer", "NEW OFFICER");
    addPortrait(pCreate);
    addOfficerView(pCreate);
    AddText(pCreate, 0, Sized(250, 120, 110, 24), "Name:");
    // The name box's field is a picture of its own size, so its frame closes on the right.
    const HomeRect nameField = Sized(360, 116, 240, 30);
    AddPicture("create_name_field", home_art::EntryField(nameField.Width(), nameField.Height()));
    AddWindow<SMultiImage>(pCreate, 0, nameField)->AddResourceName("id;create_name_field");
    AddWindow<SEditBox>(pCreate, 200, Sized(366, 120, 228, 24))->AddResourceName("id;Master");
    AddText(pCreate, 0, Sized(250, 170, 360, 24), "Type a name and choose a look.");
    addButtons(pCreate, kBottomRow,
               {{1111, "Previous"}, {2222, "Next"}, {111, "Create"}, {222, "Cancel"}}, "btn_create_");
    AddLayout(kKindScreen, "", "choose_character", pCreate);

    SScreen* pChoose = NewPage();
    AddTitle(pChoose, "title_choose_officer", "CHOOSE OFFICER");
    addPortrait(pChoose);
    AddValue(pChoose, 200, 110, "Name:");
    AddValue(pChoose, 300, 140, "Rank:");
    AddWideValue(pChoose, 400, 170, "Weapons:");
    AddValue(pChoose, 500, 224, "Level:");
    AddText(pChoose, 600, Sized(250, 252, 360, 46));
    addButtons(pChoose, kBottomRow,
               {{1111, "Previous"}, {2222, "Next"}, {111, "Choose"}, {1000, "Delete"}, {222, "Back"}}, "btn_choose_");
    AddLayout(kKindScreen, "", "load_menu", pChoose);

    SScreen* pInfo = NewPage();
    AddTitle(pInfo, "title_officer_info", "OFFICER");
    addPortrait(pInfo);
    addOfficerView(pInfo);
    AddValue(pInfo, 200, 110, "Name:");
    AddWideValue(pInfo, 400, 140, "Weapons:");
    AddValue(pInfo, 500, 194, "Level:");
    AddText(pInfo, 600, Sized(250, 222, 360, 72));
    addButtons(pInfo, kBottomRow, {{10, "Scenarios"}, {20, "History"}, {222, "Back"}}, "btn_info_");
    AddLayout(kKindScreen, "cm", "character_main", pInfo);

    SScreen* pInventory = NewPage();
    AddTitle(pInventory, "title_inventory", "INVENTORY");
    AddWindow<SMultiImage>(pInventory, 5, Sized(40, 90, 248, 200))->AddResourceName("id;inv_view");
    AddWindow<SMultiImage>(pInventory, 5200, Sized(320, 120, 256, 64))->AddResourceName("id;inv_grid8");
    auto* pWide = AddWindow<SMultiImage>(pInventory, 5201, Sized(240, 120, 384, 64));
    pWide->AddResourceName("id;inv_grid12");
    pWide->SetVisible(false);
    addButtons(pInventory, 310, {{5100, "< Kind"}, {5000, "< Item"}, {5010, "Item >"}, {5110, "Kind >"}}, "btn_inv_");
    addButtons(pInventory, 364, {{5020, "Take"}, {5030, "Leave"}}, "btn_inv_");
    addButtons(pInventory, kBottomRow, {{5040, "Back"}, {5050, "Done"}}, "btn_inv_");
    AddLayout(kKindScreen, "", "InventoryScreen", pInventory);

    AddFile("Officers/officers.sss", kOfficerScript);
    AddFile("DefEquip.cfg", kDefaultKits);
    m_Files.push_back(File{"Models/Officers/officer_m.ssm", FigureModel(Figure(1.1f), "file;officer_blue.bmp")});
    m_Files.push_back(File{"Models/Officers/officer_f.ssm", FigureModel(Figure(0.9f), "file;officer_grey.bmp")});
    // The inventory's radio: a handset with an aerial, grey by day and blue in its night skin.
    // Drawn at its model size in the scene, eight times the world's: a hand's length tall there.
    const std::vector<Box> radio{{-1.2f, 0.0f, -0.6f, 1.2f, 4.8f, 0.6f}, {0.6f, 4.8f, -0.2f, 1.0f, 7.2f, 0.2f}};
    m_Files.push_back(
        File{"Models/Inventory/radio.ssm", FigureModel(radio, "file;officer_grey.bmp", "file;officer_blue.bmp")});
    // A model finds its textures beside it.
    for (const char* folder : {"Models/Officers/", "Models/Inventory/"}) {
        m_Files.push_back(File{std::string(folder) + "officer_blue.stx", home_range::PlainTexture(40, 60, 120)});
        m_Files.push_back(File{std::string(folder) + "officer_grey.stx", home_range::PlainTexture(90, 96, 110)});
    }
}
