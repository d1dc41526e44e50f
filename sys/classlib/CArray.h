#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "sys/classlib/CObject.h"
#include "sys/classlib/Exceptions.h"

namespace classlib {

// The capacity an array takes when it must hold newSize elements and has room for capacity:
// the larger of the new size and capacity + grow-by, where a grow-by of 0 means one eighth of
// the current size, kept between 4 and 1024. Every class-library array grows by this rule.
inline int64_t GrownCapacity(int64_t size, int64_t capacity, int64_t newSize, int growBy) {
    int64_t step = growBy;
    if (step == 0)
        step = std::clamp<int64_t>(size / 8, 4, 1024);
    return std::max(newSize, capacity + step);
}

[[noreturn]] inline void ThrowBadIndex() { throw std::out_of_range("class-library collection index out of range"); }

}  // namespace classlib

// The class library's growable array of values. Elements are constructed in place; when the
// block grows they are moved into the new one in order. Indexes outside the array are a fault
// of the caller and raise std::out_of_range rather than touching memory. Memory that cannot be
// had raises CMemoryException. The array owns its elements (for pointer elements: the pointers,
// never what they point to).
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() = default;
    ~CArray() override { SetSize(0); }
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    int GetSize() const { return m_nSize; }
    int GetCount() const { return m_nSize; }
    bool IsEmpty() const { return m_nSize == 0; }
    int GetUpperBound() const { return m_nSize - 1; }

    // New elements are default-constructed; elements past the new size are destroyed; size 0
    // frees the block. nGrowBy -1 keeps the current grow-by.
    void SetSize(int nNewSize, int nGrowBy = -1) {
        if (nNewSize < 0)
            classlib::ThrowBadIndex();
        if (nGrowBy >= 0)
            m_nGrowBy = nGrowBy;
        if (nNewSize == 0) {
            std::destroy(m_pData, m_pData + m_nSize);
            Deallocate(m_pData, m_nMaxSize);
            m_pData = nullptr;
            m_nSize = m_nMaxSize = 0;
            return;
        }
        if (nNewSize > m_nMaxSize) {
            const int64_t capacity = classlib::GrownCapacity(m_nSize, m_nMaxSize, nNewSize, m_nGrowBy);
            Reallocate(static_cast<int>(std::min<int64_t>(capacity, INT32_MAX)));
        }
        if (nNewSize > m_nSize) {
            for (int i = m_nSize; i < nNewSize; ++i) {
                ::new (static_cast<void*>(m_pData + i)) TYPE();
                m_nSize = i + 1;  // counted one by one, so a throwing constructor leaves no gap
            }
        } else {
            std::destroy(m_pData + nNewSize, m_pData + m_nSize);
            m_nSize = nNewSize;
        }
    }
    // Gives back the capacity beyond the size.
    void FreeExtra() {
        if (m_nSize < m_nMaxSize) {
            if (m_nSize == 0)
                SetSize(0);
            else
                Reallocate(m_nSize);
        }
    }
    void RemoveAll() { SetSize(0); }

    const TYPE& GetAt(int nIndex) const { return m_pData[Checked(nIndex)]; }
    TYPE& ElementAt(int nIndex) { return m_pData[Checked(nIndex)]; }
    void SetAt(int nIndex, ARG_TYPE newElement) { m_pData[Checked(nIndex)] = newElement; }
    const TYPE& operator[](int nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](int nIndex) { return ElementAt(nIndex); }
    const TYPE* GetData() const { return m_pData; }
    TYPE* GetData() { return m_pData; }

    // Grows the array to reach nIndex when needed, then sets the element.
    void SetAtGrow(int nIndex, ARG_TYPE newElement) {
        if (nIndex < 0)
            classlib::ThrowBadIndex();
        TYPE value(newElement);  // the argument may live in this array's old block
        if (nIndex >= m_nSize)
            SetSize(nIndex + 1);
        m_pData[nIndex] = std::move(value);
    }
    int Add(ARG_TYPE newElement) {
        const int index = m_nSize;
        SetAtGrow(index, newElement);
        return index;
    }
    // Appends copies of the other array's elements; the index of the first one.
    int Append(const CArray& src) {
        const int first = m_nSize;
        const int count = src.m_nSize;
        if (&src == this) {
            SetSize(first + count);
            for (int i = 0; i < count; ++i)
                m_pData[first + i] = m_pData[i];
        } else {
            SetSize(first + count);
            for (int i = 0; i < count; ++i)
                m_pData[first + i] = src.m_pData[i];
        }
        return first;
    }
    void Copy(const CArray& src) {
        if (&src == this)
            return;
        SetSize(src.m_nSize);
        for (int i = 0; i < m_nSize; ++i)
            m_pData[i] = src.m_pData[i];
    }
    // nCount copies of the element at nIndex; the elements from there on move up. An index at or
    // past the end grows the array first.
    void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1) {
        if (nIndex < 0 || nCount < 0)
            classlib::ThrowBadIndex();
        if (nCount == 0)
            return;
        TYPE value(newElement);
        const int oldSize = m_nSize;
        if (nIndex >= oldSize) {
            SetSize(nIndex + nCount);
        } else {
            SetSize(oldSize + nCount);
            std::move_backward(m_pData + nIndex, m_pData + oldSize, m_pData + oldSize + nCount);
        }
        for (int i = 0; i < nCount; ++i)
            m_pData[nIndex + i] = value;
    }
    // Removes nCount elements from nIndex; the rest move down.
    void RemoveAt(int nIndex, int nCount = 1) {
        if (nIndex < 0 || nCount < 0 || nIndex > m_nSize - nCount)
            classlib::ThrowBadIndex();
        std::move(m_pData + nIndex + nCount, m_pData + m_nSize, m_pData + nIndex);
        std::destroy(m_pData + m_nSize - nCount, m_pData + m_nSize);
        m_nSize -= nCount;
    }

private:
    int Checked(int nIndex) const {
        if (nIndex < 0 || nIndex >= m_nSize)
            classlib::ThrowBadIndex();
        return nIndex;
    }
    static TYPE* Allocate(int count) {
        try {
            return std::allocator<TYPE>().allocate(static_cast<size_t>(count));
        } catch (const std::bad_alloc&) {
            ThrowMemoryException();
        } catch (const std::length_error&) {
            ThrowMemoryException();
        }
    }
    static void Deallocate(TYPE* p, int count) {
        if (p != nullptr)
            std::allocator<TYPE>().deallocate(p, static_cast<size_t>(count));
    }
    // Moves the elements into a block of the given capacity (at least the size).
    void Reallocate(int capacity) {
        TYPE* block = Allocate(capacity);
        if constexpr (std::is_nothrow_move_constructible_v<TYPE>) {
            std::uninitialized_move(m_pData, m_pData + m_nSize, block);
        } else {
            try {
                std::uninitialized_copy(m_pData, m_pData + m_nSize, block);
            } catch (...) {
                Deallocate(block, capacity);
                throw;
            }
        }
        std::destroy(m_pData, m_pData + m_nSize);
        Deallocate(m_pData, m_nMaxSize);
        m_pData = block;
        m_nMaxSize = capacity;
    }

    TYPE* m_pData = nullptr;
    int m_nSize = 0;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0;
};
