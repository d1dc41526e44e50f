#include "render/outdoor/SRendererCatalogAdapter.h"

#include <cstring>

#include "assets/handlers/SFileHandler.h"
#include "assets/handlers/STextureHandler.h"
#include "assets/models/SModel.h"
#include "core/SCatalog.h"

namespace {

// The handler's lists are read, never their media: flag 0 keeps a texture list from loading
// the picture of its current entry, which the renderer loads itself when an entry is drawn.
constexpr uintptr_t kListOnly = 0;

// The renderer hands the list's four values on to the weight callback as the 32-bit words the
// entry stores.
int32_t Word(uint32_t value) { return static_cast<int32_t>(value); }

int32_t Word(float value) {
    int32_t word = 0;
    std::memcpy(&word, &value, sizeof(word));
    return word;
}

}  // namespace

bool SRendererCatalogAdapter::GetTextureList(const char* key, std::vector<STextureListSource>& entries) {
    entries.clear();
    if (m_pCatalog == nullptr || key == nullptr) {
        return false;
    }
    SResource* resource = m_pCatalog->GetResourceByKey(kKindTextureHandler, key, kListOnly);
    auto* list = dynamic_cast<STextureHandler*>(resource);
    if (list == nullptr) {
        m_pCatalog->ReleaseResource(resource);
        return false;
    }
    for (int i = 0; i < list->GetEntryCount(); ++i) {
        STextureListSource source;
        source.m_sPath = list->GetEntryPath(i).GetString();
        uint32_t a1 = 0, a2 = 0;
        float b1 = 0.0f, b2 = 0.0f;
        list->GetEntryParamsA(i, &a1, &a2);
        list->GetEntryParamsB(i, &b1, &b2);
        source.m_iParams[0] = Word(a1);
        source.m_iParams[1] = Word(a2);
        source.m_iParams[2] = Word(b1);
        source.m_iParams[3] = Word(b2);
        entries.push_back(source);
    }
    m_pCatalog->ReleaseResource(list);
    return true;
}

SResource* SRendererCatalogAdapter::GetModelResource(const char* key) {
    if (m_pCatalog == nullptr || key == nullptr) {
        return nullptr;
    }
    SResource* resource = m_pCatalog->GetResourceByKey(kKindModel, key, kListOnly);
    if (dynamic_cast<SModel*>(resource) == nullptr) {
        m_pCatalog->ReleaseResource(resource);
        return nullptr;
    }
    return resource;
}

void SRendererCatalogAdapter::GetModelFrameTexts(SResource* model, std::vector<SString>& texts) {
    texts.clear();
    const auto* frames = dynamic_cast<SModel*>(model);
    if (frames == nullptr) {
        return;
    }
    for (int i = 0; i < frames->GetFrameCount(); ++i) {
        // A stored frame list may hold an empty entry, which names no file.
        const SModelFrame* frame = frames->GetFrame(i);
        texts.emplace_back(frame != nullptr ? frame->m_strName.GetString() : "");
    }
}

SFileHandler* SRendererCatalogAdapter::AsFileHandler(SResource* resource) {
    auto* handler = dynamic_cast<SFileHandler*>(resource);
    if (handler == nullptr && m_pCatalog != nullptr) {
        m_pCatalog->ReleaseResource(resource);
    }
    return handler;
}

bool SRendererCatalogAdapter::FindHandlerFileByKey(const char* key, const char* entry, SString& path,
                                                   uint32_t& flags) {
    if (m_pCatalog == nullptr || key == nullptr || entry == nullptr) {
        return false;
    }
    SFileHandler* handler = AsFileHandler(m_pCatalog->GetResourceByKey(kKindFileHandler, key, kListOnly));
    if (handler == nullptr) {
        return false;
    }
    // The first file listed under the entry's name, case ignored, as the handler's own
    // look-up by name finds it; its flags come with it.
    int index = -1;
    for (int i = 0; i < handler->GetCount() && index < 0; ++i) {
        const char* name = handler->GetName(i);
        index = name != nullptr && CString(name).CompareNoCase(entry) == 0 ? i : -1;
    }
    CString file;
    const bool found = index >= 0 && handler->GetFilePath(index, &file) != 0;
    if (found) {
        path = file.GetString();
        flags = handler->GetFlags(index);
    }
    m_pCatalog->ReleaseResource(handler);
    return found;
}

bool SRendererCatalogAdapter::GetHandlerFiles(const char* resource, const char* file, const char* const* entries,
                                              int count, SString* paths) {
    if (m_pCatalog == nullptr || resource == nullptr || file == nullptr) {
        return false;
    }
    SFileHandler* handler = AsFileHandler(m_pCatalog->GetResource(kKindFileHandler, resource, file, kListOnly));
    if (handler == nullptr) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        CString path;
        paths[i] = entries[i] != nullptr && handler->FindByName(entries[i], &path) != 0 ? path.GetString() : "\\";
    }
    m_pCatalog->ReleaseResource(handler);
    return true;
}

void SRendererCatalogAdapter::ReleaseResource(SResource* resource) {
    if (m_pCatalog != nullptr && resource != nullptr) {
        m_pCatalog->ReleaseResource(resource);
    }
}

const CStringArray* SRendererCatalogAdapter::GetSearchFolders() {
    return m_pCatalog != nullptr ? &m_pCatalog->GetSearchFolders() : nullptr;
}
