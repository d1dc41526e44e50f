#include "render/map/SHuntWorld.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "render/map/RowKernel.h"
#include "render/map/SMapKR5.h"

namespace {

constexpr double kMapSpan = 65536.0;
constexpr double kLastCorner = 65278.0;

// Wraps a position into the map (a negative one once up, one past the end once down; far
// positions modulo the map), keeps it off the last grid row and column, and takes a
// non-finite one as the origin.
double MapCoordinate(double v) {
    if (!std::isfinite(v)) {
        return 0.0;
    }
    v = std::fmod(v, kMapSpan);
    if (v < 0.0) {
        v += kMapSpan;
    }
    if (v >= kMapSpan) {
        v -= kMapSpan;
    }
    return std::min(v, kLastCorner);
}

struct GridPoint {
    double fx, fz;
    int ix, iz;
};

GridPoint Locate(double x, double z) {
    GridPoint p;
    p.fx = MapCoordinate(x) / 256.0;
    p.fz = MapCoordinate(z) / 256.0;
    p.ix = static_cast<int>(std::floor(p.fx));
    p.iz = static_cast<int>(std::floor(p.fz));
    return p;
}

// The rows of corner numbers the cut pieces are made of: corners 0 to 3 of the cell, then
// the crossings 4 (on the diagonal 1-2), 5 (2-3), 6 (3-1), 7 (1-0) and 8 (0-2).
const uint8_t kPieceRows[59][6] = {
    {0, 2, 1},       {1, 2, 3},       {0, 4, 1, 3},    {0, 2, 4, 3},    {1, 5, 3},       {0, 2, 1, 5},
    {0, 4, 1, 5, 3}, {0, 2, 4, 5},    {6, 2, 3},       {0, 2, 1, 6},    {0, 2, 4, 3, 6}, {0, 4, 1, 6},
    {0, 2, 1, 5, 6}, {6, 5, 3},       {0, 2, 7},       {7, 2, 1, 3},    {7, 4, 1, 3},    {7, 0, 4, 2, 3},
    {0, 2, 7},       {1, 5, 3},       {7, 2, 1, 5},    {7, 4, 1, 5, 3}, {7, 0, 4, 2, 5}, {0, 2, 7},
    {6, 2, 3},       {7, 2, 1, 6},    {7, 0, 4, 2, 6, 3}, {7, 4, 1, 6},  {0, 2, 7},       {6, 5, 3},
    {7, 2, 1, 5, 6}, {0, 8, 1},       {8, 2, 1, 3},    {0, 8, 1, 4, 3}, {8, 2, 4, 3},    {0, 8, 1},
    {1, 5, 3},       {8, 2, 1, 5},    {0, 8, 1, 4, 3, 5}, {8, 2, 4, 5},  {0, 8, 1},       {6, 2, 3},
    {8, 2, 1, 6},    {0, 8, 1, 4, 6}, {8, 2, 4, 3, 6}, {0, 8, 1},       {6, 5, 3},       {8, 2, 1, 5, 6},
    {7, 8, 1, 2, 3}, {0, 8, 7},       {0, 8, 7},       {1, 5, 3},       {7, 8, 1, 2, 5}, {0, 8, 7},
    {6, 2, 3},       {7, 8, 1, 2, 6}, {0, 8, 7},       {6, 5, 3},       {7, 8, 1, 2, 6, 5},
};

// How each crossing mask cuts a cell: corners that must lie exactly at the level (a bit per
// corner), then up to three pieces as (row, vertex count).
struct CutCase {
    uint8_t required;
    uint8_t pieces[3][2];
    uint8_t pieceCount;
};

constexpr uint8_t C1 = 2, C0 = 1, C2 = 4, C3 = 8;

const CutCase* FindCase(int mask) {
    static const struct {
        int mask;
        CutCase cut;
    } kCases[] = {
        {0, {C1 | C2, {{0, 3}, {1, 3}}, 2}},        {1, {C0 | C3, {{2, 4}, {3, 4}}, 2}},
        {2, {C1, {{4, 3}, {5, 4}}, 2}},             {3, {C0, {{6, 5}, {7, 4}}, 2}},
        {4, {C2, {{8, 3}, {9, 4}}, 2}},             {5, {C0, {{10, 5}, {11, 4}}, 2}},
        {6, {0, {{12, 5}, {13, 3}}, 2}},            {8, {C2, {{14, 3}, {15, 4}}, 2}},
        {9, {C3, {{16, 4}, {17, 5}}, 2}},           {10, {C1 | C2, {{18, 3}, {19, 3}, {20, 4}}, 3}},
        {11, {0, {{21, 5}, {22, 5}}, 2}},           {12, {C2, {{23, 3}, {24, 3}, {25, 4}}, 3}},
        {13, {0, {{26, 6}, {27, 4}}, 2}},           {14, {C2, {{28, 3}, {29, 3}, {30, 5}}, 3}},
        {16, {C1, {{31, 3}, {32, 4}}, 2}},          {17, {C3, {{33, 5}, {34, 4}}, 2}},
        {18, {C1, {{35, 3}, {36, 3}, {37, 4}}, 3}}, {19, {0, {{38, 6}, {39, 4}}, 2}},
        {20, {C1 | C2, {{40, 3}, {41, 3}, {42, 4}}, 3}}, {21, {0, {{43, 5}, {44, 5}}, 2}},
        {22, {C1 | C2, {{45, 3}, {46, 3}, {47, 5}}, 3}}, {24, {0, {{48, 5}, {49, 3}}, 2}},
        {26, {C1, {{50, 3}, {51, 3}, {52, 5}}, 3}}, {28, {C2, {{53, 3}, {54, 3}, {55, 5}}, 3}},
        {30, {0, {{56, 3}, {57, 3}, {58, 6}}, 3}},
    };
    // Looked up by mask: every water cell is cut twice per map, counted and then built.
    static const auto kByMask = [] {
        std::array<const CutCase*, 32> table{};
        for (const auto& entry : kCases) {
            table[entry.mask] = &entry.cut;
        }
        return table;
    }();
    return kByMask[mask & 31];
}

// A point on the edge from a to b where the height meets the level; the colour's bytes are
// interpolated one by one and truncated.
void InterpolateTileVertex(const STileVertex& a, const STileVertex& b, float level, STileVertex* v) {
    const float t = (a.y - level) / (a.y - b.y);
    auto mix = [t](float p, float q) { return p + (q - p) * t; };
    v->x = mix(a.x, b.x);
    v->y = level;
    v->z = mix(a.z, b.z);
    for (int i = 0; i < 3; ++i) {
        v->fNormal[i] = mix(a.fNormal[i], b.fNormal[i]);
    }
    for (int i = 0; i < 4; ++i) {
        v->fTexCoord[i] = mix(a.fTexCoord[i], b.fTexCoord[i]);
    }
    uint32_t colour = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float p = static_cast<float>((a.dwColour >> shift) & 0xFF);
        const float q = static_cast<float>((b.dwColour >> shift) & 0xFF);
        colour |= (static_cast<uint32_t>(mix(p, q)) & 0xFF) << shift;
    }
    v->dwColour = colour;
}

