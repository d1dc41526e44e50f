#pragma once

#include "render/outdoor/SRendererCatalog.h"

class SCatalog;
class SFileHandler;

// The renderer's view of the resource catalog: texture lists are the catalog's texture-list
// resources (kind 24), file handlers its kind-22 resources, model resources its kind-19
// models. Every resource fetched only for a look-up is given back before the call returns;
// model resources stay acquired until the renderer releases them. Without a catalog nothing
// is found.
class SRendererCatalogAdapter : public SRendererCatalog {
public:
    explicit SRendererCatalogAdapter(SCatalog* catalog = nullptr) : m_pCatalog(catalog) {}

    void SetResourceCatalog(SCatalog* catalog) { m_pCatalog = catalog; }
    SCatalog* GetResourceCatalog() const { return m_pCatalog; }

    bool GetTextureList(const char* key, std::vector<STextureListSource>& entries) override;
    SResource* GetModelResource(const char* key) override;
    void GetModelFrameTexts(SResource* model, std::vector<SString>& texts) override;
    bool FindHandlerFileByKey(const char* key, const char* entry, SString& path, uint32_t& flags) override;
    bool GetHandlerFiles(const char* resource, const char* file, const char* const* entries, int count,
                         SString* paths) override;
    void ReleaseResource(SResource* resource) override;
    const CStringArray* GetSearchFolders() override;

private:
    // The handler as the catalog hands it out, or null (with nothing left acquired) when the
    // resource is missing or of another class.
    SFileHandler* AsFileHandler(SResource* resource);

    SCatalog* m_pCatalog;  // not owned
};
