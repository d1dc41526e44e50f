#include "assets/textures/STexture.h"

#include <cstring>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/Exceptions.h"
#include "sys/d3d/d3d.h"
#include "sys/fs/fs.h"

IMPLEMENT_SERIAL(STexture, SResource, VERSIONABLE_SCHEMA | 2)

STexture::STexture() { Reset(); }

STexture::~STexture() { ReleaseImage(); }

void STexture::Reset() {
    m_iFlags = 0;
    m_iExtraValue = 0;
    m_iPackOffset = 0;
    m_fPairA[0] = m_fPairA[1] = 0.0f;
    m_fPairB[0] = m_fPairB[1] = 1.0f;
    m_fPairC[0] = m_fPairC[1] = 0.0f;
    m_strFolder.Empty();
    m_strLabel.Empty();
    m_iPaletteGroup = 0;
    std::memset(m_byBytes, 0, sizeof(m_byBytes));
    m_dwExtraWord = 0;
    m_iHardware = 0;
    m_iLevelCount = 0;
    m_iWidth = -1;
    m_iHeight = -1;
    m_pDD = nullptr;
    m_fTexelFactor = 1.0f;
    m_fD = 1.0f;
    m_fE = 1.5f;
    m_dwSpare = 0;
    m_pPaletteRanges = nullptr;
    m_iKeyIndex = -1;
    m_FileNames.RemoveAll();
    m_strMipFile.Empty();
    m_iHasMipFile = 0;
    m_iReduceDetail = 0;
    m_iReduceDetail5 = 0;
    m_pTexture = nullptr;
    m_byAlphaBits = 0;
    m_LevelChain.clear();
    m_Mask.clear();
    m_wMaskWidth = 0xFFFF;
    m_wMaskHeight = 0xFFFF;
    m_dwSchema = kSchema;
}

void STexture::ReleaseImage() {
    // Loading by name clears the hardware flag, so the flag cannot tell whether an interface is
    // held: whatever was built is given back.
    if (m_pTexture != nullptr)
        m_pTexture->Release();
    m_pTexture = nullptr;
    m_LevelChain.clear();
    m_Mask.clear();
    Reset();
}

void STexture::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        for (const auto& entry : m_Palette)
            ar << entry[0] << entry[1] << entry[2];
        ar << static_cast<uint32_t>(m_iLevelCount) << static_cast<uint32_t>(m_iWidth)
           << static_cast<uint32_t>(m_iHeight) << static_cast<uint32_t>(m_iPaletteGroup);
        ar << m_strLabel << m_dwExtraWord << m_byBytes[0] << m_byBytes[1] << m_byBytes[2];
        ar << m_fTexelFactor << m_fD << m_fE;
        ar << static_cast<uint32_t>(m_iHasMipFile) << m_strMipFile;
        ar << m_fPairC[0] << m_fPairC[1] << m_fPairA[0] << m_fPairA[1] << m_fPairB[1] << m_fPairB[0];
        ar << m_iPackOffset << m_iKeyIndex << m_iFlags << m_iExtraValue;
        m_FileNames.Serialize(ar);
        return;
    }
    const uint32_t schema = m_dwSchema;
    if (schema < 2 || schema > 4)
        throw CArchiveException(CArchiveException::badSchema);
    for (auto& entry : m_Palette) {
        ar >> entry[0] >> entry[1] >> entry[2];
        entry[3] = 0;
    }
    uint32_t levels = 0, width = 0, height = 0, group = 0, hasMip = 0;
    ar >> levels >> width >> height >> group;
    m_iLevelCount = static_cast<int32_t>(levels);
    m_iWidth = static_cast<int32_t>(width);
    m_iHeight = static_cast<int32_t>(height);
    m_iPaletteGroup = static_cast<int32_t>(group);
    ar >> m_strLabel >> m_dwExtraWord >> m_byBytes[0] >> m_byBytes[1] >> m_byBytes[2];
    ar >> m_fTexelFactor >> m_fD >> m_fE;
    ar >> hasMip >> m_strMipFile;
    m_iHasMipFile = static_cast<int32_t>(hasMip);
    ar >> m_fPairC[0] >> m_fPairC[1] >> m_fPairA[0] >> m_fPairA[1] >> m_fPairB[1] >> m_fPairB[0];
    ar >> m_iPackOffset;
    m_iKeyIndex = 253;
    if (schema >= 3)
        ar >> m_iKeyIndex;
    if (m_iKeyIndex < 0)
        m_iKeyIndex = -1;
    m_iFlags = 0;
    m_iExtraValue = 0;
    if (schema >= 4)
        ar >> m_iFlags >> m_iExtraValue;
    m_FileNames.RemoveAll();
    m_FileNames.Serialize(ar);
    m_dwSchema = kSchema;
}

