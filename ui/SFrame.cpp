#include "ui/SFrame.h"

#include "dx/display/SDXSurface.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/gdi/gdi.h"
#include "ui/SDIB.h"

IMPLEMENT_SERIAL(SFrame, SResource, VERSIONABLE_SCHEMA | SFrame::kSchema)

namespace {

void WriteRect(CArchive& ar, const sys::RECT& r) { ar << r.left << r.top << r.right << r.bottom; }
void ReadRect(CArchive& ar, sys::RECT& r) { ar >> r.left >> r.top >> r.right >> r.bottom; }

bool IsInRange(const sys::RECT& r) {
    return SFrame::IsCoordinate(r.left) && SFrame::IsCoordinate(r.top) && SFrame::IsCoordinate(r.right) &&
           SFrame::IsCoordinate(r.bottom);
}

}  // namespace

void SFrame::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strFileName << m_dwValue;
        WriteRect(ar, m_rcFrame);
        ar << m_ptHotSpot.x << m_ptHotSpot.y;
        WriteRect(ar, m_rcRegion);
        ar << m_bDoubleSize << m_strSuffix;
        return;
    }
    uint32_t schema = ar.GetObjectSchema();
    if (schema == UINT32_MAX)  // read directly, not through an object record
        schema = kSchema;
    if (schema > kSchema)
        ThrowArchiveException(CArchiveException::badSchema, ar.GetFileName());
    if (schema >= 1) {
        ar >> m_strFileName >> m_dwValue;
        ReadRect(ar, m_rcFrame);
        ar >> m_ptHotSpot.x >> m_ptHotSpot.y;
    }
    if (schema >= 2)
        ReadRect(ar, m_rcRegion);
    if (schema >= 3)
        ar >> m_bDoubleSize >> m_strSuffix;
    if (!IsInRange(m_rcFrame) || !IsInRange(m_rcRegion) || !IsCoordinate(m_ptHotSpot.x) ||
        !IsCoordinate(m_ptHotSpot.y))
        ThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
}

int32_t SFrame::GetWidth() {
    const int32_t width = m_rcFrame.right - m_rcFrame.left;
    return m_bDoubleSize != 0 ? width * 2 : width;
}

int32_t SFrame::GetHeight() {
    const int32_t height = m_rcFrame.bottom - m_rcFrame.top;
    return m_bDoubleSize != 0 ? height * 2 : height;
}

int32_t SFrame::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitFrame(this) : 0; }

void SFrame::SetHotSpot(int x, int y) { m_ptHotSpot = sys::POINT{x, y}; }

sys::POINT SFrame::GetHotSpot() const { return m_ptHotSpot; }

CString SFrame::GetFileName() const { return m_strFileName; }

CString SFrame::GetSuffix() const { return m_strSuffix; }

void SFrame::CopyFrom(const SFrame& other) {
    m_dwValue = other.m_dwValue;
    m_rcFrame = other.m_rcFrame;
    m_ptHotSpot = other.m_ptHotSpot;
    m_strFileName = other.m_strFileName;
    m_rcRegion = other.m_rcRegion;
    m_bDoubleSize = other.m_bDoubleSize;
    m_strSuffix = other.m_strSuffix;
}

int SFrame::LoadBitmapFile(SDXSurface* pSurface, const char* folder) {
    if (pSurface == nullptr)
        return 0;
    CString name = m_strFileName;
    if (m_bDoubleSize != 0) {
        // The half-size pictures sit beside the full ones under the suffixed name.
        name.MakeLower();
        const int dot = name.Find(".bmp");
        if (dot >= 0)
            name = name.Left(dot) + m_strSuffix + name.Mid(dot);
    }
    CString path;
    const CString strFolder(folder);
    if (!strFolder.IsEmpty()) {
        path = strFolder;
        const char last = strFolder[strFolder.GetLength() - 1];
        if (last != '\\' && last != '/')
            path += "\\";
    }
    path += name;
    try {
        CFile file;
        if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
            return 0;
        SDIB picture;
        if (!picture.LoadFromCFile(&file))
            return 0;
        file.Close();
        return picture.DrawToSurfaceRop(pSurface, m_rcFrame.left, m_rcFrame.top, sys::SRCCOPY) ? 1 : 0;
    } catch (const CException&) {
        return 0;
    }
}
