// The hierarchy walk of drawn objects: model instances are placed, culled and queued group by
// group, children follow their parents, and a static model gets its BSP trees on its first draw.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "assets/math/Matrix16f.h"
#include "assets/models/BspBuilder.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/window/dialogs.h"

namespace {

constexpr uint32_t kGroupShown = 0x2;
constexpr uint32_t kGroupQueued = 0x4000;
constexpr int kAllPlanes = 63;

// out = first then second, as a point is carried.
void Then(float* out, const float* first, const float* second) { MatrixMultiply(out, second, first); }

void CarryPoint(const float* m, const float* p, float* out) {
    for (int i = 0; i < 3; ++i) {
        out[i] = p[0] * m[i] + p[1] * m[4 + i] + p[2] * m[8 + i] + m[12 + i];
    }
}

void TransformNormal(const float* m, const float* n, float* out) {
    for (int i = 0; i < 3; ++i) {
        out[i] = n[0] * m[i] + n[1] * m[4 + i] + n[2] * m[8 + i];
    }
}

// Whether a box (min xyz, max xyz) may be seen: outside one plane of the mask means culled;
// planes the box lies wholly inside leave the mask.
bool BoxVisible(const SRasterFrustum& frustum, const float* box, uint32_t& mask) {
    for (int i = 0; i < 6; ++i) {
        const uint32_t bit = 1u << i;
        if ((mask & bit) == 0 || (frustum.dwMask & bit) == 0) {
            continue;
        }
        const SRasterFrustum::Plane& plane = frustum.planes[i];
        float far[3], near[3];
        for (int k = 0; k < 3; ++k) {
            const bool positive = plane.fNormal[k] >= 0.0f;
            far[k] = positive ? box[3 + k] : box[k];
            near[k] = positive ? box[k] : box[3 + k];
        }
        const auto dot = [&](const float* p) {
            return plane.fNormal[0] * p[0] + plane.fNormal[1] * p[1] + plane.fNormal[2] * p[2];
        };
        if (dot(far) < plane.fDistance) {
            return false;
        }
        if (dot(near) >= plane.fDistance) {
            mask &= ~bit;
        }
    }
    return true;
}

void CollectVisibleBSPTriangles(const SRasterFrustum& frustum, const SSMGroup& group, const mbspitem_t* item,
                                uint32_t mask, std::vector<uint16_t>& out) {
    if (item == nullptr || !BoxVisible(frustum, item->box.v, mask)) {
        return;
    }
    if (item->IsLeaf()) {
        for (uint32_t t : static_cast<const mleaf_t*>(item)->triangles) {
            out.push_back(static_cast<uint16_t>(t));
        }
        return;
    }
    const auto* node = static_cast<const mnode_t*>(item);
    CollectVisibleBSPTriangles(frustum, group, node->pFront, mask, out);
    out.push_back(static_cast<uint16_t>(node->splitTriangle));
    CollectVisibleBSPTriangles(frustum, group, node->pBack, mask, out);
}

}  // namespace

float SD3D6Parser::s_fAlphaOffset = 0.0f;

void SD3D6Parser::BuildModelBSP(SSMObject* model, const float* transformed, const float* world,
                                const float* rotation) {
    const size_t count = static_cast<size_t>(std::max<int16_t>(model->m_nVertices, 0));
    model->m_bspVertices.assign(transformed, transformed + count * 6);
    model->m_nBSPVertices = static_cast<uint32_t>(count);
    model->m_bBSPBuilt = 1;
    std::memcpy(model->m_transforms[0].m, world, 64);
    std::memcpy(model->m_transforms[1].m, rotation, 64);
    model->m_bTransformValid = 1;
    sys::dialogs::MessageBox(std::string("Generating BSP of model: ") + model->m_strFileName.GetString(), GetTitle(),
                             0);
    for (size_t g = 0; g < model->m_groups.size(); ++g) {
        SSMGroup& group = *model->m_groups[g];
        if ((group.flags & kGroupHasBsp) == 0) {
            continue;
        }
        std::vector<bsppoly_t> polys;
        BSPCollectGroupPolygons(polys, *model, static_cast<int>(g));
        bsppolylist_t& work = BSPBuildBegin(&group.nodes, &group.leaves, polys);
        group.pRoot = nullptr;
        BSPBuildNode(&group.pRoot, work, nullptr, 0);
        BSPBuildEnd();
    }
    model->SaveBSP(model->m_strFileName.GetString());
}

