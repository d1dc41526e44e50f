// The ".bsp" file beside a model: the renderer's per-vertex block and transforms, then the
// node and leaf heaps of every group that has a tree. A file is parsed and checked whole before
// anything of it is kept, so a damaged one leaves the model without trees (to be built again),
// never with half of them.
#include <cstring>

#include "assets/models/SSMObject.h"
#include "sys/classlib/CFile.h"
#include "sys/fs/fs.h"

namespace {

struct GroupTrees {
    uint32_t index = 0;
    int32_t root = kBspNone;
    mnode_heap_t nodes;
    mleaf_heap_t leaves;
};

template <class T>
void Transfer(sstream_t* stream, T& value) {
    StreamTransfer(stream, &value, sizeof(T));
}

// The item a reference names in the heaps, or null for none; false when it names nothing
// that exists.
bool Resolve(int32_t reference, mnode_heap_t& nodes, mleaf_heap_t& leaves, mbspitem_t** item) {
    *item = nullptr;
    if (reference == kBspNone)
        return true;
    if (reference >= 0) {
        if (static_cast<uint32_t>(reference) >= nodes.count)
            return false;
        *item = nodes.nodes[static_cast<size_t>(reference)].get();
        return true;
    }
    if (reference == INT32_MIN || static_cast<uint32_t>(-reference) >= leaves.count)
        return false;
    *item = leaves.leaves[static_cast<size_t>(-reference)].get();
    return true;
}

bool ReadTrees(sstream_t* stream, sfile_t& file, GroupTrees& trees, uint32_t triangleCount) {
    Transfer(stream, trees.root);
    trees.nodes.Serialize(stream);
    trees.leaves.Serialize(stream);
    if (file.bShortRead)
        return false;
    const uint32_t nodeCount = trees.nodes.count;
    for (uint32_t i = 0; i < nodeCount; ++i) {
        mnode_t& node = *trees.nodes.nodes[i];
        node.reserved = 0;
        // A node's own index is its place: saving names the root by it.
        if (node.kind != 0 || node.index != i)
            return false;
    }
    for (uint32_t place = 1; place < trees.leaves.count; ++place) {
        mleaf_t& leaf = *trees.leaves.leaves[place];
        leaf.reserved = 0;
        if ((leaf.kind != -1 && leaf.kind != -2) || (leaf.index != place && leaf.index != 0u - place))
            return false;
        for (uint32_t triangle : leaf.triangles) {
            if (triangle >= triangleCount)
                return false;
        }
    }
    // Children come after their parent in the node heap, so no walk can loop.
    for (uint32_t i = 0; i < nodeCount; ++i) {
        mnode_t& node = *trees.nodes.nodes[i];
        for (int32_t reference : {node.front, node.back}) {
            if (reference >= 0 && reference != kBspNone && static_cast<uint32_t>(reference) <= i)
                return false;
        }
        if (!Resolve(node.front, trees.nodes, trees.leaves, &node.pFront) ||
            !Resolve(node.back, trees.nodes, trees.leaves, &node.pBack))
            return false;
    }
    // A leaf at the root is named by its negated index, as the builder stores it.
    mbspitem_t* root = nullptr;
    if (!Resolve(trees.root, trees.nodes, trees.leaves, &root))
        return false;
    return root == nullptr || !root->IsLeaf() || static_cast<int32_t>(root->index) == trees.root;
}

}  // namespace

CString BSPPathFor(const char* modelPath) {
    std::string path = modelPath != nullptr ? modelPath : "";
    const size_t slash = path.find_last_of("\\/");
    const size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.erase(dot);
    path += ".bsp";
    return CString(std::move(path));
}

void SSMObject::ClearTrees() {
    for (auto& group : m_groups) {
        group->nodes.Clear();
        group->leaves.Clear();
        group->pRoot = nullptr;
    }
}

