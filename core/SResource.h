#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "sys/classlib/CObArray.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringArray.h"
#include "sys/classlib/CTypedPtr.h"
#include "sys/window/window.h"

class CArchive;
class CFile;
class SResource;
class SResourceVisitor;
class SDXSurface;
namespace sys {
struct PALETTEENTRY;
struct RGBQUAD;
}  // namespace sys

// Called with each resource as it is destroyed, by its address alone. Layers above keep records
// by address (where an image was packed); they drop them here, so a resource made later at the
// same address inherits none. Null (the default) calls nothing; set once, on the main thread.
using SResourceGoneHook = void (*)(const SResource* pResource);
void SetResourceGoneHook(SResourceGoneHook pHook);

// Resource kinds: the integer code that picks the class the factory makes, the folder a
// catalog item lives in and the extension of its file. Stored in the catalog file, so the
// numbers never change. Codes without a class (0, 6, 7, 15, 16, above 27) name nothing the
// factory can make.
enum SResourceKind : int {
    kKindNone = 0,
    kKindImage = 1,
    kKindSound = 2,
    kKindSprite = 3,
    kKindMesh = 4,
    kKindTexture = 5,
    kKindActor = 6,
    kKindSurface = 7,
    kKindAnimation = 8,
    kKindButton = 9,
    kKindComboBox = 10,
    kKindDialog = 11,
    kKindEditBox = 12,
    kKindListBox = 13,
    kKindScreen = 14,
    kKindFont = 17,
    kKindTextCtrl = 18,
    kKindModel = 19,
    kKindSoundEmitter = 20,
    kKindSSMLoader = 21,
    kKindFileHandler = 22,
    kKindMultiImage = 23,
    kKindTextureHandler = 24,
    kKindListCtrl = 25,
    kKindSlider = 26,
    kKindScrollBar = 27,
};

// Codes 0 to 27 have a row in the kind table (and a slot in the catalog's per-kind cache).
constexpr int kResourceKindCount = 28;

// The fixed kind table. Every answer is a static text; kinds outside the table answer "".
class SResourceKinds {
public:
    // True for 0..27.
    static bool IsInTable(int nKind) { return nKind >= 0 && nKind < kResourceKindCount; }
    // True for the codes whose row names a class (1-5, 8-14, 17-27).
    static bool HasClass(int nKind);
    // "Images", "Sounds", ...; "" for kinds without a folder.
    static const char* GetFolder(int nKind);
    // "wav", "spr", ...; "" for kinds without one. Images answer "bmp" here: which of "bmp",
    // "jpg" and "tga" an image item really uses is decided by probing its folders.
    static const char* GetExtension(int nKind);
};

class SResourceArray;

// The base of everything the catalog can hold and the factory can make: bitmaps, sounds,
// sprites, meshes, textures, models, fonts, sound emitters, handler resources and every window.
// It fixes how a resource is loaded, unloaded, cloned, stored and visited. Whoever holds the
// pointer from the factory owns the object: a catalog item for catalog resources, a window or
// layout for the ones it detached.
//
// The virtual operations keep one fixed order, which every derived class shares: windows,
// sounds and bitmaps override them slot by slot.
class SResource : public CObject {
    DECLARE_SERIAL(SResource)

public:
    SResource();
    ~SResource() override;
    SResource& operator=(const SResource&) = delete;

    // The schema word alone. Every derived Serialize calls this first.
    void Serialize(CArchive& ar) override;
    // Called by the catalog when the last user gives the resource back; the object stays in
    // its catalog item and is loaded again on the next use. The base holds nothing to drop.
    virtual void Unload();
    // Copies the base fields into pTarget, or into a new plain SResource when pTarget is null.
    // Derived classes make an object of their own class and copy their own fields too.
    virtual SResource* Clone(SResource* pTarget);
    // Two reserved slots that nothing overrides; kept so the later slots stay in place.
    virtual void ReservedHook1(uint32_t dwValue);
    virtual void ReservedHook2(uint32_t dwValue1, uint32_t dwValue2);
    // Forgets a resource that is about to be deleted: every entry of the resource array that
    // points at it becomes null (the array keeps its size, so indices stay valid).
    virtual bool RemoveReference(SResource* pResource);
    // Loading through the catalog. dwFlags is handed through untouched; some resources carry
    // a pointer in it (the display to load onto), hence its width. The catalog calls
    // LoadFromMemory with its search folders when it has no root folders and LoadFromFile
    // with the item's folder when it has.
    virtual bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags);
    virtual bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags);
    // Image queries; a resource that is no image answers 1 (or 0 for its size) and does nothing.
    virtual int BlitTo(SDXSurface* pTarget);
    virtual int GetPaletteEntries(int nFirst, int nCount, sys::PALETTEENTRY* pEntries);
    virtual int GetColorTable(int nFirst, int nCount, sys::RGBQUAD* pEntries);
    virtual int32_t GetWidth();
    virtual int32_t GetHeight();
    // Reads the resource from a file the factory has just opened. The base reads nothing.
    virtual bool LoadFromCFile(CFile* pFile);
    // Double dispatch: each class calls its own visit operation with itself and answers what
    // the visitor answers. The base calls nothing and answers 0.
    virtual int32_t Accept(SResourceVisitor* pVisitor);

    // Copies the source rectangle to the caller; 1.
    int GetRect(sys::RECT* pRect) const;
    void SetRect(const sys::RECT& rcSource) { m_rcSource = rcSource; }

    SResourceArray* GetResourceArray() const { return m_pResArray; }
    uint32_t GetSchemaWord() const { return m_dwSchema; }
    uint32_t GetContextValue() const { return m_dwContext; }
    void SetContextValue(uint32_t dwContext) { m_dwContext = dwContext; }
    uint32_t GetSecondWord() const { return m_dwWord2; }
    void SetSecondWord(uint32_t dwWord) { m_dwWord2 = dwWord; }

