#include "sys/classlib/CObject.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The registry is built while static objects are constructed, in whatever order the linker
// put the units; a function-local table exists before the first registration asks for it.
struct ClassRegistry {
    std::mutex lock;
    std::vector<const CRuntimeClass*> classes;
};

ClassRegistry& Registry() {
    static ClassRegistry registry;
    return registry;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), kSchemaNotSerial,
                                             nullptr, nullptr};
static const classlib::ClassRegistration classlibRegistration_CObject(&CObject::classCObject);

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

CObject* CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    if (pBaseClass == nullptr)
        return false;
    for (const CRuntimeClass* cls = this; cls != nullptr; cls = cls->m_pBaseClass) {
        if (cls == pBaseClass)
            return true;
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* lpszClassName) {
    if (lpszClassName == nullptr)
        return nullptr;
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (const CRuntimeClass* cls : registry.classes) {
        if (std::strcmp(cls->m_lpszClassName, lpszClassName) == 0)
            return cls;
    }
    return nullptr;
}

CObject* CRuntimeClass::CreateObject(const char* lpszClassName) {
    const CRuntimeClass* cls = FromName(lpszClassName);
    return cls != nullptr ? cls->CreateObject() : nullptr;
}

void CRuntimeClass::Register(const CRuntimeClass* pClass) {
    if (pClass == nullptr || pClass->m_lpszClassName == nullptr)
        return;
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (const CRuntimeClass* cls : registry.classes) {
        if (cls == pClass)
            return;
    }
    registry.classes.push_back(pClass);
}