std::vector<uint8_t> SSMObject::WriteBSP() const {
    std::vector<uint8_t> bytes;
    sfile_t file(&bytes);
    sstream_t stream{&file, sstream_t::kWrite};
    auto put = [&](auto value) { StreamTransfer(&stream, &value, sizeof(value)); };
    put(m_bBSPBuilt);
    put(m_nBSPVertices);
    put(static_cast<uint32_t>(m_bspVertices.size() * sizeof(float)));
    if (!m_bspVertices.empty())
        file.Write(m_bspVertices.data(), m_bspVertices.size() * sizeof(float));
    put(m_bTransformValid);
    for (const matrix16f_t& matrix : m_transforms)
        const_cast<matrix16f_t&>(matrix).Serialize(&stream);
    put(m_uModelValue);
    put(static_cast<uint32_t>(m_groups.size()));
    for (size_t g = 0; g < m_groups.size(); ++g) {
        SSMGroup& group = *m_groups[g];
        put(static_cast<uint32_t>(g));
        put(group.flags);
        if ((group.flags & kGroupHasBsp) == 0)
            continue;
        put(group.pRoot != nullptr ? static_cast<int32_t>(group.pRoot->index) : kBspNone);
        group.nodes.Serialize(&stream);
        group.leaves.Serialize(&stream);
    }
    return bytes;
}

int SSMObject::ReadBSP(const uint8_t* data, size_t size) {
    sfile_t file(data, size);
    sstream_t stream{&file, sstream_t::kRead};
    uint8_t built = 0;
    uint32_t vertexCount = 0;
    uint32_t byteSize = 0;
    Transfer(&stream, built);
    Transfer(&stream, vertexCount);
    Transfer(&stream, byteSize);
    bool good = !file.bShortRead && uint64_t{24} * vertexCount == byteSize && byteSize <= file.Remaining();
    std::vector<float> block;
    uint8_t transformValid = 0;
    matrix16f_t transforms[2];
    uint32_t modelValue = 0;
    std::vector<std::unique_ptr<GroupTrees>> groups;
    if (good) {
        block.resize(byteSize / sizeof(float));
        if (byteSize != 0)
            file.Read(block.data(), byteSize);
        Transfer(&stream, transformValid);
        for (matrix16f_t& matrix : transforms)
            matrix.Serialize(&stream);
        Transfer(&stream, modelValue);
        uint32_t groupCount = 0;
        Transfer(&stream, groupCount);
        good = !file.bShortRead && uint64_t{8} * groupCount <= file.Remaining();
        for (uint32_t i = 0; good && i < groupCount; ++i) {
            auto trees = std::make_unique<GroupTrees>();
            uint32_t flags = 0;
            Transfer(&stream, trees->index);
            Transfer(&stream, flags);
            good = !file.bShortRead && trees->index < m_groups.size();
            if (good && (flags & kGroupHasBsp)) {
                good = ReadTrees(&stream, file, *trees, static_cast<uint32_t>(m_triangles.size()));
                groups.push_back(std::move(trees));
            }
        }
    }
    if (!good) {
        ClearTrees();
        m_bBSPBuilt = 0;
        return 0;
    }

    m_bBSPBuilt = built;
    m_nBSPVertices = vertexCount;
    m_bspVertices = std::move(block);
    m_bTransformValid = transformValid;
    for (int i = 0; i < 2; ++i)
        std::memcpy(m_transforms[i].m, transforms[i].m, sizeof(transforms[i].m));
    m_uModelValue = modelValue;
    for (auto& trees : groups) {
        SSMGroup& group = *m_groups[trees->index];
        group.nodes.nodes.swap(trees->nodes.nodes);
        group.nodes.count = trees->nodes.count;
        group.leaves.leaves.swap(trees->leaves.leaves);
        group.leaves.count = trees->leaves.count;
        Resolve(trees->root, group.nodes, group.leaves, &group.pRoot);
    }
    return 1;
}

int SSMObject::LoadBSP(const char* modelPath) {
    if (FindTag("NoStatic") >= 0)
        return 0;
    std::vector<uint8_t> bytes;
    try {
        CFile file;
        if (!file.Open(BSPPathFor(modelPath), CFile::modeRead | CFile::typeBinary))
            return 0;
        const uint64_t length = file.GetLength();
        if (length <= kMaxBspBytes) {
            bytes.resize(static_cast<size_t>(length));
            if (length != 0 && file.Read(bytes.data(), static_cast<unsigned>(length)) != length)
                bytes.clear();
        }
        file.Close();
    } catch (const CFileException&) {
        return 0;
    }
    return ReadBSP(bytes.data(), bytes.size());
}

int SSMObject::SaveBSP(const char* modelPath) {
    if (FindTag("NoStatic") >= 0)
        return 0;
    const std::vector<uint8_t> bytes = WriteBSP();
    const std::string_view contents(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return sys::fs::WriteFileAtomically(std::string(BSPPathFor(modelPath)), contents) ? 1 : 0;
}
