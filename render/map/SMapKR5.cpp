#include "render/map/SMapKR5.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/SObjectDef.h"
#include "render/map/RowKernel.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"

IMPLEMENT_DYNCREATE(SMapKR5, CObject)

namespace {

constexpr int kGridBytes = SMapKR5::kCells * 4;
constexpr int kMaxText = 2047;      // tags, models, names and sounds
constexpr int kMaxZoneText = 4095;  // zone names, keys and values
constexpr float kMapSpan = 65536.0f;
constexpr float kCellSpan = 256.0f;
// The largest grid value kept, as stored (before the scaling by 8).
constexpr float kMaxStoredHeight = 131072.0f;

// The cell table last given back, kept for the next map: the scenario page opens every map file
// in turn, and each would otherwise map 2.75 MB afresh and fault it in page by page. What it
// holds is known, so that a table is cleared or filled only when it must be.
std::mutex g_spareLock;
uint8_t* g_pSpareTable = nullptr;
SMapKR5::CellContent g_eSpareHeld = SMapKR5::CellContent::zero;

std::pair<uint8_t*, SMapKR5::CellContent> TakeCellTable() {
    std::pair<uint8_t*, SMapKR5::CellContent> taken{nullptr, SMapKR5::CellContent::zero};
    {
        std::lock_guard<std::mutex> lock(g_spareLock);
        std::swap(taken.first, g_pSpareTable);
        taken.second = g_eSpareHeld;
    }
    if (taken.first == nullptr) {
        // A large calloc comes from the system already zero.
        return {static_cast<uint8_t*>(std::calloc(SMapKR5::kCellTableBytes, 1)), SMapKR5::CellContent::zero};
    }
    return taken;
}

void GiveBackCellTable(uint8_t* table, SMapKR5::CellContent held) {
    if (table == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(g_spareLock);
        std::swap(table, g_pSpareTable);
        g_eSpareHeld = held;
    }
    std::free(table);
}

// Each cell's entries are stored as five-byte groups; the table keeps them as runs of eight, with
// the in-cell Y counted from the other edge. Unrolled at compile time: the table is 65,536 cells.
template <size_t... k>
MAP_ROW_KERNEL inline void SpreadCell(uint8_t* cell, const uint8_t* raw, std::index_sequence<k...>) {
    ((cell[k] = raw[5 * k], cell[8 + k] = raw[5 * k + 1], cell[16 + k] = raw[5 * k + 2],
      cell[24 + 2 * k] = raw[5 * k + 3], cell[25 + 2 * k] = static_cast<uint8_t>(255 - raw[5 * k + 4])),
     ...);
    // The file orders each cell's last two bytes the other way round.
    cell[41] = raw[40];
    cell[40] = raw[41];
}

// A row of 256 cells.
MAP_ROW_KERNEL void SpreadRow(uint8_t* cells, const uint8_t* raw) {
    for (int c = 0; c < 256; ++c) {
        SpreadCell(cells + c * SMapKR5::kCellBytes, raw + c * SMapKR5::kCellBytes, std::make_index_sequence<8>{});
    }
}

template <size_t... k>
void FlipCellY(uint8_t* cell, std::index_sequence<k...>) {
    ((cell[25 + 2 * k] = static_cast<uint8_t>(255 - cell[25 + 2 * k])), ...);
}

// Heights that are not numbers, or too far out for the terrain's differences and products to
// stay finite, would reach the outdoor world as NaN weights: they count as ground level or as
// the farthest height kept. Without branches, so that a whole row is worked at once.
// Plain operators only: a checked library call would not be inlined into the kernel.
MAP_ROW_KERNEL void ScaleRow(float* row) {
    for (int i = 0; i < 256; ++i) {
        const float v = row[i];
        const float low = v < -kMaxStoredHeight ? -kMaxStoredHeight : v;
        const float clamped = low > kMaxStoredHeight ? kMaxStoredHeight : low;
        // v - v is zero for every finite value and NaN for infinities and NaN.
        row[i] = v - v == 0.0f ? clamped * 8.0f : 0.0f;
    }
}

// Class-library arrays grow by at most 1,024 elements at a time, which would cost a map of many
// records time in the square of their count; growing by the size held keeps it in proportion.
template <class Array>
void GrowInProportion(Array& array) {
    array.SetSize(array.GetSize(), std::max(1024, array.GetSize()));
}

}  // namespace

