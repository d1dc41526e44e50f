#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "app/SHostCallbacks.h"
#include "core/SObjectDef.h"
#include "sys/classlib/CObList.h"
#include "core/SObjectParser.h"
#include "game/SStandInPresenter.h"
#include "game/SStandInRange.h"

class SGameItems;

// The whole state of our stand-in game-logic library: the properties the host sets, the
// object definitions it offers the host, the game commands it registers, the host callbacks
// it was given. One instance lives for as long as the library is loaded; the exports in
// VQ9Game.cpp forward to it. It answers sanely and keeps no rules of play yet.
//
// The host's objects are reached only through their fields and virtual operations, so the
// host's own code runs on the host's data.
class SStandInGame {
public:
    // The game commands the library understands, with the kind the host's command list
    // carries for each: kind "2" and "3" are the two movement axes the input feeds; the turn
    // and look keys work while held, and "leave" ends the session as the console's EXIT does.
    struct Command {
        const char* name;
        const char* kind;
    };
    static constexpr int kCommandCount = 13;
    static const Command kCommands[kCommandCount];

    // The object-definition script the library ships (StandInObjects.cpp).
    static const char* const kObjectScript;

    SStandInGame();
    ~SStandInGame();
    SStandInGame(const SStandInGame&) = delete;
    SStandInGame& operator=(const SStandInGame&) = delete;

    void Initialize(SGameItems* items);
    // Builds the object list from the shipped script and registers the game commands.
    void Setup();
    void Update();
    // A console line the host did not know. An OBJECT line starts a definition block, which
    // the host then feeds line by line to ObjectParse.
    int ParseCommand(const char* line);
    int ObjectParse(const char* line);
    bool IsParsingObject() const;
    int16_t GetState() const { return m_state; }
    // 1 when the index names one of the library's commands in the host's list, else 0.
    int DoCommand(int index, int inputState, const char* arguments);
    SObjectDefList* GetObjectList() { return &m_objects; }
    // Every session command is accepted: 0 starts a target-range session; 5 and 6 stop play
    // with its results reported and shown, and end the session once they are shown.
    int SessionCommand(int code, int argument);
    const SStandInRange& GetRange() const { return m_range; }
    int GetCallbacks(SHostCallbacks* table);
    int SetCallbacks(const SHostCallbacks* table);
    int SetProperty(const char* name, const char* value);
    // Null for a property never set.
    const char* GetProperty(const char* name) const;
    int ReleaseMultiplayer();
    // The session's clients: the local one while a session is set up, none otherwise.
    CObList* GetClientList();
    // Why the last session start failed; an empty text when it did not. Cut to the buffer.
    int GetLastSessionError(char* buffer, int size) const;

private:
    // Session command codes the host sends.
    static constexpr int kSessionInitSingle = 0;
    static constexpr int kSessionEnd = 5;
    static constexpr int kSessionAbort = 6;

    void RegisterCommands();
    // Turns the aim by what the held keys and the movement axes ask for this frame.
    void Aim();
    // The presenter follows a shot and the end of play.
    void AfterPlay();
    // What a game command does in play.
    void PlayCommand(const char* name, int inputState, const char* arguments);
    // Switches one of the screen's overlays on or off through the host, as the game would for
    // a player's night-vision goggles, a scope's sight or a hit.
    void ToggleOverlay(const char* name);
    // The clients of the session; only the local one until multiplayer joins.
    void SetLocalClients(int count);

    SGameItems* m_pItems = nullptr;
    SHostCallbacks m_callbacks{};
    bool m_bHasCallbacks = false;
    std::map<std::string, std::string> m_properties;
    SObjectDefList m_objects;
    SObjectParser m_parser;
    int16_t m_state = 0;
    uint32_t m_nFrames = 0;
    int m_nClients = 0;
    SStandInRange m_range;
    SStandInPresenter m_presenter;
    // Degrees a frame: the axes' last steps scaled, and each held key's rate.
    float m_fAxisTurn = 0.0f;
    float m_fAxisTilt = 0.0f;
    float m_fKeyTurn = 0.0f;
    float m_fKeyTilt = 0.0f;
    float m_fDegreesPerStep = 0.0f;
    float m_fKeyDegrees = 0.0f;
    // The overlays switched on this session: night vision, the centred sight, the red flash.
    bool m_bNightVision = false;
    bool m_bSight = false;
    bool m_bRedFlash = false;
    std::string m_sessionError;
    CObList m_clients;
};
