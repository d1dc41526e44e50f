// The renderer's registries of textures, texture lists, model files and model resources:
// filled by name on first use and kept for the session, searched newest first with an 8-bit
// hash compared before the names.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "assets/textures/STexture2.h"
#include "render/SD3D6Parser.h"
#include "render/outdoor/SRendererCatalog.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/classlib/CStringArray.h"
#include "sys/fs/fs.h"
#include "sys/rand.h"

namespace {

// Texture names may lead to further names (a parent class, a list entry, a detail texture);
// a chain deeper than this is taken as a loop and found as nothing.
constexpr int kMaxNameDepth = 8;

// What the game-logic library installs as the list weight: the entry's first two values, the
// day, the last two values.
using WeightCallback = float (*)(int32_t, int32_t, int32_t, int32_t, int32_t);

SString Reversed(const char* name) {
    SString key(name);
    key.MakeReverse();
    return key;
}

bool StartsWithFile(const char* name) { return std::strncmp(name, "file;", 5) == 0; }

}  // namespace

SParseModelItem::~SParseModelItem() {
    for (int i = 0; i < m_Instances.GetSize(); ++i) {
        delete m_Instances[i];
    }
}

SParseSSMItem::~SParseSSMItem() { delete m_pModel; }

uint8_t SD3D6Parser::HashName8(const char* name) {
    if (name == nullptr) {
        return 0;
    }
    uint32_t hash = 0;
    for (int i = static_cast<int>(std::strlen(name)) - 1; i >= 0; --i) {
        const int upper = std::toupper(static_cast<unsigned char>(name[i]));
        hash = (hash ^ (static_cast<uint32_t>((upper - 64) & 255) << (i % 6))) & 0xFF;
    }
    return static_cast<uint8_t>(hash);
}

int16_t SD3D6Parser::FindTexture(const char* name, int a, int b) { return FindTextureAt(name, a, b, 0); }

int16_t SD3D6Parser::FindTextureAt(const char* name, int passThrough, int allowParent, int depth) {
    if (name == nullptr || depth > kMaxNameDepth) {
        return -1;
    }
    const SString key = Reversed(name);
    const uint8_t hash = HashName8(key.GetString());
    for (int i = m_TextureItems.GetSize() - 1; i >= 0; --i) {
        const SD3D6TextureItem* item = m_TextureItems[i];
        if (item != nullptr && item->m_byHash == hash && item->m_sName.CompareNoCase(key.GetString()) == 0) {
            return static_cast<int16_t>(i);
        }
    }
    if (!StartsWithFile(name)) {
        return LookUpTextureList(name, depth);
    }
    return LoadTextureFile(name, passThrough, allowParent, depth);
}

int16_t SD3D6Parser::LookUpTextureList(const char* name, int depth) {
    const SString key = Reversed(name);
    const uint8_t hash = HashName8(key.GetString());
    int found = -1;
    for (int i = m_TextureLists.GetSize() - 1; i >= 0 && found < 0; --i) {
        const SD3D6TextureList* list = m_TextureLists[i];
        if (list != nullptr && list->m_byHash == hash && list->m_sName.Compare(key.GetString()) == 0) {
            found = i;
        }
    }
    if (found < 0) {
        std::vector<STextureListSource> sources;
        if (GetCatalog() == nullptr || !GetCatalog()->GetTextureList(name, sources)) {
            return -1;
        }
        auto* list = new SD3D6TextureList();
        list->m_sName = key;
        list->m_byHash = hash;
        list->m_iLookUp = 1;
        list->m_pEntries = new SD3D6TextureListEntry[sources.empty() ? 1 : sources.size()];
        const auto weigh = reinterpret_cast<WeightCallback>(reinterpret_cast<void (*)()>(m_pfnCallback4));
        for (const STextureListSource& source : sources) {
            const float weight = weigh != nullptr ? weigh(source.m_iParams[0], source.m_iParams[1], m_iDayValue,
                                                          source.m_iParams[2], source.m_iParams[3])
                                                  : 0.0f;
            if (!(weight > 0.0f)) {
                continue;
            }
            SD3D6TextureListEntry& entry = list->m_pEntries[list->m_iCount++];
            entry.m_iWeight = weight >= 2147483647.0f ? 2147483647 : static_cast<int32_t>(weight);
            entry.m_iTextureIndex = -100;
            entry.m_sName = "file;";
            entry.m_sName += source.m_sPath;
            entry.m_byHash = HashName8(entry.m_sName.GetString());
            list->m_iTotalWeight += entry.m_iWeight;
        }
        list->m_bValid = list->m_iCount > 0 ? 1 : 0;
        found = m_TextureLists.Add(list);
    }
    return DrawFromList(found, depth);
}