// A bounded cursor over the map. A file is read a piece at a time, never whole: a length the
// header cannot vouch for costs only the pieces the records ask for. Every read checks what is
// left first, so a count, length or offset that does not fit the file ends the load as a short
// file instead of allocating or reading beyond it; and what the records take, in bytes read and
// in records made, is charged against what any map could need, so a map made of records over
// and over is refused before it fills memory.
class SMapKR5::Reader {
public:
    // A map holds two grids and a cell table (3.3 MB) and some kilobytes of names: twenty times
    // that is far past any real one.
    static constexpr size_t kMaxCharged = 64u << 20;

    // Over bytes another owns.
    Reader(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(size), m_pieceLength(size) {}
    // Over a file of `size` bytes, read as the records need it.
    Reader(CFile* file, size_t size) : m_pFile(file), m_size(size) {}

    size_t Left() const { return m_size - m_pos; }
    size_t Size() const { return m_size; }
    bool OverCharged() const { return m_charged > kMaxCharged; }
    void Need(size_t count) const {
        if (count > Left()) {
            ThrowArchiveException(CArchiveException::endOfFile);
        }
    }
    // Counts what a record made against the bound; `held` is its size in memory.
    void Charge(size_t held) {
        // Each allocation also costs the heap its own bookkeeping.
        Spend(held + 16);
    }
    void SeekTo(int64_t offset) {
        if (offset < 0 || static_cast<uint64_t>(offset) > m_size) {
            ThrowArchiveException(CArchiveException::endOfFile);
        }
        m_pos = static_cast<size_t>(offset);
    }
    void Skip(int64_t count) {
        if (count < 0 || static_cast<uint64_t>(count) > Left()) {
            ThrowArchiveException(CArchiveException::endOfFile);
        }
        m_pos += static_cast<size_t>(count);
    }
    void Bytes(void* out, size_t count) { std::memcpy(out, Take(count), count); }
    // The next `count` bytes, read past; valid until the next read.
    const uint8_t* Take(size_t count) {
        Need(count);
        Spend(count);
        if (m_pos < m_pieceStart || m_pos + count > m_pieceStart + m_pieceLength) {
            ReadPiece(count);
        }
        const uint8_t* at = m_bytes + (m_pos - m_pieceStart);
        m_pos += count;
        return at;
    }
    uint8_t U8() {
        uint8_t v = 0;
        Bytes(&v, 1);
        return v;
    }
    uint16_t U16() {
        uint8_t b[2];
        Bytes(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    uint32_t U32() {
        uint8_t b[4];
        Bytes(b, 4);
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() {
        const uint32_t bits = U32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    SString Text(int length, int limit) {
        if (length > limit) {
            ThrowArchiveException(CArchiveException::genericException);
        }
        return SString(reinterpret_cast<const char*>(Take(static_cast<size_t>(length))), length);
    }
    SString String(int limit) { return Text(U16(), limit); }
    // A count of records of at least `minimum` bytes each, refused when negative or when
    // the rest of the file could not hold that many.
    int32_t Count(size_t minimum) {
        const int32_t count = I32();
        if (count < 0 || static_cast<uint64_t>(count) * minimum > Left()) {
            ThrowArchiveException(CArchiveException::endOfFile);
        }
        return count;
    }

private:
    // Small reads share one piece; a grid or the cell table is read in one go.
    static constexpr size_t kPieceBytes = 64u << 10;

    void Spend(size_t bytes) {
        m_charged += bytes;
        if (m_charged > kMaxCharged) {
            ThrowArchiveException(CArchiveException::genericException);
        }
    }

    // Reads the piece that starts at the cursor and holds at least `count` bytes (which Need
    // has found in the file). Only a file reader gets here: bytes lent are all in one piece.
    void ReadPiece(size_t count) {
        const size_t length = std::min(Left(), std::max(count, kPieceBytes));
        if (m_piece.size() < length) {
            m_piece.resize(length);
        }
        m_pFile->Seek(static_cast<int64_t>(m_pos), CFile::begin);
        // A file that became shorter since its length was taken reads short.
        if (m_pFile->Read(m_piece.data(), static_cast<unsigned>(length)) != length) {
            ThrowArchiveException(CArchiveException::endOfFile);
        }
        m_bytes = m_piece.data();
        m_pieceStart = m_pos;
        m_pieceLength = length;
    }

    CFile* m_pFile = nullptr;
    std::vector<uint8_t> m_piece;
    const uint8_t* m_bytes = nullptr;
    size_t m_size;
    size_t m_pos = 0;
    // Where the bytes at m_bytes sit in the file, and how many there are.
    size_t m_pieceStart = 0;
    size_t m_pieceLength = 0;
    size_t m_charged = 0;
};

// --- Zones ------------------------------------------------------------------------------------------

SParserZone::SParserZone() : m_pDef(new SObjectDef()) {}

SParserZone::~SParserZone() {
    delete[] m_pPoints;
    delete m_pDef;
}

SParserZone* SParserZone::Clone() const {
    auto* zone = new SParserZone();
    zone->m_sName = m_sName;
    zone->m_iPointCount = m_iPointCount;
    if (m_iPointCount > 0) {
        zone->m_pPoints = new float[static_cast<size_t>(m_iPointCount) * 2];
        std::memcpy(zone->m_pPoints, m_pPoints, static_cast<size_t>(m_iPointCount) * 2 * sizeof(float));
    }
    for (int i = 0; i < m_pDef->GetCount(); ++i) {
        zone->m_pDef->Set(i, m_pDef->GetName(i), m_pDef->GetValue(i), m_pDef->GetTag(i));
    }
    zone->m_pDef->SetName(m_pDef->GetName().GetString());
    return zone;
}

// --- The map ----------------------------------------------------------------------------------------

SMapKR5::SMapKR5() {
    std::tie(m_pCells, m_eCellsHeld) = TakeCellTable();
}

uint8_t* SMapKR5::CellTable() const {
    if (m_pCells == nullptr) {
        return nullptr;
    }
    if (m_eCellsHeld != m_eCellsShown) {
        // Only a table shown as zero can hold something else: what an earlier map left.
        std::memset(m_pCells, 0, kCellTableBytes);
        m_eCellsHeld = CellContent::zero;
    }
    return m_pCells;
}

SMapKR5::~SMapKR5() { Clear(); }

int SMapKR5::Clear() {
    m_GroundNames.RemoveAll();
    m_ModelNames.RemoveAll();
    m_SoundOutputs.RemoveAll();
    m_Tags.RemoveAll();
    GiveBackCellTable(m_pCells, m_eCellsHeld);
    m_pCells = nullptr;
    DeleteModelOutputs();
    DeleteZones();
    m_bUsable = false;
    return 1;
}

void SMapKR5::DeleteModelOutputs() {
    for (int i = 0; i < m_ModelOutputs.GetSize(); ++i) {
        delete m_ModelOutputs[i];
    }
    m_ModelOutputs.RemoveAll();
}

void SMapKR5::DeleteZones() {
    for (int i = 0; i < m_Zones.GetSize(); ++i) {
        delete m_Zones[i];
    }
    m_Zones.RemoveAll();
}

int SMapKR5::LoadFile(const char* path) {
    CFile file;
    m_strLoadError.Empty();
    CFileException opening;
    if (path == nullptr || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &opening)) {
        char text[256] = "file not found";
        if (path != nullptr)
            opening.GetErrorMessage(text, sizeof(text));
        m_strLoadError = text;
        return 0;
    }
    m_Tags.RemoveAll();
    try {
        CArchive ar(&file, CArchive::load, 0x40000);
        Serialize(ar);
        ar.Close();
        file.Close();
    } catch (CException& e) {
        char text[256] = {};
        e.GetErrorMessage(text, sizeof(text));
        // A reason the reading gave itself says more than the exception's cause.
        if (m_strLoadError.IsEmpty())
            m_strLoadError = text;
        m_bUsable = false;
        return 0;
    }
    return 1;
}

void SMapKR5::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        return;
    }
    m_bUsable = false;
    // The records are found by absolute offsets, so the reader works on the whole file.
    CFile* file = ar.GetFile();
    if (file == nullptr || m_pCells == nullptr) {
        ThrowArchiveException(CArchiveException::genericException);
    }
    const uint64_t length = file->GetLength();
    if (length > 0x7FFFFFFF) {
        ThrowArchiveException(CArchiveException::genericException);
    }
    // A memory file lends its bytes: a whole map is 3.3 MB.
    const bool lent = file->IsKindOf(RUNTIME_CLASS(CMemFile));
    Reader in = lent ? Reader(static_cast<CMemFile*>(file)->GetBytes(), static_cast<size_t>(length))
                     : Reader(file, static_cast<size_t>(length));
    if (lent) {
        file->SeekToEnd();
    }

    char magic[4];
    in.Bytes(magic, 4);
    if (std::memcmp(magic, "SMAP", 4) != 0) {
        m_Tags.RemoveAll();
        return;
    }
    const uint8_t version = in.U8();
    in.Skip(1);
    const int32_t records = in.I32();
    const int32_t first = in.I32();
    if (version != 3) {
        m_Tags.RemoveAll();
        return;
    }
    in.SeekTo(first);
    // Each record has a six-byte head, which bounds how many the file can hold.
    if (records < 0 || static_cast<uint64_t>(records) * 6 > in.Left()) {
        ThrowArchiveException(CArchiveException::endOfFile);
    }
    try {
        for (int32_t i = 0; i < records; ++i) {
            ReadRecords(in);
        }
    } catch (CArchiveException&) {
        if (in.OverCharged()) {
            m_strLoadError = ("its records hold more than any map does (more than " +
                              std::to_string(Reader::kMaxCharged >> 20) + " MB)")
                                 .c_str();
        }
        throw;
    }
    Orient();
    m_bUsable = true;
}

void SMapKR5::ReadRecords(Reader& in) {
    const uint8_t type = in.U8();
    in.Skip(1);
    const int32_t length = in.I32();
    if (length < 0) {
        ThrowArchiveException(CArchiveException::genericException);
    }
    switch (type) {
    case 1:
        ReadTags(in);
        break;
    case 2:
        ReadGrid(in, m_fHeights);
        break;
    case 5:
        ReadModelOutputs(in);
        break;
    case 6:
        ReadNames(in);
        break;
    case 7:
        ReadSoundOutputs(in);
        break;
    case 8:
    case 11:
        ReadCells(in);
        break;
    case 9:
        ReadGrid(in, m_fSecondGrid);
        break;
    case 10:
        ReadZones(in);
        break;
    default:
        in.Skip(length);
        break;
    }
}

void SMapKR5::ReadTags(Reader& in) {
    m_Tags.RemoveAll();
    const int32_t count = in.Count(5);
    for (int32_t i = 0; i < count; ++i) {
        const uint16_t nameLength = in.U16();
        const uint8_t flag = in.U8();
        const uint16_t valueLength = in.U16();
        in.Charge(sizeof(SMapKR5Tag));
        SMapKR5Tag tag;
        tag.m_sName = in.Text(nameLength, kMaxText);
        tag.m_sValue = in.Text(valueLength, kMaxText);
        tag.m_dwFlag = flag;
        GrowInProportion(m_Tags);
        m_Tags.Add(tag);
    }
}

void SMapKR5::ReadModelOutputs(Reader& in) {
    DeleteModelOutputs();
    const int32_t count = in.Count(46);
    for (int32_t i = 0; i < count; ++i) {
        in.Charge(sizeof(SMapKR5Model_Output));
        GrowInProportion(m_ModelOutputs);
        auto* output = new SMapKR5Model_Output();
        m_ModelOutputs.Add(output);
        output->m_sName = in.String(kMaxText);
        output->m_fX = in.F32();
        output->m_fY = in.F32();
        output->m_dwValue3 = in.U32();
        output->m_dwValue4 = in.U32();
        output->m_dwValue5 = in.U32();
        output->m_byCategoryMask = in.U8();
        output->m_dwValue6 = in.U32();
        output->m_byValue7 = in.U8();
        output->m_dwValue8 = in.U32();
        output->m_dwValue9 = in.U32();
        output->m_wValue10 = in.U16();
        output->m_dwValue11 = in.U32();
        output->m_dwValue12 = in.U32();
        output->m_byMaskCopy = output->m_byCategoryMask;
    }
}

void SMapKR5::ReadNames(Reader& in) {
    for (CStringArray* list : {&m_GroundNames, &m_ModelNames}) {
        const int32_t count = in.Count(2);
        for (int32_t i = 0; i < count; ++i) {
            in.Charge(sizeof(CString));
            GrowInProportion(*list);
            list->Add(CString(in.String(kMaxText).GetString()));
        }
    }
}

void SMapKR5::ReadSoundOutputs(Reader& in) {
    m_SoundOutputs.RemoveAll();
    const int32_t count = in.Count(46);
    for (int32_t i = 0; i < count; ++i) {
        in.Charge(sizeof(SMapKR5Sound_Output));
        SMapKR5Sound_Output sound;
        const int32_t flag = in.I32();
        if (flag == 1) {
            sound.m_sSecondName = in.String(kMaxText);
        }
        sound.m_sName = in.String(kMaxText);
        sound.m_iHasSecondName = flag == 1 ? 1 : 0;
        sound.m_dwP1 = in.U32();
        sound.m_fP2 = in.F32();
        sound.m_dwP3 = in.U32();
        sound.m_dwF = in.U32();
        sound.m_dwG = in.U32();
        sound.m_dwH = in.U32();
        sound.m_dwD = in.U32();
        sound.m_dwE = in.U32();
        sound.m_dwI = in.U32();
        sound.m_dwJ = in.U32();
        GrowInProportion(m_SoundOutputs);
        m_SoundOutputs.Add(sound);
    }
}

void SMapKR5::ReadZones(Reader& in) {
    const int32_t count = in.Count(6);
    for (int32_t i = 0; i < count; ++i) {
        // With the shared links the definition keeps to itself.
        in.Charge(sizeof(SParserZone) + sizeof(SObjectDef) + 64);
        GrowInProportion(m_Zones);
        auto* zone = new SParserZone();
        m_Zones.Add(zone);
        zone->m_sName = in.String(kMaxZoneText);
        zone->m_pDef->SetName(zone->m_sName.GetString());
        const uint16_t values = in.U16();
        for (int v = 0; v < values; ++v) {
            const uint16_t keyLength = in.U16();
            const uint8_t tag = in.U8();
            const uint16_t valueLength = in.U16();
            const SString key = in.Text(keyLength, kMaxZoneText);
            const SString value = in.Text(valueLength, kMaxZoneText);
            // A value is kept as its name, its text and its tag, and found through an index.
            in.Charge(2 * sizeof(SString) + 32);
            zone->m_pDef->Set(zone->m_pDef->GetCount(), key, value, tag);
        }
        const uint16_t points = in.U16();
        in.Need(static_cast<size_t>(points) * 8);
        zone->m_iPointCount = points;
        zone->m_pPoints = points > 0 ? new float[static_cast<size_t>(points) * 2] : nullptr;
        for (int p = 0; p < points; ++p) {
            zone->m_pPoints[2 * p] = in.F32();
            zone->m_pPoints[2 * p + 1] = 255.0f - in.F32();
        }
    }
}

// The file stores rows from the far edge; grid rows are put the other way round as they are read.
void SMapKR5::ReadGrid(Reader& in, float* grid) {
    const uint8_t* raw = in.Take(kGridBytes);
    constexpr size_t kRowBytes = 256 * sizeof(float);
    for (int r = 0; r < 256; ++r, raw += kRowBytes) {
        float* row = grid + (255 - r) * 256;
        std::memcpy(row, raw, kRowBytes);
        ScaleRow(row);
    }
}

// The cells are stored from the far edge too, and one row off the height grid's corners: file
// row r becomes row 254 - r, the nearest row is kept twice and the farthest is dropped.
void SMapKR5::ReadCells(Reader& in) {
    const uint8_t* raw = in.Take(kCellTableBytes);
    // Every cell is written below: what the table held does not matter.
    m_eCellsHeld = m_eCellsShown = CellContent::written;
    constexpr size_t kCellRowBytes = 256 * static_cast<size_t>(kCellBytes);
    for (int r = 0; r < 255; ++r, raw += kCellRowBytes) {
        SpreadRow(m_pCells + static_cast<size_t>(254 - r) * kCellRowBytes, raw);
    }
    std::memcpy(m_pCells + 255 * kCellRowBytes, m_pCells + 254 * kCellRowBytes, kCellRowBytes);
}

// Turns what the records left into the renderer's orientation: a cell table no record filled
// has every in-cell Y counted from the other edge, and the outputs' positions are mirrored.
void SMapKR5::Orient() {
    constexpr size_t kCellRowBytes = 256 * static_cast<size_t>(kCellBytes);
    if (m_eCellsShown == CellContent::zero) {
        // The fill writes every byte; a table that already holds it, left by an earlier map
        // without cells, is kept as it is.
        if (m_eCellsHeld != CellContent::unfilledOriented) {
            uint8_t row[kCellRowBytes] = {};
            for (size_t c = 0; c < kCellRowBytes; c += kCellBytes) {
                FlipCellY(row + c, std::make_index_sequence<8>{});
            }
            for (int r = 0; r < 256; ++r) {
                std::memcpy(m_pCells + r * kCellRowBytes, row, kCellRowBytes);
            }
        }
        m_eCellsHeld = m_eCellsShown = CellContent::unfilledOriented;
    }
    for (int i = 0; i < m_SoundOutputs.GetSize(); ++i) {
        m_SoundOutputs[i].m_fP2 = kMapSpan - m_SoundOutputs[i].m_fP2 - kCellSpan;
    }
    for (int i = 0; i < m_ModelOutputs.GetSize(); ++i) {
        m_ModelOutputs[i]->m_fY = kMapSpan - m_ModelOutputs[i]->m_fY - kCellSpan;
    }
}

const char* SMapKR5::GetGroundName(int index) const {
    return index >= 0 && index < m_GroundNames.GetSize() ? m_GroundNames[index].GetString() : nullptr;
}

const char* SMapKR5::GetModelName(int index) const {
    return index >= 0 && index < m_ModelNames.GetSize() ? m_ModelNames[index].GetString() : nullptr;
}

int SMapKR5::FindTag(const char* name, SMapKR5Tag* tag) const {
    const char* wanted = name != nullptr ? name : "";
    for (int i = 0; i < m_Tags.GetSize(); ++i) {
        if (std::strcmp(m_Tags[i].m_sName.GetString(), wanted) == 0) {
            if (tag != nullptr) {
                *tag = m_Tags[i];
            }
            return 1;
        }
    }
    return 0;
}

namespace {

// Wraps once into the map and keeps clear of the last grid row and column. Positions far
// outside the map wrap modulo the map as well, and a non-finite one counts as the origin.
float MapCoordinate(float v) {
    if (!std::isfinite(v)) {
        return 0.0f;
    }
    v = std::fmod(v, kMapSpan);
    if (v < 0.0f) {
        v += kMapSpan;
    }
    if (v >= kMapSpan) {
        v -= kMapSpan;
    }
    return v > 65278.0f ? 65278.0f : v;
}

}  // namespace

float SMapKR5::HeightAt(float x, float y) const {
    x = MapCoordinate(x);
    y = MapCoordinate(y);
    const float fx = x / kCellSpan;
    const float fy = y / kCellSpan;
    const int ix = static_cast<int>(std::floor(fx));
    const int iy = static_cast<int>(std::floor(fy));
    auto g = [this](int i, int j) { return m_fHeights[j * 256 + i]; };
    if (fx == static_cast<float>(ix) && fy == static_cast<float>(iy)) {
        return g(ix, iy);
    }
    const float u = fx - static_cast<float>(ix);
    const float v = fy - static_cast<float>(iy);
    if (u + v < 1.0f) {
        return (1.0f - u - v) * g(ix, iy) + u * g(ix + 1, iy) + v * g(ix, iy + 1);
    }
    return (u + v - 1.0f) * g(ix + 1, iy + 1) + (1.0f - v) * g(ix + 1, iy) + (1.0f - u) * g(ix, iy + 1);
}
