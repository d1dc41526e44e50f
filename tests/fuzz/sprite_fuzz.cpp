// Fuzz target of the sprite archive file: any bytes as a sprite file, read by LoadFile onto a
// headless windowed display (which makes the sprite's surface and draws its frames, whose
// pictures are looked for beside the file), then every frame drawn into a small surface, the
// surface made again and the sprite cloned. A file that reads must store, read back and store
// again to the same bytes. Nothing may crash, leak or allocate for bytes that are not there.
//
// The seeds in corpus/sprite_fuzz/ are sprites stored by the sprite's own writer (the demo
// cursor among them), written by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds
// in tests/tools.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"
#include "sys/window/window.h"
#include "tests/fuzz/FuzzSupport.h"
#include "ui/SSprite.h"

namespace {

SDXDraw& Display() {
    static SDXDraw* s_pDraw = [] {
        const uint32_t style = sys::WS_OVERLAPPED | sys::WS_CAPTION | sys::WS_SYSMENU | sys::WS_VISIBLE;
        sys::HWND window = sys::window::CreateWindow(
            "Tarvex", style, nullptr,
            [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) { return sys::window::DefWindowProc(h, m, w, l); });
        auto* pDraw = new SDXDraw;
        fuzzsupport::Check(pDraw->Create(sys::video::GUID{}) == 1 && pDraw->SetMode(0, window) == 1);
        return pDraw;
    }();
    return *s_pDraw;
}

std::vector<uint8_t> Store(SSprite& sprite) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        sprite.Serialize(ar);
        ar.Close();
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

void Load(SSprite& sprite, std::vector<uint8_t> bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    sprite.Serialize(ar);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SDXDraw& draw = Display();
    const std::string path = fuzzsupport::ScratchFolder("sprite_fuzz") + "/input.spr";
    fuzzsupport::WriteFile(path, data, size);

    SSprite sprite;
    if (sprite.LoadFile(path.c_str(), &draw) != 0) {
        SDXSurface target;
        fuzzsupport::Check(target.CreateSurface(&draw, 64, 48, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0) == 1);
        const sys::RECT clip{4, 4, 60, 40};
        for (int i = 0; i < sprite.GetFrameCount(); ++i) {
            sprite.SetCurrentFrame(i);
            sprite.DrawAt(&target, 10, 10);
            sprite.DrawClipped(&target, &clip);
            sys::RECT part{0, 0, 8, 8};
            sprite.DrawPart(&target, sys::RECT{0, 0, 8, 8}, &part);
            sprite.GetFrameRect();
        }
        sprite.RebuildSurface(&draw);
        std::unique_ptr<SResource> copy(sprite.Clone(nullptr));
    }
    // Whatever LoadFile made of the file (a failed read leaves no frames), it stores and reads
    // back as itself.
    const std::vector<uint8_t> stored = Store(sprite);
    SSprite again;
    Load(again, stored);
    fuzzsupport::Check(Store(again) == stored);
    return 0;
}