int16_t SD3D6Parser::DrawFromList(int index, int depth) {
    if (index < 0 || index >= m_TextureLists.GetSize() || m_TextureLists[index] == nullptr ||
        m_TextureLists[index]->m_bValid == 0) {
        return -1;
    }
    SD3D6TextureList& list = *m_TextureLists[index];
    const int total = std::max(list.m_iTotalWeight, 1);
    int r = sys::Rand() % total;
    int pick = 0;
    for (int i = 0; i < list.m_iCount; ++i) {
        if (r < list.m_pEntries[i].m_iWeight) {
            pick = i;
            break;
        }
        r -= list.m_pEntries[i].m_iWeight;
    }
    SD3D6TextureListEntry& entry = list.m_pEntries[pick];
    if (entry.m_iTextureIndex == -100) {
        const int16_t texture = FindTextureAt(entry.m_sName.GetString(), 0, 1, depth + 1);
        if (texture >= 0) {
            m_TextureItems[texture]->m_wParentList = static_cast<uint16_t>(index);
        }
        // The list may have grown while the entry was looked up; address it again.
        m_TextureLists[index]->m_pEntries[pick].m_iTextureIndex = texture;
        return texture;
    }
    return entry.m_iTextureIndex;
}

int16_t SD3D6Parser::LoadTextureFile(const char* name, int passThrough, int allowParent, int depth) {
    // A file that could not be read is not looked for again: a ground name stands for
    // thousands of cells, and each would search the folders and read the file anew.
    for (const std::string& failed : m_UnreadableNames) {
        if (CompareTextNoCase(failed.c_str(), name) == 0) {
            return -1;
        }
    }
    SString file(name + 5);
    const int dot = file.ReverseFind('.');
    if (dot >= 0) {
        file = file.Left(dot);
    }
    file += ".stx";
    std::string path = file.GetString();
    if (const CStringArray* folders = GetCatalog() != nullptr ? GetCatalog()->GetSearchFolders() : nullptr) {
        for (int i = 0; i < folders->GetSize(); ++i) {
            const std::string candidate = std::string(folders->GetAt(i).GetString()) + "/" + file.GetString();
            if (sys::fs::Exists(candidate)) {
                path = candidate;
                break;
            }
        }
    }

    STexture2 texture;
    texture.m_iRecordErrors = 1;
    if (texture.Load(path.c_str(), 1) == 0) {
        m_UnreadableNames.push_back(name);
        const CString why = texture.GetLastError();
        NoteUnreadableTexture(path, why.IsEmpty() ? "Unable to load from data source" : why.GetString());
        return -1;
    }
    if (allowParent != 0) {
        const int16_t tag = texture.FindTag("TXT-ParentClass");
        if (tag != static_cast<int16_t>(0xFFFF) && tag >= 0) {
            const CString parent = texture.GetTagValue(tag);
            const int16_t found = FindTextureAt(parent.GetString(), passThrough, 0, depth + 1);
            if (found >= 0) {
                return found;
            }
        }
    }

    auto* lock = new SD3D6Lock();
    if (m_pD3DRaster != nullptr) {
        lock->m_pD3D = m_pD3DRaster->GetDirect3D();
        lock->m_pDevice = m_pD3DRaster->GetDevice(0);
        lock->m_pDD = m_pD3DRaster->GetDirectDraw();
    }
    lock->m_iDepthHint = 16;
    SetTextureLimits(*lock);
    for (int i = 0; i < 3; ++i) {
        lock->m_pClassStates[i] = &m_ClassStates[i];
    }
    lock->m_pfPlain = m_SSMVFormats.opaque;
    lock->m_pfAlpha = m_SSMVFormats.alpha;
    lock->m_pfTree = m_SSMVFormats.transparent;
    lock->m_pfBackBuffer = m_SSMVFormats.screen;
    if (lock->Build(&texture) == 0) {
        lock->Release();
        delete lock;
        return -1;
    }

    auto* item = new SD3D6TextureItem();
    item->m_pTexture = lock;
    item->m_sName = Reversed(name);
    item->m_fYoungScale = texture.GetTagFloat("TREE-YoungScale", 2.0f);
    item->m_fOldScale = texture.GetTagFloat("TREE-OldScale", 2.0f);
    item->m_byOscillator1 = static_cast<uint8_t>(std::clamp(texture.GetTagInt("TREE-Oscillator1", 0), 0, 9));
    item->m_byOscillator2 = static_cast<uint8_t>(std::clamp(texture.GetTagInt("TREE-Oscillator2", 0), 0, 9));
    item->m_byShadeLevel = static_cast<uint8_t>(texture.GetTagInt("TREE-ShadeLevel", 0));
    item->m_byHash = HashName8(item->m_sName.GetString());
    const int16_t index = static_cast<int16_t>(m_TextureItems.Add(item));

    const bool detailWanted = m_iSessionMode == 2   ? m_LevelInfo.Field(23) != 0
                              : m_iSessionMode == 1 ? m_ModelView.Field(model_view_fields::kMultiTexture) != 0
                                                    : false;
    const int16_t detailTag = lock->FindTag("TXT-DetailID");
    if (detailWanted && detailTag != static_cast<int16_t>(0xFFFF) && detailTag >= 0) {
        const CString detail = lock->GetTagValue(detailTag);
        const int16_t found = FindTextureAt(detail.GetString(), 0, 1, depth + 1);
        lock->m_pDetail = static_cast<SD3D6Lock*>(GetTexture(found));
    } else {
        lock->m_pDetail = nullptr;
    }
    return index;
}

