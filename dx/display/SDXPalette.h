#pragma once

#include <cstdint>

#include "sys/classlib/CObject.h"
#include "sys/gdi/gdi.h"
#include "sys/video/video.h"

class SDXDraw;
class SDXSurface;
class SResource;

// One 256-entry DirectDraw palette, filled from an image resource (bitmap, sprite, font) and
// attached to 8-bit surfaces. Owned by whoever made it (a surface keeps its own reference to the
// DirectDraw palette). Shows and logs nothing.
class SDXPalette : public CObject {
    DECLARE_DYNAMIC(SDXPalette)

public:
    SDXPalette();
    ~SDXPalette() override;
    SDXPalette(const SDXPalette&) = delete;
    SDXPalette& operator=(const SDXPalette&) = delete;

    // Takes the source's 256 colours, adjusts them to the display's cooperative mode (system
    // colours in full screen when asked; in a window entries 0-9 and 246-255 refer to the
    // system palette and the rest keep their own slots) and makes the DirectDraw palette.
    int CreatePalette(SResource* source, SDXDraw* draw, int systemColours);
    // The 20 standard system colours into entries 0-9 and 246-255; flags left as they are.
    void SetSystemColours();
    // A 16 x 16 grid of 16-pixel blocks, block (r, c) in index 16 r + c, on a surface of at
    // least 256 x 256 (a smaller one is only locked and unlocked).
    int Draw(SDXSurface* destination);
    // "[SDXPalette::<operation>] : <result name>\n".
    const char* ReportError();

    sys::video::IDirectDrawPalette* GetPalette() const { return m_pPalette; }
    const sys::PALETTEENTRY* GetEntries() const { return m_Entries; }
    sys::PALETTEENTRY* GetEntries() { return m_Entries; }
    sys::video::HRESULT GetLastResult() const { return m_hrLast; }
    const char* GetErrorText() const { return m_szError; }

private:
    sys::video::IDirectDrawPalette* m_pPalette = nullptr;
    sys::PALETTEENTRY m_Entries[256] = {};
    uint32_t m_dwReserved = 0;
    sys::video::HRESULT m_hrLast = 0;
    char m_szError[128] = {};
    char m_szOp[32] = {};
};
