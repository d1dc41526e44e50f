#pragma once

#include <utility>

#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

// A place in a class-library list, as handed out by GetHeadPosition and friends; null means
// "before the head" or "past the tail". Valid until its element is removed.
struct CPositionTag;
using POSITION = CPositionTag*;

// The class library's doubly linked list of values, walked by POSITION. Removing an element
// invalidates only its own position. A null position where an element is needed, or a head or
// tail asked of an empty list, is a fault of the caller and raises std::out_of_range. The list
// owns its values (for pointer values: the pointers, never what they point to).
template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
public:
    // The block size the callers pass is accepted; nodes are allocated one by one.
    explicit CList(int nBlockSize = 10) { (void)nBlockSize; }
    ~CList() override { RemoveAll(); }
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;

    int GetCount() const { return m_nCount; }
    int GetSize() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return NonEmpty(m_pHead)->data; }
    const TYPE& GetHead() const { return NonEmpty(m_pHead)->data; }
    TYPE& GetTail() { return NonEmpty(m_pTail)->data; }
    const TYPE& GetTail() const { return NonEmpty(m_pTail)->data; }

    TYPE RemoveHead() {
        Node* node = NonEmpty(m_pHead);
        TYPE value(std::move(node->data));
        Unlink(node);
        return value;
    }
    TYPE RemoveTail() {
        Node* node = NonEmpty(m_pTail);
        TYPE value(std::move(node->data));
        Unlink(node);
        return value;
    }

    POSITION AddHead(ARG_TYPE newElement) { return InsertBefore(GetHeadPosition(), newElement); }
    POSITION AddTail(ARG_TYPE newElement) { return InsertAfter(GetTailPosition(), newElement); }
    // Copies of another list's elements, in its order, before the head or after the tail.
    void AddHead(CList* pNewList) {
        if (pNewList == nullptr)
            return;
        const Node* first = pNewList->m_pHead;
        for (const Node* node = pNewList->m_pTail; node != nullptr; node = node->pPrev) {
            AddHead(node->data);
            if (node == first)
                break;
        }
    }
    void AddTail(CList* pNewList) {
        if (pNewList == nullptr)
            return;
        const int count = pNewList->m_nCount;  // a list appended to itself doubles once
        const Node* node = pNewList->m_pHead;
        for (int i = 0; i < count; ++i, node = node->pNext)
            AddTail(node->data);
    }
    void RemoveAll() {
        while (m_pHead != nullptr) {
            Node* next = m_pHead->pNext;
            delete m_pHead;
            m_pHead = next;
        }
        m_pTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return ToPosition(m_pHead); }
    POSITION GetTailPosition() const { return ToPosition(m_pTail); }
    // The element at rPosition; rPosition moves to the next (or previous) one, null at the end.
    TYPE& GetNext(POSITION& rPosition) {
        Node* node = ToNode(rPosition);
        rPosition = ToPosition(node->pNext);
        return node->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const {
        const Node* node = ToNode(rPosition);
        rPosition = ToPosition(node->pNext);
        return node->data;
    }
    TYPE& GetPrev(POSITION& rPosition) {
        Node* node = ToNode(rPosition);
        rPosition = ToPosition(node->pPrev);
        return node->data;
    }
    const TYPE& GetPrev(POSITION& rPosition) const {
        const Node* node = ToNode(rPosition);
        rPosition = ToPosition(node->pPrev);
        return node->data;
    }
    TYPE& GetAt(POSITION position) { return ToNode(position)->data; }
    const TYPE& GetAt(POSITION position) const { return ToNode(position)->data; }
    void SetAt(POSITION position, ARG_TYPE newElement) { ToNode(position)->data = newElement; }
    void RemoveAt(POSITION position) { Unlink(ToNode(position)); }

    // A null position inserts at the head (InsertBefore) or the tail (InsertAfter).
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement) {
        Node* next = position != nullptr ? ToNode(position) : m_pHead;
        Node* node = new Node{next, next != nullptr ? next->pPrev : m_pTail, TYPE(newElement)};
        Link(node);
        return ToPosition(node);
    }
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement) {
        Node* prev = position != nullptr ? ToNode(position) : m_pTail;
        Node* node = new Node{prev != nullptr ? prev->pNext : m_pHead, prev, TYPE(newElement)};
        Link(node);
        return ToPosition(node);
    }

    // The first element equal to the value after startAfter (from the head when null); null
    // when there is none.
    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const {
        const Node* node = startAfter != nullptr ? ToNode(startAfter)->pNext : m_pHead;
        for (; node != nullptr; node = node->pNext) {
            if (node->data == searchValue)
                return ToPosition(node);
        }
        return nullptr;
    }
    // The position of the element at a zero-based index; null outside the list.
    POSITION FindIndex(int nIndex) const {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        const Node* node = m_pHead;
        while (nIndex-- > 0)
            node = node->pNext;
        return ToPosition(node);
    }

private:
    struct Node {
        Node* pNext;
        Node* pPrev;
        TYPE data;
    };

    static POSITION ToPosition(const Node* node) {
        return reinterpret_cast<POSITION>(const_cast<Node*>(node));
    }
    static Node* ToNode(POSITION position) {
        if (position == nullptr)
            classlib::ThrowBadIndex();
        return reinterpret_cast<Node*>(position);
    }
    static Node* NonEmpty(Node* node) {
        if (node == nullptr)
            classlib::ThrowBadIndex();
        return node;
    }
    // The node's own links say where it goes.
    void Link(Node* node) {
        if (node->pPrev != nullptr)
            node->pPrev->pNext = node;
        else
            m_pHead = node;
        if (node->pNext != nullptr)
            node->pNext->pPrev = node;
        else
            m_pTail = node;
        ++m_nCount;
    }
    void Unlink(Node* node) {
        if (node->pPrev != nullptr)
            node->pPrev->pNext = node->pNext;
        else
            m_pHead = node->pNext;
        if (node->pNext != nullptr)
            node->pNext->pPrev = node->pPrev;
        else
            m_pTail = node->pPrev;
        --m_nCount;
        delete node;
    }

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    int m_nCount = 0;
};
