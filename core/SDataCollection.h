#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/SString.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

class CArchive;

class SDataCollection;

// One named value: a name and a value as text, a free 32-bit tag for the caller, and a cached
// 8-bit hash of the name and of the value that lets a lookup skip most elements without a text
// comparison. Elements live by value inside an SDataCollection, which owns them; an element that
// is changed through a pointer the table handed out tells the table, so its lookups follow.
class SDataElement : public CObject {
    DECLARE_SERIAL(SDataElement)

public:
    SDataElement() = default;
    // A copy belongs to no table, whichever table the original belongs to.
    SDataElement(const SDataElement& other);
    SDataElement(SDataElement&& other) noexcept;
    // Takes name, value, tag and hashes, and stays with its own table, which hears of it.
    SDataElement& operator=(const SDataElement& other);
    SDataElement& operator=(SDataElement&& other);
    ~SDataElement() override;

    // Name, value and tag; the hashes are never stored and are rebuilt after loading.
    void Serialize(CArchive& ar) override;
    // Name and value empty, tag 0, both hashes "not computed".
    virtual void Reset();
    // Copies name, value and tag from another element and rebuilds both hashes.
    virtual void Assign(const SDataElement& other);

    const SString& GetName() const { return m_name; }
    const SString& GetValue() const { return m_value; }
    uint32_t GetTag() const { return m_tag; }

    // The 8-bit hash of a name or value: letters folded to lower case, each character offset
    // by 64 and shifted by its position modulo 3, all XORed. Empty text hashes to 0.
    static uint8_t HashText(const char* text);

private:
    friend class SDataCollection;
    // Tells the owning table of a change before it and after it, even when it fails halfway.
    class OwnerNotice;

    // The table whose slot this is; set by the table on its own slots and never stored or
    // copied, so an element copied out of a table changes nothing in it.
    SDataCollection* m_owner = nullptr;
    // Caches filled by lookups, which do not otherwise change the element.
    mutable uint8_t m_nameHash = 0;   // 0: not computed yet
    mutable uint8_t m_valueHash = 0;  // 0: not computed yet
    SString m_name;
    SString m_value;
    uint32_t m_tag = 0;
};

// A growable table of named values with lookup by name or value (case-insensitive), typed reads
// and writes by index or name, and set-or-append. Settings, layout variables, the game-command
// list and profile data are all one; object definitions derive from it. The collection owns its
// elements. The high-water index marks the last slot ever written: slots above it are empty
// room kept for appends, and lookups never look there.
//
// The virtual operations keep one fixed order, since the game-logic library and the object
// definitions call them through the table; each name-taking operation has its plain-text form
// first and its SString form next.
class SDataCollection : public CObject {
    DECLARE_SERIAL(SDataCollection)

public:
    // initialSize empty slots, grown by growBy (0: by an eighth of the size, 4 to 1024).
    explicit SDataCollection(int initialSize = 0, int growBy = 1);
    ~SDataCollection() override;
    SDataCollection(const SDataCollection&) = delete;
    SDataCollection& operator=(const SDataCollection&) = delete;

    // u32 count, i32 high-water index, then every element.
    void Serialize(CArchive& ar) override;
    // Back to the initial size with every slot empty and nothing written.
    virtual void Reset();
    virtual void SetSize(int newSize);
    // The array size, empty slots included.
    virtual int GetCount() const;

    // The index-taking setters change only slots that exist and raise the high-water index.
    virtual void SetName(int index, const char* name);
    virtual void SetName(int index, const SString& name);
    virtual void SetInt(int index, int value);
    virtual void SetFloat(int index, float value);
    virtual void SetValue(int index, const char* value);
    virtual void SetValue(int index, const SString& value);
    virtual void SetTag(int index, uint32_t tag);
    // Sets name, value and tag at index, growing the array when the index lies past its end.
    virtual void Set(int index, const char* name, const char* value, uint32_t tag);
    virtual void Set(int index, const SString& name, const SString& value, uint32_t tag);

