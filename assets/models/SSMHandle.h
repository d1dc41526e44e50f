#pragma once

#include <cstdint>
#include <vector>

#include "assets/models/SSMRecords.h"

class SSMObject;

// Per-instance state of one model group.
struct SSMGroupHandle {
    uint32_t flags = 0;  // the group's flags as copied, plus the instance bits
    uint32_t value = 0;
    int32_t skin = 0;    // -1 when the texture was set directly
    int32_t textureSlot = -1;
};

// Per-instance state of one model animation.
struct SSMAnimHandle {
    uint32_t flags = 0;  // bit 0 playing
    uint32_t value = 0;
    uint8_t loop = 0;
    uint8_t finished = 0;
    float speed = 1.0f;
    int16_t step = 0;
    float elapsed = 0;
    float stepTime = 0;
    int16_t loops = 0;
    int16_t settings[2] = {0, 0};
    uint32_t settingsWord = 0;
};

// One drawn instance of a shared SSMObject: its current group, frame, skins and textures,
// animation states and scale. Created by SSMObject::CreateHandle and deleted by its owner (a
// renderer item, an actor, a view model). Clearing or destroying the model detaches the
// handle, which then answers every call as a handle without a model.
class SSMHandle {
public:
    // Without a model; SSMObject::CreateHandle binds one.
    SSMHandle();
    virtual ~SSMHandle();
    SSMHandle(const SSMHandle&) = delete;
    SSMHandle& operator=(const SSMHandle&) = delete;

    SSMObject* GetModel() const { return m_pModel; }

    int16_t FindGroup(const char* name) const;  // 0xFFFF when absent
    void SetCurrentGroup(int16_t group);
    int16_t GetCurrentGroup() const;
    int16_t FindSkin(int16_t group, const char* name) const;
    void SetSkin(int16_t group, int16_t skin);
    void SetGroupTexture(int16_t group, int16_t slot);
    int16_t GetSkin(int16_t group) const;  // 0xFFFF when bad
    int16_t GetSkinTexture(int16_t group, int16_t skin) const;
    int IsDirectTexture(int16_t group) const;
    void SetAnimated(int value);
    int IsAnimated() const;
    void SetFrame(int16_t frame);
    int16_t GetFrame() const;
    void SetScale(float scale) { m_fScale = scale; }
    float GetScale() const { return m_fScale; }
    // Animation a, or the current one for 0xFFFF.
    int16_t GetAnimFrameCount(int16_t anim) const;
    int16_t GetAnimStep(int16_t anim) const;
    float GetAnimTotalTime(int16_t anim) const;
    // Frame 0xFFFF: the frame shown now (the current step's when animated).
    const SSMGroupFrame* GetGroupFrameRecord(int16_t group, int16_t frame) const;
    int IsMarkerGroup(int16_t group) const;
    int16_t FindAnim(const char* name) const;
    int16_t FindModelTag(const char* name) const;
    int SelectGroupByName(const char* name, float scale);

    uint32_t GetGroupFlags(int16_t group) const;
    void SetGroupFlags(int16_t group, uint32_t flags);
    uint32_t GetGroupValue(int16_t group) const;
    void SetGroupValue(int16_t group, uint32_t value);
    void SetGroupMark(int16_t group);
    int TestGroupMark(int16_t group) const;
    void ClearGroupMarks();
    void SetGroupInBsp(int16_t group, bool inBsp);
    int GetFrameCount() const;
    int GetGroupCount() const;
    int GetGroupTag(int16_t group, int index, CString* name, CString* value, uint8_t* byte) const;
    int GetModelTag(int index, CString* name, CString* value, uint8_t* byte) const;

    int16_t m_nCurAnim = -1;
    int16_t m_nCurFrame = 0;
    int16_t m_nCurGroup = -1;
    uint32_t m_uFlags = 0;  // bit 0 animated
    uint32_t m_uMark = 0;
    uint32_t m_uReserved = 0;
    std::vector<SSMGroupHandle> m_groupStates;
    std::vector<SSMAnimHandle> m_animStates;
    std::vector<int16_t> m_textureSlots;  // one per model resource
    // Set by the renderer when it places the instance.
    SSMFrame* m_pShownFrame = nullptr;
    SSMFrame* m_pNextFrame = nullptr;
    SSMGroupFrame m_placement;
    uint32_t m_uWord = 0;
    float m_markerAngles[3] = {0, 0, 0};
    float m_markerOrigin[3] = {0, 0, 0};
    float m_fSizeFactor = 0;
    float m_fScale = 1.0f;
    float m_fBlend = 0;

private:
    friend class SSMObject;
    void Attach(SSMObject* model);
    // The model is going away or being cleared: drop what was made from it.
    void Detach();
    bool ValidGroup(int16_t group) const;
    const SSMAnim* AnimAt(int16_t anim, int16_t* index) const;

    SSMObject* m_pModel = nullptr;
};
