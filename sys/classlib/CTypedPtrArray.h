#pragma once

#include <concepts>
#include <type_traits>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CObArray.h"

// A typed view of the object-pointer array: CTypedPtrArray<CObArray, SResource*> holds and
// hands out SResource*. Like its base it does not own the objects. Loading checks every
// element: an object of another class in the file is refused with CArchiveException::badClass
// instead of entering an array whose users would take it for the element class.

namespace classlib {

// One element of a typed array, as a writable place: reads as the typed pointer, assigns from
// it, and forwards -> to it. Lives only as long as the expression that asked for it.
template <class TYPE>
class TypedPtrRef {
public:
    explicit TypedPtrRef(CObject*& slot) : m_slot(slot) {}
    TypedPtrRef(const TypedPtrRef&) = default;
    operator TYPE() const { return static_cast<TYPE>(m_slot); }
    TYPE operator->() const { return static_cast<TYPE>(m_slot); }
    TypedPtrRef& operator=(TYPE pointer) {
        m_slot = pointer;
        return *this;
    }
    TypedPtrRef& operator=(const TypedPtrRef& other) {
        m_slot = other.m_slot;
        return *this;
    }

private:
    CObject*& m_slot;
};

template <class TYPE>
concept ObjectPointer = std::is_pointer_v<TYPE> && std::derived_from<std::remove_pointer_t<TYPE>, CObject>;

}  // namespace classlib

template <class BASE_CLASS, class TYPE>
    requires std::derived_from<BASE_CLASS, CObArray> && classlib::ObjectPointer<TYPE>
class CTypedPtrArray : public BASE_CLASS {
    using Element = std::remove_pointer_t<TYPE>;

public:
    TYPE GetAt(int nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
    classlib::TypedPtrRef<TYPE> ElementAt(int nIndex) {
        return classlib::TypedPtrRef<TYPE>(BASE_CLASS::ElementAt(nIndex));
    }
    TYPE operator[](int nIndex) const { return GetAt(nIndex); }
    classlib::TypedPtrRef<TYPE> operator[](int nIndex) { return ElementAt(nIndex); }
    void SetAt(int nIndex, TYPE ptr) { BASE_CLASS::SetAt(nIndex, ptr); }
    void SetAtGrow(int nIndex, TYPE newElement) { BASE_CLASS::SetAtGrow(nIndex, newElement); }
    int Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
    int Append(const CTypedPtrArray& src) { return BASE_CLASS::Append(src); }
    void Copy(const CTypedPtrArray& src) { BASE_CLASS::Copy(src); }
    void InsertAt(int nIndex, TYPE newElement, int nCount = 1) { BASE_CLASS::InsertAt(nIndex, newElement, nCount); }

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            BASE_CLASS::Serialize(ar);
            return;
        }
        const uint32_t count = ar.ReadCount();
        ar.EnsureAvailable(uint64_t{count} * 2);
        this->SetSize(static_cast<int>(count));
        for (int i = 0; i < this->GetSize(); ++i) {
            Element* element = nullptr;
            ar >> element;
            SetAt(i, element);
        }
    }

    // Serialize for an array that owns its elements: loading refuses (badIndex) an element that
    // refers to an object read before, so the owner never deletes one object twice. Nulls are
    // read as they are. Elements read before a failure stay in the array for the owner.
    void SerializeOwned(CArchive& ar) {
        if (ar.IsStoring()) {
            BASE_CLASS::Serialize(ar);
            return;
        }
        const uint32_t count = ar.ReadCount();
        ar.EnsureAvailable(uint64_t{count} * 2);
        this->SetSize(static_cast<int>(count));
        for (int i = 0; i < this->GetSize(); ++i)
            SetAt(i, classlib::TypedObject<Element>(ar, ar.ReadNewObject(RUNTIME_CLASS(Element))));
    }
};
