// Fuzz target of the "SKNM" skin reader: any bytes as a skin file, read into an 8-bit texture
// that holds an earlier skin. Nothing may read past the file; a refused file leaves the
// earlier texture as it was, and a read one has a level chain for its size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/textures/STexture.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::vector<uint8_t> EarlierSkin() {
    std::vector<uint8_t> b = {'S', 'K', 'N', 'M', 1, 0, 0, 0, 4, 0, 4, 0, 1, 0};
    b.resize(782 + 16, 9);
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20)
        return 0;
    const std::string folder = fuzzsupport::ScratchFolder("sknm_fuzz");
    const std::string earlier = folder + "/earlier.skn";
    const std::string input = folder + "/input.skn";
    static const bool written = [&] {
        const std::vector<uint8_t> skin = EarlierSkin();
        fuzzsupport::WriteFile(earlier, skin.data(), skin.size());
        return true;
    }();
    (void)written;
    fuzzsupport::WriteFile(input, data, size);
    STexture texture;
    fuzzsupport::Check(texture.LoadSkin(earlier.c_str()) == 1);
    if (texture.LoadSkin(input.c_str()) == 1) {
        size_t levels = 0;
        for (int i = 0, w = texture.m_iWidth, h = texture.m_iHeight; i < texture.m_iLevelCount; ++i, w /= 2, h /= 2)
            levels += static_cast<size_t>(w) * h;
        fuzzsupport::Check(texture.GetLevelChain().size() == levels + 32);
    } else {
        fuzzsupport::Check(texture.m_iWidth == 4 && texture.GetLevelChain()[0] == 9);
    }
    return 0;
}
