#include "dx/display/SDXDraw.h"

#include <cstring>

using namespace sys::video;

IMPLEMENT_DYNAMIC(SDXDraw, CObject)

namespace sdx {

void CopyText(char* buffer, size_t size, const char* text) {
    if (buffer == nullptr || size == 0) {
        return;
    }
    buffer[0] = '\0';
    AppendText(buffer, size, text);
}

void AppendText(char* buffer, size_t size, const char* text) {
    if (buffer == nullptr || size == 0 || text == nullptr) {
        return;
    }
    const size_t used = strnlen(buffer, size - 1);
    const size_t room = size - 1 - used;
    const size_t length = strnlen(text, room);
    std::memcpy(buffer + used, text, length);
    buffer[used + length] = '\0';
}

}  // namespace sdx

SDXDraw::SDXDraw() { Reset(); }

SDXDraw::~SDXDraw() { Release(); }

int SDXDraw::Reset() {
    m_szError[0] = '\0';
    m_szOp[0] = '\0';
    m_hrLast = 0;
    m_pDD = nullptr;
    m_iMode = 1;
    return 1;
}

int SDXDraw::Create(GUID guid) {
    sdx::OpName op(m_szOp, "Create");
    if (m_pDD != nullptr) {
        Release();
    }
    Reset();
    // Reset emptied the name; the failure below is still this operation's.
    sdx::CopyText(m_szOp, sizeof(m_szOp), "Create");
    m_guidDriver = guid;
    IDirectDraw4* dd = nullptr;
    m_hrLast = CreateDirectDraw(&dd);
    if (Failed(m_hrLast) || dd == nullptr) {
        return 0;
    }
    m_pDD = dd;
    m_hrLast = m_pDD->Initialize(&m_guidDriver);
    if (Failed(m_hrLast)) {
        ReportError();
        if (m_hrLast != DDERR_NODIRECTDRAWHW) {
            return 0;
        }
    }
    return 1;
}

int SDXDraw::SetMode(int mode, sys::HWND window) {
    if (m_pDD == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetMode");
    m_iMode = mode;
    if (mode != 0 && mode != 1) {
        return 1;
    }
    m_hrLast = m_pDD->SetCooperativeLevel(window, mode == 0 ? DDSCL_NORMAL : (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN));
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXDraw::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t refreshRate,
                            uint32_t flags) {
    if (m_pDD == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetDisplayMode");
    m_hrLast = m_pDD->SetDisplayMode(width, height, bitsPerPixel, refreshRate, flags);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXDraw::Release() {
    if (m_pDD != nullptr) {
        // Whoever else still counts a reference, the object goes now: every display reset
        // starts from a fresh DirectDraw object.
        while (m_pDD->Release() > 0) {
        }
    }
    Reset();
    return 1;
}

const char* SDXDraw::ReportError() {
    sdx::CopyText(m_szError, sizeof(m_szError), "[SDXDraw::");
    sdx::AppendText(m_szError, sizeof(m_szError), m_szOp);
    sdx::AppendText(m_szError, sizeof(m_szError), "] : ");
    DDErrorText(m_hrLast, m_szError);
    return m_szError;
}
