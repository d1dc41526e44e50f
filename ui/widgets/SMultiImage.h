#pragma once

#include <cstdint>

#include "ui/SWindow.h"

// Shows one image of a list of image names (resource kind 23) and swaps the loaded image when
// another is chosen; screens use it for pictures that follow the selection. The names are the
// window's resource names; only the current image is loaded, always into entry 0 of the
// resource array. Owned by its parent window.
class SMultiImage : public SWindow {
    DECLARE_SERIAL(SMultiImage)

public:
    SMultiImage();
    ~SMultiImage() override;

    // Loads image 0 and the children; the answer is the children's (true without children).
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;

    // Replaces the loaded image by the one named at the index; the same index loads nothing.
    void SetCurImage(int nIndex);
    int GetCurImage() const { return m_iCurrent; }
    int GetImageCount() { return GetResourceNames().GetCount(); }
    // Loads every named image into the resource array; names that fail leave the list.
    void LoadAllImages(const char* pszFolder);
    const CString& GetFolder() const { return m_strFolder; }

protected:
    CString PathOf(const CString& strName) const;
    // The named image through the catalog ("id;" names) or the factory; null on failure.
    SResource* LoadImage(const CString& strName);
    void ReleaseImage(SResource* pImage);

    int32_t m_iCurrent = -1;
    CString m_strFolder;
};

// Lets the resource factory make SMultiImage objects (kKindMultiImage). Called once at start-up.
void RegisterMultiImageResourceKind();
