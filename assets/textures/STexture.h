#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/SResource.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringList.h"
#include "sys/video/video.h"

class CFile;
namespace sys::d3d {
class IDirect3DTexture2;
}

// One source image handed from a file reader to the texture builders, with the texture's
// conversion settings as they were when it was made. The texture empties its planes after
// every build.
struct PrePlaneTexture {
    int32_t m_iBitsPerPixel = 8;
    int32_t m_iWidth = 0;
    int32_t m_iHeight = 0;
    std::vector<uint8_t> m_Pixels;  // rows without padding
    uint8_t m_byShift[6] = {};
    uint32_t m_dwAlphaMask = 0;
    uint32_t m_dwKeyValue = 0xFFFFFFFFu;
    uint8_t m_Palette[256][4] = {};
    uint16_t m_wKeyIndex = 0xFFFF;
};

// The engine's 8-bit texture resource (kind 5): a palettised image from a skin file, an 8-bit
// bitmap or a packed mip file, and the settings that decide how it becomes a device texture:
// a mipmapped Direct3D texture surface (hardware flag set) or a chain of 8-bit levels with a
// transparency bit mask. The catalog owns it. The DirectDraw object, the device pixel formats,
// the palette range table and the detail switches belong to the client that sets them.
class STexture : public SResource {
    DECLARE_SERIAL(STexture)

public:
    static constexpr uint32_t kSchema = 4;
    static constexpr int32_t kFlagOneLevel = 1 << 26;
    static constexpr int32_t kFlagFullDetail = 1 << 27;

    STexture();
    ~STexture() override;

    void Serialize(CArchive& ar) override;
    SResource* Clone(SResource* pTarget) override;
    // Loads by the first folder of the list; false only for a missing or empty list.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    // Only checks that the first file exists in the folder and remembers the folder.
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t GetWidth() override { return m_iWidth; }
    int32_t GetHeight() override { return m_iHeight; }
    int32_t Accept(SResourceVisitor* pVisitor) override;

    void Reset();
    void ReleaseImage();
    void AddFileName(const char* pszName);
    void SetPixelFormat(const sys::video::DDPIXELFORMAT& format);
    sys::d3d::IDirect3DTexture2* GetTextureInterface() const;
    int ClearMipFile();

    // Source files. Each reader checks the whole file before it changes the texture and ends
    // with BuildFromPlanes; 1 on success, 0 on failure.
    int LoadSkin(const char* pszPath);
    int LoadBitmap8(const char* pszPath);
    int LoadFromMipFile();
    int ReadMipFile(CFile* pFile, int32_t iOffset);
    int WriteMipFile(const char* pszName);
    int GenerateMipFile(CFile* pFile);
    // The process-wide cache that keeps packed mip files open through a batch of loads.
    static void BeginFileCache();
    static void EndFileCache();

    // Surfaces and level chains.
    void SelectPixelFormat();
    static int CountMipLevels(int iWidth, int iHeight);
    int BuildFromPlanes();
    int BuildSurfaces();
    int BuildMipChain8();

    const std::vector<uint8_t>& GetLevelChain() const { return m_LevelChain; }
    const std::vector<uint32_t>& GetTransparencyMask() const { return m_Mask; }
    std::vector<PrePlaneTexture>& Planes() { return m_Planes; }
    const CStringList& GetFileNames() const { return m_FileNames; }
    const CString& GetFolder() const { return m_strFolder; }

    // --- Members, public as the clients set them --------------------------------------------
    int32_t m_iFlags;
    int32_t m_iExtraValue;
    int32_t m_iPackOffset;
    float m_fPairA[2];
    float m_fPairB[2];
    float m_fPairC[2];
    CString m_strFolder;
    CString m_strLabel;
    int32_t m_iPaletteGroup;
    uint8_t m_byBytes[3];
    uint32_t m_dwExtraWord;
    int32_t m_iHardware;
    int32_t m_iLevelCount;
    int32_t m_iWidth;
    int32_t m_iHeight;
    uint8_t m_Palette[256][4] = {};
    sys::video::IDirectDraw4* m_pDD;  // not owned
    float m_fTexelFactor;
    float m_fD;
    float m_fE;
    uint32_t m_dwSpare;
    const uint8_t (*m_pPaletteRanges)[2];  // first and last entry per palette group; not owned
    int16_t m_iKeyIndex;
    CStringList m_FileNames{10};
    CString m_strMipFile;
    int32_t m_iHasMipFile;
    int32_t m_iReduceDetail;
    int32_t m_iReduceDetail5;
    sys::d3d::IDirect3DTexture2* m_pTexture;  // one reference
    sys::video::DDPIXELFORMAT m_CurrentFormat;
    sys::video::DDPIXELFORMAT m_OpaqueFormat;
    sys::video::DDPIXELFORMAT m_KeyedFormat;
    uint8_t m_byAlphaBits;
    uint16_t m_wMaskWidth;
    uint16_t m_wMaskHeight;
    uint8_t m_byShift[6] = {};
    uint8_t m_byOffset[3] = {};  // red, green and blue byte of a palette entry
    uint32_t m_dwAlphaMask = 0;
    uint32_t m_dwKeyValue = 0xFFFFFFFFu;

private:
    void SetComponentOffsets();
    PrePlaneTexture NewPlane(int iWidth, int iHeight) const;
    uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) const;
    uint32_t Marker() const;
    bool HasKey() const { return m_iKeyIndex >= 0 && m_iKeyIndex <= 255; }
    uint32_t ConvertPixel(const PrePlaneTexture& plane, const uint8_t* p) const;
    void ReduceWork(const std::vector<uint32_t>& src, int w, int h, std::vector<uint32_t>& dst) const;
    void BuildMask(const uint8_t* pLevel, const uint32_t* pPacked, int w, int h);
    void AlphaAndBleed(std::vector<uint32_t>& level, int w, int h) const;
    void PaletteRange(int& first, int& last) const;

    std::vector<uint8_t> m_LevelChain;
    std::vector<uint32_t> m_Mask;
    std::vector<PrePlaneTexture> m_Planes;
};

// The mip writer's reduction: each destination pixel is the nearest palette entry to the
// average of its block's non-key pixels, or the key when too few of them are opaque.
void ReduceIndexedImage(const uint8_t* pSource, uint8_t* pDest, int iSourceWidth, int iSourceHeight, int iDestWidth,
                        int iDestHeight, const uint8_t (*pPalette)[4], int iKeyIndex);
uint8_t NearestPaletteIndex(float fRed, float fGreen, float fBlue, const uint8_t (*pPalette)[4]);
// The palette range NearestPaletteIndex searches: first entry and end entry (not included).
extern uint8_t g_byMipRangeFirst;
extern uint8_t g_byMipRangeEnd;
