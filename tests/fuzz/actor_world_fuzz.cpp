// Fuzz target of the actor's stored record and the actor world's scene definitions: the input's
// leading part (see FolderFuzzSupport.h) is an actor as its archive stores it, the input's
// files the folder its model path is read against. The actor read must store and read back to
// the same bytes; joined to a world over a renderer it takes its model path as the game sets
// it, and its model path and class name are loaded as scene definition lines, also in the "id;"
// form the stand-in library's presenter uses. Handler lines ("<resource>:<file>[:<entry>]")
// find "<file>.ssm" in the folder. Nothing may crash, leak or load a model from outside the
// folder.
//
// The seeds in corpus/actor_world_fuzz/ are actors stored by the actor's own writer with the
// demo's model files, written by tools/fuzzseeds.
#include <cstdint>
#include <string>
#include <vector>

#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "render/SD3D6Parser.h"
#include "render/outdoor/SRendererCatalog.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/CStringList.h"
#include "tests/fuzz/FolderFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kTarget = "actor_world_fuzz";

std::string Slashed(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// Every handler lists "<file>.ssm" of the folder under every entry.
class FolderHandlers : public SRendererCatalog {
public:
    bool GetTextureList(const char*, std::vector<STextureListSource>&) override { return false; }
    SResource* GetModelResource(const char*) override { return nullptr; }
    void GetModelFrameTexts(SResource*, std::vector<SString>&) override {}
    bool FindHandlerFileByKey(const char*, const char*, SString&, uint32_t&) override { return false; }
    bool GetHandlerFiles(const char*, const char* file, const char* const*, int count, SString* paths) override {
        for (int i = 0; i < count; ++i)
            paths[i] = (m_folder + "\\" + file + ".ssm").c_str();
        return true;
    }
    void ReleaseResource(SResource*) override {}
    const CStringArray* GetSearchFolders() override { return nullptr; }

    std::string m_folder;
};

// Loads models from the input's folder only: a line of the input may name any path. Made
// once (a renderer is large); between inputs an open and ended model view frees the models and
// textures the input loaded.
class FolderRenderer : public SD3D6Parser {
public:
    explicit FolderRenderer(std::string folder) : m_folder(Slashed(std::move(folder)) + "/") {}
    SSMHandle* LoadModels(const char* path) override {
        if (path == nullptr || Slashed(path).compare(0, m_folder.size(), m_folder) != 0)
            return nullptr;
        return SD3D6Parser::LoadModels(path);
    }
    void Forget() {
        SModelViewInfo view;
        Check(InitSession(1, &view, 1) == 1);
        EndSession(0);
    }

private:
    std::string m_folder;
};

std::vector<uint8_t> Store(SActor& actor) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    actor.Serialize(ar);
    ar.Close();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

bool Load(SActor& actor, std::vector<uint8_t> bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    try {
        actor.Serialize(ar);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

void LoadLine(SActorWorld& world, const std::string& line) {
    SSMHandle* handle = world.LoadSceneDefinition(line.c_str());
    Check(handle == nullptr || handle->GetModel() != nullptr);
    delete handle;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20) || fuzzsupport::ClimbsOut(data, size))
        return 0;
    const fuzzsupport::FolderInput input = fuzzsupport::SplitFolderInput(data, size);
    auto* actor = new SActor;
    if (!Load(*actor, std::vector<uint8_t>(input.head.begin(), input.head.end()))) {
        delete actor;
        return 0;
    }
    const std::vector<uint8_t> stored = Store(*actor);
    {
        SActor again;
        Check(Load(again, stored) && Store(again) == stored);
    }

    const fuzzsupport::InputFolder folder(kTarget, input.files);
    static FolderHandlers s_handlers;
    s_handlers.m_folder = folder.Path();
    SParser::SetCatalog(&s_handlers);
    static FolderRenderer s_renderer(folder.Path());
    {
        SActorWorld world;
        world.Init(&s_renderer, nullptr, folder.Path().c_str(), 4);
        Check(world.AddActor(actor, 0, -1) >= 0);
        const std::string path = actor->m_sModelPath.GetString();
        actor->SetModel(path.c_str());
        CStringList lines;
        actor->Describe(&lines);
        LoadLine(world, path);
        LoadLine(world, actor->m_sClassName.GetString());
        LoadLine(world, "id;" + folder.Path() + "/" + path);
        world.Clear();
    }
    s_renderer.Forget();
    SParser::SetCatalog(nullptr);
    return 0;
}
