#pragma once

#include <cstdint>

#include "core/SString.h"
#include "sys/classlib/CObject.h"

class SAppLayout;
class SDXSurface;

// One overlay layout the game-logic library shows over the 3D view: its number (also the
// index of its script in the client state's script table), its layout window and the flag
// that asks for its removal at the next safe moment on the main thread. Owned by one of the
// in-game screen's overlay lists; deleting it deletes the layout.
class SActiveLayout : public CObject {
    DECLARE_DYNAMIC(SActiveLayout)

public:
    SActiveLayout();
    ~SActiveLayout() override;
    SActiveLayout(const SActiveLayout&) = delete;
    SActiveLayout& operator=(const SActiveLayout&) = delete;

    int32_t m_iId = 0;
    SAppLayout* m_pLayout = nullptr;  // owned
    uint8_t m_bRemove = 0;
};

// An overlay drawn into a texture of the 3D scene: the factors place and size it within the
// texture, the surface holds the captured picture between the two draws that copy it over.
class STextureLayout : public SActiveLayout {
    DECLARE_DYNAMIC(STextureLayout)

public:
    STextureLayout() = default;
    ~STextureLayout() override;

    // Overlay size and place in a texture of the given size (truncated).
    void Place(int textureWidth, int textureHeight, int& x, int& y, int& width, int& height) const;

    int32_t m_iTextureIndex = -1;
    float m_fWidthFactor = 0.0f;
    float m_fHeightFactor = 0.0f;
    float m_fXFactor = 0.0f;
    float m_fYFactor = 0.0f;
    void* m_pTexture = nullptr;        // the renderer's record; not owned
    SDXSurface* m_pSurface = nullptr;  // owned
    int32_t m_bCaptured = 0;
};

// One screenshot the library asked for: a layout drawn over the frame and written as a
// numbered picture into a folder. Owned by the in-game screen's request list.
class SScrnShotLayout : public CObject {
    DECLARE_DYNAMIC(SScrnShotLayout)

public:
    int32_t m_iWidth = 0;
    int32_t m_iHeight = 0;
    uint8_t m_bHideFlag = 0;  // 0 hides the third actor world's actors during the shot
    SString m_sLayout;
    SString m_sFolder;
};
