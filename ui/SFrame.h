#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CString.h"
#include "sys/window/window.h"

class CArchive;
class SDXSurface;

// One picture of a sprite: which ".bmp" file it comes from, where it lies on the sprite's
// surface, its hot spot and its hit region. A frame whose file has a low-resolution suffix may
// be stored at half size and drawn doubled. Owned by its sprite; holds no pointer back.
class SFrame : public SResource {
    DECLARE_SERIAL(SFrame)

public:
    static constexpr uint32_t kSchema = 3;
    // The farthest from 0 a coordinate read from a file may lie: far beyond any picture, and
    // near enough that doubled sizes and the sums of placing and drawing stay within int.
    static constexpr int32_t kMaxCoordinate = 1 << 20;
    static bool IsCoordinate(int32_t value) { return value >= -kMaxCoordinate && value <= kMaxCoordinate; }

    SFrame() = default;
    ~SFrame() override = default;
    SFrame(const SFrame&) = delete;
    SFrame& operator=(const SFrame&) = delete;

    void Serialize(CArchive& ar) override;
    // The frame rectangle's size, doubled when the frame is drawn doubled.
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    virtual void SetHotSpot(int x, int y);
    // Every drawer subtracts it from the target position.
    virtual sys::POINT GetHotSpot() const;
    virtual CString GetFileName() const;
    virtual CString GetSuffix() const;
    // Reads the frame's bitmap (with the suffix before ".bmp" when doubled) from the folder and
    // copies it onto the surface at the frame rectangle's top-left. 1 when it was drawn.
    virtual int LoadBitmapFile(SDXSurface* pSurface, const char* folder);

    // Every field of another frame (a shared frame takes over its first user's).
    void CopyFrom(const SFrame& other);

    const sys::RECT& GetFrameRect() const { return m_rcFrame; }
    void SetFrameRect(const sys::RECT& rect) { m_rcFrame = rect; }
    const sys::RECT& GetRegionRect() const { return m_rcRegion; }
    void SetRegionRect(const sys::RECT& rect) { m_rcRegion = rect; }
    void SetFileName(const char* name) { m_strFileName = name; }
    void SetSuffix(const char* suffix) { m_strSuffix = suffix; }
    int32_t GetDoubleSize() const { return m_bDoubleSize; }
    void SetDoubleSize(int32_t doubled) { m_bDoubleSize = doubled; }
    uint32_t GetValue() const { return m_dwValue; }

private:
    sys::RECT m_rcFrame;
    uint32_t m_dwValue = 0;
    sys::POINT m_ptHotSpot;
    CString m_strFileName;
    sys::RECT m_rcRegion;  // relative to the frame's top-left
    int32_t m_bDoubleSize = 0;
    CString m_strSuffix;
};
