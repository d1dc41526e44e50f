#pragma once

#include <cstddef>
#include <cstdint>

#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

// The program's DirectDraw object with its cooperative level and display mode. The display
// manager SGraphics derives from it, so every surface is created through it. It shows and logs
// nothing: it keeps the last result and an error text the caller may read.
class SDXDraw : public CObject {
    DECLARE_DYNAMIC(SDXDraw)

public:
    SDXDraw();
    ~SDXDraw() override;
    SDXDraw(const SDXDraw&) = delete;
    SDXDraw& operator=(const SDXDraw&) = delete;

    // Empties both texts, forgets the object without releasing it, mode 1. Always 1.
    int Reset();
    // Makes a DirectDraw object on the driver (all zeros: the display); a held one is released
    // first. A display without DirectDraw hardware still counts as success.
    int Create(sys::video::GUID guid);
    // 0: windowed (normal level), 1: exclusive full screen; other modes are only stored.
    int SetMode(int mode, sys::HWND window);
    int SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t refreshRate, uint32_t flags);
    // Releases the object until its count reaches 0, whoever else holds it, then Reset. 1.
    int Release();
    // "[SDXDraw::<operation>] : <result name>\n", cut to the text's room.
    const char* ReportError();

    sys::video::IDirectDraw4* GetDirectDraw() const { return m_pDD; }
    int GetMode() const { return m_iMode; }
    sys::video::HRESULT GetLastResult() const { return m_hrLast; }
    const char* GetErrorText() const { return m_szError; }
    const char* GetOperation() const { return m_szOp; }
    const sys::video::GUID& GetDriverGuid() const { return m_guidDriver; }

protected:
    sys::video::IDirectDraw4* m_pDD = nullptr;
    sys::video::GUID m_guidDriver;
    int m_iMode = 1;
    sys::video::HRESULT m_hrLast = 0;
    char m_szError[128] = {};
    char m_szOp[32] = {};
};

// Appends the DirectDraw name of a result code and a line feed to the text already in the buffer
// ("DDERR_SURFACELOST\n"); codes without a name give "UNIDENTIFIED\n". The text is cut to the
// buffer's size and always terminated.
void DDErrorText(sys::video::HRESULT hr, char* buffer, size_t size);
template <size_t N>
void DDErrorText(sys::video::HRESULT hr, char (&buffer)[N]) {
    DDErrorText(hr, buffer, N);
}
// The same name alone, without the line feed.
void DDErrorString(sys::video::HRESULT hr, CString& text);
// The name of a code, or null when it has none.
const char* DDErrorName(sys::video::HRESULT hr);
// How many codes have names (every DDERR_ code of the interface generation the program uses).
int DDErrorNameCount();

namespace sdx {

// Copies text into a fixed buffer, cut to its size and always terminated; appends when asked.
void CopyText(char* buffer, size_t size, const char* text);
void AppendText(char* buffer, size_t size, const char* text);

// The operation-name convention of the display wrappers: the name under way is saved on entry
// and put back on every exit, so a failure inside a nested call reports the innermost operation
// and the outer name is in force again after it returns.
class OpName {
public:
    template <size_t N>
    OpName(char (&slot)[N], const char* name) : m_slot(slot), m_size(N) {
        CopyText(m_saved, sizeof(m_saved), slot);
        CopyText(m_slot, m_size, name);
    }
    ~OpName() { CopyText(m_slot, m_size, m_saved); }
    OpName(const OpName&) = delete;
    OpName& operator=(const OpName&) = delete;

private:
    char* m_slot;
    size_t m_size;
    char m_saved[32] = {};
};

}  // namespace sdx