void SD3D6Parser::NoteUnreadableTexture(const std::string& path, const std::string& why) {
    // A name with no file in it ("file;" and at most a folder) stands for no texture at all.
    const size_t separator = path.find_last_of("\\/");
    const std::string base = path.substr(separator == std::string::npos ? 0 : separator + 1);
    if (base.empty() || base[0] == '.') {
        return;
    }
    // One file may be named in several ways (a ground name and a list entry).
    for (const UnreadableTexture& unreadable : m_UnreadableTextures) {
        if (CompareTextNoCase(unreadable.sPath.c_str(), path.c_str()) == 0) {
            return;
        }
    }
    m_UnreadableTextures.push_back({path, why});
}

void SD3D6Parser::SetTextureLimits(SD3D6Lock& lock) const {
    // The device's size limits where it states them; the lowest texture quality halves every
    // texture; unmanaged surfaces only where the outdoor settings allow them.
    const auto limit = [](uint32_t stated, int32_t fallback) {
        return stated > 0 && stated <= 0x8000 ? static_cast<int32_t>(stated) : fallback;
    };
    lock.m_iMinWidth = limit(m_HWDesc.dwMinTextureWidth, 4);
    lock.m_iMinHeight = limit(m_HWDesc.dwMinTextureHeight, 4);
    lock.m_iMaxWidth = limit(m_HWDesc.dwMaxTextureWidth, 2048);
    lock.m_iMaxHeight = limit(m_HWDesc.dwMaxTextureHeight, 2048);
    lock.m_bSquare = 0;
    if (m_iSessionMode == 2) {
        lock.m_bReduce = m_LevelInfo.Field(2) == 0 ? 1 : 0;
        lock.m_bUnmanagedAllowed = m_LevelInfo.Field(25) != 0 ? 1 : 0;
    } else {
        lock.m_bReduce = m_ModelView.Field(model_view_fields::kTextureQuality) == 0 ? 1 : 0;
        lock.m_bUnmanagedAllowed = 1;
    }
}

