#pragma once

#include <cstdint>
#include <functional>

#include "core/SObjectDef.h"
#include "core/SString.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CObject.h"

class CConfigData;
class CMainFrame;
class SCatalog;
class SCommandInterpreter;
class SConsoleHostImpl;
class SD3D6Parser;
class SDataCollection;
class SGameDLL;
class SGameItems;
class SGraphics;
class SHunterInfo;
class SHunterInfoList;
class SInputObj;
class SMsgHandler;
class SRendererCatalogAdapter;
class SScreenManager;

// The client-connection definitions: the connection's own values and further named
// definitions, merged from another set when the current officer's data comes in. Owned by
// the hub; it owns every definition it holds.
class SClientConnect {
public:
    SClientConnect();
    virtual ~SClientConnect();
    SClientConnect(const SClientConnect&) = delete;
    SClientConnect& operator=(const SClientConnect&) = delete;

    // Takes over the other set's own values and those of every namesake of its own listed
    // definitions; when the other set lists more definitions, the ones without a namesake here
    // are appended as copies.
    virtual void Merge(const SClientConnect& other);

    SObjectDef* m_pDef;
    SObjectDefList* m_pDefs;
};

// The one object through which every part of the program reaches every other: it owns the
// long-lived objects (configuration, input object, game items, variable store, client
// connection, and, as their subsystems arrive, the display manager, screen manager, message
// pump, console interpreter, catalog, library bridge and officer list) and holds the current
// officer, the game type and the display switches. A holder: the behaviour lives in the
// members. Made by Instance() on first use and destroyed at process exit.
class SGameObjects : public CObject {
    DECLARE_DYNAMIC(SGameObjects)

public:
    static constexpr const char* kHomeFolder = "Home";
    static constexpr const char* kCatalogFile = "Tarvex.cat";
    static constexpr const char* kPlayerFile = "player.cfg";
    static constexpr const char* kPlayerTempFile = "~player.tmp";
    static constexpr int kPlayerCopyBuffer = 10240;
    // The largest officer file that is read: hundreds of officers with long histories take
    // a few megabytes.
    static constexpr uint64_t kMaxPlayerFileSize = 16ull << 20;
    // Whether an officer file of `size` bytes is read at all. Saves ask it too, so that no
    // officer file is written that the next start would set aside.
    static constexpr bool IsReadablePlayerFileSize(uint64_t size) { return size <= kMaxPlayerFileSize; }
    // Profile keys of section "Settings" in the application profile.
    static constexpr const char* kMediaPathKey = "MediaPath";

    // The program's one hub, made on the first call.
    static SGameObjects* Instance();

    // Builds the members in their fixed order, reads the paths from the profile and changes
    // into the "Home" folder under the working directory. The program uses Instance(); tests
    // may make hubs of their own.
    SGameObjects();
    ~SGameObjects() override;
    SGameObjects(const SGameObjects&) = delete;
    SGameObjects& operator=(const SGameObjects&) = delete;

    // Opens "Tarvex.cat" (file and archive exceptions pass to the caller), sets its release
    // mode from the profile and its search folders from the two resource roots, and hands it
    // to the game items.
    void CreateCatalog();
    SCatalog* GetCatalog() const { return m_pCatalog; }

    // Reads the officer file: "player.cfg" is copied to "~player.tmp" (any left-over copy is
    // deleted first, so it can never stand in for the real file), the copy is read through an
    // archive with `load`, and deleted again, also when `load` throws. Where no copy can be
    // made (a folder that cannot be written to), "player.cfg" itself is read. False, with
    // nothing read, when there is no "player.cfg": that is an empty officer list. File and
    // archive exceptions of opening and reading pass on; a file larger than
    // kMaxPlayerFileSize raises an archive exception without being copied or read.
    static bool ReadPlayerFile(const std::function<void(CArchive&)>& load);

