#include "frontend/hud/SAppLayout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/SClientInfo.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "frontend/hud/SAppLayoutItems.h"
#include "frontend/screens/SScreenManager.h"
#include "dx/display/SDXSurface.h"
#include "dx/input/SInputObj.h"
#include "sys/time/time.h"
#include "render/SD3D6Parser.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"
#include "ui/SFont.h"
#include "ui/SSprite.h"

IMPLEMENT_DYNAMIC(SAppLayout, SLayout)

namespace {

const char* const kCompassNames[SAppLayout::kCompassSectors] = {
    "N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE", "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

// One latitude or longitude second is 1/108000 of a degree in world units.
constexpr double kDegreesPerUnit = 9.259259259259259e-6;

// The two range texts are shared by every layout: the heads-up display may show them in more
// than one place, and the range query behind them is not free.
struct RangeCache {
    CString text;
    uint32_t dwLast = 0;
    bool bValid = false;
};
RangeCache s_RangeText;
RangeCache s_RangeTextFine;

// An expression split at its first blank: the keyword and the rest after that blank.
struct Split {
    std::string word;
    std::string rest;
    bool bHasRest = false;
};

Split SplitFirst(const std::string& text) {
    Split split;
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) {
        split.word = text;
        return split;
    }
    split.word = text.substr(0, blank);
    split.rest = text.substr(blank + 1);
    split.bHasRest = true;
    return split;
}

bool Is(const std::string& word, const char* keyword) {
    return SString(word.c_str()).CompareNoCase(keyword) == 0;
}

int TableOf(const std::string& word) {
    if (Is(word, "str"))
        return SAppLayout::kTableString;
    if (Is(word, "setting"))
        return SAppLayout::kTableSetting;
    if (Is(word, "path"))
        return SAppLayout::kTablePath;
    if (Is(word, "client"))
        return SAppLayout::kTableClient;
    return -1;
}

// Whole degrees as the script's integer readings take them; out-of-range floats stay finite.
int32_t Truncate(float value) {
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

SAppLayout::SAppLayout(SGameObjects* pHub) : m_pHub(pHub) {}

// The base's destructor purges too, but by then this part is gone and the display manager
// would keep the fonts and sprites the purge deletes.
SAppLayout::~SAppLayout() { ClearScript(); }

SGameObjects* SAppLayout::GetHub() const { return m_pHub != nullptr ? m_pHub : SGameObjects::Instance(); }

void SAppLayout::ResetSharedState() {
    s_RangeText = RangeCache{};
    s_RangeTextFine = RangeCache{};
    s_fBaseLatitude = 0.0f;
    s_fBaseLongitude = 0.0f;
    s_rcLastRender = sys::RECT{0, 0, 0, 0};
}

// --- SLayout ----------------------------------------------------------------------------------

int SAppLayout::Draw(SDC* pDC) {
    UpdateViewpoint();
    m_dwIntCalls = m_dwIntTime = 0;
    m_dwFloatCalls = m_dwFloatTime = 0;
    m_dwTextCalls = m_dwTextTime = 0;
    return SLayout::Draw(pDC);
}

void SAppLayout::OnInitialUpdate() {
    SLayout::OnInitialUpdate();
    SD3D6Parser* pRenderer = GetRenderer();
    if (pRenderer == nullptr)
        return;
    SMapKR5Tag tag;
    if (pRenderer->FindMapTag("BaseLat", &tag))
        s_fBaseLatitude = static_cast<float>(std::atof(tag.m_sValue.GetString()));
    SMapKR5Tag tagLong;
    if (pRenderer->FindMapTag("BaseLong", &tagLong))
        s_fBaseLongitude = static_cast<float>(std::atof(tagLong.m_sValue.GetString()));
}

SSprite* SAppLayout::LoadResource(const char* pszName, bool* pbCreated) {
    bool bCreated = false;
    SSprite* pSprite = SLayout::LoadResource(pszName, &bCreated);
    // Registered so its surfaces are released and rebuilt with every display-mode change.
    if (bCreated && pSprite != nullptr && SDisplayHost::GetInstance() != nullptr)
        SDisplayHost::GetInstance()->AddSprite(pSprite);
    if (pbCreated != nullptr)
        *pbCreated = bCreated;
    return pSprite;
}

SFont* SAppLayout::LoadResourceAlt(const char* pszName, bool* pbCreated) {
    bool bCreated = false;
    SFont* pFont = SLayout::LoadResourceAlt(pszName, &bCreated);
    if (bCreated && pFont != nullptr && SDisplayHost::GetInstance() != nullptr)
        SDisplayHost::GetInstance()->AddFont(pFont);
    if (pbCreated != nullptr)
        *pbCreated = bCreated;
    return pFont;
}

void SAppLayout::PurgeUnmarkedResources() {
    // The display manager must not keep a pointer to what the purge is about to delete.
    if (SDisplayHost* pHost = SDisplayHost::GetInstance()) {
        SLayoutResList& fonts = GetFontList();
        for (POSITION pos = fonts.GetHeadPosition(); pos != nullptr;) {
            SLayoutRes* pRecord = fonts.GetNext(pos);
            if (!pRecord->m_byKeep)
                if (auto* pFont = dynamic_cast<SFont*>(pRecord->m_pObject))
                    pHost->RemoveFont(pFont);
        }
        SLayoutResList& sprites = GetSpriteList();
        for (POSITION pos = sprites.GetHeadPosition(); pos != nullptr;) {
            SLayoutRes* pRecord = sprites.GetNext(pos);
            if (!pRecord->m_byKeep)
                if (auto* pSprite = dynamic_cast<SSprite*>(pRecord->m_pObject))
                    pHost->RemoveSprite(pSprite);
        }
    }
    SLayout::PurgeUnmarkedResources();
}

SCatalog* SAppLayout::GetCatalog() { return GetHub()->GetCatalog(); }

SGraphics* SAppLayout::GetDisplay() { return GetHub()->m_pGraphics; }

SLayoutItem* SAppLayout::CreateAppItem(const char* pszWord) {
    if (pszWord == nullptr)
        return nullptr;
    static const char* const kIcons[4] = {"mapicongame", "mapiconstatic", "mapiconmodel", "mapiconmodelflag"};
    const SString word(pszWord);
    if (word.CompareNoCase("renderframe") == 0)
        return new SAppLayoutItemRender;
    for (int kind = 0; kind < 4; ++kind) {
        if (word.CompareNoCase(kIcons[kind]) == 0)
            return new SAppLayoutItemMapIcon(kind);
    }
    if (word.CompareNoCase("mapterrain") == 0)
        return new SAppLayoutItemMapTerrain;
    return nullptr;
}

void SAppLayout::OnCommand(const char* pszCommand) {
    SCommandInterpreter* pInterpreter = GetHub()->m_pInterpreter;
    if (pInterpreter == nullptr || pszCommand == nullptr)
        return;
    SString reply;
    pInterpreter->ExecuteLine(SString(pszCommand), reply);
}

void SAppLayout::EnableKeyboard(int bEnable) {
    if (SInputObj* pInput = GetHub()->m_pInput)
        pInput->GetKeyboard().Enable(bEnable != 0);
}

void SAppLayout::OnWindowsCreated() {
    if (SScreenManager* pManager = GetHub()->m_pScreenManager)
        pManager->Paint();
}

// --- The game as the layout sees it -------------------------------------------------------------

SDataCollection* SAppLayout::GetValueTable(ValueTable eTable) {
    SGameItems* pItems = GetHub()->m_pGameItems;
    if (pItems == nullptr)
        return nullptr;
    switch (eTable) {
        case kTableSetting:
            return pItems->m_pTable1;
        case kTableString:
            return pItems->m_pTable3;
        case kTablePath:
            return pItems->m_pClientInfo != nullptr ? pItems->m_pClientInfo->m_pScripts : nullptr;
        case kTableClient:
            return pItems->m_pClientInfo != nullptr ? pItems->m_pClientInfo->m_pValues : nullptr;
    }
    return nullptr;
}

namespace {

// The client's eyes are what the player looks through, so they are the view actor.
SActor* ViewActorOf(SGameObjects* pHub, SGameItems** ppItems = nullptr) {
    SGameItems* pItems = pHub != nullptr ? pHub->m_pGameItems : nullptr;
    if (ppItems != nullptr)
        *ppItems = pItems;
    return pItems != nullptr && pItems->m_pClientInfo != nullptr ? pItems->m_pClientInfo->m_pEyes : nullptr;
}

void CopyVector(const SVector& v, float* pOut) {
    pOut[0] = v.x;
    pOut[1] = v.y;
    pOut[2] = v.z;
}

}  // namespace

bool SAppLayout::ReadViewpoint(float* pPosition, float* pAngles) {
    SGameItems* pItems = nullptr;
    SActor* pActor = ViewActorOf(GetHub(), &pItems);
    SActorWorld* pWorld = pItems != nullptr ? pItems->m_pWorld[0] : nullptr;
    if (pActor == nullptr || pWorld == nullptr || pWorld->FindActor(pActor) < 0)
        return false;
    SVector position;
    SVector angles;
    pActor->GetViewpoint(position, angles);
    CopyVector(position, pPosition);
    CopyVector(angles, pAngles);
    return true;
}

bool SAppLayout::HasViewActor() { return ViewActorOf(GetHub()) != nullptr; }

bool SAppLayout::GetViewActorState(ViewActorState& state) {
    SActor* pActor = ViewActorOf(GetHub());
    if (pActor == nullptr)
        return false;
    CopyVector(pActor->m_vPosition, state.position);
    CopyVector(pActor->m_vVelocity, state.velocity);
    CopyVector(pActor->m_vOrientation, state.orientation);
    state.slow = pActor->m_fSpeed;
    return true;
}

bool SAppLayout::QueryRange(bool, float& fRange) {
    int32_t average = 0;
    if (!GetAveragePing(average) || average <= 0)
        return false;
    fRange = static_cast<float>(average);
    return true;
}

bool SAppLayout::GetAveragePing(int32_t& nPing) {
    SGameItems* pItems = GetHub()->m_pGameItems;
    SClientInfo* pClient = pItems != nullptr ? pItems->m_pClientInfo : nullptr;
    if (pClient == nullptr)
        return false;
    nPing = pClient->GetAverageRange();
    return true;
}

SD3D6Parser* SAppLayout::GetRenderer() {
    SGameItems* pItems = GetHub()->m_pGameItems;
    return pItems != nullptr ? pItems->m_pParser : nullptr;
}

void SAppLayout::UpdateViewpoint() {
    float position[3];
    float angles[3];
    if (!ReadViewpoint(position, angles))
        return;
    for (int i = 0; i < 3; ++i) {
        m_fViewPos[i] = position[i];
        m_fViewAngles[i] = angles[i];
    }
}

float SAppLayout::GetRangeValue() {
    float fRange = 0.0f;
    return QueryRange(true, fRange) ? fRange : -1.0f;
}

// --- Compass ------------------------------------------------------------------------------------

int SAppLayout::CompassSector(int nAngle, int nSectors) {
    if (nSectors <= 0)
        return 0;
    // Taken into [0, 360) first: a yaw of -400 or 720 degrees still names a real direction.
    int a = nAngle % 360;
    if (a < 0)
        a += 360;
    const int step = 360 / nSectors;
    if (step <= 0)
        return 0;
    int s = a / step;
    if (a % step > step / 2)
        ++s;
    if (s > nSectors - 1)
        s -= nSectors;
    if (s < 0)
        s += nSectors;
    return s > nSectors ? nSectors - 1 : s;
}

const char* SAppLayout::CompassName(int nYaw) { return kCompassNames[CompassSector(nYaw, kCompassSectors)]; }

// --- Evaluators ---------------------------------------------------------------------------------

sys::RECT SAppLayout::FrameRect(SDC* pDC, SLayoutGroup* pBlock) {
    sys::RECT rect{0, 0, 0, 0};
    if (pBlock != nullptr) {
        pBlock->GetRect(pDC, rect);
        return rect;
    }
    if (pDC != nullptr)
        if (SDXSurface* pSurface = pDC->GetSurface()) {
            rect.right = pSurface->GetWidth();
            rect.bottom = pSurface->GetHeight();
        }
    return rect;
}

bool SAppLayout::TableEntry(ValueTable eTable, int32_t nIndex, CString& value) {
    SDataCollection* pTable = GetValueTable(eTable);
    // A script may name any index; only written slots are entries.
    if (pTable == nullptr || nIndex < 0 || nIndex >= pTable->GetCount() || nIndex > pTable->GetHighWater())
        return false;
    value = pTable->GetValue(nIndex).GetString();
    return true;
}

int32_t SAppLayout::GetValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) {
    const uint32_t dwStart = sys::time::TickCount();
    const int32_t value = EvalInt(pszArg, pDC, pBlock);
    ++m_dwIntCalls;
    m_dwIntTime += sys::time::TickCount() - dwStart;
    return value;
}

float SAppLayout::GetFloatValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) {
    const uint32_t dwStart = sys::time::TickCount();
    const float value = EvalFloat(pszArg, pDC, pBlock);
    ++m_dwFloatCalls;
    m_dwFloatTime += sys::time::TickCount() - dwStart;
    return value;
}

