#pragma once

#include <cstdint>
#include <vector>

#include "sys/classlib/CObject.h"

class SObjectDef;
class SObjectDefList;

// The grid of slots an officer's carried kit must fit on: byte cells stored row by row, 0 for a
// free cell, otherwise the 1-based number of the kit item that covers it. One grid serves the
// whole program.
class SInventorySlots : public CObject {
    DECLARE_SERIAL(SInventorySlots)

public:
    SInventorySlots();

    void Resize(int width, int height);
    void Clear();
    // True when every cell of the rectangle lies inside the grid and holds the value.
    bool IsFree(int x, int y, int w, int h, uint8_t value) const;
    // Writes the value into the cells of the rectangle that lie inside the grid.
    void Fill(int x, int y, int w, int h, uint8_t value);
    // Outside the grid: 0, and setting does nothing.
    uint8_t GetCell(int x, int y) const;
    void SetCell(int x, int y, uint8_t value);
    // The first free w x h rectangle, columns from the left and within a column rows from the
    // top; false when none fits.
    bool FindFree(int w, int h, int& x, int& y) const;
    int CountFree() const;
    // Places every kit item of exactly w x h slots (each dimension at least 1) that still finds
    // room, numbering the items by their kit position, and writes "SlotCoordX"/"SlotCoordY".
    // The placed list is emptied first and receives the placed items (not owned).
    void PlaceItemsOfSize(int w, int h, SObjectDefList& kit, SObjectDefList& placed);

    int GetWidth() const { return m_iWidth; }
    int GetHeight() const { return m_iHeight; }
    int GetCellWidth() const { return m_iCellWidth; }
    int GetCellHeight() const { return m_iCellHeight; }

    // An item's size for placement: "SlotsX" and "SlotsY", values below 1 counting as 1.
    static void PlacementSize(const SObjectDef* item, int& w, int& h);

private:
    std::vector<uint8_t> m_Cells;
    int32_t m_iWidth = 10;
    int32_t m_iHeight = 2;
    int32_t m_iCellWidth = 32;
    int32_t m_iCellHeight = 32;
};
