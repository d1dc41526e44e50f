#pragma once

#include <cstdint>

#include "app/actors/SActor.h"
#include "core/SMatrix.h"
#include "core/SString.h"
#include "core/SVector.h"
#include "sys/classlib/CObArray.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CTime.h"
#include "sys/classlib/CTypedPtrArray.h"

class SParser;
class SSMHandle;
class SSound;
struct SHitRecord;

// Ground and water height of one point of the outdoor map, in metres. Where there is no water
// the water height equals the ground height.
struct SCellInfo {
    double m_dGround = 0.0;
    double m_dWater = 0.0;
};

// A texture id the renderer gave for a name.
struct SCacheTexture {
    SString m_sName;
    int16_t m_nId = -1;
};

// The registry of the actors of one 3D scene and their bridge to the current renderer: an
// indexed actor table, the focus actor the camera follows, the view, the actors' places in the
// renderer's cell lists, and the terrain, line-test and proximity queries of the game rules.
// Worlds take and give metres and degrees; the renderer gets scene units (metres x 8) and
// radians. The game items hold three worlds and the 3D view screen embeds one. The game-logic
// library drives worlds only through the virtual operations below, so their order is an
// interface and must not change, the ones that do nothing included.
class SActorWorld : public CObject {
    DECLARE_SERIAL(SActorWorld)

public:
    using MoveCallback = void (*)(SActor* actor, const SVector* newPosition, const SVector* oldPosition);

    static constexpr float kToScene = 8.0f;
    static constexpr float kFromScene = 0.125f;
    static constexpr float kMapExtent = 8192.0f;

    SActorWorld();
    ~SActorWorld() override;
    SActorWorld(const SActorWorld&) = delete;
    SActorWorld& operator=(const SActorWorld&) = delete;