CString SAppLayout::GetText(const char* pszArg, SDC* pDC) {
    const uint32_t dwStart = sys::time::TickCount();
    CString value = EvalText(pszArg, pDC);
    ++m_dwTextCalls;
    m_dwTextTime += sys::time::TickCount() - dwStart;
    return value;
}

int32_t SAppLayout::EvalInt(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) {
    if (pszArg == nullptr || *pszArg == '\0')
        return 0;
    Split split = SplitFirst(pszArg);
    int64_t sign = 1;
    if (!split.word.empty() && split.word[0] == '-') {
        sign = -1;
        split.word.erase(0, 1);
    }
    const std::string& w = split.word;
    auto R = [&]() -> int64_t { return split.bHasRest ? EvalInt(split.rest.c_str(), pDC, pBlock) : 0; };
    int64_t value = 0;

    if (Is(w, "xr") || Is(w, "xc") || Is(w, "yb") || Is(w, "yc") || Is(w, "xs") || Is(w, "ys")) {
        const sys::RECT frame = FrameRect(pDC, pBlock);
        const int64_t width = int64_t{frame.right} - frame.left;
        const int64_t height = int64_t{frame.bottom} - frame.top;
        if (Is(w, "xr"))
            value = R() + width;
        else if (Is(w, "xc"))
            value = R() + width / 2;
        else if (Is(w, "yb"))
            value = R() + height;
        else if (Is(w, "yc"))
            value = R() + height / 2;
        else {
            const float scale = split.bHasRest ? EvalFloat(split.rest.c_str(), pDC, pBlock) : 0.0f;
            const double scaled = static_cast<double>(scale) * static_cast<double>(Is(w, "xs") ? width : height);
            value = Truncate(static_cast<float>(scaled));
        }
    } else if (Is(w, "vl")) {
        value = R() + s_rcLastRender.left;
    } else if (Is(w, "vr")) {
        value = R() + s_rcLastRender.right;
    } else if (Is(w, "vt")) {
        value = R() + s_rcLastRender.top;
    } else if (Is(w, "vb")) {
        value = R() + s_rcLastRender.bottom;
    } else if (Is(w, "vxc")) {
        value = R() + (int64_t{s_rcLastRender.left} + s_rcLastRender.right) / 2;
    } else if (Is(w, "vyc")) {
        value = R() + (int64_t{s_rcLastRender.top} + s_rcLastRender.bottom) / 2;
    } else if (const int table = TableOf(w); table >= 0) {
        const Split index = SplitFirst(split.rest);
        CString entry;
        if (split.bHasRest && TableEntry(static_cast<ValueTable>(table), EvalInt(index.word.c_str(), pDC, pBlock), entry))
            value = std::atoi(entry.GetString());
        if (index.bHasRest && !index.rest.empty())
            value += EvalInt(index.rest.c_str(), pDC, pBlock);
    } else if (Is(w, "cyaw")) {
        value = R() + Truncate(m_fViewAngles[1]);
    } else if (Is(w, "cpitch")) {
        value = R() + Truncate(m_fViewAngles[0]);
    } else if (Is(w, "cy")) {
        value = R() + Truncate(m_fViewPos[0]);
    } else if (Is(w, "cx")) {
        value = R() + Truncate(m_fViewPos[1]);
    } else if (Is(w, "cz")) {
        value = R() + Truncate(m_fViewPos[2]);
    } else if (Is(w, "cheading")) {
        value = HasViewActor() ? Truncate(m_fViewAngles[1]) : 0;
    } else if (Is(w, "calt") || Is(w, "clat") || Is(w, "clon")) {
        value = 0;
    } else {
        value = int64_t{std::atoi(w.c_str())} + R();
    }
    return SLayoutItem::Saturate(value * sign);
}

