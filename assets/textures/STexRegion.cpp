#include "assets/textures/STexRegion.h"

int16_t STexRegion::AddPoint(float x, float y) {
    if (static_cast<int>(m_points.size()) < kMaxPoints)
        m_points.push_back(Point{x, y});
    return GetNumPoints();
}

int16_t STexRegion::RemoveLastPoint() {
    if (m_points.size() < 2) {
        m_points.clear();
        return 0;
    }
    m_points.pop_back();
    return GetNumPoints();
}

int STexRegion::GetPoint(int16_t index, float* x, float* y) const {
    if (index < 0 || index >= GetNumPoints())
        return 0;
    if (x)
        *x = m_points[index].x;
    if (y)
        *y = m_points[index].y;
    return 1;
}

int STexRegion::SetPoint(int16_t index, float x, float y) {
    if (index < 0 || index >= GetNumPoints())
        return 0;
    m_points[index] = Point{x, y};
    return 1;
}

int STexRegion::Contains(float x, float y) const {
    if (m_points.size() < 3)
        return 0;
    int inside = 0;
    Point previous = m_points.back();
    for (const Point& current : m_points) {
        // The edge's left end is the current corner when both share an x.
        const Point& left = previous.x < current.x ? previous : current;
        const Point& right = previous.x < current.x ? current : previous;
        const bool spans = (previous.x < x && x <= current.x) || (current.x < x && x <= previous.x);
        if (spans && (right.y - left.y) * (x - left.x) > (right.x - left.x) * (y - left.y))
            inside = !inside;
        previous = current;
    }
    return inside;
}

void STexRegionList::SetRegionErrorSink(CString* lastError, const int32_t* recordErrors) {
    m_pLastError = lastError;
    m_pRecordErrors = recordErrors;
}

void STexRegionList::Record(const char* message) const {
    if (m_pLastError && m_pRecordErrors && *m_pRecordErrors == 1)
        *m_pLastError = message;
}

STexRegion* STexRegionList::GetRegion(int16_t index) const {
    if (index < 0) {
        Record("Region Index < 0");
        return nullptr;
    }
    if (index >= GetNumRegions()) {
        Record("Region Index >= m_iNumRegions");
        return nullptr;
    }
    return m_regions[index];
}

int16_t STexRegionList::AddRegion(STexRegion* region) {
    if (!region) {
        Record("Reg is NULL");
        return GetNumRegions();
    }
    if (static_cast<int>(m_regions.size()) < kMaxRegions)
        m_regions.push_back(region);
    return GetNumRegions();
}

int STexRegionList::HitTestRegions(float x, float y) {
    int hit = 0;
    for (STexRegion* region : m_regions) {
        region->SetHit(region->Contains(x, y));
        hit |= region->IsHit();
    }
    return hit;
}

void STexRegionList::ClearRegions() {
    for (STexRegion* region : m_regions)
        delete region;
    m_regions.clear();
}