// Field by field, as the cell records are: a whole-record copy becomes a checked library call
// per vertex in checked builds, and a water-rich map cuts a hundred thousand vertices.
void CopyTileVertex(const STileVertex& from, STileVertex* to) {
    to->x = from.x;
    to->y = from.y;
    to->z = from.z;
    for (int i = 0; i < 3; ++i) {
        to->fNormal[i] = from.fNormal[i];
    }
    to->dwColour = from.dwColour;
    for (int i = 0; i < 4; ++i) {
        to->fTexCoord[i] = from.fTexCoord[i];
    }
}

// std::max and std::min, whose checked copies a kernel would call rather than inline.
MAP_ROW_KERNEL inline float Larger(float a, float b) { return a < b ? b : a; }
MAP_ROW_KERNEL inline float Smaller(float a, float b) { return b < a ? b : a; }

// A cell is wet where its highest water corner is above its lowest ground corner, and under
// water where it reaches the highest; a wet cell's corner keeps that water level. Chosen without
// branches on the values: a map's grids are 65,536 values each. The row's last cell has no
// corners beyond it and stays dry.
MAP_ROW_KERNEL void WaterStatesOfRow(SHuntCell* row, float* water0, const float* ground0) {
    const float* water1 = water0 + 256;
    const float* ground1 = ground0 + 256;
    for (int x = 0; x < 255; ++x) {
        // Folded in the corners' order, so that a zero keeps the sign it always had.
        const float water = Larger(Larger(Larger(water0[x], water0[x + 1]), water1[x]), water1[x + 1]);
        const float low = Smaller(Smaller(Smaller(ground0[x], ground0[x + 1]), ground1[x]), ground1[x + 1]);
        const float high = Larger(Larger(Larger(ground0[x], ground0[x + 1]), ground1[x]), ground1[x + 1]);
        const bool wet = water > low;
        row[x].dwColour = 0xFFFFFFFF;
        row[x].byWater = static_cast<uint8_t>(wet ? (water >= high ? 2 : 1) : 0);
        water0[x] = wet ? water : water0[x];
    }
    row[255].dwColour = 0xFFFFFFFF;
    row[255].byWater = 0;
}

