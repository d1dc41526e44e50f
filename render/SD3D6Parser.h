#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/SString.h"
#include "sys/classlib/CArray.h"
#include "sys/video/video.h"
#include "render/modelview/SModelViewSession.h"
#include "render/frame/SObjectFrameRecord.h"
#include "render/frame/SScenePlacement.h"
#include "render/outdoor/SOutdoorBuffers.h"
#include "render/parser/SParser.h"
#include "render/queues/SRenderQueues.h"
#include "render/texture/SD3D6TextureStates.h"

class SD3D6Lock;
class SD3D6Raster;
struct SD3D6TextureList;
class SHuntWorld;
class SMapKR5;
class SRendererCatalog;
class SResource;
class SSMObject;
struct SSMFrame;

// The level record the game-logic library hands to an outdoor-world session: the map path and
// 25 fields numbered 1 to 25 (Field(1) is "gfx_landpop", Field(21) the day of the year).
struct SLevelInfo {
    SString m_sMapPath;
    int32_t m_iFields[25] = {25, 1, 1, 800, 100, 2, 1, 0, 1, 0, 16, 1, 1, 1, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 1};
    int32_t& Field(int number) { return m_iFields[number - 1]; }
    int32_t Field(int number) const { return m_iFields[number - 1]; }
};

// The record a 3D view screen hands to a model-view session: fields 0 to 19, field 17 text.
struct SModelViewInfo {
    int32_t m_iFieldsLow[17] = {2, 1, 100, 0, 0, 1, 0, 1, 0, 16, 1, 1, 1, 1, 0, 1, 1};
    SString m_sField17;
    int32_t m_iFieldsHigh[2] = {0, 1};
    // Any field but 17.
    int32_t& Field(int number) { return number < 17 ? m_iFieldsLow[number] : m_iFieldsHigh[number - 18]; }
    int32_t Field(int number) const { return number < 17 ? m_iFieldsLow[number] : m_iFieldsHigh[number - 18]; }
};

// One texture of the renderer's registry; index = the texture-item index used everywhere.
struct SD3D6TextureItem {
    SD3D6Lock* m_pTexture = nullptr;  // the texture record holding the Direct3D texture
    SString m_sName;                  // stored with its characters reversed
    uint16_t m_wParentList = 0xFFFF;
    float m_fYoungScale = 2.0f;
    float m_fOldScale = 2.0f;
    uint8_t m_byOscillator1 = 0;
    uint8_t m_byOscillator2 = 0;
    uint8_t m_byShadeLevel = 0;
    uint8_t m_byHash = 0;
};

// One entry of a texture list: its weight, the texture item it resolved to (-100 until first
// drawn) and its name, "file;" and the entry's file path.
struct SD3D6TextureListEntry {
    int32_t m_iWeight = 0;
    int16_t m_iTextureIndex = -100;
    SString m_sName;
    uint8_t m_byHash = 0;
};

// A named texture list of the renderer's registry, whose entries are drawn by weight.
struct SD3D6TextureList {
    SString m_sName;  // stored with its characters reversed
    int32_t m_bValid = 0;
    int32_t m_iCount = 0;
    int32_t m_iTotalWeight = 0;
    int32_t m_iLookUp = 0;
    SD3D6TextureListEntry* m_pEntries = nullptr;  // new[] of m_iCount, owned
    uint8_t m_byHash = 0;
};

// One model resource of the renderer's registry and the model instances placed from its
// "SSM:" frames (owned; the first one stands for the resource on the map).
class SParseModelItem {
public:
    ~SParseModelItem();
    SResource* m_pResource = nullptr;  // the catalog's model resource
    SString m_sName;
    uint8_t m_byHash = 0;
    CArray<SSMHandle*, SSMHandle*> m_Instances;
    CArray<uint32_t, uint32_t> m_FollowTerrain;  // per instance: 1 when it leans with the ground
};

// One model file of the renderer's registry, loaded once and shared by its instances.
class SParseSSMItem {
public:
    ~SParseSSMItem();
    SSMObject* m_pModel = nullptr;  // owned
    SString m_sName;
    uint8_t m_byHash = 0;  // of the name as given, not reversed
};

