#include "ui/SSprite.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "core/SResourceFactory.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/fs/fs.h"
#include "ui/SDIB.h"

namespace {

// An empty folder is the working directory; a separator in front would name the root instead.
CString InFolder(const CString& folder, const CString& file) {
    return folder.IsEmpty() ? file : folder + "\\" + file;
}

}  // namespace

IMPLEMENT_SERIAL(SSprite, SResource, VERSIONABLE_SCHEMA | SSprite::kSchema)

void RegisterSpriteResourceKind() { SResourceFactory::RegisterKind<SSprite>(kKindSprite); }

SSprite::SSprite() { Init(); }

SSprite::~SSprite() { Clear(); }

void SSprite::Init() {
    m_iX = 0;
    m_iY = 0;
    m_iDepth = 0;
    m_iCurrentFrame = 0;
    m_pSurface = nullptr;
    m_dwWidthSum = 0;
    m_dwHeightSum = 0;
    m_dwCaps = kDefaultCaps;
    m_bLoaded = 0;
    m_strName.Empty();
    m_dwPaletteIndex1 = 253;
    m_dwPaletteIndex2 = 249;
    m_strDirectory.Empty();
    m_bDoubleSize = 0;
    m_dwExtra = 0;
    m_bMirrorLR = 0;
    m_bMirrorUD = 0;
    m_bClipToView = 0;
    m_strPaletteFile.Empty();
    m_b8Bit = 0;
}

void SSprite::Clear() {
    ReleaseSurface();
    DeleteFrames();
}

void SSprite::DeleteFrames() {
    while (!m_Frames.IsEmpty())
        delete m_Frames.RemoveHead();
}

void SSprite::ReleaseSurface() {
    if (m_bLoaded == 0)
        return;
    delete m_pSurface;
    m_pSurface = nullptr;
    m_bLoaded = 0;
}

// ---- archive --------------------------------------------------------------------------------

void SSprite::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strName << m_iX << m_iY << m_iDepth << m_dwWidthSum << m_dwHeightSum << m_dwCaps << m_dwExtra
           << m_bDoubleSize;
        m_Frames.Serialize(ar);
        return;
    }
    uint32_t schema = ar.GetObjectSchema();
    if (schema == UINT32_MAX)  // read directly, not through an object record
        schema = kSchema;
    if (schema > kSchema)
        ThrowArchiveException(CArchiveException::badSchema, ar.GetFileName());
    // Everything is read aside and only then takes the place of the old values, so a bad
    // file leaves the sprite as it was, frames and all.
    CString name = m_strName;
    int32_t x = m_iX, y = m_iY, depth = m_iDepth, doubleSize = m_bDoubleSize;
    uint32_t widthSum = m_dwWidthSum, heightSum = m_dwHeightSum, caps = m_dwCaps, extra = m_dwExtra;
    if (schema >= 1)
        ar >> name >> x >> y >> depth >> widthSum >> heightSum >> caps;
    if (schema >= 2)
        ar >> extra >> doubleSize;
    if (!SFrame::IsCoordinate(x) || !SFrame::IsCoordinate(y))
        ThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
    SFrameList frames;
    try {
        frames.SerializeOwned(ar);
    } catch (...) {
        while (!frames.IsEmpty())
            delete frames.RemoveHead();
        throw;
    }
    m_strName = name;
    m_iX = x;
    m_iY = y;
    m_iDepth = depth;
    m_dwWidthSum = widthSum;
    m_dwHeightSum = heightSum;
    m_dwCaps = caps;
    m_dwExtra = extra;
    m_bDoubleSize = doubleSize;
    DeleteFrames();
    while (!frames.IsEmpty()) {
        SFrame* frame = frames.RemoveHead();
        if (frame == nullptr)
            continue;
        frame->SetContextValue(GetContextValue());
        m_Frames.AddTail(frame);
    }
}

bool SSprite::ReadArchiveFile(const char* archiveName) {
    try {
        CFile file(archiveName, CFile::modeRead);
        CArchive ar(&file, CArchive::load, 4096);
        Serialize(ar);
        ar.Close();
        file.Close();
    } catch (const CException&) {
        return false;
    }
    return true;
}

