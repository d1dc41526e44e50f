#include "tools/makehome/HomeSet.h"

#include <cstdlib>
#include <string_view>

#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/fs/fs.h"
#include "tools/makehome/HomeArt.h"
#include "tools/makehome/HomeMusic.h"
#include "tools/makehome/HomeOutdoor.h"
#include "tools/makehome/HomeTexts.h"
#include "tools/makehome/HomeWave.h"
#include "ui/SDIB.h"
#include "ui/SFont.h"
#include "ui/SFrame.h"
#include "ui/SSprite.h"
#include "ui/UiResourceKinds.h"

namespace {

// The folder the cursor picture goes to: one of the folders the application searches for
// sprite frames, beside the catalog.
constexpr const char* kSpriteFolder = "Graphics";

std::vector<uint8_t> TakeBytes(CMemFile& file) {
    const auto nLength = static_cast<size_t>(file.GetLength());
    uint8_t* pBytes = file.Detach();
    std::vector<uint8_t> bytes(pBytes, pBytes + nLength);
    std::free(pBytes);
    return bytes;
}

struct SoundRow {
    const char* name;
    HomeTone tone;
};

// The six interface sounds the pages and dialogs ask for under "Interface:<name>".
const SoundRow kSounds[] = {
    {"mouse_over", {35, 1760.0, 1760.0, 0.08, 0.0, 5.0}},
    {"interface_click", {30, 1100.0, 900.0, 0.14, 0.3, 6.0}},
    {"interface_button", {70, 660.0, 990.0, 0.14, 0.25, 3.0}},
    {"interface_open", {110, 440.0, 880.0, 0.12, 0.2, 2.0}},
    {"interface_close", {110, 880.0, 440.0, 0.12, 0.2, 2.0}},
    {"cube_turn", {140, 220.0, 330.0, 0.13, 0.5, 2.5}},
};

// The picture as the bytes of a BMP file.
std::vector<uint8_t> BitmapBytes(const HomeCanvas& canvas, bool bForce8 = false) {
    SDIB dib;
    canvas.ToDIB(dib, bForce8);
    CMemFile image(4096);
    dib.WriteBMP(&image);
    return TakeBytes(image);
}

}  // namespace

HomeSet::HomeSet() : m_pCatalog(std::make_unique<SCatalog>()) { RegisterUiResourceKinds(); }

HomeSet::~HomeSet() = default;

void HomeSet::Build() {
    AddFont("Master", HomeFontStyle{kFontScale, 242, 246, 252, 6, 8, 16});
    AddFont("Text", HomeFontStyle{kFontScale, 214, 224, 240, 6, 8, 16});
    // For lists whose rows are too low for the others, such as the key bindings.
    AddFont("Small", HomeFontStyle{1, 242, 246, 252, 6, 8, 16});
    AddPicture("bg_page", home_art::PageBackground(m_Glyphs, home_art::PageKind::Plain));
    AddPicture("bg_text", home_art::PageBackground(m_Glyphs, home_art::PageKind::Text));
    AddMainMenu();
    AddHelpPage();
    AddCreditsPage();
    AddThanksPage();
    AddSettingsPage();
    AddCareerPages();
    AddOfficerPages();
    AddDialogs();
    AddOptionDialogs();
    AddCursor();
    AddSounds();

    m_Files.push_back(File{"splash.bmp", BitmapBytes(home_art::Splash(m_Glyphs))});
    home_music::AddStartupAndMenuSounds(m_Files, *m_pCatalog);
    AddFile("help.sss", home_texts::kHelp);
    AddFile("defcmds.cfg", home_texts::kDefaultCommands);
    for (auto& file : home_outdoor::BuildOutdoorFiles()) m_Files.push_back(File{file.path, std::move(file.bytes)});
    home_outdoor::AddOutdoorCatalogItems(*m_pCatalog);
    AddGamePage();
    AddRangePlay();
}

// ---- parts ----------------------------------------------------------------------------------

void HomeSet::AddPicture(const std::string& name, const HomeCanvas& canvas, bool bForce8) {
    m_Files.push_back(File{name + ".bmp", BitmapBytes(canvas, bForce8)});
    m_pCatalog->AddItem(new SCatalogItem(kKindImage, name.c_str(), name.c_str(), ""));
}

std::string HomeSet::AddButtonPictures(const std::string& key, const std::string& label, int nWidth, int nHeight,
                                       bool bDisabled) {
    using home_art::ButtonState;
    AddPicture(key + "_n", home_art::Button(m_Glyphs, nWidth, nHeight, label, ButtonState::Normal));
    AddPicture(key + "_c", home_art::Button(m_Glyphs, nWidth, nHeight, label, ButtonState::Checked));
    AddPicture(key + "_h", home_art::Button(m_Glyphs, nWidth, nHeight, label, ButtonState::Hover));
    if (bDisabled)
        AddPicture(key + "_d", home_art::Button(m_Glyphs, nWidth, nHeight, label, ButtonState::Disabled));
    return key;
}

