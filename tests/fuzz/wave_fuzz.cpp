// Fuzz target of the WAVE reader: any bytes as a "WAVE" resource, read with and without the
// data, then handed to a sound buffer on the headless device. Nothing may crash, hang or
// allocate for bytes that are not there.
#include <cstddef>
#include <cstdint>

#include "dx/sound/SDXSound.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "dx/sound/SWave.h"
#include "sys/backend.h"
#include "sys/audio/mmio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int module = 0;
    static SDXSound* device = [] {
        sys::SelectBackend(sys::Backend::Headless);
        auto* created = new SDXSound;
        created->CreateWithFormat(sys::audio::GUID{}, true, 22050, 16, true);
        return created;
    }();
    if (size > 1u << 20) {
        return 0;
    }
    sys::mmio::RegisterResource(&module, "WAVE", 1, data, static_cast<uint32_t>(size));
    {
        SWave header(1u, &module, false);
        SWave whole(1u, &module, true);
        uint8_t sink[64];
        whole.GetData(sink, sizeof sink);
    }
    {
        SDXSoundBuffer buffer(device, 1u, true, SDXSoundBuffer::kDefaultFlags, &module);
        buffer.Play(0);
        buffer.GetDurationMs();
    }
    sys::mmio::RegisterResource(&module, "WAVE", 1, nullptr, 0);
    return 0;
}
