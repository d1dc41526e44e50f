// Fuzz target of the 8-bit texture's file readers and of a texture format's layer loads: the
// input's leading part (see FolderFuzzSupport.h) as the picture "t.bmp" in a folder with the
// input's files, where "t.skn" is the skin looked for beside the picture and "t.mip" a packed
// mip file. The picture is read as an 8-bit texture in both builds; the mip file's first two
// records are read alone and through the open-file cache; and the picture is loaded into each
// level of textures in the palette, 16-bit, alpha and 32-bit formats, as the level's colour, its
// alpha or both (which, the input's length decides). A texture read has sides the readers accept and a level chain; nothing may crash,
// leak, or read past a file.
//
// The seeds in corpus/texture_files_fuzz/ are pictures, skins and mip files of our writers,
// written by tools/fuzzseeds.
#include <cstdint>
#include <string>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture.h"
#include "assets/textures/STexture2.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/fuzz/FolderFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kTarget = "texture_files_fuzz";

void CheckTexture(const STexture& texture) {
    Check(texture.m_iWidth >= 1 && texture.m_iWidth <= 512 && texture.m_iHeight >= 1 && texture.m_iHeight <= 512);
    Check(!texture.GetLevelChain().empty());
}

void LoadBitmaps(const std::string& folder) {
    for (const int hardware : {0, 1}) {
        STexture texture;
        texture.m_iHardware = hardware;
        if (texture.LoadBitmap8((folder + "/t.bmp").c_str()) == 1)
            CheckTexture(texture);
    }
}

void LoadMipRecord(const std::string& folder, int32_t offset) {
    STexture texture;
    texture.m_iHasMipFile = 1;
    texture.m_strFolder = folder.c_str();
    texture.m_strMipFile = "t.mip";
    texture.m_iPackOffset = offset;
    if (texture.LoadFromMipFile() == 1)
        CheckTexture(texture);
}

// The first record, and the second where the first record's size puts it.
void LoadMipRecords(const std::string& folder, const fuzzsupport::FolderInput& input) {
    int32_t second = 7;
    for (const fuzzsupport::FolderFile& file : input.files) {
        if (file.path == "t.mip" && file.bytes.size() >= 16) {
            const auto* p = reinterpret_cast<const uint8_t*>(file.bytes.data()) + 12;
            second = static_cast<int32_t>((p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24) + 16 + 1024);
        }
    }
    LoadMipRecord(folder, 0);
    STexture::BeginFileCache();
    LoadMipRecord(folder, 0);
    LoadMipRecord(folder, second);
    STexture::EndFileCache();
}

// Textures of 8 x 8 pixels (levels of 8 and 4) to load layers into, from pictures of ours.
const std::string& HostPicture(bool paletted) {
    static const std::string s_folder = fuzzsupport::InputRoot(kTarget);
    static const std::string s_paths[2] = {s_folder + "/host24.bmp", s_folder + "/host8.bmp"};
    static const bool s_written = [] {
        tarvex::test::WriteFile(s_paths[0], tarvex::test::MakeBmp(8, 8, 24));
        tarvex::test::WriteFile(s_paths[1], tarvex::test::MakeBmp(8, 8, 8));
        return true;
    }();
    (void)s_written;
    return s_paths[paletted ? 1 : 0];
}

// Each level takes one of the three loads, which one turning with the level, the format and
// `turn` (a picture may claim a size that takes long to read: it is read once a level).
void LoadLayers(const std::string& folder, size_t turn) {
    const std::string picture = folder + "/t.bmp";
    for (const char* line : {tarvex::test::kPalette8, tarvex::test::kRGB565, tarvex::test::kARGB4444,
                             tarvex::test::kARGB8888}) {
        ++turn;
        STexture2 host;
        Check(host.ImportImage(HostPicture(line == tarvex::test::kPalette8).c_str(), STexFormat::Parse(line)) == 1);
        STexFormat* format = host.GetFormat(0);
        format->SetRecordErrors(1);
        // In two of the formats the smaller level's colour is locked, as an editor locks what
        // it painted by hand.
        if (line == tarvex::test::kRGB565 || line == tarvex::test::kARGB8888)
            format->SetLayerRGBLock(1, 1);
        for (int16_t layer = 0; layer < format->GetMIPDepth(); ++layer) {
            switch ((turn + static_cast<size_t>(layer)) % 3) {
            case 0:
                format->LoadLayerRGB(layer, picture.c_str());
                break;
            case 1:
                format->LoadLayerAlpha(layer, picture.c_str());
                break;
            default:
                format->LoadLayerRGBA(layer, picture.c_str());
                break;
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    fuzzsupport::FolderInput input = fuzzsupport::SplitFolderInput(data, size);
    input.files.insert(input.files.begin(), fuzzsupport::FolderFile{"t.bmp", input.head});
    const fuzzsupport::InputFolder folder(kTarget, input.files);
    LoadBitmaps(folder.Path());
    LoadMipRecords(folder.Path(), input);
    LoadLayers(folder.Path(), size);
    return 0;
}
