#pragma once

#include <cstdint>

#include "core/SMatrix.h"
#include "core/SString.h"
#include "core/SVector.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/window/window.h"

namespace sys::video {
class IDirectDrawSurface4;
struct DDPIXELFORMAT;
}  // namespace sys::video

class SGdiFont;
class SRaster;
class SRendererCatalog;
class SSMHandle;
class SParseModelItem;
class SParseSSMItem;
class SParseSSMV;
class SParserZone;
class SMapKR5Model_Output;
struct SRasterDeviceRecord;
struct SD3D6Light;

// One drawn object as the renderer, the actors and the line test see it: the model instance or
// point data, placement, kind and attached children. Actors hold one each, the renderer keeps a
// list of the map's placed models and a ring of ground decals, and the hit record embeds the
// description of what a shot hit. The unnamed words keep their places because the game-logic
// library reads the record by layout.
struct ActorDesc {
    // Kind 0 draws a model instance; a kind-1 point node keeps its points here instead (records
    // by sub-kind, or a polygon record for sub-kind 4). Null for sprite objects.
    union {
        SSMHandle* m_pModel = nullptr;
        void* m_pPoints;
    };
    uint32_t m_dwWord1 = 0;
    uintptr_t m_dwOwner = 0;        // reported by the line test for a hit on a child
    uint32_t m_dwFlags = 0;         // 1: drawn; 4: line-tested; 2: left out of line tests for now
    uint32_t m_dwWord2 = 0;
    uint32_t m_dwValue7 = 0;        // the map object's seventh and eighth submission values
    uint32_t m_dwValue8 = 0;
    int16_t m_nModelIndex = -1;     // map-object model or sprite; a point node's texture item
    int16_t m_nExtraIndex = 0;
    float m_fBlendWeight = 0.0f;    // position along the parent tag's segment
    float m_fTriangleU = 0.0f;      // place on the parent's triangle along its first edge
    float m_fTriangleV = 0.0f;      // and along its second edge
    uint32_t m_dwWord3 = 0;
    uint32_t m_dwWord4 = 0;
    SVector m_vPosition;            // map units
    SVector m_vAngles;              // radians about X, Y, Z
    uint32_t m_dwDiffuse = 0;       // a point node's vertex colour, 0xAARRGGBB
    float m_fScale = 1.0f;
    int32_t m_iWord6 = -1;
    int16_t m_nKind = 0;            // 0 model with hierarchy, 1 point node or map object, 2 self-placed
    int16_t m_nSubKind = 0;
    int16_t m_nChildCount = 0;
    int16_t m_nPointCount = 0;      // a point node's records
    int16_t m_nTriangleIndex = -1;  // triangle of the parent's frame this one sits on; -1 none
    int16_t m_nTagIndex = -1;       // tag of the parent's frame this one hangs on; -1 none
    ActorDesc** m_ppChildren = nullptr;
    SString m_sName;
};

// Point records of a point node, by sub-kind: sub-kinds 0, 1 and 2 hold a position and a size,
// sub-kind 3 a line with a colour at each end, sub-kind 5 a quad with its own angles.
struct SScenePoint {
    float x, y, z, size;
};
struct SSceneLine {
    float start[3];
    uint32_t dwStartColour;
    float end[3];
    uint32_t dwEndColour;
};
struct SSceneQuad {
    float angles[3];
    float position[3];
    float size;
};
static_assert(sizeof(SSceneLine) == 32 && sizeof(SSceneQuad) == 28);

// The outcome of the last line test, read back by the game-logic library through the parser.
// The line test fills it; the parser only holds it. The object value is pointer-sized: it is the
// node value the library filed the actor under (an address), which the library turns back into
// its object.
struct SHitRecord {
    uintptr_t m_dwObject = 0;  // node value of the hit actor, or the child's owner value
    uint32_t m_dwKind = 0;     // 0: nothing was hit
    uint32_t m_dwWord1 = 0;
    uint32_t m_dwWord2 = 0;
    SVector m_vPoint;
    ActorDesc m_Object;        // description of what was hit
    float m_fObjectHeight = 0.0f;
    uint8_t m_byNodeFlags = 0;
    int8_t m_cSide = 0;
    int16_t m_nModelIndex = 0;
    uint8_t m_byEntry = 0;
    uint32_t m_dwCell = 0;
    uint32_t m_dwWord3 = 0;
    int16_t m_nGroup = 0;
    float m_fDistance = 0.0f;  // squared distance from the segment's origin
    float m_fParams[2] = {};
    float m_fTexCoord[2] = {};
    uint16_t m_wTriangle = 0;
    int16_t m_nTextureSlot = 0;
    SVector m_vNormal;
    SSMHandle* m_pModel = nullptr;
    uint8_t m_byCleared = 0;
};