// ---- resource operations --------------------------------------------------------------------

void SSprite::Unload() { ReleaseSurface(); }

SResource* SSprite::Clone(SResource* pTarget) {
    if (pTarget == nullptr)
        pTarget = new SSprite;
    SResource::Clone(pTarget);
    auto* sprite = dynamic_cast<SSprite*>(pTarget);
    if (sprite == nullptr || sprite == this)
        return pTarget;
    sprite->m_iX = m_iX;
    sprite->m_iY = m_iY;
    sprite->m_iDepth = m_iDepth;
    sprite->m_iCurrentFrame = m_iCurrentFrame;
    sprite->m_dwWidthSum = m_dwWidthSum;
    sprite->m_dwHeightSum = m_dwHeightSum;
    sprite->m_dwCaps = m_dwCaps;
    sprite->m_strName = m_strName;
    sprite->m_dwPaletteIndex1 = m_dwPaletteIndex1;
    sprite->m_dwPaletteIndex2 = m_dwPaletteIndex2;
    sprite->m_strDirectory = m_strDirectory;
    sprite->m_bDoubleSize = m_bDoubleSize;
    sprite->m_dwExtra = m_dwExtra;
    sprite->m_bMirrorLR = m_bMirrorLR;
    sprite->m_bMirrorUD = m_bMirrorUD;
    sprite->m_bClipToView = m_bClipToView;
    sprite->m_strPaletteFile = m_strPaletteFile;
    sprite->m_b8Bit = m_b8Bit;
    for (POSITION pos = m_Frames.GetHeadPosition(); pos != nullptr;) {
        SFrame* frame = m_Frames.GetNext(pos);
        auto* copy = new SFrame;
        frame->SResource::Clone(copy);
        copy->CopyFrom(*frame);
        sprite->m_Frames.AddTail(copy);
    }
    return pTarget;
}

bool SSprite::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    CreateSurface(reinterpret_cast<SDXDraw*>(dwFlags));
    if (m_Frames.IsEmpty() || pSearchFolders == nullptr)
        return false;
    const CString first = m_Frames.GetHead()->GetFileName();
    for (int i = 0; i < pSearchFolders->GetSize(); ++i) {
        const CString folder = pSearchFolders->GetAt(i);
        if (sys::fs::Exists(InFolder(folder, first).GetString()))
            return DrawFrames(folder) != 0;
    }
    return false;
}

bool SSprite::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    return CreateSurface(reinterpret_cast<SDXDraw*>(dwFlags)) != 0 && DrawFrames(strFolder) != 0;
}

int32_t SSprite::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitSprite(this) : 0; }

int SSprite::LoadHook1(uint32_t, uint32_t) { return 1; }

int SSprite::LoadHook2(uint32_t, uint32_t) { return 1; }

void SSprite::EmptyHook(uint32_t, uint32_t) {}

int SSprite::LoadIntoSurface(const char* archiveName, SDXSurface* pSurface) {
    ReleaseSurface();
    // Borrowed: the loaded flag stays clear, so releasing and restoring leave it alone.
    m_pSurface = pSurface;
    if (!ReadArchiveFile(archiveName))
        return 0;
    return DrawFrames(nullptr);
}

int SSprite::LoadFile(const char* archiveName, SDXDraw* draw) {
    if (!ReadArchiveFile(archiveName) || !CreateSurface(draw))
        return 0;
    return DrawFrames(nullptr);
}

int SSprite::RestoreSurfaces(SDXDraw* draw) {
    if (m_pSurface == nullptr || m_bLoaded == 0)
        return 0;
    if (!m_pSurface->Restore(draw)) {
        ReleaseSurface();
        if (!CreateSurface(draw))
            return 0;
    }
    return DrawFrames(nullptr);
}

int SSprite::DropSurface() {
    ReleaseSurface();
    return 1;
}

int SSprite::RebuildSurface(SDXDraw* draw) {
    if (!CreateSurface(draw))
        return 0;
    return DrawFrames(nullptr);
}

// ---- surface --------------------------------------------------------------------------------

