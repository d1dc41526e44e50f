#include "core/SResourceFactory.h"

#include "sys/classlib/CFile.h"

IMPLEMENT_DYNAMIC(SResourceFactory, CObject)

SResource* SResourceFactory::s_pLastCreated = nullptr;

namespace {

// Indexed by kind code; filled at start-up on the main thread, read from then on.
SResourceCreator g_creators[kResourceKindCount] = {};

}  // namespace

bool SResourceFactory::RegisterKind(int nKind, SResourceCreator pfnCreate) {
    if (!SResourceKinds::HasClass(nKind))
        return false;
    g_creators[nKind] = pfnCreate;
    return true;
}

SResourceCreator SResourceFactory::GetCreator(int nKind) {
    return SResourceKinds::HasClass(nKind) ? g_creators[nKind] : nullptr;
}

SResource* SResourceFactory::CreateResource(int nKind) {
    const SResourceCreator pfnCreate = GetCreator(nKind);
    return pfnCreate != nullptr ? pfnCreate() : nullptr;
}

SResource* SResourceFactory::CreateFromFile(int nKind, const CString& strFolder, const CString& strFile) {
    SResource* pResource = CreateResource(nKind);
    s_pLastCreated = pResource;
    if (pResource == nullptr)
        return nullptr;
    const CString strPath = strFolder + strFile;
    CFile file(strPath, CFile::modeRead | CFile::shareDenyNone);
    if (!pResource->LoadFromCFile(&file))
        ThrowFileException(CFileException::genericException, -1, strPath);
    file.Close();
    return pResource;
}
