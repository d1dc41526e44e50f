#pragma once

#include <cstdint>

#include "sys/classlib/CObject.h"

class SDataCollection;

// The statistics block of an officer: outings, shots, kills, longest shots and heaviest
// animals. Embedded in every officer record and stored inside it. The game-logic library sees
// it only as "HS_" values: exported into the officer's definition before a game, and the
// game's results imported back afterwards (counts added, maxima kept).
class SHuntStats : public CObject {
    DECLARE_SERIAL(SHuntStats)

public:
    static constexpr int32_t kVersion = 4;

    SHuntStats() { Clear(); }

    void Clear();
    // A version word, then the values each version added, in the order they were added.
    // Values a record of an older version lacks keep their cleared value.
    void Serialize(CArchive& ar) override;
    // Sets the fifteen "HS_" keys; nothing without a collection.
    void ExportValues(SDataCollection* values) const;
    // Adds a game's counts to these and keeps the larger of each maximum; a missing key reads
    // as 0. Nothing without a collection.
    void ImportValues(const SDataCollection* values);

    int32_t m_iNumHunts;
    int32_t m_iExtraCountA;
    int32_t m_iTrophies;  // the legal trophies; shown only
    int32_t m_iTargetShotsFired;
    int32_t m_iTargetShotsHit;
    int32_t m_iHuntShotsFired;
    int32_t m_iHuntShotsHit;
    int32_t m_iBiggestRack;
    float m_fLongestHuntShotHit;
    float m_fLongestHuntShotKill;
    float m_fLongestTargetShotHit;
    float m_fHeaviestBuck;
    float m_fHeaviestDoe;
    int32_t m_iBucksKilled;
    int32_t m_iDoesKilled;
    int32_t m_iNumHuntsSurvived;
    int32_t m_iNumWins;
};
