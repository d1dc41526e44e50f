#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObArray.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrArray.h"

// The names and numeric settings of one frame of a model; owned by its SModel.
class SModelFrame : public CObject {
    DECLARE_SERIAL(SModelFrame)

public:
    SModelFrame() = default;
    ~SModelFrame() override = default;

    void Serialize(CArchive& ar) override;

    CString m_strName;
    CString m_strSecondName;
    uint32_t m_dwWord = 0;  // not archived
    float m_fValue = 1.0f;
    uint32_t m_dwValues[3] = {};
    uint32_t m_dwLast = 0;
};

class SModelAnimation;

// A named list of model frames with a few settings (kind 19). Nothing loads frame data any
// other way: a model is what its archive holds. The catalog owns it; it owns its frames.
class SModel : public SResource {
    DECLARE_SERIAL(SModel)

public:
    SModel() = default;
    ~SModel() override;

    void Serialize(CArchive& ar) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    int GetFrameCount() const { return m_Frames.GetSize(); }
    SModelFrame* GetFrame(int nIndex) const {
        return nIndex >= 0 && nIndex < m_Frames.GetSize() ? m_Frames.GetAt(nIndex) : nullptr;
    }
    // Takes ownership.
    int AddFrame(SModelFrame* pFrame) { return m_Frames.Add(pFrame); }

    int32_t m_iCurrent = -1;
    CArray<SModelAnimation*, SModelAnimation*> m_Animations;  // never filled here; not archived
    CArray<float, float> m_Floats;                            // not archived
    uint32_t m_dwValues[4] = {};
    CString m_strName;
    uint8_t m_byOptions[3] = {};

private:
    void DeleteFrames();

    CTypedPtrArray<CObArray, SModelFrame*> m_Frames;
};
