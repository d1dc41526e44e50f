#include "render/frame/SScenePlacement.h"

#include <cmath>
#include <cstring>

#include "assets/math/Matrix16f.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/parser/SParser.h"

namespace {

// A tag's placing values, blended when the instance moves between two frames.
struct TagValues {
    float point[3];
    float angles[3];
    float scale;
};

const SSMGroupFrame* TagOf(const SSMFrame* frame, int tag) {
    if (frame == nullptr || tag < 0 || static_cast<size_t>(tag) >= frame->groupFrames.size()) {
        return nullptr;
    }
    return &frame->groupFrames[static_cast<size_t>(tag)];
}

TagValues ReadTag(const SSMGroupFrame& tag, float weight) {
    TagValues v;
    for (int k = 0; k < 3; ++k) {
        v.point[k] = tag.origin[k] + (tag.end[k] - tag.origin[k]) * weight;
    }
    v.angles[0] = tag.pitch, v.angles[1] = tag.yaw, v.angles[2] = tag.roll;
    v.scale = tag.length;
    return v;
}

// Tag `index` of the choice at `weight` along its segment; blended toward the next frame
// unless `currentOnly`.
bool BlendedTag(const SFrameChoice& choice, int index, float weight, bool currentOnly, TagValues& out) {
    const SSMGroupFrame* a = TagOf(choice.pFrame, index);
    if (a == nullptr) {
        return false;
    }
    out = ReadTag(*a, weight);
    const SSMGroupFrame* b = TagOf(choice.pNext, index);
    if (b != nullptr && choice.fBlend != 0.0f && !currentOnly) {
        const TagValues next = ReadTag(*b, weight);
        for (int k = 0; k < 3; ++k) {
            out.point[k] += (next.point[k] - out.point[k]) * choice.fBlend;
            out.angles[k] += (next.angles[k] - out.angles[k]) * choice.fBlend;
        }
        out.scale += (next.scale - out.scale) * choice.fBlend;
    }
    return true;
}

// A tag of an instance without a base scale is taken at its own size.
float Relative(float tagScale, float base) { return base != 0.0f ? tagScale / base : tagScale; }

// Hanging on a tag: turned by the tag, scaled by t, then moved by minus the tag point.
void HangOnTag(const TagValues& tag, float t, SPlacement& out) {
    float rz[16], rx[16], ry[16], a[16], st[16], tp[16], b[16];
    MatrixRotateZ(rz, tag.angles[2]);
    MatrixRotateX(rx, -tag.angles[0]);
    MatrixRotateY(ry, tag.angles[1]);
    ThenMatrix(a, rz, rx);
    ThenMatrix(out.fRotation, a, ry);
    MatrixScale(st, t, t, t);
    MatrixTranslate(tp, -tag.point[0], -tag.point[1], -tag.point[2]);
    ThenMatrix(b, out.fRotation, st);
    ThenMatrix(out.fMatrix, b, tp);
    out.fScale = t;
}

void Sub(const float* a, const float* b, float* out) {
    for (int k = 0; k < 3; ++k) {
        out[k] = a[k] - b[k];
    }
}

void Cross(const float* a, const float* b, float* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Length(const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// Sitting on a triangle of the frame: axes along its first edge, across it and along its
// normal, placed at (u, v) over its two edges and lifted along the normal.
bool SitOnTriangle(const ActorDesc& child, const SSMObject& model, const SSMFrame& frame, float lift,
                   SPlacement& out) {
    const int index = child.m_nTriangleIndex;
    if (index < 0 || static_cast<size_t>(index) >= model.m_triangles.size()) {
        return false;
    }
    const SSMTriangle& triangle = model.m_triangles[static_cast<size_t>(index)];
    float v[3][3];
    for (int k = 0; k < 3; ++k) {
        const int vertex = triangle.vertex[k];
        if (vertex < 0 || frame.positions.size() < (static_cast<size_t>(vertex) + 1) * 3) {
            return false;
        }
        std::memcpy(v[k], &frame.positions[static_cast<size_t>(vertex) * 3], 12);
    }
    float e1[3], e2[3], n[3], side[3];
    Sub(v[1], v[0], e1);
    Sub(v[2], v[0], e2);
    Cross(e1, e2, n);
    Cross(e1, n, side);
    const float le1 = Length(e1), ln = Length(n), lside = Length(side);
    if (le1 == 0.0f || ln == 0.0f || lside == 0.0f) {
        return false;  // a flat triangle gives no axes to sit by
    }
    MatrixIdentity(out.fRotation);
    for (int k = 0; k < 3; ++k) {
        out.fRotation[k] = e1[k] / le1;
        out.fRotation[4 + k] = side[k] / lside;
        out.fRotation[8 + k] = n[k] / ln;
    }
    std::memcpy(out.fMatrix, out.fRotation, 64);
    for (int k = 0; k < 3; ++k) {
        out.fMatrix[12 + k] =
            v[0][k] + child.m_fTriangleU * e1[k] + child.m_fTriangleV * e2[k] + lift * n[k] / ln;
    }
    out.fScale = 1.0f;
    return true;
}

bool IsTagGroup(const SSMObject& model, int group) {
    if (group < 0 || static_cast<size_t>(group) >= model.m_groups.size()) {
        return false;
    }
    const SSMGroup& g = *model.m_groups[static_cast<size_t>(group)];
    return ((g.flags & kGroupSingleMarker) != 0 && !g.triangles.empty()) ||
           ((g.flags & kGroupMarker) != 0 && g.triangles.size() == 2);
}

}  // namespace

void ThenMatrix(float* out, const float* first, const float* second) { MatrixMultiply(out, second, first); }

bool InvertAffine(const float* m, float* out) {
    const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0f || !std::isfinite(det)) {
        return false;
    }
    const float r = 1.0f / det;
    float inv[16] = {(e * i - f * h) * r, (c * h - b * i) * r, (b * f - c * e) * r, 0.0f,
                     (f * g - d * i) * r, (a * i - c * g) * r, (c * d - a * f) * r, 0.0f,
                     (d * h - e * g) * r, (b * g - a * h) * r, (a * e - b * d) * r, 0.0f,
                     0.0f,                0.0f,                0.0f,                1.0f};
    for (int k = 0; k < 3; ++k) {
        inv[12 + k] = -(m[12] * inv[k] + m[13] * inv[4 + k] + m[14] * inv[8 + k]);
    }
    std::memcpy(out, inv, 64);
    return true;
}

bool ChooseInstanceFrame(const SSMHandle& handle, const SSMObject& model, bool interpolate, SFrameChoice& out) {
    int frameIndex = handle.m_nCurFrame;
    int nextIndex = -1;
    float blend = 0.0f;
    if (handle.IsAnimated() != 0) {
        const int a = handle.m_nCurAnim;
        if (a < 0 || static_cast<size_t>(a) >= model.m_anims.size() ||
            static_cast<size_t>(a) >= handle.m_animStates.size()) {
            return false;
        }
        const SSMAnim& anim = *model.m_anims[static_cast<size_t>(a)];
        const SSMAnimHandle& play = handle.m_animStates[static_cast<size_t>(a)];
        const int step = play.step;
        if (step < 0 || static_cast<size_t>(step) >= anim.frames.size()) {
            return false;
        }
        frameIndex = anim.frames[static_cast<size_t>(step)];
        const int count = static_cast<int>(anim.frames.size());
        int next = step + 1;
        if (play.loop != 0 && next == count) {
            next = 0;
        }
        if (next < count) {
            nextIndex = anim.frames[static_cast<size_t>(next)];
            const float duration =
                static_cast<size_t>(step) < anim.durations.size() ? anim.durations[static_cast<size_t>(step)] : 0.0f;
            // A frame of no duration is shown whole rather than divided by.
            blend = duration > 0.0f ? play.elapsed * (1.0f / duration) : 0.0f;
        }
    }
    if (!interpolate) {
        nextIndex = -1;
        blend = 0.0f;
    }
    if (frameIndex < 0 || static_cast<size_t>(frameIndex) >= model.m_frames.size()) {
        return false;
    }
    out.pFrame = model.m_frames[static_cast<size_t>(frameIndex)].get();
    out.pNext = nextIndex >= 0 && static_cast<size_t>(nextIndex) < model.m_frames.size()
                    ? model.m_frames[static_cast<size_t>(nextIndex)].get()
                    : nullptr;
    out.fBlend = out.pNext != nullptr ? blend : 0.0f;
    return true;
}

int InstanceTag(const SSMHandle& handle) {
    const SSMObject* model = handle.GetModel();
    const int group = handle.m_nCurGroup;
    return model != nullptr && IsTagGroup(*model, group) ? group : -1;
}

void PlaceObject(const ActorDesc& object, const SSMHandle* handle, const SFrameChoice& choice, SPlacement& out) {
    float rz[16], rx[16], ry[16], a[16], rn[16], t[16], s[16], b[16];
    MatrixRotateZ(rz, -object.m_vAngles.z);
    MatrixRotateX(rx, object.m_vAngles.x);
    MatrixRotateY(ry, -object.m_vAngles.y);
    ThenMatrix(a, rz, rx);
    ThenMatrix(rn, a, ry);
    MatrixTranslate(t, object.m_vPosition.x, object.m_vPosition.y, object.m_vPosition.z);
    const int tag = handle != nullptr ? InstanceTag(*handle) : -1;
    const SSMGroupFrame* own = TagOf(choice.pFrame, tag);
    if (own == nullptr) {
        const float k = object.m_fScale;
        MatrixScale(s, k, k, k);
        ThenMatrix(a, s, rn);
        ThenMatrix(out.fMatrix, a, t);
        std::memcpy(out.fRotation, rn, 64);
        out.fScale = k;
        return;
    }
    // Hung on a tag of its own model: carried to the tag point and turned by the tag first.
    float point[3], length = own->length, rt[16];
    std::memcpy(point, own->origin, 12);
    const SSMGroupFrame* next = TagOf(choice.pNext, tag);
    if (next != nullptr && choice.fBlend != 0.0f) {
        for (int k = 0; k < 3; ++k) {
            point[k] += (next->origin[k] - point[k]) * choice.fBlend;
        }
        length += (next->length - length) * choice.fBlend;
        MatrixIdentity(rt);
        QuatToMatrix(rt, CQuat::Slerp(choice.fBlend, own->orientation, next->orientation));
    } else {
        std::memcpy(rt, own->matrix.m, 64);
    }
    const float k = (object.m_dwFlags & 0x8) != 0 ? object.m_fScale
                                                   : Relative(handle->GetScale(), length) * object.m_fScale;
    float tt[16], c[16];
    MatrixTranslate(tt, point[0], point[1], point[2]);
    MatrixScale(s, k, k, k);
    ThenMatrix(a, tt, rt);
    ThenMatrix(b, a, s);
    ThenMatrix(c, b, rn);
    ThenMatrix(out.fMatrix, c, t);
    ThenMatrix(out.fRotation, rt, rn);
    out.fScale = k;
}

bool PlaceChild(const ActorDesc& child, const SSMHandle& parent, const SFrameChoice& choice, float normalOffset,
                SPlacement& out, bool onTriangles) {
    const SSMObject* model = parent.GetModel();
    if (model == nullptr || choice.pFrame == nullptr) {
        return false;
    }
    const float base = parent.GetScale();
    TagValues tag;
    if (child.m_nTagIndex >= 0) {
        const auto index = static_cast<size_t>(child.m_nTagIndex);
        // A tag marked in the instance's group states follows the current frame alone.
        const bool currentOnly =
            index < parent.m_groupStates.size() && (parent.m_groupStates[index].flags & 0x100) != 0;
        if (!BlendedTag(choice, child.m_nTagIndex, child.m_fBlendWeight, currentOnly, tag)) {
            return false;
        }
        HangOnTag(tag, Relative(tag.scale, base), out);
        return true;
    }
    if (child.m_nTriangleIndex >= 0 && onTriangles) {
        return SitOnTriangle(child, *model, *choice.pFrame, normalOffset, out);
    }
    const int own = InstanceTag(parent);
    if (own < 0 || !BlendedTag(choice, own, 0.0f, false, tag)) {
        return false;
    }
    HangOnTag(tag, Relative(tag.scale, base), out);
    return true;
}
