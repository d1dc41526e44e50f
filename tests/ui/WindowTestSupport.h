#pragma once

// Shared pieces of the window, screen and dialog tests: images of a known size, a drawing
// context that records what is drawn into it, and a window that logs the events it receives
// before doing what the base does with them.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/SResource.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/window/dialogs.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/window/headless/headless_window.h"
#include "sys/time/time.h"
#include "ui/SDC.h"
#include "ui/SWindow.h"

namespace windowtest {

// An image resource of a given size; its own file holds the two sizes.
class TestImage : public SResource {
public:
    TestImage(int w = 0, int h = 0) : m_w(w), m_h(h) {}
    int32_t GetWidth() override { return m_w; }
    int32_t GetHeight() override { return m_h; }
    bool LoadFromCFile(CFile* pFile) override {
        CArchive ar(pFile, CArchive::load);
        ar >> m_w >> m_h;
        return m_w >= 0;  // a negative width stands for a file its reader refuses
    }
    int32_t m_w;
    int32_t m_h;
};

inline void WriteImageFile(const std::string& path, int32_t w, int32_t h) {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << w << h;
    ar.Close();
    file.Close();
}

struct DrawCall {
    std::string what;  // "image", "from", "frame", "rectangle"
    sys::RECT rect;
    SResource* pImage = nullptr;
    SDC* pSource = nullptr;
};

// Records the drawing calls; CreateCompatibleDC makes another recorder of that size (or none
// when bRefuseChildren is set).
class RecordingDC : public SDC {
public:
    SDC* CreateCompatibleDC(int nWidth, int nHeight) override {
        if (m_bRefuseChildren)
            return nullptr;
        auto* pDC = new RecordingDC;
        pDC->m_iWidth = nWidth;
        pDC->m_iHeight = nHeight;
        return pDC;
    }
    int DrawImageFrom(const sys::RECT& rc, SResource* pImage, SDC* pSource, uint32_t) override {
        m_calls.push_back({"from", rc, pImage, pSource});
        return 1;
    }
    int DrawImage(const sys::RECT& rc, SResource* pImage, int32_t, int32_t) override {
        m_calls.push_back({"image", rc, pImage, nullptr});
        return 1;
    }
    void FrameRect(const sys::RECT& rc, sys::HBRUSH) override { m_calls.push_back({"frame", rc}); }
    void Rectangle(const sys::RECT& rc, sys::HPEN, sys::HBRUSH) override { m_calls.push_back({"rectangle", rc}); }

    std::vector<DrawCall> m_calls;
    int m_iWidth = 0;
    int m_iHeight = 0;
    bool m_bRefuseChildren = false;
};

// Logs "name:event" (with the id and code for notifications) into a shared log.
class LogWindow : public SWindow {
public:
    LogWindow(std::vector<std::string>* pLog, const char* pszName) : m_pLog(pLog), m_strName(pszName) {}

    void OnMouseMove(uint32_t f, int x, int y) override { Note("move"); SWindow::OnMouseMove(f, x, y); }
    void OnLButtonDown(uint32_t f, int x, int y) override { Note("ldown"); SWindow::OnLButtonDown(f, x, y); }
    void OnLButtonDblClk(uint32_t f, int x, int y) override { Note("ldbl"); SWindow::OnLButtonDblClk(f, x, y); }
    void OnRButtonDown(uint32_t f, int x, int y) override { Note("rdown"); SWindow::OnRButtonDown(f, x, y); }
    void OnLButtonUp(uint32_t f, int x, int y) override { Note("lup"); SWindow::OnLButtonUp(f, x, y); }
    void OnRButtonUp(uint32_t f, int x, int y) override { Note("rup"); SWindow::OnRButtonUp(f, x, y); }
    void OnKeyDown(uint32_t c, uint32_t r, uint32_t f) override {
        Note("key" + std::to_string(c) + "/" + std::to_string(r) + "/" + std::to_string(f));
        SWindow::OnKeyDown(c, r, f);
    }
    void OnChar(uint32_t c, uint32_t r, uint32_t f) override { Note("char" + std::to_string(c)); SWindow::OnChar(c, r, f); }
    void OnNotify(uint32_t id, int32_t code) override {
        Note("notify" + std::to_string(id) + "/" + std::to_string(code));
        SWindow::OnNotify(id, code);
    }
    void OnTimer(uintptr_t id) override { Note("timer" + std::to_string(id)); SWindow::OnTimer(id); }
    void OnMouseWheel(uint32_t f, int16_t d, int x, int y) override {
        Note("wheel" + std::to_string(f) + "/" + std::to_string(d));
        SWindow::OnMouseWheel(f, d, x, y);
    }
    void OnNcMouseMove(uint32_t, int, int) override { Note("ncmove"); }
    void OnActivate(uint32_t s, uint32_t m) override { Note("activate" + std::to_string(s) + "/" + std::to_string(m)); }
    void OnNextDlgCtl(bool f, SWindow* t) override { Note(std::string("next") + (f ? "F" : "B") + (t ? "T" : "-")); }
    int Draw(SDC* pDC) override {
        if (IsVisible())
            Note("draw");
        return SWindow::Draw(pDC);
    }

    void Note(const std::string& event) { m_pLog->push_back(m_strName + ":" + event); }

    std::vector<std::string>* m_pLog;
    std::string m_strName;
};

// Puts the window tree's shared roles and the platform queues back to a clean start.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ResetShared(); }
    // Not SetUp again: a derived fixture's SetUp would make its windows anew after the test.
    void TearDown() override { ResetShared(); }

    static void ResetShared() {
        sys::window::headless::Reset();
        sys::dialogs::headless::Reset();
        sys::time::SetFakeTicks(1000);
        SWindow::SetCapture(nullptr);
        SWindow::SetFocusWindow(nullptr);
        SWindow::SetGlobalBackdrop(nullptr);
        SWindow::SetSourceDC(nullptr);
        SWindow::SetResourceCatalog(nullptr);
    }

    // A created child at a rectangle relative to its parent.
    template <class T = LogWindow>
    T* Child(SWindow* pParent, const char* pszName, sys::RECT rc, uint32_t nID) {
        T* pWindow = new T(&log, pszName);
        pWindow->Create(nullptr, pszName, 0, rc, pParent, nID, nullptr);
        return pWindow;
    }

    std::vector<std::string> log;
};

inline intptr_t At(int x, int y) { return sys::MAKELPARAM(x, y); }

}  // namespace windowtest
