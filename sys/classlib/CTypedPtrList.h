#pragma once

#include <concepts>
#include <type_traits>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CTypedPtrArray.h"

// A typed view of the object-pointer list: CTypedPtrList<CObList, SCatalogItem*> holds and
// hands out SCatalogItem*. Like its base it does not own the objects. Loading checks every
// element: an object of another class in the file is refused with CArchiveException::badClass
// instead of entering a list whose users would take it for the element class.

template <class BASE_CLASS, class TYPE>
    requires std::derived_from<BASE_CLASS, CObList> && classlib::ObjectPointer<TYPE>
class CTypedPtrList : public BASE_CLASS {
    using Element = std::remove_pointer_t<TYPE>;

public:
    explicit CTypedPtrList(int nBlockSize = 10) : BASE_CLASS(nBlockSize) {}

    TYPE GetHead() const { return static_cast<TYPE>(BASE_CLASS::GetHead()); }
    TYPE GetTail() const { return static_cast<TYPE>(BASE_CLASS::GetTail()); }
    TYPE RemoveHead() { return static_cast<TYPE>(BASE_CLASS::RemoveHead()); }
    TYPE RemoveTail() { return static_cast<TYPE>(BASE_CLASS::RemoveTail()); }
    POSITION AddHead(TYPE newElement) { return BASE_CLASS::AddHead(newElement); }
    POSITION AddTail(TYPE newElement) { return BASE_CLASS::AddTail(newElement); }
    TYPE GetNext(POSITION& rPosition) const { return static_cast<TYPE>(BASE_CLASS::GetNext(rPosition)); }
    TYPE GetPrev(POSITION& rPosition) const { return static_cast<TYPE>(BASE_CLASS::GetPrev(rPosition)); }
    TYPE GetAt(POSITION position) const { return static_cast<TYPE>(BASE_CLASS::GetAt(position)); }
    void SetAt(POSITION position, TYPE newElement) { BASE_CLASS::SetAt(position, newElement); }
    POSITION InsertBefore(POSITION position, TYPE newElement) { return BASE_CLASS::InsertBefore(position, newElement); }
    POSITION InsertAfter(POSITION position, TYPE newElement) { return BASE_CLASS::InsertAfter(position, newElement); }
    POSITION Find(TYPE searchValue, POSITION startAfter = nullptr) const {
        return BASE_CLASS::Find(searchValue, startAfter);
    }

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            BASE_CLASS::Serialize(ar);
            return;
        }
        uint32_t count = ar.ReadCount();
        ar.EnsureAvailable(uint64_t{count} * 2);
        while (count-- > 0) {
            Element* element = nullptr;
            ar >> element;
            AddTail(element);
        }
    }

    // Serialize for a list that owns its elements: loading refuses (badIndex) an element that
    // refers to an object read before, so the owner never deletes one object twice or owns
    // one that holds it. Nulls are read as they are. Elements read before a failure stay in
    // the list for the owner to delete.
    void SerializeOwned(CArchive& ar) {
        if (ar.IsStoring()) {
            BASE_CLASS::Serialize(ar);
            return;
        }
        uint32_t count = ar.ReadCount();
        ar.EnsureAvailable(uint64_t{count} * 2);
        while (count-- > 0)
            AddTail(classlib::TypedObject<Element>(ar, ar.ReadNewObject(RUNTIME_CLASS(Element))));
    }
};
