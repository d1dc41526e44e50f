#include "core/SDataCollection.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <utility>

#include "core/STextUtil.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/Exceptions.h"

IMPLEMENT_SERIAL(SDataElement, CObject, 1)
IMPLEMENT_SERIAL(SDataCollection, CObject, 1)

namespace {

// What reads out of range answer; never written.
const SString& SharedEmpty()
{
    static const SString empty;
    return empty;
}

// The smallest stored element: two empty strings and the tag.
constexpr uint64_t kMinStoredElementBytes = 4 + 4 + 4;

// Numbers are stored as text and read back with the C library's leading-prefix rules.
int TextToInt(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 10)); }
float TextToFloat(const char* text) { return static_cast<float>(std::strtod(text, nullptr)); }

SString IntText(int value)
{
    SString text;
    text.Format("%d", value);
    return text;
}

SString FloatText(float value)
{
    SString text;
    text.Format("%f", static_cast<double>(value));
    return text;
}

}  // namespace

// ---- SDataElement ---------------------------------------------------------------------------

class SDataElement::OwnerNotice {
public:
    explicit OwnerNotice(SDataElement& element) : m_element(element)
    {
        if (m_element.m_owner != nullptr)
            m_element.m_owner->ElementChanging(m_element);
    }
    ~OwnerNotice()
    {
        if (m_element.m_owner != nullptr)
            m_element.m_owner->ElementChanged(m_element);
    }
    OwnerNotice(const OwnerNotice&) = delete;
    OwnerNotice& operator=(const OwnerNotice&) = delete;

private:
    SDataElement& m_element;
};

SDataElement::SDataElement(const SDataElement& other)
    : CObject(other),
      m_nameHash(other.m_nameHash),
      m_valueHash(other.m_valueHash),
      m_name(other.m_name),
      m_value(other.m_value),
      m_tag(other.m_tag)
{
}

SDataElement::SDataElement(SDataElement&& other) noexcept
    : CObject(std::move(other)),
      m_nameHash(other.m_nameHash),
      m_valueHash(other.m_valueHash),
      m_name(std::move(other.m_name)),
      m_value(std::move(other.m_value)),
      m_tag(other.m_tag)
{
}

SDataElement& SDataElement::operator=(const SDataElement& other)
{
    if (&other == this)
        return *this;
    OwnerNotice notice(*this);
    m_name = other.m_name;
    m_value = other.m_value;
    m_tag = other.m_tag;
    m_nameHash = other.m_nameHash;
    m_valueHash = other.m_valueHash;
    return *this;
}

SDataElement& SDataElement::operator=(SDataElement&& other)
{
    if (&other == this)
        return *this;
    OwnerNotice notice(*this);
    m_name = std::move(other.m_name);
    m_value = std::move(other.m_value);
    m_tag = other.m_tag;
    m_nameHash = other.m_nameHash;
    m_valueHash = other.m_valueHash;
    return *this;
}

SDataElement::~SDataElement() = default;

uint8_t SDataElement::HashText(const char* text)
{
    uint8_t hash = 0;
    if (text == nullptr)
        return hash;
    for (int i = 0; text[i] != '\0'; ++i) {
        auto c = static_cast<uint8_t>(text[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<uint8_t>(c + 32);
        const auto offset = static_cast<uint8_t>(c - 64);
        hash ^= static_cast<uint8_t>(offset << (i % 3));
    }
    return hash;
}

void SDataElement::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        m_name.Serialize(ar);
        m_value.Serialize(ar);
        ar << m_tag;
        return;
    }
    OwnerNotice notice(*this);
    // A load cut short may have replaced the name and not the value: no hash of the old texts
    // may outlive it.
    m_nameHash = 0;
    m_valueHash = 0;
    m_name.Serialize(ar);
    m_value.Serialize(ar);
    ar >> m_tag;
    m_nameHash = HashText(m_name.GetString());
    m_valueHash = HashText(m_value.GetString());
}

