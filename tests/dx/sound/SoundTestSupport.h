#pragma once

// Shared set-up of the sound tests: the headless backend with its default driver, a fresh fake
// clock and a scratch folder for WAVE files written by our own writer.

#include <gtest/gtest.h>

#include <string>

#include "dx/sound/SDXSound.h"
#include "sys/backend.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/time/time.h"
#include "tests/dx/sound/WaveWriter.h"
#include "tests/support/ScratchFolder.h"

namespace tarvex::test {

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::SelectBackend(sys::Backend::Headless);
        sys::audio::headless::Reset();
        sys::time::SetFakeTicks(1000);
        SDXSound::s_lMasterVolume = 0;
        folder = MakeScratchFolder("sound");
    }

    void TearDown() override { sys::audio::headless::Reset(); }

    // Writes a wave into the scratch folder and answers its path.
    std::string Write(const std::string& name, const WaveSpec& spec) {
        const std::string path = folder + "/" + name;
        WriteWave(path, spec);
        return path;
    }

    std::string folder;
};

}  // namespace tarvex::test
