#include "frontend/career/SHuntStats.h"

#include <algorithm>
#include <limits>
#include <type_traits>

#include "core/SDataCollection.h"
#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(SHuntStats, CObject, 1)

namespace {

// The game's results come from outside the program; a sum that would not fit stays at the
// largest count instead of wrapping round to a negative one.
int32_t AddCount(int32_t stored, int32_t incoming) {
    const int64_t sum = int64_t{stored} + incoming;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

void SHuntStats::Clear() {
    m_iNumHunts = m_iExtraCountA = m_iTrophies = 0;
    m_iTargetShotsFired = m_iTargetShotsHit = m_iHuntShotsFired = m_iHuntShotsHit = 0;
    m_iBiggestRack = 0;
    m_fLongestHuntShotHit = m_fLongestHuntShotKill = m_fLongestTargetShotHit = 0.0f;
    m_fHeaviestBuck = m_fHeaviestDoe = 0.0f;
    m_iBucksKilled = m_iDoesKilled = m_iNumHuntsSurvived = m_iNumWins = 0;
}

void SHuntStats::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kVersion;
        ar << m_iNumHunts << m_iTrophies << m_iTargetShotsFired << m_iTargetShotsHit << m_iHuntShotsFired
           << m_iHuntShotsHit << m_iBiggestRack << m_fLongestHuntShotHit << m_fLongestHuntShotKill
           << m_fLongestTargetShotHit << m_fHeaviestBuck << m_fHeaviestDoe;
        ar << m_iExtraCountA;
        ar << m_iBucksKilled << m_iDoesKilled;
        ar << m_iNumHuntsSurvived << m_iNumWins;
        return;
    }
    int32_t version = 0;
    ar >> version;
    if (version >= 1) {
        ar >> m_iNumHunts >> m_iTrophies >> m_iTargetShotsFired >> m_iTargetShotsHit >> m_iHuntShotsFired >>
            m_iHuntShotsHit >> m_iBiggestRack >> m_fLongestHuntShotHit >> m_fLongestHuntShotKill >>
            m_fLongestTargetShotHit >> m_fHeaviestBuck >> m_fHeaviestDoe;
    }
    if (version >= 2)
        ar >> m_iExtraCountA;
    if (version >= 3)
        ar >> m_iBucksKilled >> m_iDoesKilled;
    if (version >= 4)
        ar >> m_iNumHuntsSurvived >> m_iNumWins;
}

void SHuntStats::ExportValues(SDataCollection* values) const {
    if (values == nullptr)
        return;
    values->SetOrAppendInt("HS_NumHunts", m_iNumHunts);
    values->SetOrAppendInt("HS_TargetShotsFired", m_iTargetShotsFired);
    values->SetOrAppendInt("HS_TargetShotsHit", m_iTargetShotsHit);
    values->SetOrAppendInt("HS_HuntShotsFired", m_iHuntShotsFired);
    values->SetOrAppendInt("HS_HuntShotsHit", m_iHuntShotsHit);
    values->SetOrAppendInt("HS_BiggestRack", m_iBiggestRack);
    values->SetOrAppendFloat("HS_LongestHuntShotHit", m_fLongestHuntShotHit);
    values->SetOrAppendFloat("HS_LongestHuntShotKill", m_fLongestHuntShotKill);
    values->SetOrAppendFloat("HS_LongestTargetShotHit", m_fLongestTargetShotHit);
    values->SetOrAppendFloat("HS_HeaviestBuck", m_fHeaviestBuck);
    values->SetOrAppendFloat("HS_HeaviestDoe", m_fHeaviestDoe);
    values->SetOrAppendInt("HS_BucksKilled", m_iBucksKilled);
    values->SetOrAppendInt("HS_DoesKilled", m_iDoesKilled);
    values->SetOrAppendInt("HS_NumHuntsSurvived", m_iNumHuntsSurvived);
    values->SetOrAppendInt("HS_NumWins", m_iNumWins);
}

void SHuntStats::ImportValues(const SDataCollection* values) {
    if (values == nullptr)
        return;
    const auto add = [values](int32_t& count, const char* key) { count = AddCount(count, values->GetIntByName(key)); };
    const auto keepMax = [values](auto& best, const char* key) {
        using T = std::remove_reference_t<decltype(best)>;
        T incoming;
        if constexpr (std::is_same_v<T, float>)
            incoming = values->GetFloatByName(key);
        else
            incoming = values->GetIntByName(key);
        if (incoming >= best)
            best = incoming;
    };
    add(m_iNumHunts, "HS_NumHunts");
    add(m_iTargetShotsFired, "HS_TargetShotsFired");
    add(m_iTargetShotsHit, "HS_TargetShotsHit");
    add(m_iHuntShotsFired, "HS_HuntShotsFired");
    add(m_iHuntShotsHit, "HS_HuntShotsHit");
    keepMax(m_iBiggestRack, "HS_BiggestRack");
    keepMax(m_fLongestHuntShotHit, "HS_LongestHuntShotHit");
    keepMax(m_fLongestHuntShotKill, "HS_LongestHuntShotKill");
    keepMax(m_fLongestTargetShotHit, "HS_LongestTargetShotHit");
    keepMax(m_fHeaviestBuck, "HS_HeaviestBuck");
    keepMax(m_fHeaviestDoe, "HS_HeaviestDoe");
    add(m_iBucksKilled, "HS_BucksKilled");
    add(m_iDoesKilled, "HS_DoesKilled");
    add(m_iNumHuntsSurvived, "HS_NumHuntsSurvived");
    add(m_iNumWins, "HS_NumWins");
}