// Frees the piece slots of a row's cells but the last, and lists the cells the water level
// cuts (state 1), in order.
MAP_ROW_KERNEL int ClearPiecesOfRow(SHuntCell* row, int* wet) {
    int count = 0;
    for (int x = 0; x < 255; ++x) {
        SHuntCell& cell = row[x];
        for (int piece = 0; piece < 4; ++piece) {
            cell.iPieceFirst[piece] = -1;
            cell.byPieceCounts[piece] = 0;
        }
        wet[count] = x;
        count += cell.byWater == 1 ? 1 : 0;
    }
    return count;
}

}  // namespace

SHuntWorld::SHuntWorld()
    : m_pLoadedHeights(new float[kCells]()),
      m_pHeights(new float[kCells]()),
      m_pWaterLevels(new float[kCells]()),
      m_pCells(new SHuntCell[kCells]()),
      m_pLists(new SCellNode*[kCells]()) {
    for (int i = 0; i < kCells; ++i) {
        SHuntCell& cell = m_pCells[i];
        std::fill(std::begin(cell.nObjects), std::end(cell.nObjects), int16_t{-1});
        cell.nGroundTexture = -1;
        cell.dwColour = 0xFFFFFFFF;
        std::fill(std::begin(cell.iPieceFirst), std::end(cell.iPieceFirst), -1);
    }
    // The texture's corners in turn around the square, so that turning the orientation byte
    // turns the texture a quarter and reversing it mirrors the texture; the byte 0xE4 lays the
    // texture straight.
    static const float kCorners[4][2] = {{0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}};
    for (int n = 0; n < 256; ++n) {
        for (int pair = 0; pair < 4; ++pair) {
            const int corner = (n >> (2 * pair)) & 3;
            m_fTexCoordSets[n][pair][0] = kCorners[corner][0];
            m_fTexCoordSets[n][pair][1] = kCorners[corner][1];
        }
    }
}

SHuntWorld::~SHuntWorld() {
    for (int i = 0; i < kCells; ++i) {
        for (SCellNode* node = m_pLists[i]; node != nullptr;) {
            SCellNode* next = node->m_pNext;
            delete node;
            node = next;
        }
    }
    delete[] m_pLists;
    delete[] m_pCells;
    delete[] m_pWaterLevels;
    delete[] m_pHeights;
    delete[] m_pLoadedHeights;
    delete[] m_pTileVertices;
}