void SD3D6Parser::RenderModelHierarchy(SObjectFrameRecord& record) {
    ActorDesc* object = record.pObject;
    if (object == nullptr || (object->m_dwFlags & 1) == 0 || m_pD3DRaster == nullptr) {
        return;
    }
    const SRasterFrustum& frustum = m_pD3DRaster->GetFrustum();
    if (object->m_nKind == 1) {
        // Point shapes carry no geometry of their own here; their children are still placed.
    } else if (object->m_nKind != 0) {
        return;
    }
    float world[16], rotation[16];
    std::memcpy(world, record.fWorld, 64);
    std::memcpy(rotation, record.fRotation, 64);
    float sizeFactor = record.fSize;
    const SSMFrame* placedFrame = nullptr;
    const SSMFrame* placedNext = nullptr;
    float placedBlend = 0.0f;
    // Only a kind-0 object holds a model instance; a kind-1 record's pointer is its own (a
    // ground decal keeps its geometry there) and is never read as one.
    SSMHandle* handle = object->m_nKind == 0 ? object->m_pModel : nullptr;
    SSMObject* model = handle != nullptr ? handle->GetModel() : nullptr;
    if (object->m_nKind == 0) {
        if (model == nullptr || (object->m_nSubKind != 0 && object->m_nSubKind != 1)) {
            return;
        }
        // The frame shown, and the next one it is blended toward while an animation plays.
        int frameIndex = handle->m_nCurFrame;
        int nextIndex = -1;
        float blend = 0.0f;
        if (handle->IsAnimated() != 0) {
            const int a = handle->m_nCurAnim;
            if (a < 0 || static_cast<size_t>(a) >= model->m_anims.size() ||
                static_cast<size_t>(a) >= handle->m_animStates.size()) {
                return;
            }
            const SSMAnim& anim = *model->m_anims[static_cast<size_t>(a)];
            const SSMAnimHandle& play = handle->m_animStates[static_cast<size_t>(a)];
            const int step = play.step;
            if (step < 0 || static_cast<size_t>(step) >= anim.frames.size()) {
                return;
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
        if (record.iInterpolate == 0 || model->m_bBSPWanted != 0) {
            nextIndex = -1;
            blend = 0.0f;
        }
        if (frameIndex < 0 || static_cast<size_t>(frameIndex) >= model->m_frames.size()) {
            return;
        }
        const SSMFrame* frame = model->m_frames[static_cast<size_t>(frameIndex)].get();
        const SSMFrame* nextFrame = nextIndex >= 0 && static_cast<size_t>(nextIndex) < model->m_frames.size()
                                        ? model->m_frames[static_cast<size_t>(nextIndex)].get()
                                        : nullptr;
        placedFrame = frame;
        placedNext = nextFrame;
        placedBlend = blend;
        bool any = false;
        for (size_t g = 0; g < handle->m_groupStates.size(); ++g) {
            SSMGroupHandle& state = handle->m_groupStates[g];
            state.flags &= ~kGroupQueued;
            const bool shownInFrame =
                frame != nullptr && g < frame->groupBytes.size() ? frame->groupBytes[g] != 0 : frame != nullptr;
            if ((state.flags & kGroupShown) != 0 && shownInFrame && g < model->m_groups.size() &&
                model->m_groups[g]->triangleCount > 0 && state.textureSlot >= 0) {
                state.flags |= kGroupQueued;
                any = true;
            }
        }
        const bool isStatic = model->m_bBSPWanted != 0;
        if (isStatic && model->m_bTransformValid != 0) {
            std::memcpy(world, model->m_transforms[0].m, 64);
            std::memcpy(rotation, model->m_transforms[1].m, 64);
            sizeFactor = record.fSize * object->m_fScale;
        } else {
            float rz[16], rx[16], ry[16], rn[16], t[16], sc[16], tmp[16], tmp2[16];
            MatrixRotateZ(rz, -object->m_vAngles.z);
            MatrixRotateX(rx, object->m_vAngles.x);
            MatrixRotateY(ry, -object->m_vAngles.y);
            Then(tmp, rz, rx);
            Then(rn, tmp, ry);
            MatrixTranslate(t, object->m_vPosition.x, object->m_vPosition.y, object->m_vPosition.z);
            MatrixScale(sc, object->m_fScale, object->m_fScale, object->m_fScale);
            Then(tmp, sc, rn);
            Then(tmp2, tmp, t);
            Then(world, tmp2, record.fWorld);
            Then(rotation, rn, record.fRotation);
            sizeFactor = record.fSize * object->m_fScale;
        }
        if (any && frame != nullptr && !isStatic && m_iSessionMode == 2) {
            bboxf_t box = frame->boxA;
            box.Transform(world);
            uint32_t mask = kAllPlanes;
            any = BoxVisible(frustum, box.v, mask);
        }
        if (any && frame != nullptr) {
            const size_t vertices = static_cast<size_t>(std::max<int16_t>(model->m_nVertices, 0));
            const float* transformed = nullptr;
            bool fresh = false;
            if (isStatic && model->m_bBSPBuilt != 0 && model->m_bspVertices.size() >= vertices * 6) {
                transformed = model->m_bspVertices.data();
            } else if (frame->positions.size() >= vertices * 3) {
                float* out = m_Queues.AllocTransformed(vertices);
                if (out != nullptr) {
                    const bool blended = nextFrame != nullptr && nextFrame->positions.size() >= vertices * 3 &&
                                         nextFrame->normals.size() >= frame->normals.size();
                    for (size_t v = 0; v < vertices; ++v) {
                        float p[3], n[3] = {0.0f, 1.0f, 0.0f};
                        const bool hasNormal = frame->normals.size() >= (v + 1) * 3;
                        for (size_t k = 0; k < 3; ++k) {
                            p[k] = frame->positions[v * 3 + k];
                            if (hasNormal) {
                                n[k] = frame->normals[v * 3 + k];
                            }
                            if (blended) {
                                p[k] += (nextFrame->positions[v * 3 + k] - p[k]) * blend;
                                if (hasNormal) {
                                    n[k] += (nextFrame->normals[v * 3 + k] - n[k]) * blend;
                                }
                            }
                        }
                        CarryPoint(world, p, out + v * 6);
                        TransformNormal(rotation, n, out + v * 6 + 3);
                    }
                    transformed = out;
                    fresh = true;
                }
            }
            if (transformed != nullptr && isStatic && model->m_bBSPBuilt == 0) {
                BuildModelBSP(model, transformed, world, rotation);
            }
            if (transformed != nullptr) {
                QueueModelGroups(record, *object, *handle, *model, transformed, fresh);
            }
        }
    }
    // Children hang on their parent's placement; the record is put back after them.
    if (object->m_ppChildren != nullptr && object->m_nChildCount > 0) {
        float savedWorld[16], savedRotation[16];
        std::memcpy(savedWorld, record.fWorld, 64);
        std::memcpy(savedRotation, record.fRotation, 64);
        const float savedSize = record.fSize;
        for (int c = 0; c < object->m_nChildCount; ++c) {
            ActorDesc* child = object->m_ppChildren[c];
            if (child == nullptr) {
                continue;
            }
            record.pObject = child;
            std::memcpy(record.fWorld, world, 64);
            std::memcpy(record.fRotation, rotation, 64);
            record.fSize = sizeFactor;
            if (child->m_nTagIndex >= 0 && placedFrame != nullptr &&
                static_cast<size_t>(child->m_nTagIndex) < placedFrame->groupFrames.size()) {
                PlaceOnTag(record, *child, *handle, placedFrame, placedNext, placedBlend, world, rotation,
                           sizeFactor);
            }
            RenderModelHierarchy(record);
        }
        std::memcpy(record.fWorld, savedWorld, 64);
        std::memcpy(record.fRotation, savedRotation, 64);
        record.fSize = savedSize;
        record.pObject = object;
    }
}

void SD3D6Parser::PlaceOnTag(SObjectFrameRecord& record, const ActorDesc& child, const SSMHandle& handle,
                             const SSMFrame* frame, const SSMFrame* next, float blend, const float* parentWorld,
                             const float* parentRotation, float parentSize) {
    const size_t tag = static_cast<size_t>(child.m_nTagIndex);
    const SSMGroupFrame& a = frame->groupFrames[tag];
    float p[3], angles[3] = {a.pitch, a.yaw, a.roll};
    for (int k = 0; k < 3; ++k) {
        p[k] = a.origin[k] + (a.end[k] - a.origin[k]) * child.m_fBlendWeight;
    }
    const float base = handle.GetScale();
    // A tag of an instance without a scale is taken at its own size.
    float t = base != 0.0f ? a.length / base : a.length;
    const bool currentOnly = tag < handle.m_groupStates.size() && (handle.m_groupStates[tag].flags & 0x100) != 0;
    if (next != nullptr && blend != 0.0f && tag < next->groupFrames.size() && !currentOnly) {
        const SSMGroupFrame& b = next->groupFrames[tag];
        const float bAngles[3] = {b.pitch, b.yaw, b.roll};
        for (int k = 0; k < 3; ++k) {
            const float q = b.origin[k] + (b.end[k] - b.origin[k]) * child.m_fBlendWeight;
            p[k] += (q - p[k]) * blend;
            angles[k] += (bAngles[k] - angles[k]) * blend;
        }
        const float tb = base != 0.0f ? b.length / base : b.length;
        t += (tb - t) * blend;
    }
    float rz[16], rx[16], ry[16], rt[16], st[16], tp[16], m1[16], m2[16], m3[16];
    MatrixRotateZ(rz, angles[2]);
    MatrixRotateX(rx, -angles[0]);
    MatrixRotateY(ry, angles[1]);
    Then(m1, rz, rx);
    Then(rt, m1, ry);
    MatrixScale(st, t, t, t);
    MatrixTranslate(tp, -p[0], -p[1], -p[2]);
    Then(m1, rt, st);
    Then(m2, m1, tp);
    Then(m3, m2, parentWorld);
    std::memcpy(record.fWorld, m3, 64);
    Then(m1, rt, parentRotation);
    std::memcpy(record.fRotation, m1, 64);
    record.fSize = t * parentSize;
}

void SD3D6Parser::QueueModelGroups(const SObjectFrameRecord& record, const ActorDesc& object, SSMHandle& handle,
                                   SSMObject& model, const float* transformed, bool fresh) {
    const SRasterFrustum& frustum = m_pD3DRaster->GetFrustum();
    const bool underWater = record.iWater == 1 && object.m_vPosition.y < record.fWaterHeight;
    const float bias = underWater ? -1000.0f : 0.0f;
    const float alphaOffset = (object.m_dwFlags & 0x10) != 0 ? s_fAlphaOffset : 0.0f;
    const size_t vertexCount = static_cast<size_t>(std::max<int16_t>(model.m_nVertices, 0));
    auto keyOf = [&](const float* p0, const float* p1, const float* p2) {
        float key = 0.0f;
        for (int i = 0; i < 3; ++i) {
            const float c = (p0[i] + p1[i] + p2[i]) * 0.3333333f;
            key += (record.fCamera[i] - c) * record.fDirection[i];
        }
        return key;
    };
    auto fill = [&](SQueueVertex* out, const SSMTriangle& triangle) {
        for (int k = 0; k < 3; ++k) {
            const int v = triangle.vertex[k];
            out[k] = SQueueVertex{};
            if (v >= 0 && static_cast<size_t>(v) < vertexCount) {
                std::memcpy(&out[k].x, transformed + v * 6, 24);
            }
            out[k].dwColour = 0xFFFFFFFF;
            out[k].fTexCoord[0] = out[k].fTexCoord[2] = triangle.uv[k].u;
            out[k].fTexCoord[1] = out[k].fTexCoord[3] = triangle.uv[k].v;
        }
    };
    int32_t instance = -1;
    for (size_t g = 0; g < handle.m_groupStates.size() && g < model.m_groups.size(); ++g) {
        const SSMGroupHandle& state = handle.m_groupStates[g];
        if ((state.flags & kGroupQueued) == 0) {
            continue;
        }
        const SSMGroup& group = *model.m_groups[g];
        const int16_t texture = static_cast<int16_t>(state.textureSlot);
        const SD3D6Lock* lock = TextureRecord(texture);
        const bool translucent = lock != nullptr && lock->m_dwSortType == 1;
        if ((group.flags & kGroupHasBsp) != 0 && model.m_bBSPBuilt != 0) {
            m_VisibleTriangles.clear();
            CollectVisibleBSPTriangles(frustum, group, group.pRoot, kAllPlanes, m_VisibleTriangles);
            if (m_VisibleTriangles.empty()) {
                continue;
            }
            if (!translucent) {
                SQueueVertex* out = m_Queues.AllocVertices(m_VisibleTriangles.size() * 3);
                if (out == nullptr) {
                    continue;
                }
                SOpaqueEntry entry;
                entry.iTexture = texture;
                entry.iKind = 10;
                entry.pair.iFirst = static_cast<int16_t>(out - m_Queues.PoolVertices());
                entry.pair.iSecond = static_cast<int16_t>(m_VisibleTriangles.size() * 3);
                size_t written = 0;
                for (uint16_t t : m_VisibleTriangles) {
                    if (t < model.m_triangles.size()) {
                        fill(out + written * 3, model.m_triangles[t]);
                        ++written;
                    }
                }
                entry.pair.iSecond = static_cast<int16_t>(written * 3);
                m_Queues.AddOpaque(entry);
            } else {
                for (uint16_t t : m_VisibleTriangles) {
                    SQueueVertex* out = t < model.m_triangles.size() ? m_Queues.AllocVertices(3) : nullptr;
                    if (out == nullptr) {
                        continue;
                    }
                    fill(out, model.m_triangles[t]);
                    SDepthEntry entry;
                    entry.fKey = keyOf(&out[0].x, &out[1].x, &out[2].x) + bias;
                    entry.iTexture = texture;
                    entry.iKind = 1;
                    entry.pPointer = out;
                    m_Queues.AddDepth(entry);
                }
            }
            continue;
        }
        if (!translucent) {
            if (instance < 0) {
                instance = m_Queues.AddInstance(SMeshInstance{&model, transformed});
                if (instance < 0) {
                    continue;
                }
            }
            SOpaqueEntry entry;
            entry.iTexture = texture;
            entry.iKind = 0;
            entry.pair.iFirst = static_cast<int16_t>(instance);
            entry.pair.iSecond = static_cast<int16_t>(g);
            m_Queues.AddOpaque(entry);
        } else {
            for (int16_t t : group.triangles) {
                SQueueVertex* out =
                    t >= 0 && static_cast<size_t>(t) < model.m_triangles.size() ? m_Queues.AllocVertices(3) : nullptr;
                if (out == nullptr) {
                    continue;
                }
                fill(out, model.m_triangles[static_cast<size_t>(t)]);
                SDepthEntry entry;
                entry.fKey = keyOf(&out[0].x, &out[1].x, &out[2].x) + alphaOffset + bias;
                entry.iTexture = texture;
                entry.iKind = 1;
                entry.pPointer = out;
                m_Queues.AddDepth(entry);
            }
        }
    }
    (void)fresh;
}

void SD3D6Parser::QueueViewModel(ActorDesc* object) {
    SObjectFrameRecord record = MakeFrameRecord(object, 10.0f);
    // View models sit in front of a camera at the origin: their world matrix has only their own
    // placement, the rotation carries the camera's turn for lighting.
    float s[16], rx[16], ry[16], rz[16], t[16], a[16], b[16], own[16];
    const float scale = object->m_fScale * 10.0f;
    MatrixScale(s, scale, scale, scale);
    MatrixRotateY(ry, -object->m_vAngles.y);
    MatrixRotateX(rx, -object->m_vAngles.x);
    MatrixRotateZ(rz, -object->m_vAngles.z);
    Then(a, ry, rx);
    Then(own, a, rz);
    MatrixTranslate(t, object->m_vPosition.x, object->m_vPosition.y, object->m_vPosition.z);
    Then(a, s, own);
    Then(record.fWorld, a, t);
    float cy[16], cp[16], cr[16];
    MatrixRotateY(cy, -m_fViewAngles[1]);
    MatrixRotateX(cp, m_fViewAngles[0]);
    MatrixRotateZ(cr, -m_fViewAngles[2]);
    Then(a, cy, cp);
    Then(b, a, cr);
    Then(record.fRotation, b, own);
    // The walk places the object again from its own fields; hand it the object's parent frame.
    ActorDesc placed = *object;
    placed.m_vPosition = SVector();
    placed.m_vAngles = SVector();
    placed.m_fScale = 1.0f;
    record.pObject = &placed;
    record.fSize = 10.0f;
    RenderModelHierarchy(record);
}
