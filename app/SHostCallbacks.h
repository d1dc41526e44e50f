#pragma once

#include <cstdint>

#include "render/parser/SParser.h"

class CObList;
class SClientConnect;
class SDXSoundBuffer;
class SObjectDef;
class SObjectDefList;
class SSurfaceOwner;
class SString;
class SViewModel;
struct SLevelInfo;

// The table of host functions the game-logic library calls back through. The host writes its
// size into the first word, the library's GetCallbacks may fill what it likes, the host then
// writes its functions into words 1 to 25 and hands the table back with SetCallbacks; the
// last word stays the library's. The table lives on the host's stack during the hand-over
// only, so the library copies what it keeps. Shared by the host and the library.
//
// The record keeps its meaning, not its old byte layout: 27 pointer-sized words, the first
// still holding 108, the size the table has always announced.
struct SHostCallbacks {
    // Word 0: the announced size.
    uintptr_t m_dwSize;

    int (*HostGetLevelInfo)(SLevelInfo** ppInfo);
    int (*HostBuildPlayerDefinition)(SClientConnect** ppDefinition);
    int (*HostPlayerScores)(SClientConnect* pResults);
    int (*HostQueueScreenshot)(int width, int height, uint8_t hideFlag /* 0 hides */, const char* pszLayout,
                               const char* pszFolder);
    int (*HostShowLayout)(int kind, int id);
    int (*HostSetMouseInput)(int bOn);
    int (*HostRefreshScreen)();
    int (*HostExecuteCommand)(const char* pszLine);
    int (*HostRenderFrame)();
    int (*HostRefreshScreen2)();
    SDXSoundBuffer* (*HostGetGameSoundByIndex)(int entry, int b3D);
    SDXSoundBuffer* (*HostGetGameSound)(const char* pszFileName, int b3D);
    int (*HostSetMapPath)(const char* pszMapName);
    int (*HostConsolePrint)(const char* pszText);
    int (*HostRedrawScene)();
    int (*HostJournalPages)(uint8_t mode, void* pBuffer, uint32_t size);
    int (*HostScreenModelAnimation)(int command, int a, float b, int c, int d, int e);
    int (*HostShowTextureLayout)(int id, int show, const char* pszLayout, float widthFactor,
                                 float heightFactor, float xFactor, float yFactor);
    int (*HostAddDisplayObject)(SSurfaceOwner* pObject);
    int (*HostRemoveDisplayObject)(SSurfaceOwner* pObject);
    int (*HostNoOpA)();
    SObjectDef* (*HostFindProfileDefinition)(const char* pszName);
    int (*HostNoOpB)();
    int (*HostGetGraphicsValue)();
    int (*HostAddTrophies)(SObjectDefList* pTrophies);

    // Word 26: never written by the host.
    void* m_pLibraryWord;
};

// What word 0 announces.
constexpr uintptr_t kHostCallbacksSize = 108;
// Word 0, the 25 host functions and the library's word.
constexpr int kHostCallbacksWords = 27;
static_assert(sizeof(SHostCallbacks) == kHostCallbacksWords * sizeof(void*),
              "the callback table is 27 pointer-sized words");

// Writes the host functions into words 1 to 25 of the table in their fixed order; word 0 and
// word 26 are left as they are. The functions may be called from any thread of the library and
// none lets an exception out. The overlay functions act on the in-game screen only and answer
// as without a screen while it is not current.
void FillHostCallbacks(SHostCallbacks& table);

// The level record the library reads in place through HostGetLevelInfo; one for the process.
SLevelInfo& HostLevelInfo();

// Where a map file is looked for, by the level record, a dedicated server and the scenario page
// alike: the map folder of the base path (an empty base path being the working folder).
SString MapPathInHome(const char* mapFile);
// What the player, or a dedicated server's operator, is told of a map file that is not there.
SString MissingMapText(const SString& path);

// The two functions the in-game screen hands to the renderer. The first answers the render
// description of an actor the renderer asks about (flags bit 2: the object is an actor); the
// second hands out the first-person models one per call, the renderer keeping the cursor (-1
// starts and ends a pass); actors of the third world that are not drawn are passed over within
// the call, so one of them does not end the pass.
ActorDesc* HostActorCallback(void* pObject, uint8_t flags);
void* HostNextViewModel(int32_t* pCursor);

// The in-game screen's view model and its two attachments, which the first-person pass draws
// after the third actor world's; the screen sets them while it holds them (null: none).
void SetHostScreenViewModels(SViewModel* model, SViewModel* first, SViewModel* second);
