// Fuzz target of the packed mip record reader: any bytes as a mip file, read at its start and
// at the offset of a second record, in the 8-bit mode. Counts and sizes from the record must be checked
// against the file, and a record that builds leaves a level chain of at least 4 x 4.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/textures/STexture.h"
#include "sys/classlib/CMemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 21)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    for (int32_t offset : {0, 7, 1124}) {
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        STexture texture;
        if (texture.ReadMipFile(&file, offset) == 1 &&
            (texture.m_iWidth < 4 || texture.GetLevelChain().size() < 16 + 32))
            std::abort();
    }
    return 0;
}
