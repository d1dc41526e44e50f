#include "frontend/career/SHunterInfo.h"

#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "core/SObjectDef.h"
#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(SHunterBio, CObject, 1)
IMPLEMENT_SERIAL(SHunterInfo, CObject, 1)

namespace {

// Object lists of definitions in the class library's form: the count, then each definition
// through a pointer (class record on first use).
void StoreDefList(CArchive& ar, const SObjectDefList& list) {
    ar.WriteCount(static_cast<uint64_t>(list.GetCount()));
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        ar.WriteObject(list.GetNext(pos));
}

// Fills an empty list; on any failure the definitions read so far are deleted again and the
// list is left empty.
void LoadDefList(CArchive& ar, SObjectDefList& list) {
    uint32_t count = ar.ReadCount();
    // Every element takes at least its two-byte tag.
    ar.EnsureAvailable(uint64_t{count} * 2);
    try {
        while (count-- > 0) {
            SObjectDef* def = nullptr;
            ar >> def;
            if (career::LoadedObjects::Claim(ar, def))
                list.AddTail(def);
        }
    } catch (...) {
        list.DeleteAll();
        throw;
    }
}

SObjectDef* DefAt(const SObjectDefList* list, int index) {
    if (list == nullptr || index < 0 || index >= static_cast<int>(list->GetCount()))
        return nullptr;
    return list->GetAt(list->FindIndex(index));
}

void DeleteAt(SObjectDefList* list, int index) {
    if (SObjectDef* def = DefAt(list, index))
        list->Remove(def);
}

SObjectDef* FindExact(const SObjectDefList& list, const char* name, POSITION& at) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        POSITION here = pos;
        SObjectDef* def = list.GetNext(pos);
        if (def->GetName() == name) {
            at = here;
            return def;
        }
    }
    return nullptr;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

// --- SHunterBio ----------------------------------------------------------------------------------

void SHunterBio::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kVersion;
        ar << m_sCity << m_sState << m_sEmail << m_sURL << m_sAge << m_sText6 << m_sText7 << m_sNotes;
        return;
    }
    int32_t version = 0;
    ar >> version;
    ar >> m_sCity >> m_sState >> m_sEmail >> m_sURL >> m_sAge >> m_sText6 >> m_sText7 >> m_sNotes;
}

CString SHunterBio::GetLocation() const {
    CString line;
    if (!m_sCity.IsEmpty() && !m_sState.IsEmpty())
        line = m_sCity + ", " + m_sState + "\n";
    else if (!m_sState.IsEmpty())
        line = m_sState + "\n";
    else if (!m_sCity.IsEmpty())
        line = m_sCity + "\n";
    return line;
}

// --- SHunterInfo ---------------------------------------------------------------------------------

SHunterInfo::SHunterInfo()
    : m_pSkinDef(new SObjectDef),
      m_pModelDef(new SObjectDef),
      m_pCarriedKit(new SObjectDefList),
      m_pStoredKit(new SObjectDefList),
      m_pThirdKit(new SObjectDefList),
      m_pTrophies(new SObjectDefList),
      m_pLevelScores(new SObjectDefList) {
    Reset();
}

SHunterInfo::SHunterInfo(const char* name) : SHunterInfo() { m_sName = name; }

SHunterInfo::~SHunterInfo() {
    career::LoadedObjects::EndRecord(this);
    for (SObjectDefList* list : {m_pTrophies, m_pCarriedKit, m_pStoredKit, m_pThirdKit, m_pLevelScores}) {
        list->DeleteAll();
        delete list;
    }
    delete m_pSkinDef;
    delete m_pModelDef;
}

void SHunterInfo::Reset() {
    m_sMapFile.Empty();
    m_sNote1.Empty();
    m_iStartIndex = 0;
}