void SHuntWorld::TakeGrids(const SMapKR5& map) {
    std::memcpy(m_pLoadedHeights, map.m_fHeights, sizeof(map.m_fHeights));
    std::memcpy(m_pHeights, map.m_fHeights, sizeof(map.m_fHeights));
    std::memcpy(m_pWaterLevels, map.m_fSecondGrid, sizeof(map.m_fSecondGrid));

    // A wall of ten rings rising toward the map's edges keeps the camera's ground inside.
    float rise = 0.0f;
    for (int k = 0; k < 10; ++k) {
        rise = rise + rise * 0.05f + 64.0f;
        for (int line : {9 - k, 246 + k}) {
            for (int i = 0; i < 256; ++i) {
                m_pHeights[i * 256 + line] += rise;
                m_pHeights[line * 256 + i] += rise;
            }
        }
    }

    // The last row and column have no corners beyond them and stay dry.
    for (int z = 0; z < 255; ++z) {
        const int first = z * 256;
        WaterStatesOfRow(m_pCells + first, m_pWaterLevels + first, m_pHeights + first);
    }
    SHuntCell* last = m_pCells + 255 * 256;
    for (int x = 0; x < 256; ++x) {
        last[x].dwColour = 0xFFFFFFFF;
        last[x].byWater = 0;
    }
}

// --- Cell objects -------------------------------------------------------------------------------------

int16_t SHuntWorld::GetObjectIndex(int cell, int entry) {
    entry &= 255;
    return entry < kEntries ? Cell(cell).nObjects[entry] : int16_t{-1};
}

bool SHuntWorld::GetObjectPosition(int cell, int entry, float* x, float* z) {
    entry &= 255;
    if (entry >= kEntries) {
        return false;
    }
    const SHuntCell& record = Cell(cell);
    if (x != nullptr) {
        *x = static_cast<float>(cell & 255) * 256.0f + record.byObjectPositions[entry][0];
    }
    if (z != nullptr) {
        *z = static_cast<float>((cell >> 8) & 255) * 256.0f + record.byObjectPositions[entry][1];
    }
    return true;
}

bool SHuntWorld::GetShownObject(int cell, int entry, int16_t* index, float* scale) {
    entry &= 255;
    if (entry >= kEntries || Cell(cell).nObjects[entry] < 0) {
        return false;
    }
    *index = Cell(cell).nObjects[entry];
    *scale = Cell(cell).fObjectScales[entry];
    return true;
}

int SHuntWorld::ShowObject(int cell, int entry, int show) {
    entry &= 255;
    if (entry >= kEntries) {
        return 0;
    }
    int16_t& slot = Cell(cell).nObjects[entry];
    if (slot == -1) {
        return 0;
    }
    const int wasShown = slot >= 0 ? 1 : 0;
    const int index = slot >= 0 ? slot : -2 - slot;
    slot = static_cast<int16_t>(show != 0 ? index : -2 - index);
    return wasShown;
}

void SHuntWorld::SetObjectIndex(int cell, int entry, int16_t value) {
    entry &= 255;
    if (value >= 0 && entry < kEntries) {
        Cell(cell).nObjects[entry] = value;
    }
}

// Entries keep their attributes when they move, and a removed entry parks in the first free
// place, from where the next insertion takes its attributes.
SHuntCell* SHuntWorld::EditObjects(int cell, int entry, int16_t value) {
    SHuntCell& record = Cell(cell);
    entry &= 255;
    // Trees placed from the map may fill all eight slots; an insertion needs one of the
    // first five free, a removal may take any entry the cell holds.
    const int count = std::min<int>(record.byObjectCount, SHuntCell::kSlots);
    auto move = [&record](int to, int from) {
        record.nObjects[to] = record.nObjects[from];
        record.fObjectScales[to] = record.fObjectScales[from];
        record.byObjectPositions[to][0] = record.byObjectPositions[from][0];
        record.byObjectPositions[to][1] = record.byObjectPositions[from][1];
        record.fObjectBases[to] = record.fObjectBases[from];
    };
    if (static_cast<uint16_t>(value) != 0xFFFF) {
        if (count >= kEntries) {
            return &record;  // a full cell takes nothing more
        }
        SHuntCell saved = record;
        for (int place = count; place > 0; --place) {
            move(place, place - 1);
        }
        record.nObjects[0] = value;
        record.fObjectScales[0] = saved.fObjectScales[count];
        record.byObjectPositions[0][0] = saved.byObjectPositions[count][0];
        record.byObjectPositions[0][1] = saved.byObjectPositions[count][1];
        record.fObjectBases[0] = saved.fObjectBases[count];
        record.byObjectCount = static_cast<uint8_t>(count + 1);
        return &record;
    }
    if (entry < count) {
        SHuntCell saved = record;
        for (int place = entry; place < count - 1; ++place) {
            move(place, place + 1);
        }
        const int last = count - 1;
        record.nObjects[last] = saved.nObjects[entry];
        record.fObjectScales[last] = saved.fObjectScales[entry];
        record.byObjectPositions[last][0] = saved.byObjectPositions[entry][0];
        record.byObjectPositions[last][1] = saved.byObjectPositions[entry][1];
        record.fObjectBases[last] = saved.fObjectBases[entry];
        record.byObjectCount = static_cast<uint8_t>(last);
    }
    return &record;
}

