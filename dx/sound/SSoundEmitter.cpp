#include "dx/sound/SSoundEmitter.h"

#include "sys/classlib/CArchive.h"
#include "sys/fs/fs.h"

IMPLEMENT_DYNCREATE(SSoundEmitterInfo, CObject)
IMPLEMENT_SERIAL(SSoundEmitter, SResource, 1)

void SSoundEmitterInfo::Reset() {
    m_Value1 = m_Value2 = m_Value3 = m_Value4 = m_Value5 = m_Value6 = 0;
    m_Value9 = m_Value12 = m_Value13 = 0;
    m_Value7 = 360.0f;
    m_Value8 = 360.0f;
    m_Value10 = 200.0f;
    m_Value11 = 5.0f;
}

void SSoundEmitterInfo::Assign(const SSoundEmitterInfo& other) {
    m_Value1 = other.m_Value1;
    m_Value2 = other.m_Value2;
    m_Value3 = other.m_Value3;
    m_Value4 = other.m_Value4;
    m_Value5 = other.m_Value5;
    m_Value6 = other.m_Value6;
    m_Value7 = other.m_Value7;
    m_Value8 = other.m_Value8;
    m_Value9 = other.m_Value9;
    m_Value10 = other.m_Value10;
    m_Value11 = other.m_Value11;
    m_Value12 = other.m_Value12;
    m_Value13 = other.m_Value13;
}

void SSoundEmitterInfo::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_Value4 << m_Value7 << m_Value8 << m_Value9 << m_Value12 << m_Value13 << m_Value2 << m_Value5
           << m_Value1 << m_Value6 << m_Value3 << m_Value11 << m_Value10;
    } else {
        ar >> m_Value4 >> m_Value7 >> m_Value8 >> m_Value9 >> m_Value12 >> m_Value13 >> m_Value2 >> m_Value5 >>
            m_Value1 >> m_Value6 >> m_Value3 >> m_Value11 >> m_Value10;
    }
}

SSoundEmitter::SSoundEmitter() = default;

SSoundEmitter::SSoundEmitter(const CString& firstFile) { m_Files.Add(firstFile); }

SSoundEmitter::SSoundEmitter(const CString& firstFile, const SSoundEmitterInfo& info) {
    m_Files.Add(firstFile);
    m_Info.Assign(info);
}

SSoundEmitter::~SSoundEmitter() {
    SResourceArray* resources = GetResourceArray();
    for (int i = resources->GetSize() - 1; i >= 0; --i) {
        delete resources->GetAt(i);
    }
    resources->RemoveAll();
}

void SSoundEmitter::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    m_Info.Serialize(ar);
    m_Files.Serialize(ar);
}

void SSoundEmitter::Unload() {}

bool SSoundEmitter::LoadFromMemory(CStringArray* folders, uintptr_t flags) {
    if (folders == nullptr || folders->GetSize() == 0) {
        return false;
    }
    for (int i = 0; i < folders->GetSize(); ++i) {
        if (LoadFromFile(folders->GetAt(i), flags)) {
            return true;
        }
    }
    return false;
}

bool SSoundEmitter::LoadFromFile(const CString& folder, uintptr_t) {
    if (m_Files.GetSize() == 0) {
        return false;
    }
    const CString path = folder + "/" + m_Files.GetAt(0);
    const uint32_t attributes = sys::fs::GetAttributes(path.GetString());
    if (attributes == sys::fs::kInvalidAttributes || (attributes & sys::fs::kAttributeDirectory) != 0) {
        return false;
    }
    m_sFolder = folder;
    return true;
}

int32_t SSoundEmitter::Accept(SResourceVisitor* visitor) {
    return visitor != nullptr ? visitor->VisitSoundEmitter(this) : 0;
}

SResource* SSoundEmitter::GetFirstResource() const {
    const SResourceArray* resources = GetResourceArray();
    return resources->GetSize() > 0 ? resources->GetAt(0) : nullptr;
}

CString SSoundEmitter::GetFileName(int index) const {
    if (index < 0 || index >= m_Files.GetSize()) {
        return CString();
    }
    return m_Files.GetAt(index);
}

SSoundEmitter& SSoundEmitter::Assign(const SSoundEmitter& other) {
    m_sFolder = other.m_sFolder;
    m_Info.Assign(other.m_Info);
    return *this;
}
