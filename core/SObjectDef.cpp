#include "core/SObjectDef.h"

#include "core/SObjectParser.h"
#include "core/SString.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CStdioFile.h"
#include "sys/classlib/Exceptions.h"

IMPLEMENT_SERIAL(SObjectDef, SDataCollection, 1)

namespace {

// The smallest stored definition: two empty names (one length byte each), then an empty
// collection's count and high-water index.
constexpr uint64_t kMinStoredDefinitionBytes = 1 + 1 + 4 + 4;

bool SameName(const CString& name, const char* text)
{
    return CompareTextNoCase(name, text != nullptr ? text : "") == 0;
}

// Definition files are only ever rewritten, never created here: a file that does not exist
// yet is left alone. The file is opened once to make sure it exists and again truncated, so
// no tail of a longer old text survives behind the new one.
void WriteIntoExistingFile(const char* path, const CString& text)
{
    try {
        CStdioFile probe;
        if (!probe.Open(path, CFile::modeWrite | CFile::typeText))
            return;
        probe.Close();
        CStdioFile file;
        if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText))
            return;
        file.WriteString(text);
        file.Close();
    } catch (CFileException&) {
        // Saving definitions is best effort by design; the caller is not told.
    }
}

}  // namespace

// ---- SObjectDefList ---------------------------------------------------------------------------

SObjectDef* SObjectDefList::FindByName(const char* name) const
{
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        SObjectDef* def = GetNext(pos);
        if (def != nullptr && SameName(def->m_strName, name))
            return def;
    }
    return nullptr;
}

void SObjectDefList::DeleteAll()
{
    while (!IsEmpty())
        delete static_cast<SObjectDef*>(RemoveHead());
}

void SObjectDefList::ReleaseAll()
{
    while (!IsEmpty()) {
        SObjectDef* def = static_cast<SObjectDef*>(RemoveHead());
        if (def != nullptr)
            def->Release();
    }
}

int SObjectDefList::Remove(SObjectDef* def)
{
    POSITION pos = Find(def);
    if (pos == nullptr)
        return 0;
    RemoveAt(pos);
    delete def;
    return 1;
}

void SObjectDefList::CollectKindOf(const char* typeName, SObjectDefList& outList) const
{
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        SObjectDef* def = GetNext(pos);
        if (def != nullptr && def->IsKindOf(typeName))
            outList.AddTail(def);
    }
}

CString SObjectDefList::ToText() const
{
    CString text;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* def = GetNext(pos);
        if (def != nullptr)
            text += SObjectParser::WriteDefinition(*def, 0);
    }
    return text;
}

void SObjectDefList::SaveToFile(const char* path) const { WriteIntoExistingFile(path, ToText()); }

void SObjectDefList::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << static_cast<uint32_t>(GetCount());
        for (POSITION pos = GetHeadPosition(); pos != nullptr;)
            GetNext(pos)->Serialize(ar);
        return;
    }
    uint32_t count = 0;
    ar >> count;
    // A count from a damaged file is checked against what the rest of the file can hold
    // before a single definition is made for it.
    ar.EnsureAvailable(static_cast<uint64_t>(count) * kMinStoredDefinitionBytes);
    RemoveAll();
    try {
        for (uint32_t i = 0; i < count; ++i) {
            auto* def = new SObjectDef;
            AddTail(def);
            def->Serialize(ar);
        }
    } catch (...) {
        // Half a list must not live on to be used or saved again.
        ReleaseAll();
        throw;
    }
}

// ---- SObjectDef -------------------------------------------------------------------------------

SObjectDef::SObjectDef() : SDataCollection(0, 1) {}

SObjectDef::SObjectDef(const SObjectDef* source) : SObjectDef() { CopyFrom(source); }

SObjectDef::~SObjectDef()
{
    // Definitions derived from this one learn first that it is gone, so none of them hands a
    // reference back to it while it is being torn down.
    if (m_self)
        *m_self = nullptr;
    m_children.DeleteAll();
    UnlinkBase();
}

void SObjectDef::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_strName;
        ar << m_strBaseName;
        SDataCollection::Serialize(ar);
        return;
    }
    CString name;
    CString baseName;
    ar >> name;
    ar >> baseName;
    SDataCollection::Serialize(ar);
    m_strName = name;
    m_strBaseName = baseName;
}