    // Reads out of range give a shared empty string, 0 or null.
    virtual const SString& GetName(int index) const;
    virtual const SString& GetValueByName(const char* name) const;
    virtual const SString& GetValueByName(const SString& name) const;
    virtual const SString& GetValue(int index) const;
    virtual float GetFloatByName(const char* name) const;
    virtual float GetFloat(int index) const;
    virtual int GetIntByName(const char* name) const;
    virtual int GetInt(int index) const;
    virtual uint32_t GetTag(int index) const;
    virtual uint32_t GetTagByName(const char* name) const;
    virtual void GetFourIntsByName(const char* name, int& a, int& b, int& c, int& d) const;
    // Up to four whitespace-separated (or quoted) integers of the value; missing ones are 0.
    virtual void GetFourInts(int index, int& a, int& b, int& c, int& d) const;
    virtual SDataElement* GetElement(int index);

    // The first index up to the high-water index whose name (value) matches without regard to
    // case; -1 when none.
    virtual int FindByName(const char* name) const;
    virtual int FindByName(const SString& name) const;
    virtual int FindByValue(const SString& value) const;

    // Sets the value of the element of that name, or appends one after the high-water index.
    // Without a name the element is found by its value instead. Answers the index used.
    virtual int SetOrAppend(const char* name, const char* value, uint32_t tag);
    virtual int SetOrAppendFloat(const char* name, float value);
    virtual int SetOrAppendInt(const char* name, int value);
    // Sets or appends every written, non-empty element of the other collection (tag 0).
    virtual void MergeFrom(const SDataCollection* other);
    // Sets or appends every element of source whose value differs from reference's value of
    // the same name.
    virtual void MergeDifferences(const SDataCollection* source, const SDataCollection* reference);
    virtual void RaiseHighWater(int index);
    virtual int GetHighWater() const;

    // Removes the element; the ones after it move down. The high-water index stays.
    void RemoveAt(int index);
    void RemoveByName(const char* name);

private:
    bool InRange(int index) const { return index >= 0 && index < m_elements.GetSize(); }
    const SDataElement* ElementAtOrNull(int index) const;
    // Set with texts of its own, moved into the slot.
    void Store(int index, SString&& newName, SString&& newValue, uint32_t tag);
    // Grows the array to newSize slots for a write past its end.
    void Grow(int newSize);
    // Lookup over names (byName) or values, up to the high-water index.
    int FindText(const char* text, bool byName) const;

    // The name index finds a name without walking the table: each name, folded to lower case
    // as lookups compare names, with the slots that hold it in ascending order, so the first
    // match is the first slot as the walk would find it. Empty names are not indexed (their
    // lookups walk). It is built once a table has more than kIndexFrom written slots, by the
    // change that takes it there, and every change of a name keeps it up to date, those made
    // through an element handed out by GetElement included, however long after; changes that
    // move or drop slots build it anew. Lookups only read it.
    static constexpr int kIndexFrom = 64;
    // Looked up with a folded view of the name, without making a string of it.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const { return std::hash<std::string_view>()(name); }
    };
    void RefreshNameIndex();
    void BuildNameIndex();
    void IndexName(int index);
    void UnindexName(int index);
    void DropNameIndex();

    // An element of this table changed through its own operations: its old name leaves the
    // index before, its new one enters after. The second cannot fail; a name that cannot be
    // indexed lets the index go, and lookups walk until a change builds it again.
    friend class SDataElement;
    void ElementChanging(const SDataElement& element);
    void ElementChanged(const SDataElement& element) noexcept;
    // The slot an element of this table lives in; -1 for any other element.
    int SlotOf(const SDataElement& element) const;
    // Marks the slots made or moved since the last call as this table's own. Every change of
    // the array's size ends with it.
    void ClaimSlots();
    const SDataElement* m_claimedData = nullptr;
    int m_claimedCount = 0;

    std::unordered_map<std::string, std::vector<int>, NameHash, std::equal_to<>> m_nameIndex;
    bool m_nameIndexBuilt = false;

    CArray<SDataElement, SDataElement&> m_elements;
    int m_initialSize;
    int m_growBy;
    int m_highWater = -1;
};