SD3D6Lock* SD3D6Parser::FindTextureLock(const char* name) {
    return static_cast<SD3D6Lock*>(GetTexture(FindTexture(name, 0, 1)));
}

SSMHandle* SD3D6Parser::LoadModels(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    const uint8_t hash = HashName8(path);
    SParseSSMItem* found = nullptr;
    for (int i = 0; i < m_SSMItems.GetSize() && found == nullptr; ++i) {
        SParseSSMItem* item = m_SSMItems[i];
        if (item != nullptr && item->m_byHash == hash && item->m_sName.Compare(path) == 0) {
            found = item;
        }
    }
    if (found == nullptr) {
        auto* model = new SSMObject();
        // A loaded model reads no ".bsp" while it is marked built, so static models are built
        // again at their first drawing.
        if (s_bGenModelBSP != 0) {
            model->m_bBSPBuilt = 1;
        }
        if (s_bSecondModelMark != 0) {
            model->m_uRendererOption = 1;
        }
        if (model->LoadFile(path) == 0) {
            delete model;
            return nullptr;
        }
        if (s_bGenModelBSP != 0) {
            model->m_bBSPBuilt = 0;
        }
        static const uint8_t kOrder[3] = {1, 2, 0};
        static const float kScales[3] = {-1.0f, 1.0f, 1.0f};
        model->RemapAxes(kOrder, kScales);
        model->WeldVertices();
        model->PostLoad();

        const SString folder = ParserDirectory(path);
        for (auto& resource : model->m_resources) {
            SString name(resource->name);
            if (StartsWithFile(name.GetString())) {
                SString relative("file;");
                relative += folder;
                relative += name.Mid(5);
                name = relative;
            }
            resource->textureSlot = FindTexture(name.GetString(), static_cast<int>(resource->value), 1);
        }
        found = new SParseSSMItem();
        found->m_pModel = model;
        found->m_sName = path;
        found->m_byHash = hash;
        m_SSMItems.Add(found);
    }
    SSMHandle* handle = found->m_pModel->CreateHandle();
    const size_t count = std::min(handle->m_textureSlots.size(), found->m_pModel->m_resources.size());
    for (size_t i = 0; i < count; ++i) {
        handle->m_textureSlots[i] = found->m_pModel->m_resources[i]->textureSlot;
    }
    return handle;
}

int16_t SD3D6Parser::FindModelResource(const char* name) {
    const char* wanted = name != nullptr ? name : "";
    const uint8_t hash = HashName8(wanted);
    for (int i = 0; i < m_ModelItems.GetSize(); ++i) {
        const SParseModelItem* item = m_ModelItems[i];
        if (item != nullptr && item->m_byHash == hash && item->m_pResource != nullptr &&
            item->m_sName.Compare(wanted) == 0) {
            return static_cast<int16_t>(i);
        }
    }
    SResource* resource = GetCatalog() != nullptr ? GetCatalog()->GetModelResource(wanted) : nullptr;
    if (resource == nullptr) {
        return -1;
    }
    auto* item = new SParseModelItem();
    item->m_pResource = resource;
    item->m_sName = wanted;
    item->m_byHash = hash;
    return static_cast<int16_t>(m_ModelItems.Add(item));
}
