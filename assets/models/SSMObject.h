#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "assets/models/SSMRecords.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

class SSMHandle;

// One loaded "SSMO" model: vertex frames and triangles shared by every instance, divided into
// named groups with skins and tags, named animations, the texture resources its skins use and
// model tags. The renderer constructs it, loads it with LoadFile, prepares it (RemapAxes,
// WeldVertices, PostLoad) and places instances through CreateHandle. The BSP trees of its
// groups live in a ".bsp" file beside it.
class SSMObject : public CObject {
    DECLARE_DYNCREATE(SSMObject)

public:
    SSMObject();
    ~SSMObject() override;
    SSMObject(const SSMObject&) = delete;
    SSMObject& operator=(const SSMObject&) = delete;

    // Loads or stores the "SSMO" layout. A wrong magic leaves an empty model; a damaged file
    // (short, a count, length or index out of range) is refused with CArchiveException and
    // leaves an empty model, never a partly filled one.
    void Serialize(CArchive& ar) override;

    // Frees every record and detaches every handle, which then answers as one without a model.
    void Clear();

    // Index of the first model tag of that name (case ignored), or -1.
    int FindTag(const char* name) const;
    // Copies one tag; 0 for an index out of range.
    int GetTag(int index, CString* name, CString* value, uint8_t* byte) const;
    int FindGroupTag(int group, const char* name) const;
    int GetGroupTag(int group, int index, CString* name, CString* value, uint8_t* byte) const;

    // Loads the file and the trees beside it; 0 when the file cannot be opened, is no model, or
    // is damaged (the model is then empty).
    int LoadFile(const char* path);
    // v' = (v[order0] * scale0, v[order1] * scale1, v[order2] * scale2) for every vertex.
    void RemapAxes(const uint8_t* order, const float* scales);
    // Merges vertices equal in every frame and builds vertex normals.
    void WeldVertices();
    // Frame bounds, marker transforms and the per-group vertex tables.
    void PostLoad();

    // Writes and reads the ".bsp" beside the model path. 0 when the model wants no trees, the
    // file cannot be opened, or (reading) the file is damaged: then every tree is dropped and
    // the built flag cleared, so the renderer builds them again.
    int SaveBSP(const char* modelPath);
    int LoadBSP(const char* modelPath);
    // The largest ".bsp" file read, far above what trees of the largest model take (a few
    // kilobytes for the game's own); a larger one is discarded as a damaged one is, unread.
    static constexpr uint64_t kMaxBspBytes = uint64_t{16} << 20;
    // The same over bytes in memory.
    int ReadBSP(const uint8_t* data, size_t size);
    std::vector<uint8_t> WriteBSP() const;

    // A new instance bound to this model; the model lists it until the handle is destroyed.
    SSMHandle* CreateHandle();

    std::vector<std::unique_ptr<SSMGroup>> m_groups;
    std::vector<std::unique_ptr<SSMFrame>> m_frames;
    std::vector<std::unique_ptr<SSMAnim>> m_anims;
    std::vector<SSMHandle*> m_handles;  // not owned
    std::vector<std::unique_ptr<SSMResource>> m_resources;
    std::vector<std::unique_ptr<SSMTag>> m_tags;
    std::vector<SSMTriangle> m_triangles;

    int16_t m_nFrames = 0;
    int16_t m_nGroups = 0;
    int16_t m_nAnims = 0;
    int16_t m_nVertices = 0;
    int16_t m_nTriangles = 0;
    int16_t m_nResources = 0;
    int16_t m_nTags = 0;
    int16_t m_nReserved = -1;
    CString m_strFileName;
    uint8_t m_bBSPWanted = 0;
    uint8_t m_bBSPBuilt = 0;
    // Six floats per vertex prepared by the renderer, the first three the position the trees
    // were built from.
    uint32_t m_nBSPVertices = 0;
    std::vector<float> m_bspVertices;
    uint8_t m_bTransformValid = 0;
    matrix16f_t m_transforms[2];
    uint32_t m_uModelValue = 0;
    uint8_t m_uRendererOption = 0;
    uint32_t m_uModelFlags = 0;  // bit 0: the model has a "Static_1" tag

private:
    friend class SSMHandle;
    // False when the magic is wrong (the model stays empty).
    bool Load(CArchive& ar);
    void Store(CArchive& ar);
    void RemoveHandle(SSMHandle* handle);
    void ClearTrees();
};

// The ".bsp" path of a model: the extension of the file-name part replaced, or appended.
CString BSPPathFor(const char* modelPath);
