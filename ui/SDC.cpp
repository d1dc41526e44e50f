#include "ui/SDC.h"

#include <unordered_map>

#include "core/SResource.h"
#include "ui/SWindow.h"

namespace {

using PackedMap = std::unordered_map<const SResource*, const SDC*>;

// Image -> the context its source rectangle lies on. Never destroyed: images and contexts that
// outlive the program's static objects still take their notes with them on the way out.
PackedMap& PackedOn() {
    static auto* s_packed = new PackedMap;
    return *s_packed;
}

// A released image takes its note with it; the next image at its address was packed nowhere.
void ForgetImage(const SResource* pImage) { PackedOn().erase(pImage); }

}  // namespace

void SDC::NotePacked(const SResource* pImage, const SDC* pDC) {
    if (pImage == nullptr)
        return;
    if (pDC != nullptr) {
        static const bool s_bHooked = (SetResourceGoneHook(&ForgetImage), true);
        (void)s_bHooked;
        PackedOn()[pImage] = pDC;
    } else {
        PackedOn().erase(pImage);
    }
}

bool SDC::HoldsPacked(const SResource* pImage) const {
    const auto found = PackedOn().find(pImage);
    return found != PackedOn().end() && found->second == this;
}

void SDC::ForgetPacked() const {
    std::erase_if(PackedOn(), [this](const auto& entry) { return entry.second == this; });
}

SDC::~SDC() {
    // A context made later at the same address holds none of these images.
    ForgetPacked();
    // Windows measure and draw through the current source context; one that goes away must
    // not be left there for the next message box to draw through.
    if (SWindow::GetSourceDC() == this)
        SWindow::SetSourceDC(nullptr);
}

SDC* SDC::CreateCompatibleDC(int, int) { return nullptr; }

int SDC::BlitSurface(SDXSurface*, int, int) { return 1; }

int SDC::DrawImageFrom(const sys::RECT&, SResource*, SDC*, uint32_t) { return 1; }

int SDC::CreateSurface(int, int) { return 1; }

void SDC::FillRect(const sys::RECT&, sys::HBRUSH, sys::COLORREF, sys::COLORREF) {}

void SDC::FillRgn(const sys::video::RGNDATA*, sys::HBRUSH, sys::COLORREF, sys::COLORREF) {}

void SDC::FrameRect(const sys::RECT&, sys::HBRUSH) {}

void SDC::Rectangle(const sys::RECT&, sys::HPEN, sys::HBRUSH) {}

int SDC::Line(int, int, int, int, sys::HPEN) { return 0; }

void SDC::HighlightRect(const sys::RECT&) {}

void SDC::TextOut(int, int, const char*, int) {}

int32_t SDC::QueryValue(int32_t) { return 0; }

void SDC::DrawText(const char*, sys::RECT&, uint32_t) {}

int SDC::GetTextExtent(const char*, sys::SIZE& size) {
    size.cx = 0;
    size.cy = 0;
    return 1;
}

int SDC::DrawImage(const sys::RECT&, SResource*, int32_t, int32_t) { return 1; }

sys::HFONT SDC::SelectGdiFont(sys::HFONT hFont) {
    sys::HFONT hPrevious = m_hGdiFont;
    m_hGdiFont = hFont;
    return hPrevious;
}

SFont* SDC::SelectFont(SFont* pFont) {
    SFont* pPrevious = m_pFont;
    m_pFont = pFont;
    return pPrevious;
}

SFont* SDC::GetFont() { return m_pFont; }

SDXSurface* SDC::GetSurface() { return nullptr; }

SDXSurface* SDC::SetSurface(SDXSurface* pSurface) { return pSurface; }
