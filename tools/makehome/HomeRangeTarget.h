#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The range's target: a standing board model and its texture, whose hit regions carry the
// points a shot there earns ("Score" tag), and the mark a shot leaves on the ground. Paths
// are relative to the Home folder.
namespace home_range {

inline constexpr const char* kTargetModelPath = "Models/Range/target.ssm";
inline constexpr const char* kTargetTexturePath = "Models/Range/target.stx";
inline constexpr const char* kHoleTexturePath = "Models/Range/bullethole.stx";

// The model and the texture files, the same bytes on every run.
std::vector<std::pair<std::string, std::vector<uint8_t>>> BuildTargetFiles();

}  // namespace home_range
