#pragma once

// A renderer that answers the actor worlds from a few settable values and records what the
// worlds hand it: heights, cell-list registrations, line tests and view changes.

#include <string>
#include <vector>

#include "assets/textures/STexLock.h"
#include "render/SD3D6Parser.h"

namespace tarvex::test {

class RecordingScene : public SD3D6Parser {
public:
    RecordingScene() { m_iSessionMode = 2; }

    // Heights in scene units; water only inside [waterFrom, waterTo) of x and z (scene units).
    double ground = 80.0;
    double water = 80.0;
    double waterFrom = 0.0;
    double waterTo = 0.0;
    int removeResult = 1;
    int hitResult = 1;
    struct Call {
        std::string what;
        double a, b, c, d;
    };
    std::vector<Call> calls;
    std::vector<uint32_t> testerFlagsSeen;  // the tester's description flags during HitTest
    ActorDesc* watched = nullptr;
    STexLock* texture = nullptr;
    std::vector<ActorDesc*> nearby;
    int cellWithObject = -1;
    float objectX = 0.0f, objectZ = 0.0f;
    std::vector<std::string> loads;

    int Count(const std::string& what) const {
        int n = 0;
        for (const Call& call : calls) n += call.what == what ? 1 : 0;
        return n;
    }

    double WaterAt(double x, double z) const {
        return (x >= waterFrom && x < waterTo && z >= waterFrom && z < waterTo) ? water : ground;
    }
    double GetTerrainHeight(double, double) override { return ground; }
    double GetSurfaceHeight(double x, double z) override { return WaterAt(x, z); }
    void GetHeights(double x, double z, double* heights) override {
        heights[0] = ground;
        heights[1] = WaterAt(x, z);
    }
    void* AddObject(void* value, uint8_t kind, double x, double z) override {
        calls.push_back({"add", static_cast<double>(kind), x, z, 0});
        return value;
    }
    int RemoveObject(void*, double x, double z) override {
        calls.push_back({"remove", x, z, 0, 0});
        return removeResult;
    }
    int MoveObject(void*, double oldX, double oldZ, double newX, double newZ) override {
        calls.push_back({"move", oldX, oldZ, newX, newZ});
        return 1;
    }
    int HitTest(const SVector* a, const SVector* b, float low, float high, uint32_t) override {
        calls.push_back({"hit", a->x, b->x, low, high});
        if (watched != nullptr) testerFlagsSeen.push_back(watched->m_dwFlags);
        return hitResult;
    }
    void SetViewPosition(float x, float y, float z) override {
        calls.push_back({"position", x, y, z, 0});
        SD3D6Parser::SetViewPosition(x, y, z);
    }
    void SetViewAngles(float x, float y, float z) override {
        calls.push_back({"angles", x, y, z, 0});
        SD3D6Parser::SetViewAngles(x, y, z);
    }
    void* GetTexture(int16_t) override { return texture; }
    int CollectObjectsNear(int, int, int, void** out, int) override {
        for (size_t i = 0; i < nearby.size(); ++i) out[i] = nearby[i];
        return static_cast<int>(nearby.size());
    }
    uint8_t GetCellObjectCount(int cell) override { return cell == cellWithObject ? 1 : 0; }
    void GetCellObjectPosition(int, int, float* x, float* z) override {
        *x = objectX;
        *z = objectZ;
    }
    SSMHandle* LoadModels(const char* path) override {
        loads.push_back(std::string("models:") + path);
        return nullptr;
    }
    SSMHandle* LoadSSMModelsFromHandler(const char* resource, const char* file) override {
        loads.push_back(std::string("two:") + resource + "|" + file);
        return nullptr;
    }
    SSMHandle* LoadModelsFromHandler(const char* resource, const char* file, const char* entry) override {
        loads.push_back(std::string("three:") + resource + "|" + file + "|" + entry);
        return nullptr;
    }
};

}  // namespace tarvex::test