uint8_t SHuntWorld::FlipOrientation(uint8_t b) {
    return static_cast<uint8_t>(((b & 0x03) << 6) | ((b & 0x0C) << 2) | ((b & 0x30) >> 2) | ((b & 0xC0) >> 6));
}

uint8_t SHuntWorld::RotateOrientation(uint8_t b) { return static_cast<uint8_t>((b >> 2) | ((b & 0x03) << 6)); }

// --- Terrain -----------------------------------------------------------------------------------------

double SHuntWorld::GetTerrainHeight(double x, double z) const {
    const GridPoint p = Locate(x, z);
    auto h = [this](int i, int j) { return static_cast<double>(m_pHeights[j * 256 + i]); };
    const double h00 = h(p.ix, p.iz);
    if (p.fx == p.ix && p.fz == p.iz) {
        return h00;
    }
    const double h10 = h(p.ix + 1, p.iz);
    const double h01 = h(p.ix, p.iz + 1);
    const double h11 = h(p.ix + 1, p.iz + 1);
    const double u = p.fz - p.iz;
    const double v = (p.ix + 1) - p.fx;
    if (v <= u) {
        const double t = u - v;
        const double a = h10 + (h11 - h10) * t;
        const double b = h01 + (h11 - h01) * t;
        return a + (b - a) * v / (1.0 - t);
    }
    const double t = v - u;
    const double a = h10 + (h00 - h10) * t;
    const double b = h01 + (h00 - h01) * t;
    return a + (b - a) * u / (1.0 - t);
}

double SHuntWorld::GetSurfaceHeight(double x, double z) const {
    const GridPoint p = Locate(x, z);
    const int cell = p.iz * 256 + p.ix;
    return m_pCells[cell].byWater != 0 ? m_pWaterLevels[cell] : GetTerrainHeight(x, z);
}

void SHuntWorld::GetHeights(double x, double z, double* heights) const {
    if (heights == nullptr) {
        return;
    }
    const GridPoint p = Locate(x, z);
    const int cell = p.iz * 256 + p.ix;
    heights[0] = GetTerrainHeight(x, z);
    heights[1] = m_pCells[cell].byWater != 0 ? m_pWaterLevels[cell] : heights[0];
}

void SHuntWorld::GetTerrainTexCoord(double x, double z, double* u, double* v) const {
    const GridPoint p = Locate(x, z);
    if (p.fx == p.ix && p.fz == p.iz) {
        return;
    }
    const float(*set)[2] = m_fTexCoordSets[m_pCells[p.iz * 256 + p.ix].byOrientation];
    // Cell corners 0 to 3 take the set's fourth, third, first and second pairs.
    const float* corner[4] = {set[3], set[2], set[0], set[1]};
    const double s = p.fx - p.ix;
    const double t = p.fz - p.iz;
    double w[4];
    if (s + t < 1.0) {
        w[0] = 1.0 - s - t, w[1] = s, w[2] = t, w[3] = 0.0;
    } else {
        w[0] = 0.0, w[1] = 1.0 - t, w[2] = 1.0 - s, w[3] = s + t - 1.0;
    }
    double tu = 0.0, tv = 0.0;
    for (int i = 0; i < 4; ++i) {
        tu += w[i] * corner[i][0];
        tv += w[i] * corner[i][1];
    }
    if (u != nullptr) {
        *u = tu;
    }
    if (v != nullptr) {
        *v = tv;
    }
}