SResource* STexture::Clone(SResource* pTarget) {
    if (pTarget == nullptr)
        pTarget = new STexture;
    SResource::Clone(pTarget);
    auto* pCopy = dynamic_cast<STexture*>(pTarget);
    if (pCopy == nullptr || pCopy == this)
        return pTarget;
    std::memcpy(pCopy->m_Palette, m_Palette, sizeof(m_Palette));
    pCopy->m_iWidth = m_iWidth;
    pCopy->m_iHeight = m_iHeight;
    pCopy->m_iPaletteGroup = m_iPaletteGroup;
    pCopy->m_strLabel = m_strLabel;
    pCopy->m_dwExtraWord = m_dwExtraWord;
    std::memcpy(pCopy->m_byBytes, m_byBytes, sizeof(m_byBytes));
    pCopy->m_fD = m_fD;
    pCopy->m_fE = m_fE;
    pCopy->m_dwSpare = m_dwSpare;
    pCopy->m_fPairC[0] = m_fPairC[0];
    pCopy->m_fPairC[1] = m_fPairC[1];
    pCopy->m_fTexelFactor = m_fTexelFactor;
    pCopy->m_iHasMipFile = m_iHasMipFile;
    pCopy->m_strMipFile = m_strMipFile;
    pCopy->m_strFolder = m_strFolder;
    pCopy->m_CurrentFormat = m_CurrentFormat;
    pCopy->m_pDD = m_pDD;
    pCopy->m_iKeyIndex = m_iKeyIndex;
    for (POSITION pos = m_FileNames.GetHeadPosition(); pos != nullptr;)
        pCopy->AddFileName(m_FileNames.GetNext(pos));
    pCopy->m_fPairB[0] = m_fPairB[0];
    pCopy->m_fPairB[1] = m_fPairB[1];
    pCopy->m_fPairA[0] = m_fPairA[0];
    pCopy->m_fPairA[1] = m_fPairA[1];
    pCopy->m_iLevelCount = m_iLevelCount;
    pCopy->m_iPackOffset = m_iPackOffset;
    pCopy->m_iFlags = m_iFlags;
    pCopy->m_iExtraValue = m_iExtraValue;
    return pTarget;
}

bool STexture::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    if (pSearchFolders == nullptr || pSearchFolders->GetSize() == 0)
        return false;
    // The load's own answer: a texture whose file is missing is not reported as loaded.
    return LoadFromFile(pSearchFolders->GetAt(0), dwFlags);
}

bool STexture::LoadFromFile(const CString& strFolder, uintptr_t) {
    m_iHardware = 0;
    if (m_FileNames.IsEmpty())
        return false;
    if (!sys::fs::Exists(static_cast<const char*>(strFolder + "/" + m_FileNames.GetHead())))
        return false;
    m_strFolder = strFolder;
    return true;
}

int32_t STexture::Accept(SResourceVisitor* pVisitor) { return pVisitor->VisitTexture(this); }

void STexture::AddFileName(const char* pszName) {
    m_FileNames.AddTail(CString(pszName));
    ++m_iLevelCount;
}

void STexture::SetPixelFormat(const sys::video::DDPIXELFORMAT& format) {
    if (m_iHardware == 1)
        m_CurrentFormat = format;
}

sys::d3d::IDirect3DTexture2* STexture::GetTextureInterface() const { return m_iHardware == 1 ? m_pTexture : nullptr; }

int STexture::ClearMipFile() {
    m_iHasMipFile = 0;
    m_strMipFile.Empty();
    return 1;
}
