#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The headless display backend: what reaches the screen is kept as the last presented frame
// and counted, and the display failures the program must survive can be switched on. The
// switches act on every live DirectDraw object; tests reset them between cases.
namespace sys::video::headless {

// One presented picture: the visible part of the primary surface (the main window's client
// area in a window, the whole mode in full screen) as 0x00RRGGBB pixels, rows top to bottom.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Back to the defaults: every switch off, 16 MiB of video memory, a 32-bit desktop; the last
// frame and the present count are dropped. Live objects keep their state.
void Reset();

// The last frame presented, empty before the first.
const Frame& LastFrame();
// How many frames were presented since the reset (every blit, flip, unlock or device context
// given back that reaches the primary surface).
uint64_t PresentCount();

// Making a DirectDraw object fails (REGDB_E_CLASSNOTREG): no DirectDraw on this machine.
void SetDirectDrawCreateFails(bool fails);
// Initialize answers DDERR_NODIRECTDRAWHW and the hardware capabilities are empty.
void SetNoHardware(bool noHardware);
// Whether the Direct3D object lists its hardware device ("Direct3D HAL"); without it only the
// null and the software device remain.
void SetHardwareDevice(bool present);
// The next `count` SetCooperativeLevel calls (the first step of setting any display mode, a
// window or full screen) answer DDERR_GENERIC; the calls after them work again.
void FailCooperativeLevels(int count);
// SetDisplayMode with this depth answers DDERR_UNSUPPORTEDMODE until the reset.
void RefuseDepth(uint32_t bitsPerPixel);
// The video memory every driver has; surfaces that do not fit in what is left answer
// DDERR_OUTOFVIDEOMEMORY when they ask for video memory, and go to system memory otherwise.
void SetVideoMemory(uint32_t bytes);

// Every surface is lost: its memory is cleared and drawing answers DDERR_SURFACELOST until it is
// restored.
void LoseAllSurfaces();
// The program loses its exclusive full-screen display (another program took it): the level
// test answers DDERR_NOEXCLUSIVEMODE, the device's surfaces are lost and cannot be restored
// until RegainExclusiveMode.
void LoseExclusiveMode();
void RegainExclusiveMode();
// Another program holds the display exclusively: windowed devices answer
// DDERR_EXCLUSIVEMODEALREADYSET to the level test and to exclusive requests.
void SetOtherProgramExclusive(bool holds);
// The desktop changes to another size and depth: windowed devices made before answer
// DDERR_WRONGMODE to the level test, their surfaces are lost and Restore answers DDERR_WRONGMODE.
void ChangeDesktopMode(int width, int height, uint32_t bitsPerPixel);

}  // namespace sys::video::headless
