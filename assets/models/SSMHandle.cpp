#include "assets/models/SSMHandle.h"

#include "assets/models/SSMObject.h"

namespace {

constexpr int16_t kCurrent = static_cast<int16_t>(0xFFFF);

template <class Record>
int16_t FindNamed(const std::vector<std::unique_ptr<Record>>& records, const char* name) {
    if (name == nullptr)
        return -1;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i]->name.CompareNoCase(name) == 0)
            return static_cast<int16_t>(i);
    }
    return -1;
}

}  // namespace

SSMHandle* SSMObject::CreateHandle() {
    auto* handle = new SSMHandle;
    handle->Attach(this);
    m_handles.push_back(handle);
    return handle;
}

SSMHandle::SSMHandle() = default;

SSMHandle::~SSMHandle() {
    if (m_pModel != nullptr)
        m_pModel->RemoveHandle(this);
}

void SSMHandle::Attach(SSMObject* model) {
    m_pModel = model;
    // Every slot starts from what the renderer's texture set-up put in the model's resource.
    m_textureSlots.clear();
    for (const auto& resource : model->m_resources)
        m_textureSlots.push_back(resource->textureSlot);
    m_groupStates.clear();
    for (const auto& group : model->m_groups) {
        SSMGroupHandle state;
        state.flags = group->flags;
        state.value = group->value;
        state.skin = 0;
        state.textureSlot = -1;
        if (!group->skins.empty()) {
            const int16_t resource = group->skins[0]->resource;
            if (resource >= 0 && static_cast<size_t>(resource) < model->m_resources.size())
                state.textureSlot = model->m_resources[static_cast<size_t>(resource)]->textureSlot;
        }
        m_groupStates.push_back(state);
    }
    m_animStates.clear();
    for (const auto& anim : model->m_anims) {
        SSMAnimHandle state;
        state.flags = anim->flags;
        state.value = anim->value;
        m_animStates.push_back(state);
    }
    m_nCurAnim = model->m_anims.empty() ? -1 : 0;
}

void SSMHandle::Detach() {
    m_pModel = nullptr;
    m_groupStates.clear();
    m_animStates.clear();
    m_textureSlots.clear();
    m_pShownFrame = nullptr;
    m_pNextFrame = nullptr;
}

bool SSMHandle::ValidGroup(int16_t group) const {
    return m_pModel != nullptr && group >= 0 && static_cast<size_t>(group) < m_groupStates.size() &&
           static_cast<size_t>(group) < m_pModel->m_groups.size();
}

const SSMAnim* SSMHandle::AnimAt(int16_t anim, int16_t* index) const {
    if (m_pModel == nullptr)
        return nullptr;
    if (anim == kCurrent)
        anim = m_nCurAnim;
    if (anim < 0 || static_cast<size_t>(anim) >= m_pModel->m_anims.size())
        return nullptr;
    if (index != nullptr)
        *index = anim;
    return m_pModel->m_anims[static_cast<size_t>(anim)].get();
}

int16_t SSMHandle::FindGroup(const char* name) const {
    if (m_pModel == nullptr)
        return kCurrent;
    const int16_t found = FindNamed(m_pModel->m_groups, name);
    return found < 0 ? kCurrent : found;
}

void SSMHandle::SetCurrentGroup(int16_t group) {
    if (ValidGroup(group))
        m_nCurGroup = group;
}

int16_t SSMHandle::GetCurrentGroup() const {
    return m_pModel == nullptr ? -1 : m_nCurGroup;
}

int16_t SSMHandle::FindSkin(int16_t group, const char* name) const {
    if (!ValidGroup(group))
        return -1;
    return FindNamed(m_pModel->m_groups[static_cast<size_t>(group)]->skins, name);
}

void SSMHandle::SetSkin(int16_t group, int16_t skin) {
    if (!ValidGroup(group))
        return;
    const SSMGroup& model = *m_pModel->m_groups[static_cast<size_t>(group)];
    if (skin < 0 || static_cast<size_t>(skin) >= model.skins.size())
        return;
    SSMGroupHandle& state = m_groupStates[static_cast<size_t>(group)];
    state.skin = skin;
    state.textureSlot = GetSkinTexture(group, skin);
    state.flags &= ~kGroupDirectTexture;
}

void SSMHandle::SetGroupTexture(int16_t group, int16_t slot) {
    if (!ValidGroup(group))
        return;
    SSMGroupHandle& state = m_groupStates[static_cast<size_t>(group)];
    state.skin = -1;
    state.textureSlot = slot;
    state.flags |= kGroupDirectTexture;
}

int16_t SSMHandle::GetSkin(int16_t group) const {
    if (!ValidGroup(group))
        return kCurrent;
    const SSMGroupHandle& state = m_groupStates[static_cast<size_t>(group)];
    return static_cast<int16_t>((state.flags & kGroupDirectTexture) ? state.textureSlot : state.skin);
}

int16_t SSMHandle::GetSkinTexture(int16_t group, int16_t skin) const {
    if (!ValidGroup(group))
        return -1;
    const SSMGroup& model = *m_pModel->m_groups[static_cast<size_t>(group)];
    if (skin < 0 || static_cast<size_t>(skin) >= model.skins.size())
        return -1;
    const int16_t resource = model.skins[static_cast<size_t>(skin)]->resource;
    if (resource < 0 || static_cast<size_t>(resource) >= m_textureSlots.size())
        return -1;
    return m_textureSlots[static_cast<size_t>(resource)];
}

int SSMHandle::IsDirectTexture(int16_t group) const {
    if (!ValidGroup(group))
        return 0;
    return (m_groupStates[static_cast<size_t>(group)].flags & kGroupDirectTexture) ? 1 : 0;
}