protected:
    // For derived copies (a window copied from another): the base fields, and a resource array
    // of its own pointing at the same resources, which the copy does not own either.
    SResource(const SResource& other);

    uint32_t m_dwSchema = 1;
    SResourceArray* m_pResArray;  // owned; never null
    uint32_t m_dwContext = 0;
    uint32_t m_dwWord2 = 0;
    sys::RECT m_rcSource;
};

// Stands for many resources at once in RemoveReference: a resource told to forget it forgets
// every member listed before the threshold. The catalog hands one to each resource as it is
// destroyed, so each resource is asked once instead of once for every resource before it.
class SResourceSet : public SResource {
public:
    void Add(const SResource* pResource, size_t nPlace) { m_places.emplace(pResource, nPlace); }
    void SetThreshold(size_t nPlace) { m_nThreshold = nPlace; }
    bool Holds(const SResource* pResource) const {
        const auto it = m_places.find(pResource);
        return it != m_places.end() && it->second < m_nThreshold;
    }

private:
    std::unordered_map<const SResource*, size_t> m_places;
    size_t m_nThreshold = 0;
};

// The resources one resource has loaded and uses (a window's images and sounds, by index).
// It points at them and never owns them. A class rather than an alias of the typed array only
// so that it can be named before SResource is complete.
class SResourceArray : public CTypedPtrArray<CObArray, SResource*> {};

class SFileHandler;
class SSMLoader;
class SMesh;
class SWave;
class SModel;
class SFrame;
class SAnimation;
class SButton;
class SComboBox;
class SDialog;
class SDIB;
class SEditBox;
class SListBox;
class SMultiImage;
class SScreen;
class SSprite;
class STextCtrl;
class STexture;
class SSoundEmitter;
class SFont;
class SSlider;
class SScrollBar;
class SListCtrl;
class STextureHandler;

// The other half of double dispatch over resources: one visit operation per resource class,
// each answering 0 here. A visitor overrides the ones it cares about (a button group switching
// its other buttons off, a sounder playing a screen's mouse-over sound) and is offered to
// resources through their Accept. Visitors are short-lived objects of their callers.
class SResourceVisitor : public CObject {
    DECLARE_DYNAMIC(SResourceVisitor)

public:
    SResourceVisitor() = default;
    ~SResourceVisitor() override = default;

    virtual int32_t VisitFileHandler(SFileHandler* pResource);
    virtual int32_t VisitSMLoader(SSMLoader* pResource);
    virtual int32_t VisitMesh(SMesh* pResource);
    // Also offered by the sound buffers, which are waves.
    virtual int32_t VisitWave(SWave* pResource);
    virtual int32_t VisitModel(SModel* pResource);
    virtual int32_t VisitFrame(SFrame* pResource);
    virtual int32_t VisitAnimation(SAnimation* pResource);
    virtual int32_t VisitButton(SButton* pResource);
    virtual int32_t VisitComboBox(SComboBox* pResource);
    virtual int32_t VisitDialog(SDialog* pResource);
    virtual int32_t VisitDIB(SDIB* pResource);
    virtual int32_t VisitEditBox(SEditBox* pResource);
    virtual int32_t VisitListBox(SListBox* pResource);
    virtual int32_t VisitMultiImage(SMultiImage* pResource);
    virtual int32_t VisitScreen(SScreen* pResource);
    // Also offered by the software cursor, which is a sprite.
    virtual int32_t VisitSprite(SSprite* pResource);
    virtual int32_t VisitTextCtrl(STextCtrl* pResource);
    virtual int32_t VisitTexture(STexture* pResource);
    // No class calls it; it keeps the slots after it in place.
    virtual int32_t VisitReserved(SResource* pResource);
    virtual int32_t VisitSoundEmitter(SSoundEmitter* pResource);
    virtual int32_t VisitFont(SFont* pResource);
    virtual int32_t VisitSlider(SSlider* pResource);
    virtual int32_t VisitScrollBar(SScrollBar* pResource);
    virtual int32_t VisitListCtrl(SListCtrl* pResource);
    virtual int32_t VisitTextureHandler(STextureHandler* pResource);
};
