#include "sys/raster/clipper.h"

#include <cmath>

namespace sys::raster {

namespace {

// Signed distance of a vertex to each plane, positive inside.
float Distance(const ClipVertex& v, int plane) {
    switch (plane) {
    case 0: return v.w - kMinimumW;
    case 1: return v.z;
    case 2: return v.w - v.z;
    case 3: return v.w + v.x;
    case 4: return v.w - v.x;
    case 5: return v.w + v.y;
    default: return v.w - v.y;
    }
}

// Puts a vertex made on a plane exactly on it, so later planes and the divide see no
// rounding leftovers (a guard-plane vertex with w a hair below the guard, for example).
void SnapToPlane(ClipVertex& v, int plane) {
    switch (plane) {
    case 0: v.w = kMinimumW; break;
    case 1: v.z = 0.0f; break;
    case 2: v.z = v.w; break;
    case 3: v.x = -v.w; break;
    case 4: v.x = v.w; break;
    case 5: v.y = -v.w; break;
    default: v.y = v.w; break;
    }
}

ClipVertex Interpolate(const ClipVertex& from, const ClipVertex& to, float t) {
    ClipVertex out;
    out.x = from.x + (to.x - from.x) * t;
    out.y = from.y + (to.y - from.y) * t;
    out.z = from.z + (to.z - from.z) * t;
    out.w = from.w + (to.w - from.w) * t;
    for (int i = 0; i < kAttributeCount; ++i) {
        out.attributes[i] = from.attributes[i] + (to.attributes[i] - from.attributes[i]) * t;
    }
    return out;
}

// The point where an edge crosses a plane, computed from its inside end.
ClipVertex Crossing(const ClipVertex& inside, float dInside, const ClipVertex& outside,
                    float dOutside, int plane) {
    ClipVertex v = Interpolate(inside, outside, dInside / (dInside - dOutside));
    SnapToPlane(v, plane);
    return v;
}

}  // namespace

uint32_t ClipCode(const ClipVertex& v) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z) ||
        !std::isfinite(v.w)) {
        return kClipInvalid;
    }
    uint32_t code = 0;
    for (int plane = 0; plane < kClipPlaneCount; ++plane) {
        if (Distance(v, plane) < 0.0f) {
            code |= 1u << plane;
        }
    }
    return code;
}

bool ClipPolygonToVolume(ClipPolygon& polygon, uint32_t planes) {
    ClipPolygon scratch;
    ClipPolygon* in = &polygon;
    ClipPolygon* out = &scratch;
    for (int plane = 0; plane < kClipPlaneCount; ++plane) {
        if ((planes & (1u << plane)) == 0) {
            continue;
        }
        out->count = 0;
        for (int i = 0; i < in->count; ++i) {
            const ClipVertex& current = in->v[i];
            const int nextIndex = (i + 1 == in->count) ? 0 : i + 1;
            const ClipVertex& next = in->v[nextIndex];
            const float dCurrent = Distance(current, plane);
            const float dNext = Distance(next, plane);
            // Each edge adds at most two vertices; a convex polygon cut by one plane gains at
            // most one, so the capacity holds, but never write past it whatever the input.
            if (out->count + 2 > ClipPolygon::kCapacity) {
                return false;
            }
            if (dCurrent >= 0.0f) {
                out->v[out->count] = current;
                out->edge[out->count++] = in->edge[i];
                if (dNext < 0.0f) {
                    out->v[out->count] = Crossing(current, dCurrent, next, dNext, plane);
                    out->edge[out->count++] = false;
                }
            } else if (dNext >= 0.0f) {
                out->v[out->count] = Crossing(next, dNext, current, dCurrent, plane);
                out->edge[out->count++] = in->edge[i];
            }
        }
        if (out->count < 3) {
            return false;
        }
        ClipPolygon* swap = in;
        in = out;
        out = swap;
    }
    if (in != &polygon) {
        polygon.count = in->count;
        for (int i = 0; i < in->count; ++i) {
            polygon.v[i] = in->v[i];
            polygon.edge[i] = in->edge[i];
        }
    }
    return true;
}

bool ClipSegmentToVolume(ClipVertex& a, ClipVertex& b, uint32_t planes) {
    float tStart = 0.0f;
    float tEnd = 1.0f;
    int planeStart = -1;
    int planeEnd = -1;
    for (int plane = 0; plane < kClipPlaneCount; ++plane) {
        if ((planes & (1u << plane)) == 0) {
            continue;
        }
        const float dA = Distance(a, plane);
        const float dB = Distance(b, plane);
        if (dA < 0.0f && dB < 0.0f) {
            return false;
        }
        if (dA < 0.0f) {
            const float t = dA / (dA - dB);
            if (t > tStart) {
                tStart = t;
                planeStart = plane;
            }
        } else if (dB < 0.0f) {
            const float t = dA / (dA - dB);
            if (t < tEnd) {
                tEnd = t;
                planeEnd = plane;
            }
        }
    }
    if (tStart > tEnd) {
        return false;
    }
    const ClipVertex original = a;
    if (planeStart >= 0) {
        a = Interpolate(original, b, tStart);
        SnapToPlane(a, planeStart);
    }
    if (planeEnd >= 0) {
        b = Interpolate(original, b, tEnd);
        SnapToPlane(b, planeEnd);
    }
    // Whatever survives must lie in front of the eye before the divide.
    return a.w > 0.0f && b.w > 0.0f;
}

}  // namespace sys::raster
