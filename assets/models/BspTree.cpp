#include "assets/models/BspTree.h"

namespace {

// Stored sizes: a node, and a leaf without its triangle indices.
constexpr uint64_t kNodeBytes = 66;
constexpr uint64_t kLeafBytes = 40;

}  // namespace

void mnode_t::Serialize(sstream_t* stream) {
    StreamTransfer(stream, &kind, 4);
    StreamTransfer(stream, &reserved, 4);
    StreamTransfer(stream, &index, 4);
    StreamTransfer(stream, &splitTriangle, 4);
    box.Serialize(stream);
    plane.Serialize(stream);
    StreamTransfer(stream, &front, 4);
    StreamTransfer(stream, &back, 4);
}

void mleaf_t::Serialize(sstream_t* stream) {
    StreamTransfer(stream, &kind, 4);
    StreamTransfer(stream, &reserved, 4);
    StreamTransfer(stream, &index, 4);
    box.Serialize(stream);
    uint32_t n = static_cast<uint32_t>(triangles.size());
    StreamTransfer(stream, &n, 4);
    if (stream != nullptr && stream->pFile != nullptr && stream->uMode == sstream_t::kRead) {
        // A count the rest of the data cannot hold is a short read, never a huge allocation.
        if (4 * uint64_t{n} > stream->pFile->Remaining()) {
            stream->pFile->bShortRead = true;
            triangles.clear();
            return;
        }
        triangles.resize(n);
    }
    if (n != 0)
        StreamTransfer(stream, triangles.data(), 4 * size_t{n});
}

// A heap read from a stream is emptied first. A count the rest of the data cannot hold
// reads as a short read with the heap left empty.
void mnode_heap_t::Serialize(sstream_t* stream) {
    if (stream == nullptr || stream->pFile == nullptr)
        return;
    if (stream->uMode == sstream_t::kWrite) {
        StreamTransfer(stream, &count, 4);
        for (uint32_t i = 0; i < count; ++i)
            nodes[i]->Serialize(stream);
        return;
    }
    if (stream->uMode != sstream_t::kRead)
        return;
    Clear();
    uint32_t stored = 0;
    StreamTransfer(stream, &stored, 4);
    if (kNodeBytes * uint64_t{stored} > stream->pFile->Remaining()) {
        stream->pFile->bShortRead = true;
        return;
    }
    for (uint32_t i = 0; i < stored; ++i)
        Add()->Serialize(stream);
}

void mnode_heap_t::Clear() {
    nodes.clear();
    count = 0;
}

mnode_t* mnode_heap_t::Add() {
    nodes.push_back(std::make_unique<mnode_t>());
    ++count;
    return nodes.back().get();
}

void mleaf_heap_t::Serialize(sstream_t* stream) {
    if (stream == nullptr || stream->pFile == nullptr)
        return;
    if (stream->uMode == sstream_t::kWrite) {
        uint32_t stored = count - 1;
        StreamTransfer(stream, &stored, 4);
        for (uint32_t i = 1; i < count; ++i)
            leaves[i]->Serialize(stream);
        return;
    }
    if (stream->uMode != sstream_t::kRead)
        return;
    Clear();
    uint32_t stored = 0;
    StreamTransfer(stream, &stored, 4);
    if (kLeafBytes * uint64_t{stored} > stream->pFile->Remaining()) {
        stream->pFile->bShortRead = true;
        return;
    }
    for (uint32_t i = 0; i < stored && !stream->pFile->bShortRead; ++i)
        Add()->Serialize(stream);
}

void mleaf_heap_t::Clear() {
    leaves.clear();
    leaves.push_back(nullptr);
    count = 1;
}

mleaf_t* mleaf_heap_t::Add() {
    leaves.push_back(std::make_unique<mleaf_t>());
    ++count;
    return leaves.back().get();
}

mleaf_t* BSPLocatePoint(const float* point, mbspitem_t* start) {
    mbspitem_t* item = start;
    while (item != nullptr && !item->IsLeaf()) {
        auto* node = static_cast<mnode_t*>(item);
        item = node->plane.Distance(point) >= 0.0f ? node->pFront : node->pBack;
    }
    return static_cast<mleaf_t*>(item);
}
