#pragma once

#include <cstdint>
#include <vector>

#include "assets/textures/STexTag.h"
#include "sys/classlib/CString.h"

// A named polygon in texture space with tags of its own: the part of a texture that a shot or
// a pick can hit. Owned by the texture or texture lock that holds it. Its tag operations fail
// silently.
class STexRegion : public STexTagList {
public:
    static constexpr int kMaxPoints = 0x7FFF;

    struct Point {
        float x = 0.0f;
        float y = 0.0f;
    };

    STexRegion() = default;
    STexRegion(const STexRegion&) = delete;
    STexRegion& operator=(const STexRegion&) = delete;

    const CString& GetName() const { return m_strName; }
    void SetName(const char* name) { m_strName = name; }

    int16_t GetNumPoints() const { return static_cast<int16_t>(m_points.size()); }
    // The new corner count (unchanged when the table is full).
    int16_t AddPoint(float x, float y);
    // Drops the last corner; with fewer than two corners drops them all and gives 0.
    int16_t RemoveLastPoint();
    void ClearPoints() { m_points.clear(); }
    int GetPoint(int16_t index, float* x, float* y) const;
    int SetPoint(int16_t index, float x, float y);
    const std::vector<Point>& Points() const { return m_points; }

    // 1 when (x, y) lies inside the polygon by the crossing rule along +y.
    int Contains(float x, float y) const;
    void SetHit(int hit) { m_iHit = hit; }
    int IsHit() const { return m_iHit; }

private:
    CString m_strName;
    std::vector<Point> m_points;
    int32_t m_iHit = 0;
};

// The region table that textures and texture locks keep, with its index checks; failures
// store "Region Index < 0", "Region Index >= m_iNumRegions" or "Reg is NULL" in the holder's
// error text while its record-errors flag is 1.
class STexRegionList {
public:
    static constexpr int kMaxRegions = 0x7FFF;

    STexRegionList() = default;
    STexRegionList(const STexRegionList&) = delete;
    STexRegionList& operator=(const STexRegionList&) = delete;
    ~STexRegionList() { ClearRegions(); }

    int16_t GetNumRegions() const { return static_cast<int16_t>(m_regions.size()); }
    STexRegion* GetRegion(int16_t index) const;
    // Takes ownership and gives the new count; a null region, or one past a full table, is
    // refused with the unchanged count and stays with the caller.
    int16_t AddRegion(STexRegion* region);
    // Sets every region's hit flag; 1 when at least one contains the point.
    int HitTestRegions(float x, float y);
    void ClearRegions();

protected:
    void SetRegionErrorSink(CString* lastError, const int32_t* recordErrors);

private:
    void Record(const char* message) const;

    std::vector<STexRegion*> m_regions;
    CString* m_pLastError = nullptr;
    const int32_t* m_pRecordErrors = nullptr;
};
