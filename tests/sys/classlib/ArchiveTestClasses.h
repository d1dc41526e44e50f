#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

// Small persistent classes for the archive tests, with byte layouts simple enough to write out
// by hand in the expected vectors.

// Schema 1: x, y as 32-bit values.
class ArcPoint : public CObject {
    DECLARE_SERIAL(ArcPoint)

public:
    ArcPoint() = default;
    ArcPoint(int32_t x, int32_t y) : m_x(x), m_y(y) {}
    void Serialize(CArchive& ar) override;
    int32_t m_x = 0;
    int32_t m_y = 0;
};

// Schema 2: one string.
class ArcLabel : public CObject {
    DECLARE_SERIAL(ArcLabel)

public:
    ArcLabel() = default;
    explicit ArcLabel(const char* text) : m_text(text) {}
    void Serialize(CArchive& ar) override;
    CString m_text;
};

// A kind of label, for class checks (IsKindOf, typed collections).
class ArcTitle : public ArcLabel {
    DECLARE_SERIAL(ArcTitle)

public:
    ArcTitle() = default;
    explicit ArcTitle(const char* text) : ArcLabel(text) {}
};

// Versionable, schema 3. Schema 1 stored only a; 2 added the name; 3 added the weight.
class ArcVersioned : public CObject {
    DECLARE_SERIAL(ArcVersioned)

public:
    void Serialize(CArchive& ar) override;
    int32_t m_a = 0;
    CString m_name;
    float m_weight = 0.5f;
    uint32_t m_loadedSchema = 0;       // what GetObjectSchema answered first
    uint32_t m_secondAnswer = 0;       // and the second time
};

// Schema 1: an id and a link to any object (not owned), for back- and self-references.
class ArcNode : public CObject {
    DECLARE_SERIAL(ArcNode)

public:
    ArcNode() = default;
    explicit ArcNode(int32_t id) : m_id(id) {}
    void Serialize(CArchive& ar) override;
    int32_t m_id = 0;
    CObject* m_pLink = nullptr;
};

// Schema 1: a value and an owned child of its own class, deleted with it. Every live object is
// tracked so tests see what a failed load deleted, and can clean up what it had to leave.
class ArcCounted : public CObject {
    DECLARE_SERIAL(ArcCounted)

public:
    ArcCounted();
    explicit ArcCounted(int32_t value, ArcCounted* child = nullptr);
    ~ArcCounted() override;
    void Serialize(CArchive& ar) override;
    int32_t m_value = 0;
    ArcCounted* m_pChild = nullptr;

    static std::set<ArcCounted*>& Live();
    // Deletes whatever is still alive, without following children.
    static void DeleteAllLive();
};

// Bytes of a storing archive over a memory file, after Close.
template <class Fn>
std::vector<uint8_t> Store(Fn write) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        write(ar);
        ar.Close();
    }
    const auto length = static_cast<size_t>(file.GetLength());
    std::vector<uint8_t> bytes(length);
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(length));
    return bytes;
}

// Runs a load over a copy of the bytes.
template <class Fn>
void Load(const std::vector<uint8_t>& bytes, Fn read) {
    std::vector<uint8_t> copy(bytes);
    CMemFile file(copy.data(), static_cast<unsigned>(copy.size()));
    CArchive ar(&file, CArchive::load);
    read(ar);
}

// Builders for expected byte vectors.
std::vector<uint8_t> Bytes(std::initializer_list<int> values);
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more);
void AppendText(std::vector<uint8_t>& out, const char* text);
