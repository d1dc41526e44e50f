#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"
#include "ui/SFrame.h"

class CArchive;
class SDXDraw;
class SDXSurface;

using SFrameList = CTypedPtrList<CObList, SFrame*>;

// A sprite (resource kind 3, "Sprites"): a list of frames whose bitmaps are packed one below
// the other into an off-screen surface of its own, magenta transparent. One frame is current;
// the sprite is drawn at its position less that frame's hot spot. The display manager keeps
// sprites in a depth-ordered list and has them rebuild their surfaces after the display was
// lost; the layout builds sprites from frames; the software cursor derives from it. Owns its
// frames and (unless it was handed one) its surface.
class SSprite : public SResource {
    DECLARE_SERIAL(SSprite)

public:
    static constexpr uint32_t kSchema = 2;
    static constexpr uint32_t kDefaultCaps = 0x800;             // system memory
    static constexpr uint32_t kVideoCaps = 0x20004040;           // off-screen, non-local video memory
    static constexpr uint32_t kSystemCaps = 0x840;               // off-screen, system memory
    static constexpr sys::COLORREF kTransparent = 0xFF00FF;

    SSprite();
    ~SSprite() override;
    SSprite(const SSprite&) = delete;
    SSprite& operator=(const SSprite&) = delete;

    void Serialize(CArchive& ar) override;
    // Releases the surface; the frames stay.
    void Unload() override;
    SResource* Clone(SResource* pTarget) override;
    // dwFlags carries the display (SDXDraw*). Takes the first folder holding the first frame's file.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    // Two loading hooks that do nothing; kept so derived classes share the table.
    virtual int LoadHook1(uint32_t value1, uint32_t value2);
    virtual int LoadHook2(uint32_t value1, uint32_t value2);
    // Reads a sprite archive and draws it into a surface the caller keeps (never released here).
    virtual int LoadIntoSurface(const char* archiveName, SDXSurface* pSurface);
    // Reads a sprite archive and draws it into a new surface of its own.
    virtual int LoadFile(const char* archiveName, SDXDraw* draw);
    // After the display was lost: restores (or makes again) the surface and redraws the frames.
    virtual int RestoreSurfaces(SDXDraw* draw);
    virtual int DropSurface();
    virtual int RebuildSurface(SDXDraw* draw);
    virtual void EmptyHook(uint32_t value1, uint32_t value2);
    virtual int Draw(SDXSurface* pDest, int x, int y);
    // The part rectangle is relative to the current frame's top-left and is moved (in place)
    // into surface coordinates.
    virtual int DrawPart(SDXSurface* pDest, const sys::RECT& rcDest, sys::RECT* pPart);
    virtual int DrawAt(SDXSurface* pDest, int x, int y);
    virtual int DrawInRect(SDXSurface* pDest, const sys::RECT& rect);
    // At the sprite's own position, cut to the destination and then to the clip rectangle.
    virtual int DrawClipped(SDXSurface* pDest, const sys::RECT* pClip);
    virtual void Init();
    virtual void Clear();
    virtual void DeleteFrames();
    virtual void ReleaseSurface();
    // The first earlier frame with the same file name; null when there is none.
    virtual SFrame* FindSharedFrame(SFrame* pFrame);
    // Cuts the destination to the clip rectangle, moving the source along (half as far for a
    // doubled sprite). 1 while at least one pixel is left.
    virtual int ClipRects(sys::RECT* pDest, sys::RECT* pSource, const sys::RECT* pClip);
    virtual int CreateSurface(SDXDraw* draw);
    // folder null: the sprite's own directory.
    virtual int DrawFrames(const char* folder);

    sys::RECT GetDrawRect();
    sys::RECT GetFrameRect();
    // Before the frame at the index, or appended for a negative index; 0 when the index names
    // no frame. The sprite owns the frame once it is in.
    int InsertFrame(SFrame* pFrame, int index);
    // 0 for an index that names no frame.
    int RemoveFrame(int index);
    int MoveFrame(int from, int to);

    SFrame* GetFrame(int index) const;
    SFrame* GetCurrent() const { return GetFrame(m_iCurrentFrame); }
    int GetFrameCount() const { return m_Frames.GetCount(); }
    int GetCurrentFrame() const { return m_iCurrentFrame; }
    void SetCurrentFrame(int index) { m_iCurrentFrame = index; }
    void SetPosition(int x, int y) { m_iX = x; m_iY = y; }
    int GetX() const { return m_iX; }
    int GetY() const { return m_iY; }
    int GetDepth() const { return m_iDepth; }
    void SetDepth(int depth) { m_iDepth = depth; }
    SDXSurface* GetSurface() const { return m_pSurface; }
    int IsLoaded() const { return m_bLoaded; }
    const CString& GetName() const { return m_strName; }
    void SetName(const char* name) { m_strName = name; }
    const CString& GetDirectory() const { return m_strDirectory; }
    void SetDirectory(const char* folder) { m_strDirectory = folder; }
    int GetDoubleSize() const { return m_bDoubleSize; }
    void SetDoubleSize(int doubled) { m_bDoubleSize = doubled; }
    void SetMirror(int leftRight, int upDown) { m_bMirrorLR = leftRight; m_bMirrorUD = upDown; }
    int GetClipToView() const { return m_bClipToView; }
    void SetClipToView(int clip) { m_bClipToView = clip; }
    void SetPaletteFile(const char* path) { m_strPaletteFile = path; }
    int Is8Bit() const { return m_b8Bit; }
    void Set8Bit(bool on) { m_b8Bit = on ? 1 : 0; }
    uint32_t GetWidthSum() const { return m_dwWidthSum; }
    uint32_t GetHeightSum() const { return m_dwHeightSum; }
    uint32_t GetSurfaceCaps() const { return m_dwCaps; }
    void SetSurfaceCaps(uint32_t caps) { m_dwCaps = caps; }
    uint32_t GetExtraValue() const { return m_dwExtra; }
    void SetExtraValue(uint32_t value) { m_dwExtra = value; }

protected:
    // Reads a sprite archive file into this sprite; false when it cannot be read.
    bool ReadArchiveFile(const char* archiveName);
    int BlitFrame(SDXSurface* pDest, const sys::RECT& dest, const sys::RECT& source);

    int32_t m_iX = 0;
    int32_t m_iY = 0;
    int32_t m_iDepth = 0;
    SFrameList m_Frames;
    int32_t m_iCurrentFrame = 0;
    SDXSurface* m_pSurface = nullptr;
    uint32_t m_dwWidthSum = 0;
    uint32_t m_dwHeightSum = 0;
    uint32_t m_dwCaps = kDefaultCaps;
    int32_t m_bLoaded = 0;
    CString m_strName;
    uint32_t m_dwPaletteIndex1 = 253;
    uint32_t m_dwPaletteIndex2 = 249;
    CString m_strDirectory;
    int32_t m_bDoubleSize = 0;
    uint32_t m_dwExtra = 0;
    int32_t m_bMirrorLR = 0;
    int32_t m_bMirrorUD = 0;
    int32_t m_bClipToView = 0;
    CString m_strPaletteFile;
    uint8_t m_b8Bit = 0;
};

// Lets the resource factory make sprites (kind 3). Called once at start-up.
void RegisterSpriteResourceKind();
