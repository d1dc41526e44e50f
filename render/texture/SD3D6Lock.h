#pragma once

#include <cstdint>

#include "assets/textures/STexLock.h"
#include "sys/d3d/d3d.h"
#include "sys/video/video.h"
#include "render/texture/SD3D6TextureStates.h"

class STexFormat;
class STexture2;

// One texture of the Direct3D renderer: from a loaded texture container it picks the stored
// format that best fits the device, brings it to a size the device accepts, makes a mipmapped
// texture surface with its texture interface, uploads every level, keeps a one-bit hit mask of
// the alpha, makes the texture's material and reads its drawing options from its tags. The
// renderer's texture-list loader fills the device objects, limits, formats and class blocks
// before Build; the owner calls Release before deleting it (the destructor releases nothing).
class SD3D6Lock : public STexLock {
public:
    SD3D6Lock();
    ~SD3D6Lock() override;

    // 1 when the texture is ready; 0 when it failed (what was made before stays for Release).
    int Build(STexture2* texture) override;
    void Release() override;
    // Alpha, red, green, blue into the material; nothing before a successful build.
    void SetAmbient(float* ambient) override;
    // Selector 0: the material's ambient, 1: the base ambient from the tags; others write nothing.
    void GetAmbient(float* ambient, int selector) override;

    // Hit-mask bit of a texel of the mask level; false outside it or without a mask.
    bool MaskBit(int x, int y) const;

    int16_t GetWidth() const { return m_iWidth; }
    int16_t GetHeight() const { return m_iHeight; }
    int16_t GetMIPDepth() const { return m_iMIPDepth; }
    uint32_t GetColorKey() const { return m_dwColorKey; }
    void SetColorKey(uint32_t key) { m_dwColorKey = key; }
    // The top level of the texture surface, or null before a build.
    sys::video::IDirectDrawSurface4* GetSurface() const {
        return m_pTexture != nullptr ? m_pTexture->Surface() : nullptr;
    }

    // Alpha, red, green, blue factors applied to every texture's base ambient when it is built,
    // unless its MAT-NoAmbFactor is 1; 1.0 at start.
    static float s_fAmbientFactors[4];

    // --- Set by the creator ------------------------------------------------------------------
    sys::video::IDirect3D3* m_pD3D = nullptr;
    sys::d3d::IDirect3DDevice3* m_pDevice = nullptr;
    sys::video::IDirectDraw4* m_pDD = nullptr;
    // --- Results of the build ----------------------------------------------------------------
    // The chosen format's size before resizing over the built size, in whole numbers.
    float m_fScaleU = 1.0f;
    float m_fScaleV = 1.0f;
    // --- Set by the creator ------------------------------------------------------------------
    int32_t m_iMinWidth = 4;
    int32_t m_iMinHeight = 4;
    int32_t m_iMaxWidth = 2048;
    int32_t m_iMaxHeight = 2048;
    int32_t m_iDepthHint = 16;  // kept for the creator; the build does not read it
    int32_t m_bSquare = 0;
    int32_t m_bReduce = 0;
    // --- Results of the build ----------------------------------------------------------------
    float m_fLogicalWidth = -1.0f;  // what texture coordinates refer to
    float m_fLogicalHeight = -1.0f;
    // The renderer's opaque, alpha and tree class blocks; a build may tighten the filters of
    // its class for every texture built afterwards.
    SD3D6TextureStates* m_pClassStates[3] = {nullptr, nullptr, nullptr};
    SD3D6TextureStates m_States;
    SD3D6Lock* m_pDetail = nullptr;  // not owned
    uint32_t m_dwSortType = 0;       // 0 opaque, 1 alpha
    uint32_t m_bManaged = 1;
    uint32_t m_bUnmanagedAllowed = 1;  // set by the creator
    sys::d3d::IDirect3DTexture2* m_pTexture = nullptr;
    sys::video::DDPIXELFORMAT m_pfTarget;
    // Set by the creator: alpha textures without colour keying, opaque and keyed textures,
    // trees, and the display's own format.
    sys::video::DDPIXELFORMAT m_pfAlpha;
    sys::video::DDPIXELFORMAT m_pfPlain;
    sys::video::DDPIXELFORMAT m_pfTree;
    sys::video::DDPIXELFORMAT m_pfBackBuffer;
    sys::d3d::D3DMATERIALHANDLE m_hMaterial = 0;
    sys::d3d::D3DMATERIAL m_Material;
    sys::d3d::IDirect3DMaterial3* m_pMaterial = nullptr;
    uint32_t* m_pHitMask = nullptr;  // bit i of word i / 32 for texel i, row by row
    float m_fMaskWidth = -1.0f;
    float m_fMaskHeight = -1.0f;
    float m_fBaseAmbient[4] = {};  // alpha, red, green, blue as the tags give them

    enum Class { kOpaqueClass = 0, kAlphaClass = 1, kTreeClass = 2 };

    // The index of the container's format that best fits `target` (see the source), or -1.
    static int ChooseFormat(const STexture2& texture, const sys::video::DDPIXELFORMAT& target, bool colourKey);

private:
    int CreateSurface(uint32_t mipLevels, uint32_t hint, bool noManage, sys::video::IDirectDrawSurface4** surface);
    void Upload(sys::video::IDirectDrawSurface4* top, STexFormat& format, uint32_t mipLevels, bool colourKey);
    void CreateMaterial(const STexture2& texture);
    void CopyTagsAndRegions(const STexture2& texture, const STexFormat& format);
};