float SAppLayout::EvalFloat(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) {
    if (pszArg == nullptr || *pszArg == '\0')
        return 0.0f;
    Split split = SplitFirst(pszArg);
    float sign = 1.0f;
    if (!split.word.empty() && split.word[0] == '-') {
        sign = -1.0f;
        split.word.erase(0, 1);
    }
    const std::string& w = split.word;
    auto R = [&]() -> float { return split.bHasRest ? EvalFloat(split.rest.c_str(), pDC, pBlock) : 0.0f; };
    float value = 0.0f;

    static const char* const kFromInt[] = {"xr", "xc", "yb", "yc", "xs", "ys", "vl", "vr", "vt", "vb", "vxc", "vyc"};
    bool bFromInt = false;
    for (const char* keyword : kFromInt)
        bFromInt = bFromInt || Is(w, keyword);

    if (bFromInt) {
        // The sign was taken off above; the integer reading sees the word without it.
        std::string unsigned_text = w;
        if (split.bHasRest)
            unsigned_text += " " + split.rest;
        value = static_cast<float>(EvalInt(unsigned_text.c_str(), pDC, pBlock));
    } else if (const int table = TableOf(w); table >= 0) {
        const Split index = SplitFirst(split.rest);
        CString entry;
        if (split.bHasRest && TableEntry(static_cast<ValueTable>(table), EvalInt(index.word.c_str(), pDC, pBlock), entry))
            value = static_cast<float>(std::atof(entry.GetString()));
        if (index.bHasRest && !index.rest.empty())
            value += EvalFloat(index.rest.c_str(), pDC, pBlock);
    } else if (Is(w, "cyaw")) {
        value = R() + m_fViewAngles[1];
    } else if (Is(w, "cpitch")) {
        value = R() + m_fViewAngles[0];
    } else if (Is(w, "cy")) {
        value = R() + m_fViewPos[0];
    } else if (Is(w, "cx")) {
        value = R() + m_fViewPos[1];
    } else if (Is(w, "cz")) {
        value = R() + m_fViewPos[2];
    } else if (Is(w, "crange")) {
        value = GetRangeValue();
    } else if (Is(w, "crangef")) {
        float fRange = 0.0f;
        value = QueryRange(false, fRange) ? fRange : -1.0f;
    } else if (Is(w, "cheading")) {
        // The whole text, sign included, as the integer reading takes it; the sign is applied
        // once more below, as every keyword's is.
        value = static_cast<float>(EvalInt(pszArg, pDC, pBlock));
    } else if (Is(w, "calt") || Is(w, "clat") || Is(w, "clon")) {
        value = 0.0f;
    } else {
        value = static_cast<float>(std::atof(w.c_str())) + R();
    }
    return value * sign;
}

