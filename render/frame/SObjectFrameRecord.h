#pragma once

#include <cstdint>

struct ActorDesc;

// What the model pass hands the hierarchy walk for one object; the walk rewrites the object
// and matrices as it descends and puts them back after the children.
struct SObjectFrameRecord {
    ActorDesc* pObject = nullptr;
    float fWorld[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float fRotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float fSize = 1.0f;
    float fDirection[3] = {};
    float fCamera[3] = {};
    int32_t iInterpolate = 0;
    int32_t iWater = 0;
    float fWaterHeight = 0.0f;
};
