#pragma once

#include <cstdint>

struct ActorDesc;
struct SSMFrame;
struct SSMGroupFrame;
class SSMHandle;
class SSMObject;

// Where model instances and the children hung on them are placed. Drawing and the line test
// both place through these, so a shot finds a child where it is drawn. Matrices are 16 floats
// applied to row vectors; a placement's matrix carries its object into its parent's space.

// The frame an instance shows, the next one it blends toward and the blend between them.
struct SFrameChoice {
    const SSMFrame* pFrame = nullptr;
    const SSMFrame* pNext = nullptr;
    float fBlend = 0.0f;
};

// A local placement: the object's matrix before its parent's, its rotation before the parent's
// rotation, and the factor its sizes take on.
struct SPlacement {
    float fMatrix[16];
    float fRotation[16];
    float fScale = 1.0f;
};

// out = first then second, as a point is carried.
void ThenMatrix(float* out, const float* first, const float* second);
// The inverse of an affine matrix; false (and out untouched) when it flattens space.
bool InvertAffine(const float* m, float* out);

// The frame choice of an instance; false when its animation or frame is not there. Without
// `interpolate` the next frame and the blend are dropped.
bool ChooseInstanceFrame(const SSMHandle& handle, const SSMObject& model, bool interpolate, SFrameChoice& out);

// The tag of its own model that places an instance, or -1: the current group, when that group
// is a marker that carries a tag.
int InstanceTag(const SSMHandle& handle);

// An object's own placement: scaled, turned and moved by its fields, and for an instance that
// hangs on a tag of its own model first carried by that tag.
void PlaceObject(const ActorDesc& object, const SSMHandle* handle, const SFrameChoice& choice, SPlacement& out);

// Where a child of `parent`'s instance hangs: on a tag, on a triangle (lifted by `normalOffset`
// along its normal; only `onTriangles`), or on the instance's own tag. False when the child
// takes its parent's placement unchanged.
bool PlaceChild(const ActorDesc& child, const SSMHandle& parent, const SFrameChoice& choice, float normalOffset,
                SPlacement& out, bool onTriangles = true);
