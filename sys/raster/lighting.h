#pragma once

#include <cstdint>
#include <vector>

#include "sys/raster/raster_types.h"

// Direct3D 6 vertex lighting for the rasterizer: directional lights, the ambient light and a
// material. The device hands the rasterizer the lights of its current viewport and the
// material its light state names before each draw; vertices that carry a normal are lit
// unless the draw says not to.
namespace sys::raster {

struct DirectionalLight {
    float direction[3] = {0.0f, -1.0f, 0.0f};  // where the light travels, in world space
    ColorF colour;
};

struct LightingState {
    ColorF ambient;  // the ambient light state
    ColorF materialDiffuse;
    ColorF materialAmbient;
    ColorF materialEmissive;
    // The vertex's own diffuse colour, when its format has one, stands for the material's.
    bool colourVertex = true;
    std::vector<DirectionalLight> lights;
};

// The lit diffuse colour of a vertex whose world-space normal is `normal`: emissive, plus
// ambient light times material ambient, plus for each light the diffuse colour times the light
// colour times the cosine between the normal and the direction towards the light (none from
// behind). Channels saturate at 1; alpha is the diffuse colour's.
ColorF LightVertex(const LightingState& state, const float normal[3], const ColorF& diffuse);

}  // namespace sys::raster
