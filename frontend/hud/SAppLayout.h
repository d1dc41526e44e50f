#pragma once

#include <cstdint>

#include "sys/classlib/CString.h"
#include "sys/gdi/gdi.h"
#include "ui/layout/SLayout.h"

class SD3D6Parser;
class SDataCollection;
class SGameObjects;

// The application's layout window: every screen, dialog and the heads-up display draw through
// it. It gives the layout scripts their values (whole numbers, decimals and texts) from the
// live game, runs the scripts' command lines through the console, switches keyboard game input
// and registers the resources scripts load with the display manager so that they survive a
// display-mode change. Owned by the screen or dialog that shows it.
class SAppLayout : public SLayout {
    DECLARE_DYNAMIC(SAppLayout)

public:
    static constexpr int kCompassSectors = 16;
    // How long a range text is shown before it is worked out again, in milliseconds.
    static constexpr uint32_t kRangeTextPeriod = 250;

    // The value tables a script can index ("str", "setting", "path", "client").
    enum ValueTable { kTableString = 0, kTableSetting = 1, kTablePath = 2, kTableClient = 3 };

    // What the layout reads of the view actor of the running game.
    struct ViewActorState {
        float position[3] = {0.0f, 0.0f, 0.0f};
        float velocity[3] = {0.0f, 0.0f, 0.0f};
        float orientation[3] = {0.0f, 0.0f, 0.0f};
        float slow = 0.0f;
    };

    // Without a hub the program's one hub is used.
    explicit SAppLayout(SGameObjects* pHub = nullptr);
    ~SAppLayout() override;
    SAppLayout(const SAppLayout&) = delete;
    SAppLayout& operator=(const SAppLayout&) = delete;

    // --- SLayout ------------------------------------------------------------------------------
    int Draw(SDC* pDC) override;
    // Also takes the base latitude and longitude from the loaded map's tags.
    void OnInitialUpdate() override;
    // Newly loaded sprites and fonts are registered with the display manager.
    SSprite* LoadResource(const char* pszName, bool* pbCreated) override;
    SFont* LoadResourceAlt(const char* pszName, bool* pbCreated) override;
    // Unregisters what the purge is about to drop, then purges.
    void PurgeUnmarkedResources() override;
    SCatalog* GetCatalog() override;
    SGraphics* GetDisplay() override;
    int32_t GetValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) override;
    float GetFloatValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) override;
    CString GetText(const char* pszArg, SDC* pDC) override;
    // The 3D view ("renderframe"), the map icons and the terrain map.
    SLayoutItem* CreateAppItem(const char* pszWord) override;
    // One console line; the reply is thrown away.
    void OnCommand(const char* pszCommand) override;
    void EnableKeyboard(int bEnable) override;
    // Repaints the current screen.
    void OnWindowsCreated() override;

    // --- Its own ------------------------------------------------------------------------------
    // Takes the view actor's viewpoint when there is one in the first actor world.
    virtual void UpdateViewpoint();
    // The range read-out, -1.0 without range actor; asked with the actor's parent as target.
    virtual float GetRangeValue();

    // Compass sector of a whole-degree angle among n sectors (0 .. n - 1 for any angle).
    static int CompassSector(int nAngle, int nSectors);
    // "N", "NNE" ... "NNW" for a yaw in whole degrees.
    static const char* CompassName(int nYaw);

    // The rectangle the 3D view was last drawn into, shared by all layouts.
    static void SetLastRenderRect(const sys::RECT& rect) { s_rcLastRender = rect; }
    static const sys::RECT& GetLastRenderRect() { return s_rcLastRender; }
    static float GetBaseLatitude() { return s_fBaseLatitude; }
    static float GetBaseLongitude() { return s_fBaseLongitude; }
    // Forgets the cached range texts and the map's base position (a new session).
    static void ResetSharedState();

    const float* GetViewPosition() const { return m_fViewPos; }
    const float* GetViewAngles() const { return m_fViewAngles; }
    // Calls and milliseconds of the three evaluators since the start of the frame's draw.
    uint32_t GetIntCalls() const { return m_dwIntCalls; }
    uint32_t GetFloatCalls() const { return m_dwFloatCalls; }
    uint32_t GetTextCalls() const { return m_dwTextCalls; }
    uint32_t GetIntTime() const { return m_dwIntTime; }
    uint32_t GetFloatTime() const { return m_dwFloatTime; }
    uint32_t GetTextTime() const { return m_dwTextTime; }

protected:
    // The heads-up items read the game through the same doors as the value keywords.
    friend class SAppLayoutItemRender;
    friend class SAppLayoutItemMapIcon;
    friend class SAppLayoutItemMapTerrain;

    // The running game as the layout sees it. The client state and its actors belong to the
    // game session; these are the only places the layout reaches them, so the in-game screen
    // (and tests) can stand in for them.
    // The table behind a table keyword; null when it does not exist.
    virtual SDataCollection* GetValueTable(ValueTable eTable);
    // The view actor's viewpoint, only when it is an actor of the first world.
    virtual bool ReadViewpoint(float* pPosition, float* pAngles);
    // Whether the client state has a view actor, and what the layout reads of it.
    virtual bool HasViewActor();
    virtual bool GetViewActorState(ViewActorState& state);
    // The range to show: the average of the client state's range samples; false when there is
    // nothing to show (no client state, or no sample yet). Both range items ask it, the coarse
    // one through the actor's parent.
    virtual bool QueryRange(bool bThroughParent, float& fRange);
    // The average of the client state's samples, 0 while it has none; false without client
    // state.
    virtual bool GetAveragePing(int32_t& nPing);
    // The current renderer, or null.
    virtual SD3D6Parser* GetRenderer();
    SGameObjects* GetHub() const;

private:
    int32_t EvalInt(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock);
    float EvalFloat(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock);
    CString EvalText(const char* pszArg, SDC* pDC);
    // The group's clip rectangle, else the whole target surface.
    sys::RECT FrameRect(SDC* pDC, SLayoutGroup* pBlock);
    // Entry N of a value table as text; false when the table or the entry is missing.
    bool TableEntry(ValueTable eTable, int32_t nIndex, CString& value);
    CString RangeText(const char* pszArg, SDC* pDC, bool bFine);
    CString LatLongText(float fDegrees) const;

    SGameObjects* m_pHub;
    float m_fViewPos[3] = {0.0f, 0.0f, 0.0f};
    float m_fViewAngles[3] = {0.0f, 0.0f, 0.0f};  // pitch, yaw, roll in degrees
    uint32_t m_dwIntCalls = 0;
    uint32_t m_dwIntTime = 0;
    uint32_t m_dwFloatCalls = 0;
    uint32_t m_dwFloatTime = 0;
    uint32_t m_dwTextCalls = 0;
    uint32_t m_dwTextTime = 0;

    static inline sys::RECT s_rcLastRender = {0, 0, 0, 0};
    static inline float s_fBaseLatitude = 0.0f;
    static inline float s_fBaseLongitude = 0.0f;
};
