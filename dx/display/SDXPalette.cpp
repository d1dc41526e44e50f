#include "dx/display/SDXPalette.h"

#include <cstring>

#include "core/SResource.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"

using namespace sys::video;

IMPLEMENT_DYNAMIC(SDXPalette, CObject)

namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kLowSystemColours[10] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                       {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                                       {192, 220, 192}, {166, 202, 240}};
constexpr Rgb kHighSystemColours[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                        {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                        {0, 255, 255},   {255, 255, 255}};

}  // namespace

SDXPalette::SDXPalette() = default;

SDXPalette::~SDXPalette() {
    if (m_pPalette != nullptr) {
        m_pPalette->Release();
        m_pPalette = nullptr;
    }
}

void SDXPalette::SetSystemColours() {
    for (int k = 0; k < 10; ++k) {
        m_Entries[k].peRed = kLowSystemColours[k].r;
        m_Entries[k].peGreen = kLowSystemColours[k].g;
        m_Entries[k].peBlue = kLowSystemColours[k].b;
        m_Entries[246 + k].peRed = kHighSystemColours[k].r;
        m_Entries[246 + k].peGreen = kHighSystemColours[k].g;
        m_Entries[246 + k].peBlue = kHighSystemColours[k].b;
    }
}

int SDXPalette::CreatePalette(SResource* source, SDXDraw* draw, int systemColours) {
    if (draw == nullptr || draw->GetDirectDraw() == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "CreatePalette");
    if (source != nullptr) {
        source->GetPaletteEntries(0, 256, m_Entries);
    }
    if (draw->GetMode() == 1 && systemColours != 0) {
        SetSystemColours();
    }
    if (draw->GetMode() == 0) {
        // In a window the desktop owns the twenty system colours: those entries name the system
        // palette's slots, and every other colour keeps a slot of its own.
        for (sys::PALETTEENTRY& entry : m_Entries) {
            entry.peFlags = sys::PC_NOCOLLAPSE;
        }
        for (int k = 0; k < 10; ++k) {
            m_Entries[k] = sys::PALETTEENTRY{static_cast<uint8_t>(k), 0, 0, sys::PC_EXPLICIT};
            m_Entries[246 + k] = sys::PALETTEENTRY{static_cast<uint8_t>(246 + k), 0, 0, sys::PC_EXPLICIT};
        }
    }
    if (m_pPalette != nullptr) {
        m_pPalette->Release();
        m_pPalette = nullptr;
    }
    m_hrLast = draw->GetDirectDraw()->CreatePalette(DDPCAPS_8BIT, m_Entries, &m_pPalette, nullptr);
    if (Failed(m_hrLast)) {
        m_pPalette = nullptr;
        ReportError();
        return 0;
    }
    return 1;
}

int SDXPalette::Draw(SDXSurface* destination) {
    if (m_pPalette == nullptr || destination == nullptr || destination->GetSurface() == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "Draw");
    IDirectDrawSurface4* surface = destination->GetSurface();
    DDSURFACEDESC2 desc;
    m_hrLast = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    if (desc.dwWidth >= 256 && desc.dwHeight >= 256) {
        auto* bits = static_cast<uint8_t*>(desc.lpSurface);
        for (int y = 0; y < 256; ++y) {
            uint8_t* row = bits + static_cast<ptrdiff_t>(y) * desc.lPitch;
            for (int x = 0; x < 256; ++x) {
                row[x] = static_cast<uint8_t>(16 * (y / 16) + x / 16);
            }
        }
    }
    surface->Unlock(nullptr);
    return 1;
}

const char* SDXPalette::ReportError() {
    sdx::CopyText(m_szError, sizeof(m_szError), "[SDXPalette::");
    sdx::AppendText(m_szError, sizeof(m_szError), m_szOp);
    sdx::AppendText(m_szError, sizeof(m_szError), "] : ");
    DDErrorText(m_hrLast, m_szError);
    return m_szError;
}