std::string HomeSet::AddArrowPictures(const std::string& key, int nSize, bool bUp) {
    using home_art::ButtonState;
    AddPicture(key + "_n", home_art::ArrowButton(nSize, bUp, ButtonState::Normal));
    AddPicture(key + "_c", home_art::ArrowButton(nSize, bUp, ButtonState::Checked));
    AddPicture(key + "_h", home_art::ArrowButton(nSize, bUp, ButtonState::Hover));
    return key;
}

void HomeSet::AddFont(const std::string& name, const HomeFontStyle& style) {
    const std::string sheetName = "font_" + name + ".bmp";
    m_Files.push_back(File{sheetName, BitmapBytes(MakeFontSheet(m_Glyphs, style), true)});

    auto* pFont = new SFont;
    pFont->SetSheetName(sheetName.c_str());
    pFont->SetColumns(kHomeFontColumns);
    // The same two fields as a font archive of its own, for loading the font by name.
    CMemFile archiveFile(256);
    {
        CArchive ar(&archiveFile, CArchive::store);
        pFont->Serialize(ar);
        ar.Close();
    }
    m_Files.push_back(File{name + ".fnt", TakeBytes(archiveFile)});
    auto* pItem = new SCatalogItem(kKindFont, name.c_str(), name.c_str(), "");
    pItem->SetResource(pFont);
    m_pCatalog->AddItem(pItem);
}

void HomeSet::AddCursor() { AddSprite("Cursor", "HuntHand", "hunthand.bmp", home_art::Cursor()); }

void HomeSet::AddSprite(const char* name, const char* group, const std::string& file, const HomeCanvas& picture) {
    m_Files.push_back(File{std::string(kSpriteFolder) + "/" + file, BitmapBytes(picture)});

    auto* pSprite = new SSprite;
    pSprite->SetName(name);
    auto* pFrame = new SFrame;
    pFrame->SetFileName(file.c_str());
    pFrame->SetFrameRect(sys::RECT{0, 0, picture.Width(), picture.Height()});
    pFrame->SetRegionRect(sys::RECT{0, 0, picture.Width(), picture.Height()});
    pFrame->SetHotSpot(0, 0);
    // Also sizes the sprite's surface: as wide as its widest frame, as high as all of them.
    pSprite->InsertFrame(pFrame, -1);
    auto* pItem = new SCatalogItem(kKindSprite, name, group, "");
    pItem->SetResource(pSprite);
    m_pCatalog->AddItem(pItem);
}

void HomeSet::AddSounds() {
    for (const SoundRow& row : kSounds) {
        m_Files.push_back(File{std::string(row.name) + ".wav", MakeWaveFile(SynthesiseTone(row.tone))});
        m_pCatalog->AddItem(new SCatalogItem(kKindSound, "Interface", row.name, ""));
    }
}

void HomeSet::AddFile(const std::string& path, const std::string& text) {
    m_Files.push_back(File{path, std::vector<uint8_t>(text.begin(), text.end())});
}

void HomeSet::AddLayout(int nKind, const std::string& name, const std::string& file, SResource* pLayout) {
    auto* pItem = new SCatalogItem(nKind, name.c_str(), file.c_str(), "");
    pItem->SetResource(pLayout);
    m_pCatalog->AddItem(pItem);
}

// ---- output ---------------------------------------------------------------------------------

std::vector<uint8_t> HomeSet::CatalogBytes() const {
    CMemFile file(64 * 1024);
    CArchive ar(&file, CArchive::store);
    m_pCatalog->Serialize(ar);
    ar.Close();
    return TakeBytes(file);
}

bool HomeSet::WriteTo(const std::string& folder, std::string& error) const {
    for (const std::string& sub : {folder, folder + "/" + kSpriteFolder}) {
        if (!sys::fs::IsDirectory(sub) && !sys::fs::CreateDirectory(sub)) {
            error = "cannot make the folder " + sub;
            return false;
        }
    }
    auto write = [&](const std::string& path, const std::vector<uint8_t>& bytes) {
        const std::string full = folder + "/" + path;
        for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
            const std::string sub = folder + "/" + path.substr(0, slash);
            if (!sys::fs::IsDirectory(sub) && !sys::fs::CreateDirectory(sub)) {
                error = "cannot make the folder " + sub;
                return false;
            }
        }
        if (sys::fs::WriteFileAtomically(
                full, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
            return true;
        error = "cannot write " + full;
        return false;
    };
    for (const File& file : m_Files) {
        if (!write(file.path, file.bytes))
            return false;
    }
    // Last, so a catalog on disk never names a file that is not there yet.
    return write(SGameObjects::kCatalogFile, CatalogBytes());
}
