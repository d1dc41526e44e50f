#include "ArchiveTestClasses.h"

#include <cstring>

IMPLEMENT_SERIAL(ArcPoint, CObject, 1)
IMPLEMENT_SERIAL(ArcLabel, CObject, 2)
IMPLEMENT_SERIAL(ArcTitle, ArcLabel, 2)
IMPLEMENT_SERIAL(ArcVersioned, CObject, VERSIONABLE_SCHEMA | 3)
IMPLEMENT_SERIAL(ArcNode, CObject, 1)
IMPLEMENT_SERIAL(ArcCounted, CObject, 1)

void ArcPoint::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_x << m_y;
    else
        ar >> m_x >> m_y;
}

void ArcLabel::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_text;
    else
        ar >> m_text;
}

void ArcVersioned::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_a << m_name << m_weight;
        return;
    }
    m_loadedSchema = ar.GetObjectSchema();
    m_secondAnswer = ar.GetObjectSchema();
    ar >> m_a;
    if (m_loadedSchema >= 2)
        ar >> m_name;
    if (m_loadedSchema >= 3)
        ar >> m_weight;
}

void ArcNode::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_id << m_pLink;
    } else {
        ar >> m_id >> m_pLink;
    }
}

ArcCounted::ArcCounted() { Live().insert(this); }

ArcCounted::ArcCounted(int32_t value, ArcCounted* child) : m_value(value), m_pChild(child) { Live().insert(this); }

ArcCounted::~ArcCounted() {
    Live().erase(this);
    delete m_pChild;
}

void ArcCounted::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_pChild << m_value;
    } else {
        ar >> m_pChild >> m_value;
    }
}

std::set<ArcCounted*>& ArcCounted::Live() {
    static std::set<ArcCounted*> live;
    return live;
}

void ArcCounted::DeleteAllLive() {
    while (!Live().empty()) {
        ArcCounted* object = *Live().begin();
        object->m_pChild = nullptr;
        delete object;
    }
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void AppendText(std::vector<uint8_t>& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}