void SHunterInfo::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kVersion;
        ar << m_sName << m_sMapFile << m_sNote1;
        ar << m_iRank << m_iSkill << m_iLevelType << m_iDayNight;
        ar << m_iScorePistol << m_iScoreSniper << m_iScoreShotgun << m_iScoreMP5;
        ar << m_bQualifiedPistol << m_bQualifiedShotgun << m_bQualifiedSniper << m_bQualifiedMP5;
        ar << m_iHighestPassedLevel << m_iLevelIndex;
        ar << m_sNote2 << m_iPortrait;
        ar << m_iStartIndex;
        m_pSkinDef->Serialize(ar);
        m_pModelDef->Serialize(ar);
        m_Bio.Serialize(ar);
        for (const SObjectDefList* list : {m_pTrophies, m_pLevelScores, m_pCarriedKit, m_pStoredKit, m_pThirdKit})
            StoreDefList(ar, *list);
        m_Stats.Serialize(ar);
        return;
    }
    const career::LoadedObjects session;
    career::LoadedObjects::BeginRecord(this);
    // Whatever the record held before gives way to what the file holds.
    for (SObjectDefList* list : {m_pTrophies, m_pLevelScores, m_pCarriedKit, m_pStoredKit, m_pThirdKit})
        list->DeleteAll();
    uint32_t version = 0;
    ar >> version;
    ar >> m_sName >> m_sMapFile >> m_sNote1;
    ar >> m_iRank >> m_iSkill >> m_iLevelType >> m_iDayNight;
    ar >> m_iScorePistol >> m_iScoreSniper >> m_iScoreShotgun >> m_iScoreMP5;
    ar >> m_bQualifiedPistol >> m_bQualifiedShotgun >> m_bQualifiedSniper >> m_bQualifiedMP5;
    ar >> m_iHighestPassedLevel >> m_iLevelIndex;
    ar >> m_sNote2 >> m_iPortrait;
    if (version >= 4)
        ar >> m_iStartIndex;
    m_pSkinDef->Serialize(ar);
    m_pModelDef->Serialize(ar);
    m_Bio.Serialize(ar);
    try {
        for (SObjectDefList* list : {m_pTrophies, m_pLevelScores, m_pCarriedKit, m_pStoredKit, m_pThirdKit})
            LoadDefList(ar, *list);
        if (version >= 2)
            m_Stats.Serialize(ar);
    } catch (...) {
        // Half a record is never used or saved again; nothing of it stays in the lists.
        for (SObjectDefList* list : {m_pTrophies, m_pLevelScores, m_pCarriedKit, m_pStoredKit, m_pThirdKit})
            list->DeleteAll();
        throw;
    }
    if (session.IsOutermost())
        career::LoadedObjects::ThrowIfDamaged(ar);
    career::LoadedObjects::EndRecord(this);
    SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
    RefreshKits(library != nullptr ? library->GetObjectList() : nullptr);
}

void SHunterInfo::RefreshKits(const SObjectDefList* library) {
    if (library == nullptr)
        return;
    for (const SObjectDefList* kit : {m_pCarriedKit, m_pStoredKit}) {
        for (POSITION pos = kit->GetHeadPosition(); pos != nullptr;) {
            SObjectDef* entry = kit->GetNext(pos);
            if (SObjectDef* current = library->FindByName(entry->GetName()))
                entry->CopyFrom(current);
        }
    }
}

void SHunterInfo::TakeItem(SObjectDef* item) {
    if (item == nullptr)
        return;
    POSITION at = nullptr;
    if (SObjectDef* stored = FindExact(*m_pStoredKit, item->GetName(), at)) {
        stored->CopyFrom(item);
        m_pStoredKit->RemoveAt(at);
        m_pCarriedKit->AddTail(stored);
        delete item;
    } else {
        m_pCarriedKit->AddTail(item);
    }
    SetChanged();
}

void SHunterInfo::StoreItem(const char* name) {
    POSITION at = nullptr;
    if (SObjectDef* carried = FindExact(*m_pCarriedKit, name != nullptr ? name : "", at)) {
        m_pCarriedKit->RemoveAt(at);
        m_pStoredKit->AddTail(carried);
    }
    SetChanged();
}

bool SHunterInfo::HasWeapon() const {
    for (POSITION pos = m_pCarriedKit->GetHeadPosition(); pos != nullptr;) {
        if (m_pCarriedKit->GetNext(pos)->IsKindOf("InvWeapon"))
            return true;
    }
    return false;
}

bool SHunterInfo::SetScenarioTime(const CTime& time) {
    if (time == m_tScenarioTime)
        return false;
    m_tScenarioTime = time;
    SetChanged();
    return true;
}

CTime SHunterInfo::GetScenarioDate() const {
    const int year = CTime::GetCurrentTime().GetYear();
    int day = m_tScenarioTime.GetDay();
    const int month = m_tScenarioTime.GetMonth();
    // The time would otherwise roll over into 1 March.
    if (month == 2 && day == 29 && !IsLeapYear(year))
        day = 28;
    return CTime(year, month, day, m_tScenarioTime.GetHour(), m_tScenarioTime.GetMinute(),
                 m_tScenarioTime.GetSecond());
}

