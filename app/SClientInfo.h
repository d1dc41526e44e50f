#pragma once

#include <cstdint>

#include "core/SString.h"
#include "core/SVector.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CTypedPtrList.h"

class SActor;
class SDataCollection;

// One entry of a client's orientation history: five vectors and a word, copied as one record.
class SOrientationHist : public CObject {
    DECLARE_DYNAMIC(SOrientationHist)

public:
    SVector m_vValues[5];
    int32_t m_iValue = 0;
};

// The state record of one player client of a running game: its role actors, movement mode,
// the values and overlay scripts the game-logic library publishes, a ring of recent target
// ranges and an orientation history. The game items own the local client's record; the
// library keeps the records of all clients in its own list, which the host walks only through
// the locked list operations below. The library writes the record and the host reads it, so
// the field order is an interface and must not change.
class SClientInfo : public CObject {
    DECLARE_DYNCREATE(SClientInfo)

public:
    static constexpr int kRangeSlots = 20;
    // Calls counted within this window are compared with the flood limit.
    static constexpr uint32_t kFloodWindowMs = 2000;
    // A client that flooded stays refused until this long after its window began.
    static constexpr uint32_t kFloodPenaltyMs = 20000;

    SClientInfo();
    ~SClientInfo() override;
    SClientInfo(const SClientInfo&) = delete;
    SClientInfo& operator=(const SClientInfo&) = delete;

    // Every field back to its value after construction; the tables, containers and name keep
    // their contents. Answers 0.
    int Reset();
    // Empties the range ring and marks it changed. Answers 0.
    int ResetRanges();
    // The integer average of the ring's non-zero ranges, worked out again only after the ring
    // changed; an empty ring keeps the previous average.
    int GetAverageRange();
    // Keeps only the latest record: the oldest entry goes, a copy of this one comes in.
    // Answers the new entry's position.
    POSITION AddOrientation(const SOrientationHist& record);
    void ClearOrientation();
    // True while the client sends more than `limit` calls within its window, and for the rest
    // of a penalty period once a window closed with `limit` or more calls.
    bool FloodCheck(int limit);

    // Client lists are shared with the game-logic library, which may change them from its own
    // threads: each of these takes the client-state lock for the one list operation it makes.
    static POSITION GetHeadPosition(CObList* list);
    static SClientInfo* GetNext(CObList* list, POSITION& position);
    static POSITION GetTailPosition(CObList* list);
    static SClientInfo*& GetAt(CObList* list, POSITION position);
    static int GetCount(CObList* list);
    static POSITION FindIndex(CObList* list, int index);
    static POSITION AddTail(CObList* list, SClientInfo* record);

    // --- Fields, in the order the library knows them ------------------------------------------
    SActor* m_pHunter;        // the client's body
    SActor* m_pControlPos;
    SActor* m_pControlYaw;
    SActor* m_pControlPitch;
    SActor* m_pCommanding;
    SActor* m_pEyes;
    int32_t m_iWord1 = 0;     // the library's; Reset leaves it
    int32_t m_iClientId;      // compared with the hub's debug client index
    int32_t m_iSecondId;
    // Entry 3: non-zero while the heads-up panel takes the display's bottom 102 pixels;
    // entries 57 to 59: the weapon's position offsets.
    SDataCollection* m_pValues;
    // Entry n: the layout script of overlay n.
    SDataCollection* m_pScripts;
    int32_t m_iWord2;
    int32_t m_bOrientation;   // 1 while the orientation history holds an entry
    int32_t m_iMoveMode;      // 0 "WLK", 1 "STD", 2 "TRK", 3 "ATV", 4 "BOAT"
    float m_fValue1;
    SString m_sName;
    uint8_t m_bFlag1;
    uint8_t m_bFlag2;
    CArray<int32_t, int32_t> m_Array1;
    CArray<int32_t, int32_t> m_Array2;
    int32_t m_iState0;
    int32_t m_iState1;
    int32_t m_iState2;
    int32_t m_iState3;
    float m_fState4;
    int32_t m_iState5;
    int32_t m_iState6;
    int32_t m_iState7;
    int32_t m_iState8 = 0;    // the library's; Reset leaves it
    int32_t m_iState9;
    int32_t m_iState10;
    int32_t m_iState11;
    int32_t m_iState12;
    int32_t m_iFloodCount;
    uint32_t m_dwFloodStart;  // tick count
    int32_t m_iState15;
    int32_t m_iState16;
    CTypedPtrList<CObList, SOrientationHist*> m_OrientationHist;
    int32_t m_iRanges[kRangeSlots];
    int32_t m_iRangePos;
    int32_t m_iAverageRange;
    int32_t m_iWord3;
    int32_t m_bRangeChanged;
    int32_t m_iWord4;
};
