#include "sys/raster/lighting.h"

#include <cmath>

#include "sys/raster/pixel_packing.h"

namespace sys::raster {

ColorF LightVertex(const LightingState& s, const float normal[3], const ColorF& diffuse) {
    float r = s.materialEmissive.r + s.ambient.r * s.materialAmbient.r;
    float g = s.materialEmissive.g + s.ambient.g * s.materialAmbient.g;
    float b = s.materialEmissive.b + s.ambient.b * s.materialAmbient.b;
    for (const DirectionalLight& light : s.lights) {
        const float* d = light.direction;
        const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (!(length > 0.0f)) {
            continue;
        }
        const float cosine = -(normal[0] * d[0] + normal[1] * d[1] + normal[2] * d[2]) / length;
        if (cosine > 0.0f) {
            r += diffuse.r * light.colour.r * cosine;
            g += diffuse.g * light.colour.g * cosine;
            b += diffuse.b * light.colour.b * cosine;
        }
    }
    return ColorF{Saturate(r), Saturate(g), Saturate(b), diffuse.a};
}

}  // namespace sys::raster