// --- Object lists ------------------------------------------------------------------------------------

SCellNode* SHuntWorld::AddToList(void* value, uint8_t kind, int cellX, int cellZ) {
    SCellNode*& head = m_pLists[CellOf(cellX, cellZ)];
    head = new SCellNode{value, kind, head};
    return head;
}

int SHuntWorld::RemoveFromList(void* value, int cellX, int cellZ) {
    for (SCellNode** link = &m_pLists[CellOf(cellX, cellZ)]; *link != nullptr; link = &(*link)->m_pNext) {
        if ((*link)->m_pValue == value) {
            SCellNode* node = *link;
            *link = node->m_pNext;
            delete node;
            return 1;
        }
    }
    return 0;
}

int SHuntWorld::MoveInLists(void* value, int oldX, int oldZ, int newX, int newZ) {
    if (CellOf(oldX, oldZ) == CellOf(newX, newZ)) {
        return 1;
    }
    for (SCellNode** link = &m_pLists[CellOf(oldX, oldZ)]; *link != nullptr; link = &(*link)->m_pNext) {
        if ((*link)->m_pValue == value) {
            SCellNode* node = *link;
            *link = node->m_pNext;
            SCellNode*& head = m_pLists[CellOf(newX, newZ)];
            node->m_pNext = head;
            head = node;
            return 1;
        }
    }
    return 0;
}

void SHuntWorld::CellAt(double x, double z, int* cellX, int* cellZ) {
    auto cell = [](double v) {
        const double q = v / 256.0;
        return std::isfinite(q) ? static_cast<int>(std::fmod(q, 256.0)) & 255 : 0;
    };
    *cellX = cell(x);
    *cellZ = cell(z);
}

// --- Cells cut at the water level --------------------------------------------------------------------

void SHuntWorld::CornerVertex(int cellX, int cellZ, int corner, STileVertex* out) const {
    const int x = cellX + (corner & 1);
    const int z = cellZ + (corner >> 1);
    const SHuntCell& own = m_pCells[cellZ * 256 + cellX];
    const SHuntCell& source = m_pCells[z * 256 + x];
    out->x = static_cast<float>(x) * 256.0f;
    out->y = m_pHeights[z * 256 + x];
    out->z = static_cast<float>(z) * 256.0f;
    out->fNormal[0] = source.fNormal[0];
    out->fNormal[1] = source.fNormal[1];
    out->fNormal[2] = source.fNormal[2];
    out->dwColour = source.dwColour;
    static const int kPair[4] = {3, 2, 0, 1};
    const float* pair = m_fTexCoordSets[own.byOrientation][kPair[corner]];
    out->fTexCoord[0] = pair[0];
    out->fTexCoord[1] = pair[1];
    out->fTexCoord[2] = static_cast<float>(corner & 1);
    out->fTexCoord[3] = static_cast<float>(corner >> 1);
}

void SHuntWorld::SetTerrainTileVertex(SHuntCell& cell, const STileVertex* vertices, int count, int first, float level) {
    bool above = false;
    for (int i = 0; i < count; ++i) {
        if (vertices[i].y != level) {
            above = vertices[i].y > level;
            break;
        }
    }
    const int side = above ? 0 : 2;
    for (int piece = side; piece < side + 2; ++piece) {
        if (cell.iPieceFirst[piece] == -1) {
            cell.iPieceFirst[piece] = first;
            cell.byPieceCounts[piece] = static_cast<uint8_t>(count);
            return;
        }
    }
    // A third piece on one side is not kept: the two already stored stay as they are.
}

