#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/makehome/HomeCanvas.h"
#include "tools/makehome/HomeGlyphs.h"

class SCatalog;
class SResource;
class SScreen;
class SWindow;

// The whole demo Home folder in memory: the catalog with its layouts, fonts, cursor and the
// names of every picture and sound, and the files that sit beside it. Build() fills it;
// WriteTo() stores it with the engine's own writers (catalog archive, bitmaps, font archives)
// plus the wave writer of this tool. The output is the same bytes on every run. The generator
// program and the tests own one each.
class HomeSet {
public:
    // A file of the folder, by path relative to the folder ("/" separated).
    struct File {
        std::string path;
        std::vector<uint8_t> bytes;
    };

    // The scale the fonts' glyphs are drawn at: the built-in 5 x 7 face doubled.
    static constexpr int kFontScale = 2;

    HomeSet();
    ~HomeSet();
    HomeSet(const HomeSet&) = delete;
    HomeSet& operator=(const HomeSet&) = delete;

    void Build();
    // Writes every file into the folder (made when missing) and the catalog last, each through
    // a temporary file and a rename. False with a message when something could not be written.
    bool WriteTo(const std::string& folder, std::string& error) const;

    SCatalog& Catalog() { return *m_pCatalog; }
    const std::vector<File>& Files() const { return m_Files; }
    // The catalog file's bytes.
    std::vector<uint8_t> CatalogBytes() const;

private:
    // Stores a picture as "<name>.bmp" beside the catalog and names it in the catalog (kind 1).
    void AddPicture(const std::string& name, const HomeCanvas& canvas, bool bForce8 = false);
    // The three pictures of a button (normal, checked, hover) under "<key>_n", "_c", "_h", and
    // with bDisabled a fourth, "<key>_d".
    std::string AddButtonPictures(const std::string& key, const std::string& label, int nWidth, int nHeight,
                                  bool bDisabled = false);
    std::string AddArrowPictures(const std::string& key, int nSize, bool bUp);
    void AddFont(const std::string& name, const HomeFontStyle& style);
    void AddSounds();
    void AddCursor();
    // A one-frame sprite of the catalog, its hot spot at the top left.
    void AddSprite(const char* name, const char* group, const std::string& file, const HomeCanvas& picture);
    void AddFile(const std::string& path, const std::string& text);
    // Files the layouts in the catalog (kind 14 for screens, 11 for dialogs) under name and file.
    void AddLayout(int nKind, const std::string& name, const std::string& file, SResource* pLayout);

    void AddMainMenu();
    void AddHelpPage();
    // A page of centred text in the panel under its title; the caller adds the buttons.
    SScreen* NewTextPage(const std::string& titleKey, const std::string& title, const char* text);
    void AddCreditsPage();
    void AddThanksPage();
    void AddSettingsPage();
    // The scenario choice and history pages with the level pictures and the report fonts.
    void AddCareerPages();
    // The officer creation, choice, information and inventory pages, the officer model files
    // and the default kits.
    void AddOfficerPages();
    void AddDialogs();
    void AddOptionDialogs();
    // The in-game page and the target range's map (after the outdoor files).
    void AddGamePage();
    // The range's heads-up display and results layouts and its sounds in play.
    void AddRangePlay();
    // A page's title picture as an image window at the top centre.
    void AddTitle(SWindow* pLayout, const std::string& key, const std::string& text);

    HomeGlyphs m_Glyphs;
    std::unique_ptr<SCatalog> m_pCatalog;
    std::vector<File> m_Files;
};
