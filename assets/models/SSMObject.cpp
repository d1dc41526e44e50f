#include "assets/models/SSMObject.h"

#include <algorithm>
#include <cstring>

#include "assets/models/SSMHandle.h"

IMPLEMENT_DYNCREATE(SSMObject, CObject)

namespace {

constexpr char kMagic[4] = {'S', 'S', 'M', 'O'};
constexpr int kMaxNameLength = 2046;

[[noreturn]] void Refuse(CArchive& ar) {
    ThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
}

// A name: a signed 16-bit length of 0 to 2046, then that many bytes.
CString ReadName(CArchive& ar) {
    int16_t length = 0;
    ar >> length;
    if (length < 0 || length > kMaxNameLength)
        Refuse(ar);
    ar.EnsureAvailable(static_cast<uint64_t>(length));
    std::string text(static_cast<size_t>(length), '\0');
    if (length != 0 && ar.Read(text.data(), static_cast<unsigned>(length)) != static_cast<unsigned>(length))
        ThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
    return CString(std::move(text));
}

void WriteName(CArchive& ar, const CString& name) {
    ar << static_cast<int16_t>(name.GetLength());
    ar.Write(name.GetString(), static_cast<unsigned>(name.GetLength()));
}

int16_t ReadCount(CArchive& ar) {
    int16_t count = 0;
    ar >> count;
    if (count < 0)
        Refuse(ar);
    return count;
}

void ReadTag(CArchive& ar, SSMTag& tag) {
    ar >> tag.byte;
    tag.name = ReadName(ar);
    tag.value = ReadName(ar);
}

void WriteTag(CArchive& ar, const SSMTag& tag) {
    ar << tag.byte;
    WriteName(ar, tag.name);
    WriteName(ar, tag.value);
}

int FindByName(const std::vector<std::unique_ptr<SSMTag>>& tags, const char* name) {
    if (name == nullptr)
        return -1;
    for (size_t i = 0; i < tags.size(); ++i) {
        if (tags[i]->name.CompareNoCase(name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int CopyTag(const std::vector<std::unique_ptr<SSMTag>>& tags, int index, CString* name, CString* value,
            uint8_t* byte) {
    if (index < 0 || static_cast<size_t>(index) >= tags.size())
        return 0;
    const SSMTag& tag = *tags[static_cast<size_t>(index)];
    if (name != nullptr)
        *name = tag.name;
    if (value != nullptr)
        *value = tag.value;
    if (byte != nullptr)
        *byte = tag.byte;
    return 1;
}

}  // namespace

SSMObject::SSMObject() = default;

SSMObject::~SSMObject() {
    Clear();
}

void SSMObject::Clear() {
    for (SSMHandle* handle : m_handles)
        handle->Detach();
    m_handles.clear();
    m_groups.clear();
    m_frames.clear();
    m_anims.clear();
    m_resources.clear();
    m_tags.clear();
    m_triangles.clear();
    m_nFrames = m_nGroups = m_nAnims = m_nVertices = m_nTriangles = m_nResources = m_nTags = 0;
}

void SSMObject::RemoveHandle(SSMHandle* handle) {
    auto it = std::find(m_handles.begin(), m_handles.end(), handle);
    if (it != m_handles.end())
        m_handles.erase(it);
}

void SSMObject::Serialize(CArchive& ar) {
    if (ar.IsLoading())
        Load(ar);
    else
        Store(ar);
}

bool SSMObject::Load(CArchive& ar) {
    Clear();
    char magic[4] = {};
    if (ar.Read(magic, 4) != 4 || std::memcmp(magic, kMagic, 4) != 0)
        return false;
    try {
        uint16_t version = 0;
        uint16_t revision = 0;
        ar >> version >> revision;
        const int16_t vertices = ReadCount(ar);
        const int16_t triangles = ReadCount(ar);
        const int16_t resources = ReadCount(ar);
        const int16_t frames = ReadCount(ar);
        const int16_t anims = ReadCount(ar);
        const int16_t groups = ReadCount(ar);
        const int16_t tags = ReadCount(ar);

        ar.EnsureAvailable(uint64_t{36} * static_cast<uint64_t>(triangles));
        m_triangles.resize(static_cast<size_t>(triangles));
        for (SSMTriangle& t : m_triangles) {
            ar >> t.vertex[0] >> t.vertex[1] >> t.vertex[2] >> t.extra[0] >> t.extra[1];
            for (auto& corner : t.uv)
                ar >> corner.u >> corner.v;
            ar >> t.group >> t.extra2[0] >> t.extra2[1];
            for (int16_t v : t.vertex) {
                if (v < 0 || v >= vertices)
                    Refuse(ar);
            }
        }

        ar.EnsureAvailable(uint64_t{6} * static_cast<uint64_t>(resources));
        for (int i = 0; i < resources; ++i) {
            auto resource = std::make_unique<SSMResource>();
            ar >> resource->value;
            resource->name = ReadName(ar);
            m_resources.push_back(std::move(resource));
        }

        const uint64_t frameBytes = 10 + static_cast<uint64_t>(groups) + uint64_t{12} * static_cast<uint64_t>(vertices);
        ar.EnsureAvailable(frameBytes * static_cast<uint64_t>(frames));
        for (int i = 0; i < frames; ++i) {
            auto frame = std::make_unique<SSMFrame>();
            ar >> frame->value1 >> frame->value2;
            frame->name = ReadName(ar);
            ar.EnsureAvailable(static_cast<uint64_t>(groups) + uint64_t{12} * static_cast<uint64_t>(vertices));
            frame->groupBytes.resize(static_cast<size_t>(groups));
            for (uint8_t& byte : frame->groupBytes)
                ar >> byte;
            frame->positions.resize(size_t{3} * static_cast<size_t>(vertices));
            for (float& value : frame->positions)
                ar >> value;
            m_frames.push_back(std::move(frame));
        }

        ar.EnsureAvailable(uint64_t{12} * static_cast<uint64_t>(anims));
        for (int i = 0; i < anims; ++i) {
            auto anim = std::make_unique<SSMAnim>();
            ar >> anim->flags >> anim->value;
            anim->frameCount = ReadCount(ar);
            anim->name = ReadName(ar);
            ar.EnsureAvailable(uint64_t{6} * static_cast<uint64_t>(anim->frameCount));
            anim->frames.resize(static_cast<size_t>(anim->frameCount));
            for (int16_t& frame : anim->frames) {
                ar >> frame;
                if (frame < 0 || frame >= frames)
                    Refuse(ar);
            }
            anim->durations.resize(static_cast<size_t>(anim->frameCount));
            for (float& duration : anim->durations) {
                ar >> duration;
                anim->totalTime += duration;
            }
            m_anims.push_back(std::move(anim));
        }

        ar.EnsureAvailable(uint64_t{14} * static_cast<uint64_t>(groups));
        for (int i = 0; i < groups; ++i) {
            auto group = std::make_unique<SSMGroup>();
            ar >> group->flags >> group->value;
            group->name = ReadName(ar);
            const int16_t skins = ReadCount(ar);
            ar.EnsureAvailable(uint64_t{4} * static_cast<uint64_t>(skins));
            for (int s = 0; s < skins; ++s) {
                auto skin = std::make_unique<SSMSkin>();
                ar >> skin->resource;
                if (skin->resource < 0 || skin->resource >= resources)
                    Refuse(ar);
                skin->name = ReadName(ar);
                group->skins.push_back(std::move(skin));
            }
            const int16_t groupTags = ReadCount(ar);
            ar.EnsureAvailable(uint64_t{5} * static_cast<uint64_t>(groupTags));
            for (int t = 0; t < groupTags; ++t) {
                auto tag = std::make_unique<SSMTag>();
                ReadTag(ar, *tag);
                group->tags.push_back(std::move(tag));
            }
            m_groups.push_back(std::move(group));
        }

        ar.EnsureAvailable(uint64_t{5} * static_cast<uint64_t>(tags));
        for (int i = 0; i < tags; ++i) {
            auto tag = std::make_unique<SSMTag>();
            ReadTag(ar, *tag);
            m_tags.push_back(std::move(tag));
        }

        m_nVertices = vertices;
        m_nTriangles = triangles;
        m_nResources = resources;
        m_nFrames = frames;
        m_nAnims = anims;
        m_nGroups = groups;
        m_nTags = tags;
    } catch (...) {
        Clear();
        throw;
    }

    for (size_t t = 0; t < m_triangles.size(); ++t) {
        const int16_t group = m_triangles[t].group;
        if (group >= 0 && group < m_nGroups)
            m_groups[static_cast<size_t>(group)]->triangles.push_back(static_cast<int16_t>(t));
    }
    for (auto& group : m_groups)
        group->triangleCount = static_cast<int16_t>(group->triangles.size());
    for (auto& frame : m_frames)
        frame->groupFrames.resize(static_cast<size_t>(m_nGroups));
    return true;
}

void SSMObject::Store(CArchive& ar) {
    ar.Write(kMagic, 4);
    ar << uint16_t{1} << uint16_t{0};
    const auto groups = static_cast<int16_t>(m_groups.size());
    ar << m_nVertices << m_nTriangles << static_cast<int16_t>(m_resources.size())
       << static_cast<int16_t>(m_frames.size()) << static_cast<int16_t>(m_anims.size()) << groups
       << static_cast<int16_t>(m_tags.size());

    for (int i = 0; i < m_nTriangles; ++i) {
        SSMTriangle t{};
        if (static_cast<size_t>(i) < m_triangles.size())
            t = m_triangles[static_cast<size_t>(i)];
        ar << t.vertex[0] << t.vertex[1] << t.vertex[2] << t.extra[0] << t.extra[1];
        for (const auto& corner : t.uv)
            ar << corner.u << corner.v;
        ar << t.group << t.extra2[0] << t.extra2[1];
    }
    for (const auto& resource : m_resources) {
        ar << resource->value;
        WriteName(ar, resource->name);
    }
    for (const auto& frame : m_frames) {
        ar << frame->value1 << frame->value2;
        WriteName(ar, frame->name);
        for (int g = 0; g < groups; ++g)
            ar << (static_cast<size_t>(g) < frame->groupBytes.size() ? frame->groupBytes[static_cast<size_t>(g)] : uint8_t{0});
        for (size_t i = 0; i < size_t{3} * static_cast<size_t>(std::max<int16_t>(m_nVertices, 0)); ++i)
            ar << (i < frame->positions.size() ? frame->positions[i] : 0.0f);
    }
    for (const auto& anim : m_anims) {
        ar << anim->flags << anim->value << static_cast<int16_t>(anim->frames.size());
        WriteName(ar, anim->name);
        for (int16_t frame : anim->frames)
            ar << frame;
        for (size_t i = 0; i < anim->frames.size(); ++i)
            ar << (i < anim->durations.size() ? anim->durations[i] : 0.0f);
    }
    for (const auto& group : m_groups) {
        ar << group->flags << group->value;
        WriteName(ar, group->name);
        ar << static_cast<int16_t>(group->skins.size());
        for (const auto& skin : group->skins) {
            ar << skin->resource;
            WriteName(ar, skin->name);
        }
        ar << static_cast<int16_t>(group->tags.size());
        for (const auto& tag : group->tags)
            WriteTag(ar, *tag);
    }
    for (const auto& tag : m_tags)
        WriteTag(ar, *tag);
}

int SSMObject::FindTag(const char* name) const {
    return FindByName(m_tags, name);
}

int SSMObject::GetTag(int index, CString* name, CString* value, uint8_t* byte) const {
    return CopyTag(m_tags, index, name, value, byte);
}

int SSMObject::FindGroupTag(int group, const char* name) const {
    if (group < 0 || static_cast<size_t>(group) >= m_groups.size())
        return -1;
    return FindByName(m_groups[static_cast<size_t>(group)]->tags, name);
}

int SSMObject::GetGroupTag(int group, int index, CString* name, CString* value, uint8_t* byte) const {
    if (group < 0 || static_cast<size_t>(group) >= m_groups.size())
        return 0;
    return CopyTag(m_groups[static_cast<size_t>(group)]->tags, index, name, value, byte);
}