void SDataElement::Reset()
{
    OwnerNotice notice(*this);
    m_name.Empty();
    m_value.Empty();
    m_tag = 0;
    m_nameHash = 0;
    m_valueHash = 0;
}

void SDataElement::Assign(const SDataElement& other)
{
    if (&other == this)
        return;
    OwnerNotice notice(*this);
    m_name = other.m_name;
    m_value = other.m_value;
    m_tag = other.m_tag;
    m_nameHash = HashText(m_name.GetString());
    m_valueHash = HashText(m_value.GetString());
}

// ---- SDataCollection ------------------------------------------------------------------------

SDataCollection::SDataCollection(int initialSize, int growBy)
    : m_initialSize(std::max(initialSize, 0)), m_growBy(growBy)
{
    Reset();
}

SDataCollection::~SDataCollection() = default;

void SDataCollection::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << static_cast<uint32_t>(m_elements.GetSize());
        ar << static_cast<int32_t>(m_highWater);
        for (int i = 0; i < m_elements.GetSize(); ++i)
            m_elements[i].Serialize(ar);
        return;
    }
    uint32_t count = 0;
    ar >> count;
    // A count from a damaged file is checked against what the rest of the archive can hold
    // (the high-water index and the smallest possible elements) before any slot is made.
    ar.EnsureAvailable(4 + static_cast<uint64_t>(count) * kMinStoredElementBytes);
    if (count > static_cast<uint32_t>(INT_MAX))
        ThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
    try {
        // The slots are read over below without the index hearing of it, and the resize must
        // not build it from the names about to be replaced: it goes, and nothing counts as
        // written until the elements are in.
        DropNameIndex();
        m_highWater = -1;
        SetSize(static_cast<int>(count));
        int32_t highWater = 0;
        ar >> highWater;
        // The mark may never point past the stored elements, nor below "nothing written".
        highWater = std::min(highWater, static_cast<int32_t>(count) - 1);
        for (int i = 0; i < m_elements.GetSize(); ++i)
            m_elements[i].Serialize(ar);
        m_highWater = std::max(highWater, -1);
        RefreshNameIndex();
    } catch (...) {
        // A half-read table must not live on to be used or saved again.
        Reset();
        throw;
    }
}

void SDataCollection::Reset()
{
    // Nothing counts as written from here on, so the shrink below does not build the index
    // again from the names about to be emptied.
    DropNameIndex();
    m_highWater = -1;
    // Only the slots kept from before need emptying; those the resize adds are made empty. The
    // tables are thousands of slots, and the hub makes several.
    const int kept = std::min(m_elements.GetSize(), m_initialSize);
    // The array keeps its grow-by when the collection was built with -1.
    m_elements.SetSize(m_elements.GetSize(), m_growBy);
    SetSize(m_initialSize);
    for (int i = 0; i < kept; ++i)
        m_elements[i].Reset();
}

void SDataCollection::SetSize(int newSize)
{
    if (newSize < 0)
        return;
    const bool shrinks = newSize < m_elements.GetSize();
    if (shrinks)
        DropNameIndex();
    m_elements.SetSize(newSize);
    ClaimSlots();
    if (shrinks)
        RefreshNameIndex();
}

int SDataCollection::GetCount() const { return m_elements.GetSize(); }

void SDataCollection::SetName(int index, const char* name) { SetName(index, SString(name)); }

void SDataCollection::SetName(int index, const SString& name)
{
    if (!InRange(index))
        return;
    UnindexName(index);
    SDataElement& element = m_elements[index];
    element.m_name = name;
    IndexName(index);
    element.m_nameHash = 0;
    element.m_valueHash = 0;
    RaiseHighWater(index);
    RefreshNameIndex();
}

void SDataCollection::SetInt(int index, int value) { SetValue(index, IntText(value)); }

void SDataCollection::SetFloat(int index, float value) { SetValue(index, FloatText(value)); }

void SDataCollection::SetValue(int index, const char* value) { SetValue(index, SString(value)); }