// The scene renderer on Direct3D 6: the one implementation of SParser. The display manager
// builds one on every display-mode change, hands it its creation record (Create) and device
// record (CreateRaster); the game items own it. Screens and the game-logic library run
// sessions on it: the model view (mode 1) and the outdoor world (mode 2), each set up in steps,
// drawn per frame while ready, and released by EndSession.
class SD3D6Parser : public SParser {
    DECLARE_DYNAMIC(SD3D6Parser)

public:
    SD3D6Parser();
    ~SD3D6Parser() override;

    int Create(SParserCreateInfo* info) override;
    int ReleaseMap() override;
    int CreateRaster(SRasterDeviceRecord* record) override;
    int ReleaseRaster() override;
    SRaster* GetRaster() override;
    int InitSession(int mode, void* record, int step) override;
    int SetSessionParams(void* record) override;
    int GetSessionStepCount(int mode) override;
    int EndSession(int step) override;
    int GetEndSessionStepCount(int mode) override;
    const char* GetTitle() override;
    int NoOpQuery() override;
    int NoOpCheck(int value) override;

    int BeginFrame() override;
    int RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect) override;
    int RenderFrame() override;
    int EndFrame() override;
    int32_t EvictManagedTextures() override;
    int CopySurfaceToTexture(int16_t textureIndex, sys::video::IDirectDrawSurface4* surface,
                             const sys::RECT* sourceRect, const sys::POINT* destPoint) override;
    int CopyTextureToSurface(int16_t textureIndex, sys::video::IDirectDrawSurface4* surface) override;

    void SetViewPosition(float x, float y, float z) override;
    void SetViewAngles(float x, float y, float z) override;
    void SetProjection(float fov, float baseFov, float nearZ, float farZ) override;
    void SetViewScale(float x, float y, float z) override;
    int SetViewRects(int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2) override;
    void GetViewPosition(float* x, float* y, float* z) override;
    void GetViewAngles(float* x, float* y, float* z) override;
    void GetProjection(float* fov, float* baseFov, float* nearZ, float* farZ) override;
    void GetViewScale(float* x, float* y, float* z) override;
    void GetViewRects(sys::RECT* first, sys::RECT* second) override;
    void SetViewRect(int left, int top, int right, int bottom) override;
    void UpdateFrustum() override;

    SSMHandle* LoadModels(const char* path) override;
    int16_t FindTexture(const char* name, int a, int b) override;
    int16_t FindModelResource(const char* name) override;
    int GetTextureName(int16_t textureIndex, char* buffer, int16_t size) override;
    int FindMapTagValue(const char* name, uint8_t* flag, char* buffer, int size) override;
    int FindMapTag(const char* name, SMapKR5Tag* tag) override;
    int16_t GetMapTagCount() override;
    int GetMapTagText(int16_t index, uint8_t* flag, char* name, int nameSize, char* value, int valueSize) override;
    int GetMapTag(int16_t index, SMapKR5Tag* tag) override;
    void* GetTexture(int16_t textureIndex) override;
    int LogTextureState() override;

    int CollectObjectsNear(int cellX, int cellY, int radius, void** out, int directOnly) override;
    uint8_t GetCellObjectCount(int cell) override;
    int16_t GetCellObjectIndex(int cell, int entry) override;
    void GetCellObjectPosition(int cell, int entry, float* x, float* z) override;
    float GetCellObjectHeight(int cell, int entry) override;
    int ShowCellObject(int cell, int entry, int show) override;
    int16_t GetCellTextureIndex(int cell) override;
    int GetCellMark(int cell) override;
    void SetCellMark(int cell, uint8_t value) override;
    float GetCellHeight(int cell) override;
    void SetCellTextureIndex(int cell, int16_t value) override;
    void SetCellObjectIndex(int cell, int entry, int16_t value) override;
    void FlipCellTexture(int cell) override;
    void RotateCellTexture(int cell) override;
    float* GetMapHeightGrid() override;
    int16_t GetModelOutputCount() override;
    SMapKR5Model_Output* GetModelOutput(int16_t index) override;
    int16_t GetMapSoundCount() override;
    void* GetMapSound(int16_t index) override;
    int IsModelItemLoaded(int16_t index) override;
    int16_t FindModelItem(const char* name) override;
    int PlaceDecal(ActorDesc desc, uint32_t a, uint32_t b, uint32_t c) override;

    int SetLightCount(int count) override;
    int GetLightCount() override;
    SD3D6Light* GetLight(int index) override;
    int SetLight(int index, const SD3D6Light* entry) override;
    void SetSunDirection(const SVector* direction) override;
    void SetAtmosphere(const SVector* direction, const SVector* factors) override;
    void SetFogStartScale(float factor) override;

    int ClearTileFlags() override;
    int HitTest(const SVector* a, const SVector* b, float low, float high, uint32_t flags) override;
    void* EditCellObjects(int cell, int entry, int16_t value) override;
    int AlwaysTrue() override;
    double GetTerrainHeight(double x, double z) override;
    void GetTerrainTexCoord(double x, double z, double* u, double* v) override;
    double GetSurfaceHeight(double x, double z) override;
    void GetHeights(double x, double z, double* heights) override;

    int RemoveFromCellList(void* value, int cellX, int cellZ) override;
    int RemoveObject(void* value, double x, double z) override;
    void* AddToCellList(void* value, uint8_t kind, int cellX, int cellZ) override;
    void* AddObject(void* value, uint8_t kind, double x, double z) override;
    int MoveInCellLists(void* value, int oldX, int oldZ, int newX, int newZ) override;
    int MoveObject(void* value, double oldX, double oldZ, double newX, double newZ) override;
    int SetFog(uint32_t colour, float start, float end) override;
    int SetAmbientLight(uint32_t colour) override;
    void ClearModelOutputs() override;
    // A view radius in cells (0 or less restores the session's own), a camera lift and a fog
    // range; the frame buffers are sized again for the radius.
    void SetViewRange(int radius, float lift, uint32_t fogNear, uint32_t fogFar) override;

    // --- Outdoor-world set-up ---------------------------------------------------------------------
    void Hunt_SizeBuffers();
    int Hunt_Init();
    void ReleaseHuntMap();
    void BuildHuntMap();
    void ComputeTerrainNormals();
    void PlaceRandomObjects();
    void PlaceSSMObjects();
    void LoadBackground();
    void ResetRenderStates();

    // Lists the cells of the band along the shot from B to A for the line test, flagging each.
    void ListHitCells(const SVector& a, const SVector& b);
    // Frees the geometry of every decal of the ring; the ring itself stays.
    void FreeDecalPolygons();

    // An 8-bit hash of a name, case ignored, for quick look-ups in the registries.
    static uint8_t HashName8(const char* name);

    // Whether the device's texture-format enumeration lists `format`: every flag of the
    // request, and for RGB the same bit count and colour masks, for alpha the same alpha mask.
    virtual int SupportsTextureFormat(const sys::video::DDPIXELFORMAT* format);

    // The vertical offset the outdoor world adds to the stored camera height (not to what the
    // raster receives). Shared by every renderer.
    static int32_t s_iViewHeightOffset;
    // The outdoor render passes (bits of s_dwSceneRenderSwitches); quads are for the random
    // object placement, the others for the frame.
    static constexpr uint32_t kPassBackground = 0x01;
    static constexpr uint32_t kPassTerrain = 0x02;
    static constexpr uint32_t kPassObjects = 0x04;
    static constexpr uint32_t kPassTrees = 0x08;
    static constexpr uint32_t kPassWater = 0x10;
    static constexpr uint32_t kPassQuads = 0x20;
    static constexpr uint32_t kPassViewModels = 0x40;
    static constexpr uint32_t kPassDefault = 0x5F;
    // The game screen's render switches and its model switches: build BSP trees of loaded
    // models, the second loading mark, the extended model data, and the distance along a
    // triangle's normal at which a child placed on that triangle hangs.
    static uint32_t s_dwSceneRenderSwitches;
    static int32_t s_bGenModelBSP;
    static int32_t s_bSecondModelMark;
    static int32_t s_bGenModelExtData;
    static float s_fConTriNormOffs;
    // The line test's switch to walk the object lists of every cell instead of the band along
    // the shot (and to leave the map objects out); the game screen turns it on.
    static uint8_t s_bHitTestAllCells;

    // --- Frame ------------------------------------------------------------------------------
    void ResetRenderQueues() { m_Queues.Reset(); }
    void SortOpaqueQueue() { m_Queues.SortOpaque(); }
    void SortTranslucentQueue() { m_Queues.SortTranslucent(); }
    void DrawOpaqueQueue();
    void DrawTranslucentQueue();
    void SetTextureState(const SD3D6Lock* record);
    // Paints a source rectangle into a texture at (u, v) (its centre there when `centre`); 0
    // when the texture has no surface or nothing of the rectangle lands on it.
    int BlitToTexture(int16_t textureIndex, float u, float v, sys::video::IDirectDrawSurface4* source, int width,
                      int height, int srcX, int srcY, uint8_t centre) override;
    int DrawTextToTexture(int16_t textureIndex, float u, float v, SString text, SGdiFont* font) override;

    void UpdateVisibleCells();
    void QueueGroundCells();
    void BuildWaterTriangles();
    void BuildTreeSprites();
    // Minus the distance of a point along the view direction: ascending keys draw far first.
    float DepthKey(float x, float height, float z) const;

    void Hunt_RenderBackground();
    void Hunt_QueueMapObjects();
    void Hunt_RenderViewModels();
    void Hunt_DrawOverlays(uint32_t bits);
    void BeginOverlays();
    void EndOverlays();
    void DrawNightVisionOverlay();
    void DrawCentredOverlay();
    void DrawRedFlashOverlay();

    // Queues one object and its children for drawing; builds the BSP trees of a static model on
    // its first draw.
    void RenderModelHierarchy(SObjectFrameRecord& record);
    SObjectFrameRecord MakeFrameRecord(ActorDesc* object, float sizeFactor) const;
    void QueueViewModel(ActorDesc* object);
    // Queues the points of a point node by its sub-kind.
    void QueuePointNode(const SObjectFrameRecord& record, const ActorDesc& node);
    // Visits the children of an object placed by `world`, `rotation` and `size`; a null
    // `handle` leaves every child where its parent is.
    void VisitChildren(SObjectFrameRecord& record, const ActorDesc& object, const SSMHandle* handle,
                       const SFrameChoice& choice, const float* world, const float* rotation, float size);
    void QueueModelGroups(const SObjectFrameRecord& record, const ActorDesc& object, SSMHandle& handle,
                          SSMObject& model, const float* transformed, bool fresh);
    // Added to the sort keys of translucent polygons of objects that ask for it.
    static float s_fAlphaOffset;
    std::vector<uint16_t> m_VisibleTriangles;
    // Builds, announces and saves the trees of a static model from its first placement.
    void BuildModelBSP(SSMObject* model, const float* transformed, const float* world, const float* rotation);

    // Hands a new texture record the session's size limits, reduce and unmanaged switches.
    void SetTextureLimits(SD3D6Lock& lock) const;
    // The texture record of a texture item, or null.
    const SD3D6Lock* TextureRecord(int16_t index) const;

    // Statistics of the last outdoor frame, shared with the display manager's overlay.
    static SRenderFrameStats s_FrameStats;
    // Draw every object cell, not only the visible ones (set by the game screen).
    static uint8_t s_byDrawAllObjects;
    // The overlay switches and values the game screen sets.
    static bool s_bNightVision;
    static bool s_bCentredOverlay;
    static bool s_bRedFlash;
    static bool s_bViewModelsAfterOverlays;
    static int32_t s_iCentredIndex;
    static float s_fCentredScale;
    static uint32_t s_dwNightVisionPeriod;
    static uint32_t s_dwNightVisionCounter;
    // How many view models one frame asks the host for at most.
    static constexpr int kMaxViewModels = 256;
    // Map units across half a tree sprite at scale 1.
    static constexpr float kSpriteHalfWidth = 128.0f;

    SRenderQueues m_Queues;
    float m_fColourFactors[3] = {1.0f, 1.0f, 1.0f};
    float m_fLightNormal[3] = {0.0f, 1.0f, 0.0f};
    const SD3D6Lock* m_pNightVisionShown = nullptr;
    uint32_t m_dwNightVisionDue = 0;
    std::vector<uint8_t> m_Visited;

    SD3D6Raster* GetD3DRaster() const { return m_pD3DRaster; }

    // A texture file that could not be read, with why: the path tried and the loader's reason.
    struct UnreadableTexture {
        std::string sPath;
        std::string sWhy;
    };
    // The texture files that could not be read since the renderer's textures were last freed
    // (a session's start frees them), each once, in the order they were tried. Each name is
    // tried once: a later look-up of it finds nothing without going to the disk again.
    const std::vector<UnreadableTexture>& GetUnreadableTextures() const { return m_UnreadableTextures; }

    // --- Members ---------------------------------------------------------------------------------
    SLevelInfo m_LevelInfo;        // the outdoor session's copy of the level record
    SModelViewInfo m_ModelView;    // the model-view session's values
    uint32_t m_dwFilters[2][3] = {{2, 1, 1}, {2, 1, 1}};  // stage 0 and the second stage: mip, min, mag
    uint8_t m_byFogColour[3] = {};
    float m_fFogStart = 0.0f;
    sys::video::D3DDEVICEDESC m_HWDesc;
    sys::video::D3DDEVICEDESC m_HELDesc;
    float m_fSunDirection[3] = {};
    float m_fAtmosphereDirection[3] = {};
    float m_fFogFactors[3] = {};
    float m_fFogStartScale = 1.0f;
    // The opaque, alpha and tree texture classes; their filters are the stage-0 filters at most.
    SD3D6TextureStates m_ClassStates[3];
    CArray<SD3D6TextureItem*, SD3D6TextureItem*> m_TextureItems;
    CArray<SD3D6TextureList*, SD3D6TextureList*> m_TextureLists;
    SMapKR5* m_pMap = nullptr;     // belongs to the map cache; never deleted here
    SHuntWorld* m_pWorld = nullptr;  // the outdoor session's grids, cells and lists; owned
    CArray<SMapKR5Tag*, SMapKR5Tag*> m_Tags;
    // State caches of the frame passes; -1 means not yet set on the device.
    int32_t m_iRenderStateCache[12];
    int32_t m_iTextureCache[4];
    int32_t m_iStageStateCache[12][4];

    // --- The outdoor world ------------------------------------------------------------------
    SOutdoorBuffers m_Buffers;
    int32_t m_iDayValue = 0;
    float m_fFogEnd = 0.0f;
    uint32_t m_dwFogColour = 0;        // 0x00RRGGBB as the device got it
    uint32_t m_dwBackgroundColour = 0x6497DA;
    float m_fCornerCoords[256];        // i x 256.0
    float m_fOffsets[256];             // i
    float m_fBitTable[256][8];         // 1.0 for each set bit
    float m_fOscillators[10][3] = {};
    // Textures of the frame passes: night vision, the second set, the flash and black ground.
    SD3D6Lock* m_pNightVision[4] = {};
    int32_t m_iNightVisionCount = 0;
    SD3D6Lock* m_pSecondSet[4] = {};
    int32_t m_iSecondSetCount = 0;
    SD3D6Lock* m_pFlash = nullptr;
    SD3D6Lock* m_pJetBlack = nullptr;
    // Sky box faces front, left, back, right, top; and the water texture.
    SD3D6Lock* m_pSkyFaces[5] = {};
    int16_t m_nWaterTexture = -1;
    SD3D6Lock* m_pWaterTexture = nullptr;
    // What the first view-range override replaced, put back by a restoring call.
    struct SavedViewRange {
        bool bSaved = false;
        int32_t iRadius = 0;
        int32_t iFarDistance = 0;
        float fFogNear = 0.0f;
        float fFogFar = 0.0f;
    } m_SavedViewRange;
    // The line test's cell flags (one byte a cell, all 0 between tests) and its cell list.
    std::unique_ptr<uint8_t[]> m_pTileFlags = std::make_unique<uint8_t[]>(65536);
    std::vector<uint16_t> m_HitCells;

