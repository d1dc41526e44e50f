#include "app/SClientInfo.h"

#include "core/SDataCollection.h"
#include "sys/thread.h"
#include "sys/time/time.h"

IMPLEMENT_DYNAMIC(SOrientationHist, CObject)
IMPLEMENT_DYNCREATE(SClientInfo, CObject)

namespace {

// Guards every client list the host walks; the library may change a list from its own threads.
CCriticalSection& ClientLock() {
    static CCriticalSection s_lock;
    return s_lock;
}

}  // namespace

SClientInfo::SClientInfo()
    : m_pValues(new SDataCollection(256, 32)), m_pScripts(new SDataCollection(128, 32)) {
    Reset();
}

SClientInfo::~SClientInfo() {
    delete m_pValues;
    delete m_pScripts;
    ClearOrientation();
}

int SClientInfo::Reset() {
    m_pHunter = m_pControlPos = m_pControlYaw = m_pControlPitch = m_pCommanding = m_pEyes = nullptr;
    m_iClientId = -1;
    m_iSecondId = -1;
    m_iWord2 = 0;
    m_bOrientation = 0;
    m_iMoveMode = 0;
    m_fValue1 = 200.0f;
    m_bFlag1 = 1;
    m_bFlag2 = 0;
    m_iState0 = m_iState1 = 0;
    m_iState2 = 1;
    m_iState3 = 0;
    m_fState4 = 0.2f;
    m_iState5 = m_iState6 = m_iState7 = 0;
    m_iState9 = m_iState10 = m_iState11 = m_iState12 = 0;
    m_iFloodCount = 0;
    m_dwFloodStart = 0;
    m_iState15 = m_iState16 = 0;
    for (int32_t& range : m_iRanges)
        range = 0;
    m_iRangePos = 0;
    m_iAverageRange = 0;
    m_iWord3 = 0;
    m_bRangeChanged = 1;
    m_iWord4 = 0;
    return 0;
}

int SClientInfo::ResetRanges() {
    for (int32_t& range : m_iRanges)
        range = 0;
    m_iRangePos = 0;
    m_iAverageRange = 0;
    m_iWord3 = 0;
    m_bRangeChanged = 1;
    return 0;
}

int SClientInfo::GetAverageRange() {
    if (m_bRangeChanged == 0)
        return m_iAverageRange;
    double sum = 0.0;
    int count = 0;
    for (const int32_t range : m_iRanges) {
        if (range != 0) {
            sum += range;
            ++count;
        }
    }
    if (count > 0)
        m_iAverageRange = static_cast<int32_t>(sum / count);
    m_bRangeChanged = 0;
    return m_iAverageRange;
}

POSITION SClientInfo::AddOrientation(const SOrientationHist& record) {
    if (!m_OrientationHist.IsEmpty())
        delete m_OrientationHist.RemoveHead();
    auto* copy = new SOrientationHist;
    for (int i = 0; i < 5; ++i)
        copy->m_vValues[i] = record.m_vValues[i];
    copy->m_iValue = record.m_iValue;
    const POSITION position = m_OrientationHist.AddTail(copy);
    m_bOrientation = 1;
    return position;
}

void SClientInfo::ClearOrientation() {
    while (!m_OrientationHist.IsEmpty())
        delete m_OrientationHist.RemoveHead();
    m_bOrientation = 0;
}

bool SClientInfo::FloodCheck(int limit) {
    const uint32_t now = sys::time::TickCount();
    const uint32_t elapsed = now - m_dwFloodStart;
    if (elapsed < kFloodWindowMs)
        return m_iFloodCount++ > limit;
    // A client that stayed under the limit, or whose penalty has run out, is counted afresh;
    // without the second case one flood would switch the check off for good.
    if (m_iFloodCount < limit || elapsed >= kFloodPenaltyMs) {
        m_iFloodCount = 0;
        m_dwFloodStart = now;
        return false;
    }
    return true;
}

POSITION SClientInfo::GetHeadPosition(CObList* list) {
    CSingleLock lock(&ClientLock(), true);
    return list->GetHeadPosition();
}

SClientInfo* SClientInfo::GetNext(CObList* list, POSITION& position) {
    CSingleLock lock(&ClientLock(), true);
    return static_cast<SClientInfo*>(list->GetNext(position));
}

POSITION SClientInfo::GetTailPosition(CObList* list) {
    CSingleLock lock(&ClientLock(), true);
    return list->GetTailPosition();
}

SClientInfo*& SClientInfo::GetAt(CObList* list, POSITION position) {
    CSingleLock lock(&ClientLock(), true);
    return reinterpret_cast<SClientInfo*&>(list->GetAt(position));
}

int SClientInfo::GetCount(CObList* list) {
    CSingleLock lock(&ClientLock(), true);
    return static_cast<int>(list->GetCount());
}

POSITION SClientInfo::FindIndex(CObList* list, int index) {
    CSingleLock lock(&ClientLock(), true);
    return list->FindIndex(index);
}

POSITION SClientInfo::AddTail(CObList* list, SClientInfo* record) {
    CSingleLock lock(&ClientLock(), true);
    return list->AddTail(record);
}
