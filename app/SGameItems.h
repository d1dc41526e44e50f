#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/SString.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

class CConfigData;
class SActorWorld;
class SCatalog;
class SClientInfo;
class SD3D6Parser;
class SDataCollection;
class SSound;

// The object the host hands to the game-logic library when it loads it. Through it the
// library reaches the sound manager, the actor worlds, four value tables, the client state
// and the current renderer. The library uses it through its field order and its virtual
// operations only, so both are an interface and must not be reordered. The hub creates and
// deletes it; it owns the sound manager, the worlds, the tables and the client state, but
// neither the configuration, the catalog nor the renderer.
class SGameItems : public CObject {
    DECLARE_DYNAMIC(SGameItems)

public:
    SGameItems();
    ~SGameItems() override;
    SGameItems(const SGameItems&) = delete;
    SGameItems& operator=(const SGameItems&) = delete;

    // After the root object's run-time class, destructor and Serialize, in this order.

    // Releases the renderer's raster and map and deletes it; the pointer is cleared. Called
    // by the hub before every display-mode change builds a new one, never by the destructor.
    virtual void ReleaseParser();
    // Ends every step of the renderer's current session, from the first step upward.
    virtual void EndParserSession();
    // Replaces the client state with a fresh one.
    virtual void ResetClientInfo();

    // The program's version as "major.minor[.build[.revision]]" (trailing zero parts left
    // out from the fourth and third), cut to fit `size` characters with the terminator. A
    // size of 0 or less writes nothing. Answers 0.
    int GetVersionString(char* buffer, int size);
    // "MapName, MapState" of the current map as the renderer knows it, "???" when it knows
    // neither.
    void GetMapDescription(CString& out);

    // Lets go of everything that may still run code of the game-logic library: the actor
    // worlds (their actors may be the library's own classes) and the client state. The
    // library bridge calls it before it unloads the library, so that nothing is deleted
    // through code that is gone; the destructor then finds the slots empty.
    void ReleaseLibraryState();

    // The text GetVersionString writes for four version numbers.
    static std::string FormatVersion(const std::array<int, 4>& numbers);
    // The description for the two map tags; null stands for a missing tag.
    static CString FormatMapDescription(const char* mapName, const char* mapState);

    // --- Fields, in the order the library knows them ------------------------------------------
    int32_t m_tCreated;        // seconds since 1970 when the object was made
    uint32_t m_dwUnused1;      // three words nothing reads; zero
    uint32_t m_dwUnused2;
    uint32_t m_dwUnused3;
    CConfigData* m_pConfig;    // the configuration, set by the hub; not owned
    SCatalog* m_pCatalog;      // the resource catalog, set by the hub; not owned
    SD3D6Parser* m_pParser;    // the current renderer; released by ReleaseParser only
    SSound* m_pSound;          // the sound manager
    SActorWorld* m_pWorld[3];  // the actor worlds; the first is advanced every frame in play
    SDataCollection* m_pTable1;      // the library's values
    SDataCollection* m_pCommands;    // the game commands the console hands to the library
    SDataCollection* m_pTable3;      // the library's values
    SDataCollection* m_pSoundNames;  // the sound names the sound manager starts with
    SClientInfo* m_pClientInfo;      // the local client's state
    SString m_sBasePath;       // the base path as the profile gives it, for the library
    SString m_sHunterPath;     // the officer-data folder, without a trailing separator
    int32_t m_iFlag;           // 1 from construction; the host does not read it
};
