#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The range's target: a standing board model and its texture, whose hit regions carry the
// points a shot there earns ("Score" tag). Paths are relative to the Home folder.
namespace home_range {

inline constexpr const char* kTargetModelPath = "Models/Range/target.ssm";
inline constexpr const char* kTargetTexturePath = "Models/Range/target.stx";

// The model and the texture file, the same bytes on every run.
std::vector<std::pair<std::string, std::vector<uint8_t>>> BuildTargetFiles();

}  // namespace home_range