SObjectDef* SObjectDef::CreateLike(const SObjectDef* def)
{
    if (def != nullptr) {
        CObject* object = def->GetRuntimeClass()->CreateObject();
        if (auto* made = dynamic_cast<SObjectDef*>(object))
            return made;
        delete object;
    }
    return new SObjectDef;
}

void SObjectDef::CopyFrom(const SObjectDef* source)
{
    if (source == nullptr || source == this)
        return;
    MergeFrom(source);
    m_strName = source->m_strName;
    m_strBaseName = source->m_strBaseName;
    m_pParent = source->m_pParent;
    if (SObjectDef* base = source->GetBase()) {
        LinkBase(base);
    } else {
        // A base the source has lost is lost here too; the copy keeps naming it by its
        // recorded name, as the source does.
        UnlinkBase();
        m_baseLink = source->m_baseLink;
    }
    for (POSITION pos = source->m_children.GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* child = source->m_children.GetNext(pos);
        if (child == nullptr)
            continue;
        SObjectDef* copy = CreateLike(child);
        copy->CopyFrom(child);
        copy->m_pParent = this;
        m_children.AddTail(copy);
    }
}

void SObjectDef::CopyDifferences(const SObjectDef* source, const SObjectDef* reference)
{
    if (source == nullptr)
        return;
    m_strName = source->m_strName;
    m_strBaseName = source->m_strBaseName;
    MergeDifferences(source, reference);
}

void SObjectDef::SetBase(SObjectDef* base)
{
    if (base == nullptr || base == this)
        return;
    const CString ownName = m_strName;
    CopyFrom(base);
    m_strName = ownName;
    m_strBaseName = base->m_strName;
    LinkBase(base);
}

bool SObjectDef::IsKindOf(const char* typeName) const
{
    if (typeName == nullptr)
        return false;
    // Walked, not recursed: a chain of derivations is as long as the file that made it.
    for (const SObjectDef* def = this; def != nullptr; def = def->GetBase()) {
        // The recorded name answers even when the base itself is gone or was never linked (a
        // definition read back from an archive).
        if (!def->m_strBaseName.IsEmpty() && SameName(def->m_strBaseName, typeName))
            return true;
        const SObjectDef* base = def->GetBase();
        if (base != nullptr && SameName(base->m_strName, typeName))
            return true;
    }
    return false;
}

bool SObjectDef::IsDerivedFrom(const SObjectDef* def) const
{
    for (const SObjectDef* base = GetBase(); base != nullptr; base = base->GetBase()) {
        if (base == def)
            return true;
    }
    return false;
}

void SObjectDef::SaveToFile(const char* path) const
{
    WriteIntoExistingFile(path, SObjectParser::WriteDefinition(*this, 0));
}

void SObjectDef::OnDefinitionHook() {}

bool SObjectDef::LoadFromScript(const char* fileName, SObjectParser* reader)
{
    if (reader != nullptr && fileName != nullptr && fileName[0] != '\0')
        reader->ParseFileInto(fileName, "", this);
    return true;
}

void SObjectDef::AddRef() { m_nRefCount.fetch_add(1); }

void SObjectDef::Release()
{
    if (m_nRefCount.fetch_sub(1) == 1)
        delete this;
}

SObjectDef* SObjectDef::GetBase() const { return m_baseLink ? *m_baseLink : nullptr; }

void SObjectDef::LinkBase(SObjectDef* base)
{
    // Only a definition something links to can be an ancestor of the base; a new one in a long
    // chain of derivations is not, and walking the chain for it would cost its whole length.
    const bool linkedTo = m_self && m_self.use_count() > 1;
    if (base != nullptr && (base == this || (linkedTo && base->IsDerivedFrom(this))))
        base = nullptr;
    if (base != nullptr && base == GetBase())
        return;
    std::shared_ptr<SObjectDef*> link;
    if (base != nullptr) {
        // Take the new reference before the old one goes: the old base may be what keeps the
        // new one alive.
        base->AddRef();
        if (!base->m_self)
            base->m_self = std::make_shared<SObjectDef*>(base);
        link = base->m_self;
    }
    UnlinkBase();
    m_baseLink = std::move(link);
}

void SObjectDef::UnlinkBase()
{
    std::shared_ptr<SObjectDef*> link = std::move(m_baseLink);
    m_baseLink.reset();
    if (link && *link != nullptr)
        (*link)->Release();
}