    void Serialize(CArchive& ar) override;
    virtual void Reset();
    virtual void Init(SParser* scene, SSound* sound, const char* basePath, int capacity);
    virtual SSMHandle* LoadSceneDefinition(const char* line);
    virtual int16_t GetTextureId(const char* name);
    virtual int AddActor(SActor* actor, int place, int index);
    virtual int FindActor(SActor* actor);
    virtual SActor* GetActor(int index);
    virtual SActor* RemoveActorAt(int index, int force);
    virtual SActor* RemoveActor(SActor* actor, int force);
    virtual void ReleaseActors();
    virtual void PlaceAllActors();
    virtual void UnplaceAllActors(int ignored);
    virtual SActor* DestroyActorAt(int index, int force);
    virtual SActor* DestroyActor(SActor* actor, int force);
    virtual void Clear();
    virtual void DestroyMarkedActors();
    virtual void DestroyActorsByName(const char* name);
    virtual void UpdateCamera(float fieldOfView);
    virtual SActor* SetFocusActor(SActor* actor);
    virtual SActor* GetFocusActor();
    virtual bool GetViewpoint(SVector& position, SVector& angles);
    virtual void GetViewAngles(float* x, float* y, float* z);
    virtual void SetView(const SVector& position, const SVector& angles, float fieldOfView, float value3,
                         float value4);
    virtual void ReloadActorModels();
    virtual double GroundHeightUnder(SActor* actor);
    virtual double GroundHeightAt(const SVector& position);
    virtual double GroundHeight(float x, float z);
    virtual double WaterHeightUnder(SActor* actor);
    virtual double WaterHeightAt(const SVector& position);
    virtual double WaterHeight(float x, float z);
    virtual void CellInfoUnder(SActor* actor, SCellInfo* info);
    virtual void CellInfoAt(const SVector& position, SCellInfo* info);
    virtual void CellInfo(float x, float z, SCellInfo* info);
    virtual int QuadX(const SVector& position);
    virtual int QuadXOf(SActor* actor);
    virtual int QuadZ(const SVector& position);
    virtual int QuadZOf(SActor* actor);
    virtual int QuadKey(int xQuad, int zQuad);
    virtual int QuadKeyAt(const SVector& position);
    virtual int QuadKeyOf(SActor* actor);
    virtual bool IsWaterNear(const SVector& position, float radius);
    virtual bool IsWaterNearActor(SActor* actor, float radius);
    virtual int TerrainTagUnder(SActor* actor, const char* tag, char* out, int size);
    virtual int TerrainTagAt(const SVector& position, const char* tag, char* out, int size);
    virtual int TerrainTag(float x, float z, const char* tag, char* out, int size);
    virtual int TextureTag(int16_t textureId, const char* tag, char* out, int size);
    virtual int TextureTagAtPoint(int16_t textureId, double u, double v, const char* tag, char* out, int size);
    virtual void FindDryPosition(SActor* actor, SVector* position, float maximumDistance);
    virtual int LineTest(SActor* tester, const SVector& start, const SVector& end, float a, float b,
                         uint32_t mode);
    virtual bool IsPositionClear(const SVector& position, float radius);
    virtual SHitRecord* GetLastLineTestResult();
    virtual void ClipActor(SActor* actor);
    virtual void ClipPosition(SVector& position, int flying, int clipToGround, int clipToWater);
    virtual int FindNearestByName(int index, const char* name);
    virtual SActor* FindNearestActor(SActor* from, float range, int needSight, const char* name);
    virtual int CountByName(const char* name);
    virtual void SetMoveCallback(MoveCallback callback);
    virtual void SetTether(int indexA, int indexB, float distance);
    virtual void GetActorMatrix(SActor* actor, SMatrix* matrix);
    virtual void ActorPointToWorld(SActor* actor, SVector& point, SMatrix* matrix);
    virtual void ActorAxisToAngles(SActor* actor, SVector& angles, SMatrix* matrix);
    virtual void Tick();
    virtual int CollectByName(CObList* list, const char* name);
    virtual void PlaceActor(SActor* actor, const SVector* position);
    virtual bool UnplaceActor(SActor* actor);
    virtual void MoveActor(SActor* actor, const SVector& newPosition);
    virtual double ToSceneUnits(float metres);
    virtual void OnEvent(int value);
    virtual void ResetState();
    virtual void RecomputeHighestIndex();
    virtual void ApplyTether();

    SParser* GetScene() const { return m_pScene; }
    // The scene is about to be deleted: when it is this world's, the world lets go of it and
    // every actor counts as unplaced, so nothing later reaches into the deleted scene.
    void ForgetScene(const SParser* scene);
    SSound* GetSound() const { return m_pSound; }
    int GetActorCount() const { return m_iCount; }
    int GetHighestIndex() const { return m_iHighest; }

    // --- Fields, in the order the library knows them ------------------------------------------
    CTypedPtrArray<CObArray, SActor*> m_Actors;
    CTypedPtrArray<CObArray, SActor*> m_Deferred;
    int32_t m_iCount = 0;
    int32_t m_iHighest = -1;
    SActor* m_pFocus = nullptr;
    uint8_t m_bUseCellLists = 1;
    float m_fWorldValue = 0.0f;
    uint32_t m_dwLineTestMs = 0;
    uint32_t m_dwLineTestCount = 0;
    MoveCallback m_pfnMove = nullptr;
    SParser* m_pScene = nullptr;
    SSound* m_pSound = nullptr;
    int32_t m_iTetherA = -1;
    int32_t m_iTetherB = -1;
    float m_fTetherDistance = 0.0f;
    SVector m_vCameraOffset;
    SVector m_vCameraAngleOffset;
    CArray<SCacheTexture, const SCacheTexture&> m_TextureCache;
    CTime m_Date;
    SString m_sBasePath;

private:
    bool InOutdoorMap(float x, float z) const;
    bool NameMatches(SActor* actor, const char* upperName) const;
    // Copies the tag value into the buffer, always terminated; the length copied.
    static int CopyTag(const char* value, char* out, int size);
};
