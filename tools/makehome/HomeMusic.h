#pragma once

#include <cstdint>
#include <vector>

#include "tools/makehome/HomeSet.h"

class SCatalog;

// The longer sounds of the demo set, synthesised: the splash chime, the menus' music loop and
// a few spoken-sounding voice-over stand-ins. Mono 16-bit at the set's rate, like the tones.
namespace home_music {

// A rising three-note bell chime, under a second, ending in silence.
std::vector<int16_t> SplashChime();
// Eight seconds of soft chords with a bass and an arpeggio; its end leads into its start, so
// it loops without a seam.
std::vector<int16_t> MenuLoop();
// A murmur with the rhythm and pitch of a short spoken phrase; `seed` varies the syllables.
std::vector<int16_t> VoiceOver(int seed);

// "splash.wav" beside the catalog, the music under "Interface:cop_training" and the male
// voice-overs the main menu picks from under "VoiceMale:...".
void AddStartupAndMenuSounds(std::vector<HomeSet::File>& files, SCatalog& catalog);

}  // namespace home_music
