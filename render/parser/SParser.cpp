#include "render/parser/SParser.h"

#include <cmath>
#include <cstring>

#include "assets/math/Matrix16f.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/frame/SScenePlacement.h"
#include "render/outdoor/SRendererCatalog.h"

IMPLEMENT_DYNAMIC(SParser, CObject)

namespace {

SRendererCatalog* g_pCatalog = nullptr;

// matrix = local then matrix, for row vectors.
void Compose(const float* local, float* matrix) {
    float result[16];
    ThenMatrix(result, local, matrix);
    std::memcpy(matrix, result, 64);
}

// The model instance a kind-0 description draws, or null when it draws none.
SSMHandle* InstanceOf(const ActorDesc& desc) {
    if (desc.m_nKind != 0 || (desc.m_nSubKind != 0 && desc.m_nSubKind != 1) || desc.m_pModel == nullptr ||
        desc.m_pModel->GetModel() == nullptr) {
        return nullptr;
    }
    return desc.m_pModel;
}

}  // namespace

void SParser::SetCatalog(SRendererCatalog* catalog) { g_pCatalog = catalog; }

SRendererCatalog* SParser::GetCatalog() { return g_pCatalog; }

SParser::SParser() = default;

SParser::~SParser() = default;

const char* SParser::GetTitle() { return "KR5 Generic Parser"; }

int SParser::BlitToTexture(int16_t, float, float, sys::video::IDirectDrawSurface4*, int, int, int, int, uint8_t) {
    return 0;
}

void SParser::BumpFrameCounter() { ++m_dwFrameCounter; }

int SParser::ScreenToRay(const sys::POINT* point, SVector* origin, SVector* direction) {
    GetViewPosition(&origin->x, &origin->y, &origin->z);
    return ScreenToDirection(point, direction);
}

int SParser::ScreenToAngles(const sys::POINT* point, SVector* angles) {
    SVector direction;
    ScreenToDirection(point, &direction);
    *angles = direction.ToAngles();
    angles->DegreesToRadians();
    return 1;
}

int SParser::ScreenToDirection(const sys::POINT* point, SVector* direction) {
    float pitch = 0.0f, yaw = 0.0f, roll = 0.0f;
    GetViewAngles(&pitch, &yaw, &roll);
    float fov = 0.0f, baseFov = 0.0f, nearZ = 0.0f, farZ = 0.0f;
    GetProjection(&fov, &baseFov, &nearZ, &farZ);
    sys::RECT view, window;
    GetViewRects(&view, &window);

    // Both axes are measured in half widths, so a pixel is square whatever the aspect. A
    // viewport narrower than two pixels has no half width to measure by: its centre is used.
    const int half = (view.right - view.left) / 2;
    float nx = 0.0f, ny = 0.0f;
    if (half != 0) {
        nx = static_cast<float>(point->x - (view.left + view.right) / 2) / static_cast<float>(half);
        ny = static_cast<float>(point->y - (view.top + view.bottom) / 2) / static_cast<float>(-half);
    }
    const float t = std::tan(fov * 3.14159265f / 360.0f);
    SVector d(nx * t, ny * t, 1.0f);
    d.Normalize();
    d.RotateByAngles(SVector(pitch * SVector::kRadiansToDegrees, 0.0f, 0.0f));
    d.RotateByAngles(SVector(0.0f, yaw * SVector::kRadiansToDegrees, 0.0f));
    *direction = d;
    return 1;
}

void SParser::SetTableEntry(int16_t index, float value, uint32_t a, uint32_t b) {
    if (index < 0 || index >= 25) {
        return;
    }
    m_Table[index] = TableEntry{value, a, b};
}

void SParser::GetTableEntry(int16_t index, float* value, uint32_t* a, uint32_t* b) {
    if (index < 0 || index >= 25) {
        return;
    }
    *value = m_Table[index].fValue;
    *a = m_Table[index].dwA;
    *b = m_Table[index].dwB;
}

void SParser::SetViewRange(int, float, uint32_t, uint32_t) {}

SSMHandle* SParser::LoadModelsFromHandler(const char* resource, const char* file, const char* entry) {
    SString path;
    const char* const entries[1] = {entry != nullptr ? entry : ""};
    if (g_pCatalog == nullptr || resource == nullptr || file == nullptr ||
        !g_pCatalog->GetHandlerFiles(resource, file, entries, 1, &path) || path.Compare("\\") == 0) {
        path.Empty();
    }
    return LoadModels(path.GetString());
}

SSMHandle* SParser::LoadSSMModelsFromHandler(const char* resource, const char* file) {
    return LoadModelsFromHandler(resource, file, "SSM");
}

