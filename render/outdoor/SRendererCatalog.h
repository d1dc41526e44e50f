#pragma once

#include <cstdint>
#include <vector>

#include "core/SString.h"

class CStringArray;
class SResource;

// One entry of a texture-list resource: its file path (the name alone, or folder + "\" +
// name) and the four values that follow the name.
struct STextureListSource {
    SString m_sPath;
    int32_t m_iParams[4] = {};
};

// What the renderers' registries, handler look-ups and outdoor world ask of the catalog: texture
// lists, model resources and their frames, file handlers, and the folders texture files are
// looked for in. The program installs one over its catalog (SParser::SetCatalog); without
// one, no list, model resource or handler is ever found.
class SRendererCatalog {
public:
    virtual ~SRendererCatalog() = default;

    // The entries of the texture-list resource whose key is `key`, in the list's order; false
    // when the catalog holds no such list.
    virtual bool GetTextureList(const char* key, std::vector<STextureListSource>& entries) = 0;
    // The model resource whose key is `key`, with one use added; null when absent.
    virtual SResource* GetModelResource(const char* key) = 0;
    // The texts of the model resource's frames, in frame order.
    virtual void GetModelFrameTexts(SResource* model, std::vector<SString>& texts) = 0;
    // The file that the handler whose key is `key` lists under `entry`, and the handler's
    // flags; false when there is no such handler or entry.
    virtual bool FindHandlerFileByKey(const char* key, const char* entry, SString& path, uint32_t& flags) = 0;
    // The files that the handler named `resource` (file `file`) lists under each of `count`
    // entries; an entry it does not list gives "\". False when there is no such handler.
    virtual bool GetHandlerFiles(const char* resource, const char* file, const char* const* entries, int count,
                                 SString* paths) = 0;
    // Drops one use of a resource this catalog handed out.
    virtual void ReleaseResource(SResource* resource) = 0;
    // The folders texture files are looked for in, in order; null for none.
    virtual const CStringArray* GetSearchFolders() = 0;
};