    // The officer list, read from "player.cfg" the first time (a missing file is an empty
    // list); with `reload` the list and its records are deleted and read anew, and no officer
    // is current any more. The first officer becomes current when none is. A damaged file is
    // moved aside to a free name ("player.cfg.bad" first), so that no later save writes over
    // it, and the user is told; the list is then empty. A file that cannot be opened or moved
    // stays, and nothing is saved to Home from then on. Null while the front end has installed
    // no officer records.
    SHunterInfoList* LoadPlayerList(bool reload);
    // Makes the officer current (null for none) and, with the library loaded, tells it the
    // officer's "PlayerAge", "PlayerLocation" and "PlayerEmail".
    void SetCurrentPlayer(SHunterInfo* player);
    // Stores the game type and, with the library loaded, tells it "GameType" for 0 to 3.
    void SetGameType(int type);
    // Stores the scenario kind and, with the library loaded, tells it "SubGameType" for 0 to 3.
    void SetSubGameType(int type);
    // The scenario kind named before the first "_" of the name, in any case; false for none.
    bool SetScenarioByName(SString name);
    // The name of scenario kind 0 to 3; `out` unchanged for other indexes.
    static void GetScenarioName(SString& out, int index);
    // Full screen, light-gun input wanted and the light gun's device made.
    bool IsLightGunActive() const;
    // "APP_FPS", "APP_INPUT", "APP_FLAT_SKIN", "APP_LAYOUT" to "0" and "APP_CLIENT" to "-1".
    void ResetLayoutFlags();
    void SetParser(SD3D6Parser* parser);
    void ReleaseParser();
    // The game items' version text; nothing written without game items. Always 0.
    int GetVersionString(char* buffer, int size);
    // Finds and loads the game-logic library, hands it the game items and callbacks and
    // remembers the two axis commands. A library that cannot be loaded ends in the class
    // library's user exception (after its message).
    void LoadGameDll();
    // Merges the default key bindings of "defcmds.cfg" into the live input object.
    void ExecDefaultBindings();
    // Adds each command of `defaults` to the live input object: a new command keeps its own
    // codes unless a live command holds one of them (then it arrives unbound); a command the
    // live object has only takes the display name.
    void MergeDefaultBindings(SInputObj& defaults);
    // Lets go of the screens, the font, the catalog, the input devices and the renderer's
    // session before the program ends.
    void Shutdown();
    // Tells the sound manager and the renderers that the hub's catalog is about to be deleted.
    void ForgetCatalog();

    // The input object's command executor: one console line, response thrown away.
    void ExecInputCommand(const char* text);
    // The input object's axis sink: a hold command for each axis value that changed.
    void SendAxisCommands(int32_t a, int32_t b);
    // The console line for one axis: "+name value" for a new non-zero value, "-name" when it
    // returns to 0; false (no line) when the value has not changed.
    static bool AxisCommandLine(int32_t value, int32_t previous, const SString& command, SString& line);

    // --- Members, in the order of the fields the other subsystems know -------------------------
    SString m_sStartDir;      // the working directory when the hub was made
    SString m_sBasePath;      // profile "BasePath", one trailing separator removed
    SString m_sBasePathRaw;   // profile "BasePath" as read
    SString m_sMediaPath;     // the second resource root, one trailing separator removed
    SString m_sAxisCommand2;  // the first game command of kind "2"
    SString m_sAxisCommand3;  // the first game command of kind "3"
    SCatalog* m_pCatalog = nullptr;
    // The renderers' view of m_pCatalog, installed while CreateCatalog's catalog lives; owned.
    SRendererCatalogAdapter* m_pRendererCatalog = nullptr;
    CConfigData* m_pConfig = nullptr;
    SGraphics* m_pGraphics = nullptr;          // arrives with the display manager
    SInputObj* m_pInput = nullptr;
    SMsgHandler* m_pMsgHandler = nullptr;      // arrives with the message pump
    SScreenManager* m_pScreenManager = nullptr;  // arrives with the screens
    CMainFrame* m_pMainFrame = nullptr;        // set by start-up; not owned
    SGameItems* m_pGameItems = nullptr;
    SHunterInfo* m_pCurrentPlayer = nullptr;   // not owned
    SCommandInterpreter* m_pInterpreter = nullptr;  // owned
    SConsoleHostImpl* m_pConsoleHost = nullptr;     // what the interpreter reaches; owned
    SGameDLL* m_pGameDLL = nullptr;
    SClientConnect* m_pClientConnect = nullptr;
    SHunterInfoList* m_pPlayerList = nullptr;  // arrives with the officer records
    SDataCollection* m_pVariables = nullptr;   // the layout variables
    float m_fFrameRate = 0.0f;
    uint8_t m_bShowFps = 0;
    uint8_t m_bShowInput = 0;
    uint8_t m_bShowSoundStats = 0;
    uint8_t m_bShowLayout = 0;
    int32_t m_iClientIndex = -1;
    int32_t m_iGameType = 0;     // 0 QuickHunt, 1 SeasonHunt, 2 and 3 Multiplayer
    int32_t m_iSubGameType = 0;  // 0 TargetRange, 1 AlleyWalk, 2 SniperRange, 3 LandSniperRange
    uint8_t m_bInHome = 0;         // the constructor changed into the "Home" folder
    // Nothing is written to Home: it cannot be written to, or a file there that could not be
    // read must be kept as it is. The player has been told.
    uint8_t m_bHomeReadOnly = 0;
    // The status the program ends with once its loop is over: 1 for a dedicated server whose
    // session could not start.
    int32_t m_iExitStatus = 0;

private:
    void RunConsoleLine(const char* text);
    // Tells the user that the officer file could not be read: a damaged one is moved out of
    // the way; one that cannot be opened, or moved, stays and nothing is saved over it.
    void ReportUnreadablePlayerFile(bool damaged);
};
