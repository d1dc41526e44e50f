#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The headless sound backend: the mix is made on demand from the fake clock and kept for tests
// to read, and the failures the sound code must survive can be switched on. Every call here
// works on all live devices; tests reset it between cases.
namespace sys::audio::headless {

// Back to the defaults: the primary driver only, 32 hardware mixing and 16 hardware 3D buffers,
// formats accepted, restores allowed; the captured samples are dropped.
void Reset();

// No sound driver at all: enumeration reports none and devices cannot be created.
void SetNoDriver(bool noDriver);
// A second driver after the primary one ("Tarvex Test Sound Device", module "tvsound.drv").
void SetSecondDriver(bool present);
// How many hardware 3D buffers devices report (0: none, so hardware 3D is unavailable).
void SetHardware3DBuffers(uint32_t count);
// The primary buffer keeps the format it has whatever SetFormat asks (a card that only plays
// 8-bit sound); SetFormat still answers DS_OK.
void SetPrimaryFormatFixed(bool fixed);
// Every secondary buffer of every device is lost: it stops, its memory is cleared, and playing
// or locking it answers DSERR_BUFFERLOST until it is restored.
void LoseAllBuffers();
// Restore answers DSERR_BUFFERLOST while set (another program holds the device).
void SetRestoreRefused(bool refused);

// Mixes every live device up to the fake clock's present.
void MixToNow();
// The stereo 16-bit frames mixed since the last call (left, right, left, ...), oldest first;
// at most the last 30 seconds are kept.
std::vector<int16_t> TakeMixed();
// The rate the device created last mixes at (its primary buffer's rate); 0 without one.
uint32_t MixRate();

// Called by the mixer with every block it produced on the headless backend.
void Capture(const int16_t* samples, size_t count, uint32_t rate);

}  // namespace sys::audio::headless
