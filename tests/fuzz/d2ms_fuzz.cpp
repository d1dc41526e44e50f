// Fuzz target of the "D2MS" mesh reader: any bytes as a mesh file, read over a mesh that holds
// an earlier one. A refused file must leave the earlier mesh whole; a read one must answer
// every vertex and record it claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/models/SMesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20)
        return 0;
    static const uint8_t kEarlier[] = {'D', '2', 'M', 'S', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 128, 63, 0, 0, 0, 64, 0, 0, 64, 64};
    SMesh mesh;
    if (!mesh.LoadD2MS(kEarlier, sizeof(kEarlier)))
        std::abort();
    std::vector<uint8_t> bytes(data, data + size);
    if (mesh.LoadD2MS(bytes.data(), bytes.size())) {
        for (uint32_t i = 0; i < mesh.GetVertexCount(); ++i) {
            if (mesh.GetVertex(i) == nullptr)
                std::abort();
        }
        if (mesh.GetRecordCount() > 0 && mesh.GetRecord(mesh.GetRecordCount() - 1) == nullptr)
            std::abort();
    } else if (mesh.GetVertexCount() != 1 || mesh.GetVertex(0)[2] != 3.0f) {
        std::abort();
    }
    return 0;
}