void SDataCollection::SetValue(int index, const SString& value)
{
    if (!InRange(index))
        return;
    SDataElement& element = m_elements[index];
    element.m_value = value;
    element.m_valueHash = 0;
    RaiseHighWater(index);
}

void SDataCollection::SetTag(int index, uint32_t tag)
{
    if (!InRange(index))
        return;
    m_elements[index].m_tag = tag;
    RaiseHighWater(index);
}

void SDataCollection::Set(int index, const char* name, const char* value, uint32_t tag)
{
    // The texts may belong to elements of this very array, which growing would move: they are
    // copied first, once.
    if (index >= 0 && index != INT_MAX)
        Store(index, SString(name), SString(value), tag);
}

void SDataCollection::Set(int index, const SString& name, const SString& value, uint32_t tag)
{
    if (index >= 0 && index != INT_MAX)
        Store(index, SString(name), SString(value), tag);
}

void SDataCollection::Store(int index, SString&& newName, SString&& newValue, uint32_t tag)
{
    if (index >= m_elements.GetSize())
        Grow(index + 1);
    UnindexName(index);
    SDataElement& element = m_elements[index];
    element.m_name = std::move(newName);
    IndexName(index);
    element.m_value = std::move(newValue);
    element.m_tag = tag;
    element.m_nameHash = 0;
    element.m_valueHash = 0;
    RaiseHighWater(index);
    RefreshNameIndex();
}

void SDataCollection::Grow(int newSize)
{
    // A table grown a slot or a few at a time (an object definition grows by one) would move
    // every element at each append, and reading a long script would take time in the square of
    // its length: the room made at once is at least an eighth of the size. The array keeps
    // the table's own grow-by for next time.
    const int step = std::max(m_growBy, m_elements.GetSize() / 8);
    if (m_growBy <= 0 || step == m_growBy) {
        m_elements.SetSize(newSize);
    } else {
        m_elements.SetSize(newSize, step);
        m_elements.SetSize(newSize, m_growBy);
    }
    ClaimSlots();
}

const SDataElement* SDataCollection::ElementAtOrNull(int index) const
{
    return InRange(index) ? &m_elements[index] : nullptr;
}

const SString& SDataCollection::GetName(int index) const
{
    const SDataElement* element = ElementAtOrNull(index);
    return element ? element->m_name : SharedEmpty();
}

const SString& SDataCollection::GetValueByName(const char* name) const { return GetValue(FindByName(name)); }

const SString& SDataCollection::GetValueByName(const SString& name) const { return GetValue(FindByName(name)); }

const SString& SDataCollection::GetValue(int index) const
{
    const SDataElement* element = ElementAtOrNull(index);
    return element ? element->m_value : SharedEmpty();
}

float SDataCollection::GetFloatByName(const char* name) const { return GetFloat(FindByName(name)); }

float SDataCollection::GetFloat(int index) const
{
    const SDataElement* element = ElementAtOrNull(index);
    return element ? TextToFloat(element->m_value.GetString()) : 0.0f;
}

int SDataCollection::GetIntByName(const char* name) const { return TextToInt(GetValueByName(name).GetString()); }

int SDataCollection::GetInt(int index) const
{
    const SDataElement* element = ElementAtOrNull(index);
    return element ? TextToInt(element->m_value.GetString()) : 0;
}

uint32_t SDataCollection::GetTag(int index) const
{
    const SDataElement* element = ElementAtOrNull(index);
    return element ? element->m_tag : 0;
}

uint32_t SDataCollection::GetTagByName(const char* name) const { return GetTag(FindByName(name)); }

void SDataCollection::GetFourIntsByName(const char* name, int& a, int& b, int& c, int& d) const
{
    GetFourInts(FindByName(name), a, b, c, d);
}

