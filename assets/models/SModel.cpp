#include "assets/models/SModel.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(SModelFrame, CObject, 1)
IMPLEMENT_SERIAL(SModel, SResource, 1)

void SModelFrame::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_strName << m_strSecondName << m_fValue << m_dwLast << m_dwValues[0] << m_dwValues[1] << m_dwValues[2];
    else
        ar >> m_strName >> m_strSecondName >> m_fValue >> m_dwLast >> m_dwValues[0] >> m_dwValues[1] >> m_dwValues[2];
}

SModel::~SModel() { DeleteFrames(); }

void SModel::DeleteFrames() {
    for (int i = 0; i < m_Frames.GetSize(); ++i)
        delete m_Frames.GetAt(i);
    m_Frames.RemoveAll();
}

void SModel::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strName << m_byOptions[0] << m_byOptions[1] << m_byOptions[2];
        ar << m_dwValues[0] << m_dwValues[1] << m_dwValues[2] << m_dwValues[3];
    } else {
        ar >> m_strName >> m_byOptions[0] >> m_byOptions[1] >> m_byOptions[2];
        ar >> m_dwValues[0] >> m_dwValues[1] >> m_dwValues[2] >> m_dwValues[3];
        DeleteFrames();
    }
    // Owned frames: a stored back-reference would give one frame two owners.
    m_Frames.SerializeOwned(ar);
}

int32_t SModel::Accept(SResourceVisitor* pVisitor) { return pVisitor->VisitModel(this); }
