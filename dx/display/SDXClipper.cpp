#include "dx/display/SDXClipper.h"

#include <vector>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"

using namespace sys::video;

IMPLEMENT_DYNAMIC(SDXClipper, CObject)

SDXClipper::SDXClipper() { Reset(); }

SDXClipper::~SDXClipper() {
    if (m_pClipper != nullptr) {
        m_pClipper->Release();
        m_pClipper = nullptr;
    }
}

void SDXClipper::Reset() {
    m_pClipper = nullptr;
    m_hrLast = 0;
    m_szError[0] = '\0';
    m_szOp[0] = '\0';
}

int SDXClipper::CreateClipper(SDXDraw* draw) {
    if (draw == nullptr || draw->GetDirectDraw() == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "CreateClipper");
    if (m_pClipper != nullptr) {
        m_pClipper->Release();
        m_pClipper = nullptr;
    }
    m_hrLast = draw->GetDirectDraw()->CreateClipper(0, &m_pClipper, nullptr);
    if (Failed(m_hrLast)) {
        m_pClipper = nullptr;
        ReportError();
        return 0;
    }
    return 1;
}

int SDXClipper::SetHwnd(sys::HWND window) {
    if (m_pClipper == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetHwnd");
    m_hrLast = m_pClipper->SetHWnd(0, window);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXClipper::SetClipList(SDXSurface* surface, const RGNDATA* region) {
    if ((surface == nullptr && region == nullptr) || m_pClipper == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetClipList");
    RGNDATA own;
    if (surface != nullptr) {
        const sys::RECT whole{0, 0, surface->GetWidth(), surface->GetHeight()};
        own.rdh.dwSize = sizeof(RGNDATAHEADER);
        own.rdh.iType = RDH_RECTANGLES;
        own.rdh.nCount = 1;
        own.rdh.nRgnSize = sizeof(sys::RECT);
        own.rdh.rcBound = whole;
        own.Buffer[0] = whole;
        region = &own;
    }
    m_hrLast = m_pClipper->SetClipList(region, 0);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXClipper::SetClipListRects(const void* owner, const sys::RECT* rects, int count) {
    if (owner == nullptr || rects == nullptr || m_pClipper == nullptr || count < 0) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetClipList");
    // A header and the rectangles behind it, in 16-byte units as a region is laid out.
    const size_t units = static_cast<size_t>(count) + 2;
    std::vector<RGNDATA> storage((units * sizeof(sys::RECT) + sizeof(RGNDATA) - 1) / sizeof(RGNDATA));
    auto* region = storage.data();
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<uint32_t>(count);
    region->rdh.nRgnSize = static_cast<uint32_t>(count) * sizeof(sys::RECT);
    region->rdh.rcBound = sys::RECT{0, 0, 640, 480};
    auto* list = reinterpret_cast<sys::RECT*>(reinterpret_cast<unsigned char*>(region) + sizeof(RGNDATAHEADER));
    for (int i = 0; i < count; ++i) {
        list[i] = rects[i];
    }
    m_hrLast = m_pClipper->SetClipList(region, 0);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

const char* SDXClipper::ReportError() {
    sdx::CopyText(m_szError, sizeof(m_szError), "[SDXClipper::");
    sdx::AppendText(m_szError, sizeof(m_szError), m_szOp);
    sdx::AppendText(m_szError, sizeof(m_szError), "] : ");
    DDErrorText(m_hrLast, m_szError);
    return m_szError;
}