void SDataCollection::GetFourInts(int index, int& a, int& b, int& c, int& d) const
{
    int* numbers[4] = {&a, &b, &c, &d};
    for (int* number : numbers)
        *number = 0;
    const SDataElement* element = ElementAtOrNull(index);
    if (element == nullptr)
        return;
    CString line;
    TrimmedCopy(line, element->m_value.GetString());
    CString token;
    for (int* number : numbers) {
        GetNextToken(line, token);
        if (token.IsEmpty())
            break;
        *number = TextToInt(token.GetString());
    }
}

SDataElement* SDataCollection::GetElement(int index)
{
    // The caller may change the element through it at any later time; the element tells this
    // table, which owns the slot.
    return InRange(index) ? &m_elements[index] : nullptr;
}

int SDataCollection::FindText(const char* text, bool byName) const
{
    // Most tables the console asks have nothing written yet; the text is not hashed for them.
    if (m_highWater < 0)
        return -1;
    if (text == nullptr)
        text = "";
    const int end = std::min(m_elements.GetSize(), m_highWater + 1);
    if (byName && text[0] != '\0' && m_nameIndexBuilt) {
        // Most names fit the buffer; a longer one is folded into a string of its own.
        char buffer[128];
        const size_t length = std::strlen(text);
        std::string longName;
        std::string_view folded;
        if (length < sizeof(buffer)) {
            for (size_t i = 0; i < length; ++i)
                buffer[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            folded = std::string_view(buffer, length);
        } else {
            longName = FoldedText(text);
            folded = longName;
        }
        const auto found = m_nameIndex.find(folded);
        if (found == m_nameIndex.end())
            return -1;
        // Slots past the high-water index are not looked at; the first slot is the lowest.
        const int first = found->second.front();
        return first < end ? first : -1;
    }
    const uint8_t key = SDataElement::HashText(text);
    const SDataElement* elements = m_elements.GetData();
    for (int i = 0; i < end; ++i) {
        const SDataElement& element = elements[i];
        const SString& candidate = byName ? element.m_name : element.m_value;
        uint8_t& cached = byName ? element.m_nameHash : element.m_valueHash;
        if (cached == 0)
            cached = SDataElement::HashText(candidate.GetString());
        if (cached == key && CompareTextNoCase(candidate.GetString(), text) == 0)
            return i;
    }
    return -1;
}

void SDataCollection::RefreshNameIndex()
{
    if (!m_nameIndexBuilt && std::min(m_elements.GetSize(), m_highWater + 1) > kIndexFrom)
        BuildNameIndex();
}

void SDataCollection::BuildNameIndex()
{
    m_nameIndex.clear();
    m_nameIndexBuilt = true;
    for (int i = 0; i < m_elements.GetSize(); ++i)
        IndexName(i);
}

void SDataCollection::IndexName(int index)
{
    if (!m_nameIndexBuilt || !InRange(index) || m_elements[index].m_name.IsEmpty())
        return;
    try {
        std::vector<int>& slots = m_nameIndex[FoldedText(m_elements[index].m_name.GetString())];
        slots.insert(std::upper_bound(slots.begin(), slots.end(), index), index);
    } catch (...) {
        // An index without this name would answer for it wrongly; without an index lookups
        // walk, which is always right.
        DropNameIndex();
        throw;
    }
}

void SDataCollection::UnindexName(int index)
{
    if (!m_nameIndexBuilt || !InRange(index) || m_elements[index].m_name.IsEmpty())
        return;
    const auto found = m_nameIndex.find(FoldedText(m_elements[index].m_name.GetString()));
    if (found == m_nameIndex.end())
        return;
    std::vector<int>& slots = found->second;
    const auto at = std::lower_bound(slots.begin(), slots.end(), index);
    if (at != slots.end() && *at == index)
        slots.erase(at);
    if (slots.empty())
        m_nameIndex.erase(found);
}

void SDataCollection::DropNameIndex()
{
    m_nameIndex.clear();
    m_nameIndexBuilt = false;
}

int SDataCollection::SlotOf(const SDataElement& element) const
{
    const SDataElement* data = m_elements.GetData();
    const auto at = reinterpret_cast<uintptr_t>(&element);
    const auto begin = reinterpret_cast<uintptr_t>(data);
    if (data == nullptr || at < begin)
        return -1;
    const uintptr_t slot = (at - begin) / sizeof(SDataElement);
    if (slot >= static_cast<uintptr_t>(m_elements.GetSize()) || &data[slot] != &element)
        return -1;
    return static_cast<int>(slot);
}

void SDataCollection::ElementChanging(const SDataElement& element)
{
    if (m_nameIndexBuilt)
        UnindexName(SlotOf(element));
}

void SDataCollection::ElementChanged(const SDataElement& element) noexcept
{
    if (!m_nameIndexBuilt)
        return;
    try {
        IndexName(SlotOf(element));
    } catch (...) {
        // The index went with the failure; lookups walk until a change builds it again.
    }
}

void SDataCollection::ClaimSlots()
{
    SDataElement* data = m_elements.GetData();
    const int size = m_elements.GetSize();
    // A moved block holds moved elements, which carry no table; in the same block only the
    // slots added since the last claim are new.
    const int from = data == m_claimedData ? std::min(m_claimedCount, size) : 0;
    for (int i = from; i < size; ++i)
        data[i].m_owner = this;
    m_claimedData = data;
    m_claimedCount = size;
}

int SDataCollection::FindByName(const char* name) const { return FindText(name, true); }

int SDataCollection::FindByName(const SString& name) const { return FindText(name.GetString(), true); }

int SDataCollection::FindByValue(const SString& value) const { return FindText(value.GetString(), false); }

int SDataCollection::SetOrAppend(const char* name, const char* value, uint32_t tag)
{
    // The array may have been shrunk under the mark since it was last raised.
    if (m_highWater >= m_elements.GetSize())
        m_highWater = m_elements.GetSize() - 1;
    int index;
    if (name != nullptr && name[0] != '\0')
        index = FindByName(name);
    else
        index = FindText(value, false);
    if (index < 0)
        index = m_highWater + 1;
    Set(index, name, value, tag);
    return index;
}

int SDataCollection::SetOrAppendFloat(const char* name, float value)
{
    return SetOrAppend(name, FloatText(value).GetString(), 0);
}

int SDataCollection::SetOrAppendInt(const char* name, int value)
{
    return SetOrAppend(name, IntText(value).GetString(), 0);
}

void SDataCollection::MergeFrom(const SDataCollection* other)
{
    if (other == nullptr)
        return;
    // Only written slots carry values; the empty room above the mark (and empty slots below
    // it) would otherwise be appended here as blank elements.
    const int last = std::min(other->GetHighWater(), other->GetCount() - 1);
    for (int i = 0; i <= last; ++i) {
        const SString name(other->GetName(i));
        const SString value(other->GetValue(i));
        if (name.IsEmpty() && value.IsEmpty())
            continue;
        SetOrAppend(name.GetString(), value.GetString(), 0);
    }
}

void SDataCollection::MergeDifferences(const SDataCollection* source, const SDataCollection* reference)
{
    if (source == nullptr)
        return;
    const int last = std::min(source->GetHighWater(), source->GetCount() - 1);
    for (int i = 0; i <= last; ++i) {
        const SString name(source->GetName(i));
        const SString value(source->GetValue(i));
        const char* referenceValue = reference ? reference->GetValueByName(name).GetString() : "";
        if (std::strcmp(referenceValue, value.GetString()) != 0)
            SetOrAppend(name.GetString(), value.GetString(), 0);
    }
}

void SDataCollection::RaiseHighWater(int index) { m_highWater = std::max(m_highWater, index); }

int SDataCollection::GetHighWater() const { return m_highWater; }

void SDataCollection::RemoveAt(int index)
{
    if (!InRange(index))
        return;
    // Every slot after it moves down by one.
    DropNameIndex();
    m_elements.RemoveAt(index);
    ClaimSlots();
    RefreshNameIndex();
}

void SDataCollection::RemoveByName(const char* name)
{
    const int index = FindByName(name);
    if (index >= 0)
        RemoveAt(index);
}
