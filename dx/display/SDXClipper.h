#pragma once

#include <cstdint>

#include "sys/classlib/CObject.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

class SDXDraw;
class SDXSurface;

// One DirectDraw clipper: bound to the main window (windowed display) or holding a clip list
// (the back buffer's own rectangle). Owned by the display manager. Shows and logs nothing.
class SDXClipper : public CObject {
    DECLARE_DYNAMIC(SDXClipper)

public:
    SDXClipper();
    ~SDXClipper() override;
    SDXClipper(const SDXClipper&) = delete;
    SDXClipper& operator=(const SDXClipper&) = delete;

    // No clipper, result 0, both texts empty (a held clipper is forgotten, not released).
    void Reset();
    // Makes the clipper on the owner's DirectDraw object.
    int CreateClipper(SDXDraw* draw);
    int SetHwnd(sys::HWND window);
    // A surface gives a list of one rectangle, (0, 0, its width, its height); without one the
    // caller's region is used as it is. Fails when both are null.
    int SetClipList(SDXSurface* surface, const sys::video::RGNDATA* region);
    // A list of `count` rectangles inside (0, 0, 640, 480); `owner` only has to be given.
    int SetClipListRects(const void* owner, const sys::RECT* rects, int count);
    // "[SDXClipper::<operation>] : <result name>\n".
    const char* ReportError();

    sys::video::IDirectDrawClipper* GetClipper() const { return m_pClipper; }
    sys::video::HRESULT GetLastResult() const { return m_hrLast; }
    const char* GetErrorText() const { return m_szError; }

private:
    sys::video::IDirectDrawClipper* m_pClipper = nullptr;
    sys::video::HRESULT m_hrLast = 0;
    char m_szError[128] = {};
    char m_szOp[32] = {};
};