void SParser::BuildObjectMatrix(const ActorDesc* parent, const ActorDesc* desc, SMatrix* matrix, int interpolate) {
    if (desc == nullptr || matrix == nullptr) {
        return;
    }
    SSMHandle* handle = InstanceOf(*desc);
    if (!(handle != nullptr || desc->m_nKind == 2)) {
        return;
    }
    // Placed as drawing places it, so points of an actor's model land where they are seen.
    float* m = &matrix->m[0][0];
    // Hung on the parent: on the tag the description names, else on the parent's own tag.
    const SSMHandle* parentHandle = parent != nullptr ? InstanceOf(*parent) : nullptr;
    SFrameChoice parentChoice;
    SPlacement hung;
    if (parentHandle != nullptr &&
        ChooseInstanceFrame(*parentHandle, *parentHandle->GetModel(), interpolate != 0, parentChoice) &&
        PlaceChild(*desc, *parentHandle, parentChoice, 0.0f, hung, false)) {
        Compose(hung.fMatrix, m);
    }
    SPlacement own;
    SFrameChoice choice;
    if (handle != nullptr) {
        if (!ChooseInstanceFrame(*handle, *handle->GetModel(), interpolate != 0, choice)) {
            return;
        }
        handle->m_pShownFrame = const_cast<SSMFrame*>(choice.pFrame);
        handle->m_pNextFrame = const_cast<SSMFrame*>(choice.pNext);
        handle->m_fBlend = choice.fBlend;
    }
    const int tagIndex = handle != nullptr ? InstanceTag(*handle) : -1;
    if (tagIndex < 0) {
        PlaceObject(*desc, nullptr, choice, own);
        Compose(own.fMatrix, m);
        return;
    }
    // Hung on a tag of its own model: the tag is kept in the instance, and the object is
    // carried to the tag point and turned back by the tag before its own placement.
    SSMGroupFrame tag = choice.pFrame->groupFrames[static_cast<size_t>(tagIndex)];
    if (choice.pNext != nullptr && choice.fBlend != 0.0f) {
        const SSMGroupFrame& next = choice.pNext->groupFrames[static_cast<size_t>(tagIndex)];
        for (int k = 0; k < 3; ++k) {
            tag.origin[k] += (next.origin[k] - tag.origin[k]) * choice.fBlend;
        }
        tag.pitch += (next.pitch - tag.pitch) * choice.fBlend;
        tag.yaw += (next.yaw - tag.yaw) * choice.fBlend;
        tag.roll += (next.roll - tag.roll) * choice.fBlend;
        tag.length += (next.length - tag.length) * choice.fBlend;
    }
    const float base = handle->GetScale();
    const float k = (tag.length != 0.0f ? base / tag.length : base) * desc->m_fScale;
    std::memcpy(handle->m_markerOrigin, tag.origin, 12);
    handle->m_markerAngles[0] = tag.pitch, handle->m_markerAngles[1] = tag.yaw, handle->m_markerAngles[2] = tag.roll;
    handle->m_fSizeFactor = k;
    float rz[16], rx[16], ry[16], a[16], turn[16], back[16], t[16], sc[16], chain[16];
    MatrixRotateZ(rz, tag.roll);
    MatrixRotateX(rx, -tag.pitch);
    MatrixRotateY(ry, tag.yaw);
    ThenMatrix(a, rz, rx);
    ThenMatrix(turn, a, ry);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            back[r * 4 + c] = turn[c * 4 + r];
        }
    }
    MatrixTranslate(t, tag.origin[0], tag.origin[1], tag.origin[2]);
    MatrixScale(sc, k, k, k);
    ThenMatrix(a, t, back);
    ThenMatrix(chain, a, sc);
    ActorDesc unscaled = *desc;
    unscaled.m_fScale = 1.0f;
    PlaceObject(unscaled, nullptr, choice, own);
    Compose(own.fMatrix, m);
    Compose(chain, m);
}

SVector* SParser::TransformPoint(SVector* point, SMatrix matrix) {
    const float x = point->x, y = point->y, z = point->z;
    point->x = x * matrix.m[0][0] + y * matrix.m[1][0] + z * matrix.m[2][0] + matrix.m[3][0];
    point->y = x * matrix.m[0][1] + y * matrix.m[1][1] + z * matrix.m[2][1] + matrix.m[3][1];
    point->z = x * matrix.m[0][2] + y * matrix.m[1][2] + z * matrix.m[2][2] + matrix.m[3][2];
    return point;
}

void SParser::SubmitMapObject(int16_t modelIndex, float x, float z, float angleY, float scale, uint8_t upsideDown,
                              uint32_t value7, uint32_t value8, int16_t extraIndex, uint32_t value10,
                              uint32_t value11) {
    ActorDesc desc;
    desc.m_nKind = 1;
    desc.m_nSubKind = 4;
    desc.m_dwFlags = 1;
    desc.m_nModelIndex = modelIndex;
    desc.m_vPosition = SVector(x, 0.0f, z);
    desc.m_vAngles = SVector(upsideDown != 0 ? 3.14159274f : 0.0f, angleY, 0.0f);
    desc.m_fScale = scale;
    desc.m_dwValue7 = value7;
    desc.m_dwValue8 = value8;
    desc.m_nExtraIndex = extraIndex;
    PlaceDecal(desc, 4, value10, value11);
}

void SParser::SetSunDirection(const SVector*) {}

void SParser::SetAtmosphere(const SVector*, const SVector*) {}

void SParser::SetFogStartScale(float) {}

SHitRecord* SParser::GetHitRecord() { return &m_HitRecord; }

SParser::Callback1 SParser::SetCallback1(Callback1 callback) {
    m_pfnCallback1 = callback;
    return callback;
}

SParser::Callback SParser::SetCallback2(Callback callback) {
    m_pfnCallback2 = callback;
    return callback;
}

SParser::Callback3 SParser::SetCallback3(Callback3 callback) {
    m_pfnCallback3 = callback;
    return callback;
}

SParser::Callback4 SParser::SetCallback4(Callback4 callback) {
    m_pfnCallback4 = callback;
    return callback;
}

int SParser::DrawTextToTexture(int16_t, float, float, SString, SGdiFont*) { return 0; }

SString ParserFileName(const char* path) {
    if (path == nullptr) {
        return SString();
    }
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') {
            last = p;
        }
    }
    return SString(last != nullptr ? last + 1 : path);
}

SString ParserDirectory(const char* path) {
    if (path == nullptr) {
        return SString();
    }
    int end = 0;
    for (int i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            end = i + 1;
        }
    }
    return SString(path, end);
}