int SSprite::CreateSurface(SDXDraw* draw) {
    SDXPalette palette;
    ReleaseSurface();
    if (draw == nullptr || m_dwWidthSum == 0 || m_dwHeightSum == 0)
        return 0;

    int width = 0;
    int64_t height = 0;  // the frames of a file may add up past int
    for (POSITION pos = m_Frames.GetHeadPosition(); pos != nullptr;) {
        SFrame* frame = m_Frames.GetNext(pos);
        if (FindSharedFrame(frame) != nullptr)
            continue;
        if (m_b8Bit != 0)
            m_strPaletteFile = InFolder(m_strDirectory, frame->GetFileName());
        int frameWidth = frame->GetFrameRect().right - frame->GetFrameRect().left;
        int frameHeight = frame->GetFrameRect().bottom - frame->GetFrameRect().top;
        if (m_bDoubleSize != 0 && !frame->GetSuffix().IsEmpty()) {
            // The doubled frame's full size, whether or not it has been halved already.
            frameWidth = frame->GetWidth() / 2;
            frameHeight = frame->GetHeight() / 2;
        }
        width = std::max(width, frameWidth);
        height += frameHeight;
    }
    if (height > INT32_MAX)
        return 0;

    CString name;
    name.Format("Sprite %s", m_strName.GetString());
    m_pSurface = new SDXSurface(name);
    m_bLoaded = 1;
    sys::video::DDSURFACEDESC2 desc;
    desc.dwSize = 124;
    desc.dwFlags = sys::video::DDSD_CAPS | sys::video::DDSD_HEIGHT | sys::video::DDSD_WIDTH;
    desc.dwHeight = static_cast<uint32_t>(height);
    desc.dwWidth = static_cast<uint32_t>(width);
    desc.ddsCaps.dwCaps = kVideoCaps;

    if (m_b8Bit != 0) {
        SDIB colours;
        bool read = false;
        try {
            CFile file;
            read = file.Open(m_strPaletteFile, CFile::modeRead | CFile::typeBinary) && colours.LoadFromCFile(&file);
        } catch (const CException&) {
            read = false;
        }
        if (!read || !palette.CreatePalette(&colours, draw, 0)) {
            ReleaseSurface();
            return 0;
        }
        desc.dwFlags |= sys::video::DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = 32;
        desc.ddpfPixelFormat.dwFlags = sys::video::DDPF_PALETTEINDEXED8 | sys::video::DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 8;
    }

    if (!m_pSurface->CreateSurfaceDesc(&desc, draw, 0)) {
        // Video memory is short: the sprite lives in system memory.
        desc.ddsCaps.dwCaps = kSystemCaps;
        if (!m_pSurface->CreateSurfaceDesc(&desc, draw, 0)) {
            ReleaseSurface();
            return 0;
        }
    }
    if (m_b8Bit != 0)
        m_pSurface->SetPalette(&palette);
    return 1;
}

int SSprite::DrawFrames(const char* folder) {
    if (m_Frames.IsEmpty() || m_pSurface == nullptr)
        return 0;
    if (folder != nullptr)
        m_strDirectory = folder;
    int y = 0;
    for (POSITION pos = m_Frames.GetHeadPosition(); pos != nullptr;) {
        SFrame* frame = m_Frames.GetNext(pos);
        if (SFrame* shared = FindSharedFrame(frame); shared != nullptr) {
            frame->CopyFrom(*shared);
            continue;
        }
        const sys::RECT& old = frame->GetFrameRect();
        const bool halved = m_bDoubleSize != 0 && !frame->GetSuffix().IsEmpty();
        // Measured from the drawn size, so redrawing after a lost display keeps the layout.
        const sys::RECT placed = halved ? sys::RECT{0, y, frame->GetWidth() / 2, y + frame->GetHeight() / 2}
                                        : sys::RECT{0, y, old.right - old.left, y + (old.bottom - old.top)};
        // Frames stacked past the coordinates a sprite file holds (a surface handed in is never
        // that large) are not placed, so the sprite still stores as a file it can read back.
        if (!SFrame::IsCoordinate(placed.right) || !SFrame::IsCoordinate(placed.bottom))
            return 0;
        frame->SetFrameRect(placed);
        if (halved)
            frame->SetDoubleSize(m_bDoubleSize);
        y = frame->GetFrameRect().bottom;
        // A missing picture leaves its area as it was; the other frames still load.
        frame->LoadBitmapFile(m_pSurface, m_strDirectory);
    }
    m_pSurface->SetTransparentColor(kTransparent);
    return 1;
}

