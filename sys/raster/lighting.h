#pragma once

#include <cstdint>
#include <vector>

#include "sys/raster/pixel_packing.h"
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

// The part of the lighting that is the same for every vertex of a draw, worked out once per
// draw by the rasterizer: the emissive and ambient term, and the lights that can shine with
// their directions' lengths. Its storage is kept from draw to draw.
struct PreparedLighting {
    struct Light {
        float direction[3];
        float length;
        ColorF colour;
    };
    float base[3] = {};
    std::vector<Light> lights;
};

void PrepareLighting(const LightingState& state, PreparedLighting& prepared);

// The lit diffuse colour of a vertex whose world-space normal is `normal`: emissive, plus
// ambient light times material ambient, plus for each light the diffuse colour times the light
// colour times the cosine between the normal and the direction towards the light (none from
// behind). Channels saturate at 1; alpha is the diffuse colour's.
ColorF LightVertex(const LightingState& state, const float normal[3], const ColorF& diffuse);

// The same from the draw's prepared terms, giving the same floats.
inline ColorF LightVertex(const PreparedLighting& prepared, const float normal[3], const ColorF& diffuse) {
    float r = prepared.base[0], g = prepared.base[1], b = prepared.base[2];
    for (const PreparedLighting::Light& light : prepared.lights) {
        const float* d = light.direction;
        const float cosine = -(normal[0] * d[0] + normal[1] * d[1] + normal[2] * d[2]) / light.length;
        if (cosine > 0.0f) {
            r += diffuse.r * light.colour.r * cosine;
            g += diffuse.g * light.colour.g * cosine;
            b += diffuse.b * light.colour.b * cosine;
        }
    }
    return ColorF{Saturate(r), Saturate(g), Saturate(b), diffuse.a};
}

}  // namespace sys::raster