void SSMHandle::SetAnimated(int value) {
    if (m_pModel == nullptr)
        return;
    if (value == 1)
        m_uFlags |= 1u;
    else
        m_uFlags &= ~1u;
}

int SSMHandle::IsAnimated() const {
    return m_pModel == nullptr ? 0 : static_cast<int>(m_uFlags & 1u);
}

void SSMHandle::SetFrame(int16_t frame) {
    if (m_pModel != nullptr && frame >= 0 && static_cast<size_t>(frame) < m_pModel->m_frames.size())
        m_nCurFrame = frame;
}

int16_t SSMHandle::GetFrame() const {
    return m_pModel == nullptr ? -1 : m_nCurFrame;
}

int16_t SSMHandle::GetAnimFrameCount(int16_t anim) const {
    const SSMAnim* record = AnimAt(anim, nullptr);
    return record == nullptr ? -1 : record->frameCount;
}

int16_t SSMHandle::GetAnimStep(int16_t anim) const {
    int16_t index = 0;
    if (AnimAt(anim, &index) == nullptr || static_cast<size_t>(index) >= m_animStates.size())
        return -1;
    return m_animStates[static_cast<size_t>(index)].step;
}

float SSMHandle::GetAnimTotalTime(int16_t anim) const {
    const SSMAnim* record = AnimAt(anim, nullptr);
    return record == nullptr ? -1.0f : record->totalTime;
}

const SSMGroupFrame* SSMHandle::GetGroupFrameRecord(int16_t group, int16_t frame) const {
    if (!ValidGroup(group))
        return nullptr;
    if (frame == kCurrent) {
        frame = m_nCurFrame;
        int16_t index = 0;
        const SSMAnim* anim = IsAnimated() ? AnimAt(kCurrent, &index) : nullptr;
        if (anim != nullptr && static_cast<size_t>(index) < m_animStates.size()) {
            const int16_t step = m_animStates[static_cast<size_t>(index)].step;
            if (step < 0 || static_cast<size_t>(step) >= anim->frames.size())
                return nullptr;
            frame = anim->frames[static_cast<size_t>(step)];
        }
    }
    if (frame < 0 || static_cast<size_t>(frame) >= m_pModel->m_frames.size())
        return nullptr;
    const SSMFrame& record = *m_pModel->m_frames[static_cast<size_t>(frame)];
    if (static_cast<size_t>(group) >= record.groupFrames.size())
        return nullptr;
    return &record.groupFrames[static_cast<size_t>(group)];
}

int SSMHandle::IsMarkerGroup(int16_t group) const {
    if (!ValidGroup(group))
        return 0;
    return (m_groupStates[static_cast<size_t>(group)].flags & kGroupMarker) &&
                   m_pModel->m_groups[static_cast<size_t>(group)]->triangles.size() == 2
               ? 1
               : 0;
}

int16_t SSMHandle::FindAnim(const char* name) const {
    return m_pModel == nullptr ? -1 : FindNamed(m_pModel->m_anims, name);
}

int16_t SSMHandle::FindModelTag(const char* name) const {
    return m_pModel == nullptr ? -1 : static_cast<int16_t>(m_pModel->FindTag(name));
}

int SSMHandle::SelectGroupByName(const char* name, float scale) {
    if (m_pModel == nullptr)
        return 0;
    const int16_t group = FindNamed(m_pModel->m_groups, name);
    if (group < 0)
        return 0;
    m_nCurGroup = group;
    m_fScale = scale;
    return 1;
}

uint32_t SSMHandle::GetGroupFlags(int16_t group) const {
    return ValidGroup(group) ? m_groupStates[static_cast<size_t>(group)].flags : 0;
}

void SSMHandle::SetGroupFlags(int16_t group, uint32_t flags) {
    if (ValidGroup(group))
        m_groupStates[static_cast<size_t>(group)].flags = flags;
}

uint32_t SSMHandle::GetGroupValue(int16_t group) const {
    return ValidGroup(group) ? m_groupStates[static_cast<size_t>(group)].value : 0;
}

void SSMHandle::SetGroupValue(int16_t group, uint32_t value) {
    if (ValidGroup(group))
        m_groupStates[static_cast<size_t>(group)].value = value;
}

void SSMHandle::SetGroupMark(int16_t group) {
    if (ValidGroup(group))
        m_groupStates[static_cast<size_t>(group)].flags |= kGroupInstanceMark;
}

int SSMHandle::TestGroupMark(int16_t group) const {
    return (GetGroupFlags(group) & kGroupInstanceMark) ? 1 : 0;
}

void SSMHandle::ClearGroupMarks() {
    for (SSMGroupHandle& state : m_groupStates)
        state.flags &= ~kGroupInstanceMark;
}

void SSMHandle::SetGroupInBsp(int16_t group, bool inBsp) {
    if (!ValidGroup(group))
        return;
    uint32_t& flags = m_groupStates[static_cast<size_t>(group)].flags;
    flags = inBsp ? (flags | kGroupInBsp) : (flags & ~kGroupInBsp);
}

int SSMHandle::GetFrameCount() const {
    return m_pModel == nullptr ? 0 : static_cast<int>(m_pModel->m_frames.size());
}

int SSMHandle::GetGroupCount() const {
    return m_pModel == nullptr ? 0 : static_cast<int>(m_pModel->m_groups.size());
}

int SSMHandle::GetGroupTag(int16_t group, int index, CString* name, CString* value, uint8_t* byte) const {
    return m_pModel == nullptr ? 0 : m_pModel->GetGroupTag(group, index, name, value, byte);
}

int SSMHandle::GetModelTag(int index, CString* name, CString* value, uint8_t* byte) const {
    return m_pModel == nullptr ? 0 : m_pModel->GetTag(index, name, value, byte);
}
