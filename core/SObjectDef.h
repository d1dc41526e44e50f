#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "core/SDataCollection.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CString.h"

class CArchive;
class SObjectDef;
class SObjectParser;

// A list of object definitions: the top-level definitions a script reader fills, a
// definition's children, the officer's kit and trophy lists. Like every class-library object
// list it owns nothing by itself: whoever holds the list chooses DeleteAll, ReleaseAll or
// Remove. Names are found without regard to case.
class SObjectDefList : public CObList {
public:
    explicit SObjectDefList(int nBlockSize = 10) : CObList(nBlockSize) {}

    // Typed views of the list walk; the list only ever holds definitions.
    SObjectDef* GetNext(POSITION& rPosition) const;
    SObjectDef* GetHead() const;
    SObjectDef* GetTail() const;
    SObjectDef* GetAt(POSITION position) const;

    // The first definition in list order whose name matches; null when none.
    SObjectDef* FindByName(const char* name) const;
    // Deletes every definition, whatever its reference count, and empties the list.
    void DeleteAll();
    // Gives up one reference of every definition and empties the list.
    void ReleaseAll();
    // Deletes the definition and drops its node: 1 when the list held it, 0 (and nothing
    // deleted) otherwise.
    int Remove(SObjectDef* def);
    // Appends to outList, in order, every definition of that kind (SObjectDef::IsKindOf).
    void CollectKindOf(const char* typeName, SObjectDefList& outList) const;
    // The script text of every definition at the outermost depth, one after the other.
    CString ToText() const;
    // Writes ToText into a file that must already exist; a missing file or any file error
    // writes nothing and is not reported.
    void SaveToFile(const char* path) const;

    // A 32-bit count, then each definition inline (no class record). Loading replaces the
    // list's contents with new definitions; what it held before is let go without being
    // deleted, since the holder may keep those elsewhere.
    void Serialize(CArchive& ar) override;
};

// A named, reference-counted value collection that may inherit the values and children of a
// base definition (by copy, at the moment the base is set), may sit inside a parent
// definition, and owns its child definitions. Built by SObjectParser; shared between the
// front end, the officer records and the game-logic library, which is why the reference count
// is atomic.
//
// A derived definition holds a reference on its base so the base outlives it. Holders that
// delete definitions outright (DeleteAll) bypass that reference; the base then tells its
// derived definitions it is gone, and they fall back to the base name they recorded, so no
// query ever follows a pointer to a freed base.
class SObjectDef : public SDataCollection {
    DECLARE_SERIAL(SObjectDef)

public:
    SObjectDef();
    // A new definition that is a copy of source (CopyFrom).
    explicit SObjectDef(const SObjectDef* source);
    ~SObjectDef() override;
    SObjectDef(const SObjectDef&) = delete;
    SObjectDef& operator=(const SObjectDef&) = delete;

    // Name, base name, then the collection's own form. Children, parent, base pointer, filed
    // flag and reference count are never stored.
    void Serialize(CArchive& ar) override;

    // Merges the source's values in (values the source lacks stay), takes its name, base
    // name, parent and base, and appends copies of its children. Nothing for a null source.
    virtual void CopyFrom(const SObjectDef* source);
    // Takes the source's name and base name and every value of the source that differs from
    // the reference's value of the same name. Children are left as they are.
    virtual void CopyDifferences(const SObjectDef* source, const SObjectDef* reference);
    // Inherits base by copy: its values and children come in now, this definition keeps its
    // own name, and the base's name is recorded. Nothing for a null base.
    virtual void SetBase(SObjectDef* base);
    // True when the base's name or the recorded base name is typeName (no regard to case),
    // or when the base is itself of that kind.
    virtual bool IsKindOf(const char* typeName) const;
    // True when def is the base or an ancestor of the base.
    virtual bool IsDerivedFrom(const SObjectDef* def) const;
    // Writes the script text into a file that must already exist; a missing file or any file
    // error writes nothing and is not reported.
    virtual void SaveToFile(const char* path) const;
    // A place for derived definitions to react once they are defined; does nothing here.
    virtual void OnDefinitionHook();
    // Reads the set lines of a script file into this definition with the given reader. True
    // in every case, as callers have always been told.
    virtual bool LoadFromScript(const char* fileName, SObjectParser* reader);

    using CObject::IsKindOf;
    using SDataCollection::GetName;
    using SDataCollection::SetName;

    void AddRef();
    // Gives up one reference; the last one deletes the definition.
    void Release();
    int GetRefCount() const { return m_nRefCount.load(); }

    CString GetName() const { return m_strName; }
    void SetName(const char* name) { m_strName = name; }
    const CString& GetBaseName() const { return m_strBaseName; }
    void SetBaseName(const char* baseName) { m_strBaseName = baseName; }
    // The base this definition was derived from while it lives; null when there never was
    // one or when it has been deleted.
    SObjectDef* GetBase() const;
    // True when a base was set, even one that is gone since; the script writer then names the
    // recorded base name.
    bool HasBaseLink() const { return m_baseLink != nullptr; }
    SObjectDef* GetParent() const { return m_pParent; }
    void SetParent(SObjectDef* parent) { m_pParent = parent; }
    SObjectDefList& GetChildren() { return m_children; }
    const SObjectDefList& GetChildren() const { return m_children; }
    // Set when a list already holds the definition, so closing its block must not file it
    // again.
    bool IsFiled() const { return m_bFiled != 0; }
    void SetFiled(bool filed) { m_bFiled = filed ? 1 : 0; }

    // A new, empty definition of the same run-time class as def (a plain SObjectDef when that
    // class cannot be made by name).
    static SObjectDef* CreateLike(const SObjectDef* def);

private:
    friend class SObjectDefList;

    // Points the base link at base (taking a reference on it), letting go of the old one. A
    // base that is this definition or derives from it would make a loop and is not linked.
    void LinkBase(SObjectDef* base);
    void UnlinkBase();

    SObjectDef* m_pParent = nullptr;
    CString m_strName;
    // Shared with every definition derived from this one; emptied by the destructor. Made on
    // first need.
    std::shared_ptr<SObjectDef*> m_self;
    // The base's m_self; null when no base was ever set.
    std::shared_ptr<SObjectDef*> m_baseLink;
    CString m_strBaseName;
    SObjectDefList m_children;
    uint8_t m_bFiled = 0;
    std::atomic<int32_t> m_nRefCount{1};
};

inline SObjectDef* SObjectDefList::GetNext(POSITION& rPosition) const
{
    return static_cast<SObjectDef*>(CObList::GetNext(rPosition));
}
inline SObjectDef* SObjectDefList::GetHead() const { return static_cast<SObjectDef*>(CObList::GetHead()); }
inline SObjectDef* SObjectDefList::GetTail() const { return static_cast<SObjectDef*>(CObList::GetTail()); }
inline SObjectDef* SObjectDefList::GetAt(POSITION position) const
{
    return static_cast<SObjectDef*>(CObList::GetAt(position));
}