SFrame* SSprite::FindSharedFrame(SFrame* pFrame) {
    for (POSITION pos = m_Frames.GetHeadPosition(); pos != nullptr;) {
        SFrame* frame = m_Frames.GetNext(pos);
        if (frame == pFrame)
            return nullptr;
        if (frame->GetFileName() == pFrame->GetFileName())
            return frame;
    }
    return nullptr;
}

// ---- drawing --------------------------------------------------------------------------------

int SSprite::ClipRects(sys::RECT* pDest, sys::RECT* pSource, const sys::RECT* pClip) {
    if (pClip == nullptr)
        return 1;
    // The double-size word is a flag: any value but 0 halves the source's moves.
    const double scale = m_bDoubleSize != 0 ? 0.5 : 1.0;
    auto moved = [scale](int cut) { return static_cast<int>(cut * scale); };
    if (pDest->left < pClip->left) {
        pSource->left += moved(pClip->left - pDest->left);
        pDest->left = pClip->left;
    }
    if (pDest->top < pClip->top) {
        pSource->top += moved(pClip->top - pDest->top);
        pDest->top = pClip->top;
    }
    if (pDest->right > pClip->right) {
        pSource->right -= moved(pDest->right - pClip->right);
        pDest->right = pClip->right;
    }
    if (pDest->bottom > pClip->bottom) {
        pSource->bottom -= moved(pDest->bottom - pClip->bottom);
        pDest->bottom = pClip->bottom;
    }
    return pDest->right - pDest->left >= 1 && pDest->bottom - pDest->top >= 1 ? 1 : 0;
}

int SSprite::BlitFrame(SDXSurface* pDest, const sys::RECT& dest, const sys::RECT& source) {
    if (pDest == nullptr || m_pSurface == nullptr)
        return 0;
    return pDest->Blt(m_pSurface, &dest, &source, 1, m_bMirrorLR, m_bMirrorUD);
}

int SSprite::Draw(SDXSurface* pDest, int x, int y) { return DrawAt(pDest, x, y); }

int SSprite::DrawAt(SDXSurface* pDest, int x, int y) {
    SFrame* frame = GetCurrent();
    if (frame == nullptr || pDest == nullptr)
        return 0;
    const sys::POINT hot = frame->GetHotSpot();
    sys::RECT dest{x - hot.x, y - hot.y, x - hot.x + frame->GetWidth(), y - hot.y + frame->GetHeight()};
    sys::RECT source = frame->GetFrameRect();
    const sys::RECT bounds{0, 0, pDest->GetWidth(), pDest->GetHeight()};
    if (!ClipRects(&dest, &source, &bounds))
        return 0;
    return BlitFrame(pDest, dest, source);
}

int SSprite::DrawInRect(SDXSurface* pDest, const sys::RECT& rect) {
    SFrame* frame = GetCurrent();
    if (frame == nullptr || pDest == nullptr)
        return 0;
    const sys::POINT hot = frame->GetHotSpot();
    sys::RECT dest{rect.left - hot.x, rect.top - hot.y, rect.right - hot.x, rect.bottom - hot.y};
    sys::RECT source = frame->GetFrameRect();
    const sys::RECT bounds{0, 0, pDest->GetWidth(), pDest->GetHeight()};
    if (!ClipRects(&dest, &source, &bounds))
        return 0;
    return BlitFrame(pDest, dest, source);
}

int SSprite::DrawClipped(SDXSurface* pDest, const sys::RECT* pClip) {
    SFrame* frame = GetCurrent();
    if (frame == nullptr || pDest == nullptr)
        return 0;
    sys::RECT dest = GetDrawRect();
    sys::RECT source = frame->GetFrameRect();
    const sys::RECT bounds{0, 0, pDest->GetWidth(), pDest->GetHeight()};
    if (!ClipRects(&dest, &source, &bounds) || !ClipRects(&dest, &source, pClip))
        return 0;
    return BlitFrame(pDest, dest, source);
}