CString SAppLayout::RangeText(const char* pszArg, SDC* pDC, bool bFine) {
    RangeCache& cache = bFine ? s_RangeTextFine : s_RangeText;
    const uint32_t now = sys::time::TickCount();
    if (cache.bValid && now - cache.dwLast < kRangeTextPeriod)
        return cache.text;
    const float value = EvalFloat(pszArg, pDC, nullptr);
    char text[64];
    if (value <= -0.05f)
        std::snprintf(text, sizeof(text), "%s", bFine ? "------" : "Range: ------");
    else
        std::snprintf(text, sizeof(text), bFine ? "%0.1f" : "Range: %0.2f", static_cast<double>(value));
    cache.text = text;
    cache.dwLast = now;
    cache.bValid = true;
    return cache.text;
}

CString SAppLayout::LatLongText(float fDegrees) const {
    const int degrees = static_cast<int>(fDegrees);
    const double minutesFull = (static_cast<double>(fDegrees) - degrees) * 60.0;
    const int minutes = static_cast<int>(minutesFull);
    const double seconds = (minutesFull - minutes) * 60.0;
    char text[64];
    std::snprintf(text, sizeof(text), "%03d\x7f%02d'%02.01f''", degrees, minutes, seconds);
    return CString(text);
}

CString SAppLayout::EvalText(const char* pszArg, SDC* pDC) {
    if (pszArg == nullptr || *pszArg == '\0')
        return CString();
    const std::string whole = pszArg;
    if (whole[0] == '"') {
        std::string inner = whole.substr(1);
        if (!inner.empty() && inner.back() == '"')
            inner.pop_back();
        return CString(inner.c_str());
    }
    const Split split = SplitFirst(whole);
    const std::string& w = split.word;
    char text[256];

    if (const int table = TableOf(w); table >= 0) {
        CString entry;
        const Split index = SplitFirst(split.rest);
        if (split.bHasRest && TableEntry(static_cast<ValueTable>(table), std::atoi(index.word.c_str()), entry))
            return entry;
        return CString();
    }
    if (Is(w, "cpos") || Is(w, "cvel") || Is(w, "corient")) {
        ViewActorState state;
        if (!GetViewActorState(state))
            return CString();
        const float* v = Is(w, "cpos") ? state.position : Is(w, "cvel") ? state.velocity : state.orientation;
        std::snprintf(text, sizeof(text), "[%10.05f, %10.05f, %10.05f]", static_cast<double>(v[0]),
                      static_cast<double>(v[1]), static_cast<double>(v[2]));
        return CString(text);
    }
    if (Is(w, "cslow")) {
        ViewActorState state;
        if (!GetViewActorState(state))
            return CString();
        std::snprintf(text, sizeof(text), "%f", static_cast<double>(state.slow));
        return CString(text);
    }
    if (Is(w, "cping")) {
        int32_t ping = 0;
        GetAveragePing(ping);
        std::snprintf(text, sizeof(text), "%d", ping);
        return CString(text);
    }
    if (Is(w, "crange"))
        return RangeText(pszArg, pDC, false);
    if (Is(w, "crangef"))
        return RangeText(pszArg, pDC, true);
    if (Is(w, "calt")) {
        SD3D6Parser* pRenderer = GetRenderer();
        const int64_t row = Truncate(m_fViewPos[2] * 8.0f * 0.00390625f);
        const int64_t column = Truncate(m_fViewPos[0] * 8.0f * 0.00390625f);
        const int64_t cell = row * 256 + column;
        // Only cells of the map are asked for; a view outside it has no ground under it.
        if (pRenderer == nullptr || cell < 0 || cell >= 65536)
            return CString(pszArg);
        std::snprintf(text, sizeof(text), "%0.0f ft",
                      static_cast<double>(pRenderer->GetCellHeight(static_cast<int>(cell))));
        return CString(text);
    }
    if (Is(w, "clat"))
        return LatLongText(static_cast<float>(Truncate(m_fViewPos[2]) * kDegreesPerUnit + s_fBaseLatitude));
    if (Is(w, "clon"))
        return LatLongText(static_cast<float>(Truncate(-m_fViewPos[0]) * kDegreesPerUnit + s_fBaseLongitude));
    if (Is(w, "cheading"))
        return CString(CompassName(Truncate(m_fViewAngles[1])));
    return CString(pszArg);
}