void SHunterInfo::SetMapFile(const char* mapFile) {
    const CString text(mapFile != nullptr ? mapFile : "");
    if (text == m_sMapFile)
        return;
    m_sMapFile = text;
    SetChanged();
}

int SHunterInfo::GetTrophyCount() const {
    return m_pTrophies != nullptr ? static_cast<int>(m_pTrophies->GetCount()) : 0;
}

SObjectDef* SHunterInfo::GetTrophy(int index) const { return DefAt(m_pTrophies, index); }

bool SHunterInfo::AddTrophy(SObjectDef* trophy) {
    if (trophy != nullptr)
        m_pTrophies->AddTail(trophy);
    m_bTrophyAdded = 1;
    SetChanged();
    return true;
}

void SHunterInfo::RemoveTrophy(int index) {
    DeleteAt(m_pTrophies, index);
    SetChanged();
}

int SHunterInfo::GetLevelScoreCount() const { return static_cast<int>(m_pLevelScores->GetCount()); }

SObjectDef* SHunterInfo::GetLevelScore(int index) const { return DefAt(m_pLevelScores, index); }

void SHunterInfo::AddLevelScore(SObjectDef* score) {
    if (score != nullptr)
        m_pLevelScores->AddTail(score);
}

void SHunterInfo::RemoveLevelScore(int index) {
    DeleteAt(m_pLevelScores, index);
    SetChanged();
}

void SHunterInfo::ReadWeaponScores(const SObjectDef* scores) {
    if (scores == nullptr)
        return;
    m_iScorePistol = scores->GetIntByName("Gun");
    m_iScoreSniper = scores->GetIntByName("Sniper");
    m_iScoreShotgun = scores->GetIntByName("Shotgun");
    m_iScoreMP5 = scores->GetIntByName("MP5");
    const struct {
        int32_t& flag;
        const char* key;
    } latches[] = {{m_bQualifiedPistol, "GunQ"},
                   {m_bQualifiedSniper, "SniperQ"},
                   {m_bQualifiedShotgun, "ShotgunQ"},
                   {m_bQualifiedMP5, "MP5Q"}};
    for (const auto& latch : latches) {
        if (latch.flag == 0)
            latch.flag = scores->GetIntByName(latch.key);
    }
}

void SHunterInfo::WriteQualifiedWeapons(SObjectDef* out) const {
    if (out == nullptr)
        return;
    out->SetName("QualifiedWeapons");
    out->SetOrAppendInt("Pistol9mm", m_bQualifiedPistol);
    out->SetOrAppendInt("Sniper", m_bQualifiedSniper);
    out->SetOrAppendInt("Shotgun", m_bQualifiedShotgun);
    out->SetOrAppendInt("MP5", m_bQualifiedMP5);
}

// --- career::LoadedObjects -----------------------------------------------------------------------

namespace career {

namespace {
thread_local LoadedObjects* t_pCurrent = nullptr;
}

LoadedObjects::LoadedObjects() : m_pOuter(t_pCurrent) {
    if (m_pOuter == nullptr)
        t_pCurrent = this;
}

LoadedObjects::~LoadedObjects() {
    if (t_pCurrent == this)
        t_pCurrent = nullptr;
}

bool LoadedObjects::Claim(CArchive& ar, const CObject* object) {
    if (object == nullptr)
        ThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    LoadedObjects* session = t_pCurrent;
    if (session == nullptr || session->m_seen.insert(object).second)
        return true;
    session->m_bDamaged = true;
    return false;
}

void LoadedObjects::BeginRecord(CObject* record) {
    if (t_pCurrent != nullptr)
        t_pCurrent->m_pHalfRead = record;
}

void LoadedObjects::EndRecord(const CObject* record) {
    if (t_pCurrent != nullptr && t_pCurrent->m_pHalfRead == record)
        t_pCurrent->m_pHalfRead = nullptr;
}

CObject* LoadedObjects::TakeHalfRead() {
    CObject* record = m_pHalfRead;
    m_pHalfRead = nullptr;
    return record;
}

void LoadedObjects::ThrowIfDamaged(CArchive& ar) {
    if (t_pCurrent != nullptr && t_pCurrent->m_bDamaged)
        ThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
}

}  // namespace career
