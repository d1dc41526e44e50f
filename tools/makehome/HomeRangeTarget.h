#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The range's target: a standing board model and its texture, whose hit regions carry the
// points a shot there earns ("Score" tag), the mark a shot leaves on the ground, and the
// pistol held in first person. Paths are relative to the Home folder.
namespace home_range {

inline constexpr const char* kTargetModelPath = "Models/Range/target.ssm";
inline constexpr const char* kTargetTexturePath = "Models/Range/target.stx";
inline constexpr const char* kHoleTexturePath = "Models/Range/bullethole.stx";
// The weapon the range's officer holds in first person, and its picture.
inline constexpr const char* kPistolModelPath = "Models/Range/pistol.ssm";
inline constexpr const char* kPistolTexturePath = "Models/Range/pistol.stx";

// The model and the texture files, the same bytes on every run.
std::vector<std::pair<std::string, std::vector<uint8_t>>> BuildTargetFiles();

// A texture file of one opaque colour, lit a good deal by ambient light so that faces turned
// from the sun still show their colour.
std::vector<uint8_t> PlainTexture(uint8_t red, uint8_t green, uint8_t blue);

}  // namespace home_range
