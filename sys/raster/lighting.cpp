#include "sys/raster/lighting.h"

#include <cmath>

namespace sys::raster {

void PrepareLighting(const LightingState& s, PreparedLighting& prepared) {
    prepared.base[0] = s.materialEmissive.r + s.ambient.r * s.materialAmbient.r;
    prepared.base[1] = s.materialEmissive.g + s.ambient.g * s.materialAmbient.g;
    prepared.base[2] = s.materialEmissive.b + s.ambient.b * s.materialAmbient.b;
    prepared.lights.clear();
    for (const DirectionalLight& light : s.lights) {
        const float* d = light.direction;
        const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        // A light without a direction shines nowhere.
        if (length > 0.0f) {
            prepared.lights.push_back(PreparedLighting::Light{{d[0], d[1], d[2]}, length, light.colour});
        }
    }
}

ColorF LightVertex(const LightingState& s, const float normal[3], const ColorF& diffuse) {
    PreparedLighting prepared;
    PrepareLighting(s, prepared);
    return LightVertex(prepared, normal, diffuse);
}

}  // namespace sys::raster