private:
    std::vector<UnreadableTexture> m_UnreadableTextures;
    std::vector<std::string> m_UnreadableNames;  // "file;" names whose file could not be read
    void NoteUnreadableTexture(const std::string& path, const std::string& why);

    void Log(const char* text) const;
    void ClearStateCaches();
    // The model view's default device states: perspective-correct texturing, solid Gouraud
    // fill, dithering and sub-pixel accuracy on, mono and specular off.
    void ResetDeviceStates();
    void FreeSessionItems();
    // The height of a texture item's texture, 0.0 for a bad index.
    float TextureItemHeight(int16_t index) const;
    // The fog colour of the map tinted by the atmosphere factors, on the device.
    void ApplyFogColour();
    // Each texture released and deleted, each list's entry table freed; the arrays emptied.
    void FreeTextureItems();
    // The texture item's surface and drawing context, or 0 with nothing held.
    int TextureContext(int16_t textureIndex, sys::video::IDirectDrawSurface4** surface, sys::HDC* dc);
    // The registry's texture look-up with a depth for names that lead to further names.
    int16_t FindTextureAt(const char* name, int passThrough, int allowParent, int depth);
    // A weighted draw from texture list `list`, resolving the drawn entry on first use.
    int16_t DrawFromList(int list, int depth);
    int16_t LoadTextureFile(const char* name, int passThrough, int allowParent, int depth);
    int16_t LookUpTextureList(const char* name, int depth);
    // The texture record of an item found by name, or null.
    SD3D6Lock* FindTextureLock(const char* name);
    // The texture index a map name stands for: a plain texture (list -1) or a draw from its list.
    int16_t TextureForName(const char* name, int list);
    void ChooseTextureFormats();
    void ProgressTick();
    void ShadeUnderTrees();
    void TintUnderWater();
    // The sprite size of a texture item's record for placed trees.
    float SpriteSize(int16_t index) const;

    // Session bodies by mode. The outdoor world loads its map and builds its cell tables, but
    // draws nothing yet; the model view sets up and draws nothing of its own yet.
    int SSMV_Init();
    // Fills the frame with the background colour when the session asks for it.
    void SSMV_ClearBackground();
    void SSMV_QueueModels();
    int SSMV_BeginFrame();
    int SSMV_RenderFrame();
    int SSMV_EndFrame();
    int SSMV_RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect);
    int Hunt_BeginFrame();
    int Hunt_RenderFrame();
    int Hunt_EndFrame();
    int Hunt_RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect);
    // Both sessions paint their view into a texture the same way, each with its own frame.
    int RenderViewToTexture(int textureIndex, float fov, float baseFov, const float* rect,
                            int (SD3D6Parser::*renderFrame)());
    void AppendCell(SOutdoorBuffers::Buffer list, int cell);
    void VisitSample(float sx, float sz);
    void SpriteHalfSize(int16_t index, float* w, float* h) const;
    void DrawOverlayQuad(const SD3D6Lock* record, float half);
    void SetFogEnable(bool on);
    void RestoreRasterCamera();

    SD3D6Raster* m_pD3DRaster = nullptr;  // the same object as m_pRaster, with its own type

public:
    // The opaque, alpha, sprite ("transparent") and screen texture formats every texture record
    // is handed, chosen by whichever session is open (SSMV_Init or the outdoor set-up); and the
    // model view's frame buffers.
    SModelViewFormats m_SSMVFormats;
    SModelViewBuffers m_SSMVBuffers;
};
