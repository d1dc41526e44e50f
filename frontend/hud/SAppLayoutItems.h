#pragma once

#include <cstdint>
#include <vector>

#include "sys/classlib/CString.h"
#include "sys/gdi/gdi.h"
#include "ui/layout/SLayoutItem.h"

class SAppLayout;
class SDXSurface;
class SFont;

// The 3D view of the heads-up display ("renderframe"): sets the renderer's viewport and field
// of view to its rectangle and renders the frame there while the layout draws. Owned by its
// layout group.
class SAppLayoutItemRender : public SLayoutItem {
    DECLARE_DYNAMIC(SAppLayoutItemRender)

public:
    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;

    bool RestoresAfterDrawing() const { return m_byRestore != 0; }

private:
    uint8_t m_byRestore = 0;
};

// Map icons: an image drawn on a map rectangle of the screen for each actor of a world whose
// name matches ("mapicongame", "mapiconstatic") or for each placed model of the map that
// matches by name or by flag ("mapiconmodel", "mapiconmodelflag"). Owned by its layout group.
class SAppLayoutItemMapIcon : public SLayoutItem {
    DECLARE_DYNAMIC(SAppLayoutItemMapIcon)

public:
    static constexpr int kMapSize = 8192;

    explicit SAppLayoutItemMapIcon(int nKind) : m_iKind(nKind) {}

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;
    void Refresh() override;

    // The map square a scale shows around a centre (map units, y = 8192 - world z), moved
    // inside the map.
    static sys::RECT ComputeMapRect(float fScale, float fCentreX, float fCentreZ);

    int GetKind() const { return m_iKind; }
    float GetScale() const { return m_fScale; }
    const CString& GetMatchText() const { return m_strMatch; }

private:
    void DrawAt(SDC* pDC, float x, float z, const char* pszLabel, const sys::RECT& rcMap, const sys::RECT& rcClip);

    CString m_strImage;
    CString m_strMatch;  // upper case
    float m_fScale = 1.0f;
    sys::RECT m_rcScreen = {0, 0, 0, 0};
    int32_t m_iFlagMask = 0;
    sys::COLORREF m_crTransparent = 0xFF00FF;
    SDXSurface* m_pImage = nullptr;  // the layout's
    int m_iKind;
    SFont* m_pFont = nullptr;  // the layout's
    std::vector<int16_t> m_Matched;
    uint8_t m_byMatchedBuilt = 0;
    int32_t m_iActorFilter = -1;
};

// A contour map of the loaded terrain ("mapterrain"), painted once into a named surface of
// the layout and drawn at the item's rectangle. Owned by its layout group.
class SAppLayoutItemMapTerrain : public SLayoutItem {
    DECLARE_DYNAMIC(SAppLayoutItemMapTerrain)

public:
    static constexpr int kCells = 256;

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;

    // The level (0 to 8) of every cell of a height grid of 256 x 256 truncated heights; false
    // (levels untouched) when the heights span less than 8.
    static bool ContourLevels(const float* pHeights, std::vector<uint8_t>& levels);
    // The colour of a contour line of a level.
    static sys::COLORREF LevelColour(int nLevel);

    const CString& GetImageName() const { return m_strImage; }

private:
    void Paint(SDXSurface* pSurface);

    CString m_strImage;
    sys::RECT m_rcImage = {0, 0, 0, 0};
    SDXSurface* m_pSurface = nullptr;  // the layout's

    static inline int s_iCounter = 0;
};
