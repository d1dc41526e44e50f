// Feeds arbitrary bytes to a loading archive that reads a string, a string list, a word array,
// an object list of a few small classes (with back-references between them) and a typed array.
// A bad archive must end in CArchiveException; anything else (a crash, another exception, a
// leak) is a finding.
//
// The seed corpus in corpus/archive_fuzz/ is written by this file's own writer. From the
// repository root, compile this file with -DARCHIVE_FUZZ_WRITE_CORPUS together with
// sys/classlib/*.cpp, sys/fs/fs.cpp, sys/time/time.cpp,
// sys/backend.cpp, sys/time/headless/headless_clock.cpp and
// sys/time/sdl/system_clock.cpp (g++ -std=c++20 -I.), and run the program with the corpus
// folder as its argument.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Collections.h"

namespace {

// Every fuzz object registers itself; a run ends by deleting whatever is alive, so objects held
// twice through back-references, or left behind by a failed load, are freed exactly once.
std::set<CObject*>& LiveObjects() {
    static std::set<CObject*> live;
    return live;
}

void DeleteLiveObjects() {
    while (!LiveObjects().empty())
        delete *LiveObjects().begin();
}

class FuzzObject : public CObject {
public:
    FuzzObject() { LiveObjects().insert(this); }
    ~FuzzObject() override { LiveObjects().erase(this); }
};

class FuzzPoint : public FuzzObject {
    DECLARE_SERIAL(FuzzPoint)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << m_x << m_y << m_scale;
        else
            ar >> m_x >> m_y >> m_scale;
    }
    int32_t m_x = 0;
    int16_t m_y = 0;
    double m_scale = 1.0;
};

class FuzzLabel : public FuzzObject {
    DECLARE_SERIAL(FuzzLabel)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << m_text << m_flag;
        else
            ar >> m_text >> m_flag;
    }
    CString m_text;
    uint8_t m_flag = 0;
};

class FuzzTitle : public FuzzLabel {
    DECLARE_SERIAL(FuzzTitle)
};

// Children through pointers (any class, back-references welcome); not owned.
class FuzzGroup : public FuzzObject {
    DECLARE_SERIAL(FuzzGroup)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << m_name;
        else
            ar >> m_name;
        m_children.Serialize(ar);
        m_tags.Serialize(ar);
    }
    CString m_name;
    CObList m_children;
    CStringArray m_tags;
};

// Versionable: schema 1 holds a word, 2 adds a string, 3 a float.
class FuzzVersioned : public FuzzObject {
    DECLARE_SERIAL(FuzzVersioned)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << m_word << m_name << m_weight;
            return;
        }
        const uint32_t schema = ar.GetObjectSchema();
        ar >> m_word;
        if (schema >= 2)
            ar >> m_name;
        if (schema >= 3)
            ar >> m_weight;
    }
    uint32_t m_word = 0;
    CString m_name;
    float m_weight = 0;
};

IMPLEMENT_SERIAL(FuzzPoint, CObject, 1)
IMPLEMENT_SERIAL(FuzzLabel, CObject, 1)
IMPLEMENT_SERIAL(FuzzTitle, FuzzLabel, 1)
IMPLEMENT_SERIAL(FuzzGroup, CObject, 2)
IMPLEMENT_SERIAL(FuzzVersioned, CObject, VERSIONABLE_SCHEMA | 3)

// The whole document, in the order the archive holds it.
struct FuzzDocument {
    CString title;
    CStringList names;
    CDWordArray words;
    CObList objects;
    CTypedPtrArray<CObArray, FuzzLabel*> labels;

    void Serialize(CArchive& ar) {
        if (ar.IsStoring())
            ar << title;
        else
            ar >> title;
        names.Serialize(ar);
        words.Serialize(ar);
        objects.Serialize(ar);
        labels.Serialize(ar);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    {
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        // A small buffer, so refills happen inside values and records.
        CArchive ar(&file, CArchive::load, 64);
        FuzzDocument document;
        try {
            document.Serialize(ar);
        } catch (const CArchiveException&) {
        }
    }
    DeleteLiveObjects();
    return 0;
}

#ifdef ARCHIVE_FUZZ_WRITE_CORPUS

namespace {

template <class T>
T* Make() {
    return new T;
}

void WriteSeed(const std::string& folder, const char* name, FuzzDocument& document) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        document.Serialize(ar);
        ar.Close();
    }
    const auto length = static_cast<size_t>(file.GetLength());
    uint8_t* block = file.Detach();
    const std::string path = folder + "/" + name;
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(block, 1, length, out);
        std::fclose(out);
    }
    std::free(block);
    DeleteLiveObjects();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    {
        FuzzDocument empty;
        WriteSeed(folder, "empty", empty);
    }
    {
        FuzzDocument doc;
        doc.title = "catalog";
        doc.names.AddTail("Images");
        doc.names.AddTail("Sounds");
        doc.words.Add(1);
        doc.words.Add(0xFFFFFFFFu);
        auto* point = Make<FuzzPoint>();
        point->m_x = -5;
        point->m_y = 7;
        auto* label = Make<FuzzLabel>();
        label->m_text = "label";
        auto* title = Make<FuzzTitle>();
        title->m_text = "title";
        auto* group = Make<FuzzGroup>();
        group->m_name = "group";
        group->m_children.AddTail(point);
        group->m_children.AddTail(Make<FuzzPoint>());
        group->m_children.AddTail(static_cast<CObject*>(nullptr));
        group->m_tags.Add("a");
        doc.objects.AddTail(point);
        doc.objects.AddTail(label);
        doc.objects.AddTail(group);
        doc.objects.AddTail(point);
        doc.labels.Add(label);
        doc.labels.Add(title);
        WriteSeed(folder, "objects", doc);
    }
    {
        FuzzDocument doc;
        auto* versioned = Make<FuzzVersioned>();
        versioned->m_word = 3;
        versioned->m_name = "v";
        versioned->m_weight = 1.5f;
        doc.objects.AddTail(versioned);
        doc.objects.AddTail(versioned);
        doc.objects.AddTail(Make<FuzzVersioned>());
        WriteSeed(folder, "versioned", doc);
    }
    {
        FuzzDocument doc;
        doc.title = CString('x', 300);  // the long string form
        for (int i = 0; i < 300; ++i)
            doc.words.Add(static_cast<uint32_t>(i));
        WriteSeed(folder, "long_forms", doc);
    }
    {
        FuzzDocument doc;
        auto* group = Make<FuzzGroup>();
        group->m_children.AddTail(group);  // a group inside itself
        doc.objects.AddTail(group);
        doc.labels.Add(nullptr);
        WriteSeed(folder, "self_reference", doc);
    }
    return 0;
}

#endif
