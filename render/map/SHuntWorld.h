#pragma once

#include <cstdint>
#include <vector>

class SMapKR5;

// One node of a cell's object list: the caller's object handle and its kind byte.
struct SCellNode {
    void* m_pValue = nullptr;
    uint8_t m_byKind = 0;
    SCellNode* m_pNext = nullptr;
};

// A model-view session's stand-in for the cell lists: one record per registered object.
class SParseSSMV {
public:
    float m_fX = 0.0f;
    float m_fZ = 0.0f;
    SCellNode m_Node;  // the record's object, as a list of one
};

// One vertex of the terrain: position, vertex normal, colour 0xAARRGGBB and two texture
// coordinate pairs (the cell's ground, then the detail layer).
struct STileVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float fNormal[3] = {};
    uint32_t dwColour = 0;
    float fTexCoord[4] = {};
};
static_assert(sizeof(STileVertex) == 44);

// The renderer's record of one terrain cell (144 bytes, 65536 in cell-index order).
struct SHuntCell {
    static constexpr int kSlots = 8;
    int16_t nObjects[kSlots];          // texture item of a tree sprite; -1 empty, -2 - v hidden
    float fObjectScales[kSlots];       // fraction of the cell width, negative when mirrored
    uint8_t byObjectPositions[kSlots][2];  // x then z offset inside the cell
    float fObjectBases[kSlots];        // ground height under the object
    uint8_t byOrientation;             // the map's flag byte: four 2-bit texture corners
    uint8_t bySpare;
    int16_t nGroundTexture;            // texture item of the ground; -1 none
    uint8_t byObjectCount;
    uint8_t byMark;                    // free for callers
    uint8_t bySpare2[2];
    uint32_t dwColour;                 // the corner vertex's colour, 0xAARRGGBB
    float fNormal[3];                  // the corner vertex's normal (x, height, z)
    uint8_t byWater;                   // 0 dry, 1 cut by the water level, 2 under water
    uint8_t byPieceCounts[4];          // two pieces above the water level, then two below
    int32_t iPieceFirst[4];            // first vertex of each piece in the tile buffer; -1 free
};
static_assert(sizeof(SHuntCell) == 144);

// The outdoor world's tables while a session runs: the map's heights as loaded, the heights
// with the border wall, the water levels, the cell records, the per-cell object lists and the
// tile vertices of the cells cut at the water level. The renderer owns one per outdoor
// session; the game-logic library and the actor worlds reach it through the renderer.
class SHuntWorld {
public:
    static constexpr int kCells = 65536;
    static constexpr int kEntries = 5;  // what the cell-object operations may touch

    SHuntWorld();
    ~SHuntWorld();
    SHuntWorld(const SHuntWorld&) = delete;
    SHuntWorld& operator=(const SHuntWorld&) = delete;

    // Takes the map's grids: both height grids from its first grid, the water levels from its
    // second; raises the border wall; gives every cell its water state and colour.
    void TakeGrids(const SMapKR5& map);

    SHuntCell& Cell(int cell) { return m_pCells[cell & 0xFFFF]; }

    // --- Cell objects ----------------------------------------------------------------------
    uint8_t GetObjectCount(int cell) { return Cell(cell).byObjectCount; }
    int16_t GetObjectIndex(int cell, int entry);
    bool GetObjectPosition(int cell, int entry, float* x, float* z);
    // The entry's index and scale when it is shown; false for an empty or hidden one.
    bool GetShownObject(int cell, int entry, int16_t* index, float* scale);
    int ShowObject(int cell, int entry, int show);
    void SetObjectIndex(int cell, int entry, int16_t value);
    SHuntCell* EditObjects(int cell, int entry, int16_t value);
    static uint8_t FlipOrientation(uint8_t orientation);
    static uint8_t RotateOrientation(uint8_t orientation);

    // --- Terrain ---------------------------------------------------------------------------
    double GetTerrainHeight(double x, double z) const;
    double GetSurfaceHeight(double x, double z) const;
    void GetHeights(double x, double z, double* heights) const;
    void GetTerrainTexCoord(double x, double z, double* u, double* v) const;

    // --- Object lists ----------------------------------------------------------------------
    SCellNode* AddToList(void* value, uint8_t kind, int cellX, int cellZ);
    int RemoveFromList(void* value, int cellX, int cellZ);
    int MoveInLists(void* value, int oldX, int oldZ, int newX, int newZ);
    SCellNode* GetList(int cellX, int cellZ) const { return m_pLists[CellOf(cellX, cellZ)]; }
    // The cell holding a position in map units, as AddObject and its kin pick it.
    static void CellAt(double x, double z, int* cellX, int* cellZ);

    // --- Cells cut at the water level ------------------------------------------------------
    // Cuts every water cell (state 1) at its level and keeps the pieces in the tile buffer.
    void ClipTileAtHeight();
    // The vertices of one cell's pieces, written from `first` on; only counted when first is
    // -1 (or the buffer is missing).
    int BuildTerrainTile(int cellX, int cellZ, int first);

    float* m_pLoadedHeights = nullptr;  // as in the map
    float* m_pHeights = nullptr;        // with the border wall
    float* m_pWaterLevels = nullptr;
    SHuntCell* m_pCells = nullptr;
    SCellNode** m_pLists = nullptr;
    STileVertex* m_pTileVertices = nullptr;
    int m_iTileVertexCount = 0;
    int m_iTileVertexCapacity = 0;
    // Texture coordinates of the four texture corners by orientation byte.
    float m_fTexCoordSets[256][4][2];

private:
    static int CellOf(int cellX, int cellZ) { return ((cellZ & 255) << 8) | (cellX & 255); }
    void CornerVertex(int cellX, int cellZ, int corner, STileVertex* out) const;
    void SetTerrainTileVertex(SHuntCell& cell, const STileVertex* vertices, int count, int first, float level);

    std::vector<int> m_CutCells;  // the cells the last cut counted pieces for, as cell numbers
};
