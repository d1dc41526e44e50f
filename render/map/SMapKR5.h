#pragma once

#include <cstddef>
#include <cstdint>

#include "core/SString.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CStringArray.h"
#include "render/parser/SParser.h"

class CArchive;
class SObjectDef;

// One placed model of a map. The map owns the records; an outdoor session lists the same
// records in the renderer while the map stays cached.
class SMapKR5Model_Output {
public:
    SString m_sName;
    float m_fX = 0.0f;
    float m_fY = 0.0f;  // mirrored on reading, like the rows
    uint32_t m_dwValue3 = 0;
    uint32_t m_dwValue4 = 0;
    uint32_t m_dwValue5 = 0;
    uint32_t m_dwValue6 = 0;
    uint8_t m_byValue7 = 0;
    uint32_t m_dwValue8 = 0;
    uint32_t m_dwValue9 = 0;
    uint16_t m_wValue10 = 0;
    uint8_t m_byCategoryMask = 0;  // a heads-up map item can filter outputs by it
    uint32_t m_dwValue11 = 0;
    uint32_t m_dwValue12 = 0;
    uint8_t m_byMaskCopy = 0;
};

// One sound source of a map, kept by value and handed out by index.
struct SMapKR5Sound_Output {
    SString m_sName;
    SString m_sSecondName;
    uint32_t m_dwP1 = 0;
    float m_fP2 = 0.0f;  // mirrored on reading
    uint32_t m_dwP3 = 0;
    int32_t m_iHasSecondName = 0;
    uint32_t m_dwD = 0;
    uint32_t m_dwE = 0;
    uint32_t m_dwF = 0;
    uint32_t m_dwG = 0;
    uint32_t m_dwH = 0;
    uint32_t m_dwI = 0;
    uint32_t m_dwJ = 0;
};

// A named area of a map: a polygon in cell units and its properties. The map keeps the zones
// it read; every outdoor session hands the renderer copies, which the renderer owns.
class SParserZone {
public:
    SParserZone();
    ~SParserZone();
    SParserZone(const SParserZone&) = delete;
    SParserZone& operator=(const SParserZone&) = delete;

    // A separate copy: its own points and its own property definition.
    SParserZone* Clone() const;

    SString m_sName;
    int32_t m_iPointCount = 0;
    float* m_pPoints = nullptr;  // (x, y) pairs, owned
    SObjectDef* m_pDef = nullptr;  // owned
};

// One scenario map as read from an "SMAP" file: tags, the height grid and a second (water)
// grid, 65536 cells of 42 bytes with up to eight object entries each, placed models, sound
// sources, two name lists and zones. Loaded once per path and shared through the map cache.
// The grids and the cell table are turned into the renderer's orientation as they are read
// (rows mirrored, cells shifted by a row, in-cell Y flipped).
class SMapKR5 : public CObject {
    DECLARE_DYNCREATE(SMapKR5)

public:
    static constexpr int kCells = 65536;
    static constexpr int kCellBytes = 42;
    static constexpr size_t kCellTableBytes = static_cast<size_t>(kCells) * kCellBytes;

    SMapKR5();
    ~SMapKR5() override;
    SMapKR5(const SMapKR5&) = delete;
    SMapKR5& operator=(const SMapKR5&) = delete;

    // Reads the map from a loading archive; a storing archive writes nothing. A damaged map
    // raises CArchiveException (end of file for anything that does not fit the file).
    void Serialize(CArchive& ar) override;
    // 1 when the file was opened and read, also when its header was refused (see IsUsable);
    // 0 when it cannot be opened or is damaged.
    virtual int LoadFile(const char* path);
    // Empties both name lists, the sound outputs, the tags and the zones, releases the cell
    // table and deletes every model output; returns 1. The map is not loaded again after it.
    virtual int Clear();

    void DeleteModelOutputs();
    void DeleteZones();
    // The first tag whose name equals name byte for byte; 0 and tag untouched when none.
    int FindTag(const char* name, SMapKR5Tag* tag) const;
    // Height of the terrain at a point in map units, on the cell's triangle pair.
    float HeightAt(float x, float y) const;

    // Names by the indexes the cells carry; null for an index the list does not hold.
    const char* GetGroundName(int index) const;
    const char* GetModelName(int index) const;

    // True once a header was accepted and every record read: only then may the map be used.
    bool IsUsable() const { return m_bUsable; }
    // Why the last LoadFile failed, in the class library's words; empty after a good load.
    const CString& GetLoadError() const { return m_strLoadError; }
    // The cells go through these, never through m_pCells: a table taken over from an earlier map
    // is cleared on first use, and one handed out for writing is no longer known.
    uint8_t* GetCell(int index) {
        uint8_t* table = CellTable();
        if (table == nullptr) {
            return nullptr;
        }
        m_eCellsHeld = m_eCellsShown = CellContent::written;
        return table + static_cast<size_t>(index) * kCellBytes;
    }
    const uint8_t* GetCell(int index) const {
        const uint8_t* table = CellTable();
        return table != nullptr ? table + static_cast<size_t>(index) * kCellBytes : nullptr;
    }

    // What a cell table holds: all zero, the orientation of a map without cell records (every
    // in-cell Y 255, the rest zero), or anything.
    enum class CellContent : uint8_t { zero, unfilledOriented, written };

    CStringArray m_GroundNames;  // cell byte 40 indexes it
    CStringArray m_ModelNames;   // cell bytes 8 to 15 index it
    CArray<SMapKR5Model_Output*, SMapKR5Model_Output*> m_ModelOutputs;
    CArray<SMapKR5Sound_Output, const SMapKR5Sound_Output&> m_SoundOutputs;
    float m_fHeights[kCells] = {};
    float m_fSecondGrid[kCells] = {};
    uint8_t* m_pCells = nullptr;
    CArray<SMapKR5Tag, const SMapKR5Tag&> m_Tags;
    CArray<SParserZone*, SParserZone*> m_Zones;

private:
    CString m_strLoadError;
    class Reader;
    void ReadRecords(Reader& in);
    void ReadTags(Reader& in);
    void ReadModelOutputs(Reader& in);
    void ReadNames(Reader& in);
    void ReadSoundOutputs(Reader& in);
    void ReadZones(Reader& in);
    void ReadGrid(Reader& in, float* grid);
    void ReadCells(Reader& in);
    uint8_t* CellTable() const;
    void Orient();

    bool m_bUsable = false;
    // What the map shows of its cells, and what the table really holds: they differ only while a
    // table taken over from an earlier map is shown as zero and not yet cleared.
    CellContent m_eCellsShown = CellContent::zero;
    mutable CellContent m_eCellsHeld = CellContent::zero;
};
