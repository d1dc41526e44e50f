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
// The program's title, which the player knows the box by.
constexpr const char* kCaption = "Tarvex";

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
    sys::dialogs::MessageBox(std::string("Generating BSP of model: ") + model->m_strFileName.GetString(), kCaption,
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
    if (object->m_nKind == 1) {
        // A point node stands in its parent's placement, and so do its children.
        if (object->m_pPoints == nullptr || object->m_nPointCount < 1) {
            return;
        }
        QueuePointNode(record, *object);
        VisitChildren(record, *object, nullptr, SFrameChoice{}, record.fWorld, record.fRotation, record.fSize);
        return;
    }
    SSMHandle* handle = object->m_nKind == 0 ? object->m_pModel : nullptr;
    SSMObject* model = handle != nullptr ? handle->GetModel() : nullptr;
    if (model == nullptr || (object->m_nSubKind != 0 && object->m_nSubKind != 1)) {
        return;
    }
    const bool isStatic = model->m_bBSPWanted != 0;
    SFrameChoice choice;
    if (!ChooseInstanceFrame(*handle, *model, record.iInterpolate != 0 && !isStatic, choice)) {
        return;
    }
    const SSMFrame* frame = choice.pFrame;
    bool any = false;
    for (size_t g = 0; g < handle->m_groupStates.size(); ++g) {
        SSMGroupHandle& state = handle->m_groupStates[g];
        state.flags &= ~kGroupQueued;
        const bool shownInFrame = g < frame->groupBytes.size() ? frame->groupBytes[g] != 0 : true;
        if ((state.flags & kGroupShown) != 0 && shownInFrame && g < model->m_groups.size() &&
            model->m_groups[g]->triangleCount > 0 && state.textureSlot >= 0) {
            state.flags |= kGroupQueued;
            any = true;
        }
    }
    float world[16], rotation[16];
    float sizeFactor = record.fSize * object->m_fScale;
    if (isStatic && model->m_bTransformValid != 0) {
        std::memcpy(world, model->m_transforms[0].m, 64);
        std::memcpy(rotation, model->m_transforms[1].m, 64);
    } else {
        SPlacement placement;
        PlaceObject(*object, handle, choice, placement);
        ThenMatrix(world, placement.fMatrix, record.fWorld);
        ThenMatrix(rotation, placement.fRotation, record.fRotation);
        sizeFactor = record.fSize * placement.fScale;
    }
    if (any && !isStatic && m_iSessionMode == 2) {
        bboxf_t box = frame->boxA;
        box.Transform(world);
        uint32_t mask = kAllPlanes;
        any = BoxVisible(m_pD3DRaster->GetFrustum(), box.v, mask);
    }
    if (any) {
        const size_t vertices = static_cast<size_t>(std::max<int16_t>(model->m_nVertices, 0));
        const float* transformed = nullptr;
        bool fresh = false;
        if (isStatic && model->m_bBSPBuilt != 0 && model->m_bspVertices.size() >= vertices * 6) {
            transformed = model->m_bspVertices.data();
        } else if (frame->positions.size() >= vertices * 3) {
            float* out = m_Queues.AllocTransformed(vertices);
            if (out != nullptr) {
                const SSMFrame* nextFrame = choice.pNext;
                const float blend = choice.fBlend;
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
    VisitChildren(record, *object, handle, choice, world, rotation, sizeFactor);
}

void SD3D6Parser::VisitChildren(SObjectFrameRecord& record, const ActorDesc& object, const SSMHandle* handle,
                                const SFrameChoice& choice, const float* world, const float* rotation, float size) {
    if (object.m_ppChildren == nullptr || object.m_nChildCount <= 0) {
        return;
    }
    ActorDesc* const self = record.pObject;
    float savedWorld[16], savedRotation[16], placedWorld[16], placedRotation[16];
    std::memcpy(savedWorld, record.fWorld, 64);
    std::memcpy(savedRotation, record.fRotation, 64);
    std::memcpy(placedWorld, world, 64);
    std::memcpy(placedRotation, rotation, 64);
    const float savedSize = record.fSize;
    for (int c = 0; c < object.m_nChildCount; ++c) {
        ActorDesc* child = object.m_ppChildren[c];
        if (child == nullptr) {
            continue;
        }
        record.pObject = child;
        SPlacement placement;
        if (handle != nullptr && PlaceChild(*child, *handle, choice, s_fConTriNormOffs, placement)) {
            ThenMatrix(record.fWorld, placement.fMatrix, placedWorld);
            ThenMatrix(record.fRotation, placement.fRotation, placedRotation);
            record.fSize = placement.fScale * size;
        } else {
            std::memcpy(record.fWorld, placedWorld, 64);
            std::memcpy(record.fRotation, placedRotation, 64);
            record.fSize = size;
        }
        RenderModelHierarchy(record);
    }
    std::memcpy(record.fWorld, savedWorld, 64);
    std::memcpy(record.fRotation, savedRotation, 64);
    record.fSize = savedSize;
    record.pObject = self;
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
    ThenMatrix(a, ry, rx);
    ThenMatrix(own, a, rz);
    MatrixTranslate(t, object->m_vPosition.x, object->m_vPosition.y, object->m_vPosition.z);
    ThenMatrix(a, s, own);
    ThenMatrix(record.fWorld, a, t);
    float cy[16], cp[16], cr[16];
    MatrixRotateY(cy, -m_fViewAngles[1]);
    MatrixRotateX(cp, m_fViewAngles[0]);
    MatrixRotateZ(cr, -m_fViewAngles[2]);
    ThenMatrix(a, cy, cp);
    ThenMatrix(b, a, cr);
    ThenMatrix(record.fRotation, b, own);
    // The walk places the object again from its own fields; hand it the object's parent frame.
    ActorDesc placed = *object;
    placed.m_vPosition = SVector();
    placed.m_vAngles = SVector();
    placed.m_fScale = 1.0f;
    record.pObject = &placed;
    record.fSize = 10.0f;
    RenderModelHierarchy(record);
}