// One tag of the loaded map (name, value, flag byte); the renderer keeps its own copy of them.
struct SMapKR5Tag {
    SString m_sName;
    SString m_sValue;
    uint32_t m_dwFlag = 0;  // a byte kept in a 32-bit slot
};

// The display manager's creation record, kept (not copied) by Create. The renderer lowers the
// filter level in it to what the device can do, and each session set-up writes its value.
struct SParserCreateInfo {
    uint32_t dwWord0 = 0;
    uint32_t dwWord1 = 0;
    uint32_t dwFilterLevel = 0;   // texture filtering 0..4
    uint32_t dwSessionValue = 0;  // model view: its field 15; outdoor world: the day of the year
};

// The abstract scene parser: the one interface through which the display manager, the screens,
// the actor worlds and the game-logic library drive 3D drawing, sessions, map queries, lights
// and line tests. It holds what every renderer shares (view state, record arrays, the hit
// record, host callbacks, the raster). SD3D6Parser is its only implementation; the game items
// own the current one. The order of the virtual operations is the game-logic library's
// interface and must never change, including the operations that do nothing.
class SParser : public CObject {
    DECLARE_DYNAMIC(SParser)

public:
    using Callback = void* (*)(...);
    using Callback1 = ActorDesc* (*)(void* value, uint8_t flags);
    using Callback3 = void* (*)(int32_t* cookie);
    using Callback4 = float (*)(float);
    // The resource catalog as every renderer reads it (texture lists, file handlers, model
    // resources, search folders); not owned. Installed by the program, since the catalog lives
    // with the hub; without it no list, handler or model resource is ever found.
    static void SetCatalog(SRendererCatalog* catalog);
    static SRendererCatalog* GetCatalog();

    SParser();
    ~SParser() override;
    SParser(const SParser&) = delete;
    SParser& operator=(const SParser&) = delete;

    // --- Display mode and session --------------------------------------------------------------
    virtual int Create(SParserCreateInfo* info) = 0;
    virtual int ReleaseMap() = 0;
    virtual int CreateRaster(SRasterDeviceRecord* record) = 0;
    virtual int ReleaseRaster() = 0;
    virtual SRaster* GetRaster() = 0;
    virtual int InitSession(int mode, void* record, int step) = 0;
    virtual int SetSessionParams(void* record) = 0;
    virtual int GetSessionStepCount(int mode) = 0;
    virtual int EndSession(int step) = 0;
    virtual int GetEndSessionStepCount(int mode) = 0;
    virtual const char* GetTitle();
    virtual int NoOpQuery() = 0;
    virtual int NoOpCheck(int value) = 0;