int SHuntWorld::BuildTerrainTile(int cellX, int cellZ, int first) {
    const int corners[4] = {cellZ * 256 + cellX, cellZ * 256 + cellX + 1, (cellZ + 1) * 256 + cellX,
                            (cellZ + 1) * 256 + cellX + 1};
    float level = m_pWaterLevels[corners[0]];
    const bool even = m_pWaterLevels[corners[1]] == level && m_pWaterLevels[corners[2]] == level &&
                      m_pWaterLevels[corners[3]] == level;
    if (!even) {
        for (int c : corners) {
            level = std::max(level, m_pWaterLevels[c]);
        }
    }

    // The cut depends on the corner heights alone: counting builds no vertex.
    float heights[4];
    for (int corner = 0; corner < 4; ++corner) {
        heights[corner] = m_pHeights[corners[corner]];
    }
    static const int kEdges[5][2] = {{1, 2}, {2, 3}, {3, 1}, {1, 0}, {0, 2}};
    int mask = 0;
    for (int e = 0; e < 5; ++e) {
        const float a = heights[kEdges[e][0]];
        const float b = heights[kEdges[e][1]];
        if ((a < level && level < b) || (b < level && level < a)) {
            mask |= 1 << e;
        }
    }
    const CutCase* cut = FindCase(mask);
    if (cut == nullptr) {
        return 0;
    }
    for (int corner = 0; corner < 4; ++corner) {
        if ((cut->required & (1 << corner)) != 0 && heights[corner] != level) {
            return 0;
        }
    }
    int total = 0;
    const bool write = first >= 0 && m_pTileVertices != nullptr;
    if (!write) {
        for (int i = 0; i < cut->pieceCount; ++i) {
            total += cut->pieces[i][1];
        }
        return total;
    }
    STileVertex points[9];
    for (int corner = 0; corner < 4; ++corner) {
        CornerVertex(cellX, cellZ, corner, &points[corner]);
    }
    for (int e = 0; e < 5; ++e) {
        if ((mask & (1 << e)) != 0) {
            InterpolateTileVertex(points[kEdges[e][0]], points[kEdges[e][1]], level, &points[4 + e]);
        }
    }
    SHuntCell& cell = m_pCells[cellZ * 256 + cellX];
    for (int i = 0; i < cut->pieceCount; ++i) {
        const uint8_t* row = kPieceRows[cut->pieces[i][0]];
        const int count = cut->pieces[i][1];
        STileVertex* out = m_pTileVertices + first + total;
        for (int k = 0; k < count; ++k) {
            CopyTileVertex(points[row[k]], &out[k]);
        }
        SetTerrainTileVertex(cell, out, count, first + total, level);
        total += count;
    }
    return total;
}

void SHuntWorld::ClipTileAtHeight() {
    // The count remembers the cells it found cut, in walking order, so that the build visits
    // those alone instead of the 9.4 MB of cell records again.
    m_CutCells.clear();
    int needed = 0;
    for (int z = 0; z < 255; ++z) {
        int wet[255];
        const int count = ClearPiecesOfRow(m_pCells + z * 256, wet);
        for (int i = 0; i < count; ++i) {
            const int pieces = BuildTerrainTile(wet[i], z, -1);
            if (pieces > 0) {
                m_CutCells.push_back(z * 256 + wet[i]);
                needed += pieces;
            }
        }
    }
    // A block already large enough is kept for the next map; the second pass writes every
    // vertex counted, and the spare slot after them is left as a new block has it.
    if (needed + 1 > m_iTileVertexCapacity) {
        delete[] m_pTileVertices;
        m_pTileVertices = new STileVertex[static_cast<size_t>(needed) + 1];
        m_iTileVertexCapacity = needed + 1;
    } else {
        m_pTileVertices[needed] = STileVertex{};
    }
    m_iTileVertexCount = needed;
    int next = 0;
    for (const int cell : m_CutCells) {
        next += BuildTerrainTile(cell & 255, cell >> 8, next);
    }
}
