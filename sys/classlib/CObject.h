#pragma once

#include <cstdint>

// The root of every persistent class: an object that knows its run-time class record and can
// load or store itself through one Serialize over an archive. The records are constant data
// built at compile time; a registry maps class names to records so that an archive can make
// an object of a class it only knows by the name stored in a file.
//
// Registration rule: a class is registered when its IMPLEMENT_DYNCREATE / IMPLEMENT_SERIAL
// translation unit is part of the program. The macro leaves a static object in that unit whose
// construction adds the record, so it runs before main. From a static library the linker only
// takes a unit that something refers to: naming the class anywhere (its constructor, its
// RUNTIME_CLASS, its virtual table through any object of it) is enough. A class that is only
// ever created from a stored name and named nowhere in code must be registered explicitly
// with CRuntimeClass::Register(RUNTIME_CLASS(...)) by the subsystem that owns it.

class CArchive;
class CObject;

// The schema of a class whose stored objects of any older schema it can still read; the archive
// then hands the stored schema to Serialize through CArchive::GetObjectSchema.
constexpr uint32_t VERSIONABLE_SCHEMA = 0x80000000u;
// The schema of a class that can be identified at run time but not stored through a pointer.
constexpr uint32_t kSchemaNotSerial = 0xFFFFu;

// One run-time class: its name, object size, schema and how to make an empty object of it.
// Records are static constants owned by their classes and live for the whole program.
struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    uint32_t m_wSchema;                 // schema, possibly with VERSIONABLE_SCHEMA set
    CObject* (*m_pfnCreateObject)();    // null when the class cannot be created by name
    const CRuntimeClass* m_pBaseClass;  // null only for CObject

    // A new default-constructed object, or null when the class is not creatable.
    CObject* CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // The schema number as stored in archives, without the versionable flag.
    uint32_t GetSchema() const { return m_wSchema & ~VERSIONABLE_SCHEMA; }
    bool IsVersionable() const { return (m_wSchema & VERSIONABLE_SCHEMA) != 0; }
    // Whether objects of the class can be written and read through pointers.
    bool IsSerializable() const { return m_pfnCreateObject != nullptr && GetSchema() != kSchemaNotSerial; }

    // The registered class of that exact (case-sensitive) name, or null.
    static const CRuntimeClass* FromName(const char* lpszClassName);
    // A new object of the registered class of that name; null when unknown or not creatable.
    static CObject* CreateObject(const char* lpszClassName);
    // Adds a record to the registry; adding the same record again changes nothing. When two
    // records carry one name, the first one registered keeps it.
    static void Register(const CRuntimeClass* pClass);
};

namespace classlib {
// Registers a record when constructed; the IMPLEMENT_ macros leave one per class.
struct ClassRegistration {
    explicit ClassRegistration(const CRuntimeClass* pClass) { CRuntimeClass::Register(pClass); }
};
}  // namespace classlib

// The root object. Its three virtual operations come first in every derived class's table, in
// this order: the run-time class, the destructor, Serialize.
class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // Stores nothing and loads nothing; persistent classes override it.
    virtual void Serialize(CArchive& ar);

    // True when the object's class is pClass or derives from it.
    bool IsKindOf(const CRuntimeClass* pClass) const;
    bool IsSerializable() const { return GetRuntimeClass()->IsSerializable(); }

    static const CRuntimeClass classCObject;
    static const CRuntimeClass* GetThisClass() { return &classCObject; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    CObject(CObject&&) = default;
    CObject& operator=(CObject&&) = default;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

// In the class body: a class that answers IsKindOf with its own record.
#define DECLARE_DYNAMIC(class_name)                                           \
public:                                                                       \
    static const CRuntimeClass class##class_name;                             \
    static const CRuntimeClass* GetThisClass() { return &class##class_name; } \
    const CRuntimeClass* GetRuntimeClass() const override;

// ... that can also be created from its name.
#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

// ... that can also be written and read through pointers in archives.
#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define CLASSLIB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, pfnNew)                    \
    const CRuntimeClass class_name::class##class_name = {                                                \
        #class_name, static_cast<int>(sizeof(class_name)), (schema), (pfnNew),                           \
        &base_class_name::class##base_class_name};                                                       \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return &class_name::class##class_name; } \
    static const ::classlib::ClassRegistration classlibRegistration_##class_name(&class_name::class##class_name);

// In the class's source file, once. The base must have its own DECLARE_ macro (or be CObject).
#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    CLASSLIB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kSchemaNotSerial, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                   \
    CObject* class_name::CreateObject() { return new class_name; }         \
    CLASSLIB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kSchemaNotSerial, &class_name::CreateObject)

// The schema may carry VERSIONABLE_SCHEMA. Only the low 16 bits are stored in archives.
#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)              \
    CObject* class_name::CreateObject() { return new class_name; }         \
    CLASSLIB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, (schema), &class_name::CreateObject)
