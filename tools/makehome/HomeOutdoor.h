#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The demo outdoor world: a scenario map with a hill, a pond and two placed models, the
// textures its ground, trees, sky box and water name, and the two static models with their
// ".bsp" trees, all drawn and built here. Files are given by path relative to the Home folder.
namespace home_outdoor {

struct OutdoorFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// Where the map, the textures and the models go.
inline constexpr const char* kMapPath = "Maps/Outdoor.gmx";
inline constexpr const char* kTextureFolder = "Textures/Outdoor";
inline constexpr const char* kModelFolder = "Models/Outdoor";

// Every file of the outdoor world, the same bytes on every run.
std::vector<OutdoorFile> BuildOutdoorFiles();

}  // namespace home_outdoor
