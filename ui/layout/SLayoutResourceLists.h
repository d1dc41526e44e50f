#pragma once

#include <cstdint>

#include "sys/classlib/CString.h"
#include "ui/layout/SLayout.h"

class SButton;
class SDIB;
class SDXSurface;
class SEditBox;
class SFont;
class SLayoutItem;
class SSlider;
class SSprite;
class SWindow;

// The work behind a layout's six record lists: finding sprites, image and cache surfaces,
// buttons, fonts, sliders and edit boxes by name, loading them from the catalog or from files
// the first time, carrying the widgets' command texts, and the mark-and-purge pass that keeps
// what the current script still uses. The records live in the layout (its list accessors);
// these operations are what the layout's record-list operations run, so every layout, whatever
// the application derives from it, shares one behaviour.
class SLayoutResourceLists {
public:
    SLayoutResourceLists() = delete;

    // The created flag (may be null) is set when a new object was made, cleared otherwise.
    static SSprite* LoadResource(SLayout& layout, const char* pszName, bool* pbCreated);
    static SFont* LoadResourceAlt(SLayout& layout, const char* pszName, bool* pbCreated);
    static SDXSurface* LoadImageSurface(SLayout& layout, const char* pszName, bool* pbCreated);
    static SDXSurface* GetCacheSurface(SLayout& layout, const char* pszName, int nWidth, int nHeight,
                                       bool* pbCreated);
    // A window whose record is free or already bound to pOwner; a found window becomes bound
    // to pOwner. Every answered window is a child of the layout.
    static SButton* GetButton(SLayout& layout, const char* pszName, SLayoutItem* pOwner, bool* pbCreated);
    static SSlider* GetSlider(SLayout& layout, const char* pszName, SLayoutItem* pOwner, bool* pbCreated);
    static SEditBox* GetEdit(SLayout& layout, const char* pszName, SLayoutItem* pOwner, bool* pbCreated);

    // The first record of the list holding the window takes the text; nothing when none does.
    static void SetCommand(SLayoutResList& list, SWindow* pWindow, const char* pszText);
    static void SetButtonTip(SLayout& layout, SWindow* pWindow, const char* pszText);

    // Appends a record (keep set) for an object a builder item made, in the layout's list of
    // its kind. A button also becomes a hidden child of the layout with the id of its place.
    static void AddBuiltButton(SLayout& layout, const char* pszName, SButton* pButton);
    static void AddBuiltFont(SLayout& layout, const char* pszName, SFont* pFont);
    static void AddBuiltSprite(SLayout& layout, const char* pszName, SSprite* pSprite);

    // Every surface record goes with its surface; the next lookups make them again.
    static void ReleaseSurfaces(SLayout& layout);
    // Sets every record's keep flag; unmarking also frees the widgets from their items and
    // hides them, marking shows them.
    static void MarkResources(SLayout& layout, bool bKeep);
    // Deletes the records whose keep flag is clear, with their objects, and numbers the widget
    // windows that stay by their places again, so that a click's id still names its record.
    static void PurgeUnmarkedResources(SLayout& layout);

    // The Enter key for the layout's edit boxes: a line typed into a shown, bound box goes out
    // as its record's command text and the line, once per press. Takes whether Enter was up at
    // the end of the previous frame and answers whether it is up now.
    static bool SendEnteredLines(SLayout& layout, bool bEnterWasUp);

    // Splits "A:B" at the first ":" into a name and a file name (empty after a trailing ":").
    // False without ":".
    static bool SplitName(const char* pszName, CString& strName, CString& strFile);
    // A bitmap read from a file; null when the file cannot be opened or read. The caller owns it.
    static SDIB* ReadBitmapFile(const char* pszPath);
};