    // --- Frames --------------------------------------------------------------------------------
    virtual int BeginFrame() = 0;
    // Renders the current mode's scene into a rectangle (four fractions) of a texture.
    virtual int RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect) = 0;
    virtual int RenderFrame() = 0;
    virtual int EndFrame() = 0;
    virtual int32_t EvictManagedTextures() = 0;
    virtual int BlitToTexture(int16_t textureIndex, float u, float v, sys::video::IDirectDrawSurface4* source,
                              int width, int height, int sourceX, int sourceY, uint8_t centre);
    virtual int CopySurfaceToTexture(int16_t textureIndex, sys::video::IDirectDrawSurface4* surface,
                                     const sys::RECT* sourceRect, const sys::POINT* destPoint) = 0;
    virtual int CopyTextureToSurface(int16_t textureIndex, sys::video::IDirectDrawSurface4* surface) = 0;

    // --- View ----------------------------------------------------------------------------------
    virtual void SetViewPosition(float x, float y, float z) = 0;
    virtual void SetViewAngles(float x, float y, float z) = 0;
    virtual void SetProjection(float fov, float baseFov, float nearZ, float farZ) = 0;
    virtual void SetViewScale(float x, float y, float z) = 0;
    virtual int SetViewRects(int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2) = 0;
    virtual void GetViewPosition(float* x, float* y, float* z) = 0;
    virtual void GetViewAngles(float* x, float* y, float* z) = 0;
    virtual void GetProjection(float* fov, float* baseFov, float* nearZ, float* farZ) = 0;
    virtual void GetViewScale(float* x, float* y, float* z) = 0;
    virtual void GetViewRects(sys::RECT* first, sys::RECT* second) = 0;
    virtual void SetViewRect(int left, int top, int right, int bottom) = 0;
    virtual void UpdateFrustum() = 0;
    virtual void BumpFrameCounter();
    // Screen pixel to the camera position and a unit world direction through it.
    virtual int ScreenToRay(const sys::POINT* point, SVector* origin, SVector* direction);
    virtual int ScreenToAngles(const sys::POINT* point, SVector* angles);
    virtual int ScreenToDirection(const sys::POINT* point, SVector* direction);
    virtual void SetTableEntry(int16_t index, float value, uint32_t a, uint32_t b);
    virtual void GetTableEntry(int16_t index, float* value, uint32_t* a, uint32_t* b);
    virtual void SetViewRange(int radius, float lift, uint32_t fogNear, uint32_t fogFar);

    // --- Models, textures and map tags ---------------------------------------------------------
    virtual SSMHandle* LoadModelsFromHandler(const char* resource, const char* file, const char* entry);
    virtual SSMHandle* LoadSSMModelsFromHandler(const char* resource, const char* file);
    virtual SSMHandle* LoadModels(const char* path) = 0;
    virtual int16_t FindTexture(const char* name, int a, int b) = 0;
    virtual int16_t FindModelResource(const char* name) = 0;
    virtual int GetTextureName(int16_t textureIndex, char* buffer, int16_t size) = 0;
    virtual int FindMapTagValue(const char* name, uint8_t* flag, char* buffer, int size) = 0;
    virtual int FindMapTag(const char* name, SMapKR5Tag* tag) = 0;
    virtual int16_t GetMapTagCount() = 0;
    virtual int GetMapTagText(int16_t index, uint8_t* flag, char* name, int nameSize, char* value,
                              int valueSize) = 0;
    virtual int GetMapTag(int16_t index, SMapKR5Tag* tag) = 0;
    virtual void* GetTexture(int16_t textureIndex) = 0;
    virtual int LogTextureState() = 0;
    // Composes desc's world matrix (its parent's tag attachment included) onto `matrix`.
    virtual void BuildObjectMatrix(const ActorDesc* parent, const ActorDesc* desc, SMatrix* matrix,
                                   int interpolate);
    virtual SVector* TransformPoint(SVector* point, SMatrix matrix);

    // --- Map cells -----------------------------------------------------------------------------
    virtual int CollectObjectsNear(int cellX, int cellY, int radius, void** out, int directOnly) = 0;
    virtual uint8_t GetCellObjectCount(int cell) = 0;
    virtual int16_t GetCellObjectIndex(int cell, int entry) = 0;
    virtual void GetCellObjectPosition(int cell, int entry, float* x, float* z) = 0;
    virtual float GetCellObjectHeight(int cell, int entry) = 0;
    virtual int ShowCellObject(int cell, int entry, int show) = 0;
    virtual int16_t GetCellTextureIndex(int cell) = 0;
    virtual int GetCellMark(int cell) = 0;
    virtual void SetCellMark(int cell, uint8_t value) = 0;
    virtual float GetCellHeight(int cell) = 0;
    virtual void SetCellTextureIndex(int cell, int16_t value) = 0;
    virtual void SetCellObjectIndex(int cell, int entry, int16_t value) = 0;
    virtual void FlipCellTexture(int cell) = 0;
    virtual void RotateCellTexture(int cell) = 0;
    virtual float* GetMapHeightGrid() = 0;
    virtual int16_t GetModelOutputCount() = 0;
    virtual SMapKR5Model_Output* GetModelOutput(int16_t index) = 0;
    virtual int16_t GetMapSoundCount() = 0;
    virtual void* GetMapSound(int16_t index) = 0;
    virtual int IsModelItemLoaded(int16_t index) = 0;
    virtual int16_t FindModelItem(const char* name) = 0;
    // Builds a kind-1 description of a map object and hands it to PlaceDecal.
    virtual void SubmitMapObject(int16_t modelIndex, float x, float z, float angleY, float scale,
                                 uint8_t upsideDown, uint32_t value7, uint32_t value8, int16_t extraIndex,
                                 uint32_t value10, uint32_t value11);
    virtual int PlaceDecal(ActorDesc desc, uint32_t a, uint32_t b, uint32_t c) = 0;

    // --- Lights and fog ------------------------------------------------------------------------
    virtual int SetLightCount(int count) = 0;
    virtual int GetLightCount() = 0;
    virtual SD3D6Light* GetLight(int index) = 0;
    virtual int SetLight(int index, const SD3D6Light* entry) = 0;
    virtual void SetSunDirection(const SVector* direction);
    virtual void SetAtmosphere(const SVector* direction, const SVector* factors);
    virtual void SetFogStartScale(float factor);

    // --- Line tests and terrain ----------------------------------------------------------------
    virtual int ClearTileFlags() = 0;
    virtual int HitTest(const SVector* a, const SVector* b, float low, float high, uint32_t flags) = 0;
    virtual SHitRecord* GetHitRecord();
    virtual void* EditCellObjects(int cell, int entry, int16_t value) = 0;
    virtual int AlwaysTrue() = 0;
    virtual double GetTerrainHeight(double x, double z) = 0;
    virtual void GetTerrainTexCoord(double x, double z, double* u, double* v) = 0;
    virtual double GetSurfaceHeight(double x, double z) = 0;
    virtual void GetHeights(double x, double z, double* heights) = 0;
    virtual Callback1 SetCallback1(Callback1 callback);
    virtual Callback SetCallback2(Callback callback);
    virtual Callback3 SetCallback3(Callback3 callback);
    virtual Callback4 SetCallback4(Callback4 callback);

    // --- Cell object lists ---------------------------------------------------------------------
    virtual int RemoveFromCellList(void* value, int cellX, int cellZ) = 0;
    virtual int RemoveObject(void* value, double x, double z) = 0;
    virtual void* AddToCellList(void* value, uint8_t kind, int cellX, int cellZ) = 0;
    virtual void* AddObject(void* value, uint8_t kind, double x, double z) = 0;
    virtual int MoveInCellLists(void* value, int oldX, int oldZ, int newX, int newZ) = 0;
    virtual int MoveObject(void* value, double oldX, double oldZ, double newX, double newZ) = 0;
    virtual int DrawTextToTexture(int16_t textureIndex, float u, float v, SString text, SGdiFont* font);
    virtual int SetFog(uint32_t colour, float start, float end) = 0;
    virtual int SetAmbientLight(uint32_t colour) = 0;
    virtual void ClearModelOutputs() = 0;

    // --- Members, in the order the library knows them ------------------------------------------
    SParserCreateInfo* m_pCreateInfo = nullptr;  // the display manager's; not owned
    SRasterDeviceRecord* m_pDeviceRecord = nullptr;  // handed to CreateRaster; not owned
    uint32_t m_dwWord1 = 0;
    int32_t m_iSessionMode = 0;  // 0 none, 1 model view, 2 outdoor world
    uint32_t m_dwWord2 = 0;
    CString m_strLastError;
    float m_fViewPosition[3] = {};
    float m_fViewAngles[3] = {};
    float m_fViewScale[3] = {1.0f, 1.0f, 1.0f};
    float m_fProjection[4] = {0.0f, 0.0f, 1.0f, 3000.0f};  // fov, base fov, near, far
    sys::RECT m_rcView[2] = {};
    int32_t m_bSessionReady = 0;
    int32_t m_bLogging = 0;
    uint32_t m_dwFrameCounter = 0;
    CArray<SParseSSMItem*, SParseSSMItem*> m_SSMItems;
    CArray<SParseModelItem*, SParseModelItem*> m_ModelItems;
    CArray<SParseSSMV*, SParseSSMV*> m_SSMVRecords;
    CArray<SParserZone*, SParserZone*> m_Zones;
    CArray<SMapKR5Model_Output*, SMapKR5Model_Output*> m_ModelOutputs;
    struct TableEntry {
        float fValue;
        uint32_t dwA;
        uint32_t dwB;
    };
    TableEntry m_Table[25] = {};  // nothing promises a value before a set; zero reads safely
    CArray<ActorDesc*, ActorDesc*> m_ActorDescs;
    ActorDesc* m_pDecalRing = nullptr;
    // Places in the ring as it was allocated; the level record's count may change meanwhile.
    int32_t m_iDecalRingSize = 0;
    int32_t m_iDecalNext = 0;
    int32_t m_iDecalCount = 0;
    SHitRecord m_HitRecord;
    ActorDesc m_DefaultDesc;
    Callback1 m_pfnCallback1 = nullptr;
    Callback m_pfnCallback2 = nullptr;
    Callback3 m_pfnCallback3 = nullptr;
    Callback4 m_pfnCallback4 = nullptr;
    SRaster* m_pRaster = nullptr;  // owned; built by CreateRaster
};

// The file-name part of a path: the text after the last "\" or "/", the whole text without one.
SString ParserFileName(const char* path);
// The directory part: up to and including the last "\" or "/"; empty without one.
SString ParserDirectory(const char* path);