int SSprite::DrawPart(SDXSurface* pDest, const sys::RECT& rcDest, sys::RECT* pPart) {
    SFrame* frame = GetCurrent();
    if (frame == nullptr || pDest == nullptr || pPart == nullptr)
        return 0;
    const sys::RECT& cell = frame->GetFrameRect();
    pPart->left += cell.left;
    pPart->right += cell.left;
    pPart->top += cell.top;
    pPart->bottom += cell.top;
    sys::RECT source{std::max(pPart->left, cell.left), std::max(pPart->top, cell.top),
                     std::min(pPart->right, cell.right), std::min(pPart->bottom, cell.bottom)};
    if (source.right <= source.left || source.bottom <= source.top)
        return 0;
    return BlitFrame(pDest, rcDest, source);
}

// ---- frames ---------------------------------------------------------------------------------

SFrame* SSprite::GetFrame(int index) const {
    if (index < 0)
        return nullptr;
    POSITION pos = m_Frames.GetHeadPosition();
    for (int i = 0; pos != nullptr; ++i) {
        SFrame* frame = m_Frames.GetNext(pos);
        if (i == index)
            return frame;
    }
    return nullptr;
}

sys::RECT SSprite::GetDrawRect() {
    SFrame* frame = GetCurrent();
    if (frame == nullptr)
        return sys::RECT{};
    const sys::POINT hot = frame->GetHotSpot();
    const int left = m_iX - hot.x;
    const int top = m_iY - hot.y;
    return sys::RECT{left, top, left + frame->GetWidth(), top + frame->GetHeight()};
}

sys::RECT SSprite::GetFrameRect() {
    SFrame* frame = GetCurrent();
    if (frame == nullptr)
        return sys::RECT{};
    const sys::RECT& region = frame->GetRegionRect();
    if (region.right <= region.left || region.bottom <= region.top)
        return sys::RECT{};
    const sys::RECT draw = GetDrawRect();
    return sys::RECT{region.left + draw.left, region.top + draw.top, region.right + draw.left,
                     region.bottom + draw.top};
}

int SSprite::InsertFrame(SFrame* pFrame, int index) {
    if (pFrame == nullptr)
        return 0;
    if (index < 0) {
        m_Frames.AddTail(pFrame);
    } else {
        POSITION pos = m_Frames.GetHeadPosition();
        for (int i = 0; i < index && pos != nullptr; ++i)
            m_Frames.GetNext(pos);
        if (pos == nullptr)
            return 0;
        m_Frames.InsertBefore(pos, pFrame);
    }
    m_dwWidthSum = std::max<uint32_t>(m_dwWidthSum, static_cast<uint32_t>(std::max(0, pFrame->GetWidth())));
    m_dwHeightSum += static_cast<uint32_t>(std::max(0, pFrame->GetHeight()));
    return 1;
}

int SSprite::RemoveFrame(int index) {
    if (index < 0)
        return 0;
    POSITION pos = m_Frames.GetHeadPosition();
    for (int i = 0; i < index && pos != nullptr; ++i)
        m_Frames.GetNext(pos);
    // An index past the last frame removes nothing and says so.
    if (pos == nullptr)
        return 0;
    SFrame* frame = m_Frames.GetAt(pos);
    m_Frames.RemoveAt(pos);
    const uint32_t height = static_cast<uint32_t>(std::max(0, frame->GetHeight()));
    m_dwHeightSum = m_dwHeightSum > height ? m_dwHeightSum - height : 0;
    delete frame;
    return 1;
}

int SSprite::MoveFrame(int from, int to) {
    if (from < 0)
        return 0;
    POSITION pos = m_Frames.GetHeadPosition();
    for (int i = 0; i < from && pos != nullptr; ++i)
        m_Frames.GetNext(pos);
    if (pos == nullptr)
        return 0;
    SFrame* frame = m_Frames.GetAt(pos);
    POSITION after = pos;
    m_Frames.GetNext(after);
    m_Frames.RemoveAt(pos);
    if (InsertFrame(frame, to))
        return 1;
    // A target that names no frame: the frame goes back where it was instead of being lost.
    if (after != nullptr)
        m_Frames.InsertBefore(after, frame);
    else
        m_Frames.AddTail(frame);
    return 0;
}
