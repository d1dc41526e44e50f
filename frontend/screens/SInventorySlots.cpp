#include "frontend/screens/SInventorySlots.h"

#include "core/SObjectDef.h"

IMPLEMENT_SERIAL(SInventorySlots, CObject, 1)

SInventorySlots::SInventorySlots() { Resize(m_iWidth, m_iHeight); }

void SInventorySlots::Resize(int width, int height) {
    m_iWidth = width > 0 ? width : 0;
    m_iHeight = height > 0 ? height : 0;
    m_Cells.assign(static_cast<size_t>(m_iWidth) * static_cast<size_t>(m_iHeight), 0);
}

void SInventorySlots::Clear() { m_Cells.assign(m_Cells.size(), 0); }

bool SInventorySlots::IsFree(int x, int y, int w, int h, uint8_t value) const {
    // A rectangle reaching past the grid never fits, whatever the cells outside would answer.
    if (x < 0 || y < 0 || w < 0 || h < 0 || x + w > m_iWidth || y + h > m_iHeight)
        return false;
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            if (GetCell(column, row) != value)
                return false;
        }
    }
    return true;
}

void SInventorySlots::Fill(int x, int y, int w, int h, uint8_t value) {
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) SetCell(column, row, value);
    }
}

uint8_t SInventorySlots::GetCell(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_iWidth || y >= m_iHeight)
        return 0;
    return m_Cells[static_cast<size_t>(y) * static_cast<size_t>(m_iWidth) + static_cast<size_t>(x)];
}

void SInventorySlots::SetCell(int x, int y, uint8_t value) {
    if (x < 0 || y < 0 || x >= m_iWidth || y >= m_iHeight)
        return;
    m_Cells[static_cast<size_t>(y) * static_cast<size_t>(m_iWidth) + static_cast<size_t>(x)] = value;
}

bool SInventorySlots::FindFree(int w, int h, int& x, int& y) const {
    for (int column = 0; column + w <= m_iWidth; ++column) {
        for (int row = 0; row + h <= m_iHeight; ++row) {
            if (IsFree(column, row, w, h, 0)) {
                x = column;
                y = row;
                return true;
            }
        }
    }
    return false;
}

int SInventorySlots::CountFree() const {
    int count = 0;
    for (uint8_t cell : m_Cells) count += cell == 0 ? 1 : 0;
    return count;
}

void SInventorySlots::PlacementSize(const SObjectDef* item, int& w, int& h) {
    w = item != nullptr ? item->GetIntByName("SlotsX") : 1;
    h = item != nullptr ? item->GetIntByName("SlotsY") : 1;
    if (w < 1)
        w = 1;
    if (h < 1)
        h = 1;
}

void SInventorySlots::PlaceItemsOfSize(int w, int h, SObjectDefList& kit, SObjectDefList& placed) {
    placed.RemoveAll();
    int number = 0;
    for (POSITION pos = kit.GetHeadPosition(); pos != nullptr;) {
        SObjectDef* item = kit.GetNext(pos);
        ++number;
        int itemW = 1;
        int itemH = 1;
        PlacementSize(item, itemW, itemH);
        int x = 0;
        int y = 0;
        if (itemW != w || itemH != h || !FindFree(w, h, x, y))
            continue;
        Fill(x, y, w, h, static_cast<uint8_t>(number));
        item->SetOrAppendInt("SlotCoordX", x * m_iCellWidth);
        item->SetOrAppendInt("SlotCoordY", y * m_iCellHeight);
        placed.AddTail(item);
    }
}
