#include "game/SStandInGame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/GameInterface.h"
#include "app/SClientInfo.h"
#include "app/SGameItems.h"
#include "core/SDataCollection.h"
#include "sys/time/time.h"

const SStandInGame::Command SStandInGame::kCommands[kCommandCount] = {
    {"fire", "0"},
    {"reload", "0"},
    {"zoom", "0"},
    {"lookupdown", "2"},
    {"turn", "3"},
    {"tright", "0"},
    {"tleft", "0"},
    {"lup", "0"},
    {"ldown", "0"},
    {"leave", "0"},
    {"nightvision", "0"},
    {"sight", "0"},
    {"redflash", "0"},
};

namespace {

std::string TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

SStandInGame::SStandInGame() { m_parser.SetDefList(&m_objects); }

SStandInGame::~SStandInGame()
{
    m_parser.SetDefList(nullptr);
    m_objects.DeleteAll();
}

void SStandInGame::Initialize(SGameItems* items) { m_pItems = items; }

void SStandInGame::Setup()
{
    // Built afresh, so a second set-up does not file every definition twice.
    m_objects.DeleteAll();
    const char* line = kObjectScript;
    while (*line != '\0') {
        const char* end = std::strchr(line, '\n');
        const std::string text = end != nullptr ? std::string(line, end) : std::string(line);
        m_parser.ParseLine(text.c_str());
        line = end != nullptr ? end + 1 : line + text.size();
    }
    RegisterCommands();
    m_state = 0;
    SetLocalClients(1);
}

void SStandInGame::RegisterCommands()
{
    if (m_pItems == nullptr || m_pItems->m_pCommands == nullptr) {
        return;
    }
    for (const Command& command : kCommands) {
        m_pItems->m_pCommands->SetOrAppend(command.name, command.kind, 0);
    }
}

void SStandInGame::SetLocalClients(int count)
{
    m_nClients = count;
    // The first value table of the game items is the library's own; the count is kept there
    // so that the state survives only as long as the host keeps the items.
    if (m_pItems != nullptr && m_pItems->m_pTable1 != nullptr) {
        m_pItems->m_pTable1->SetOrAppendInt("Clients", count);
    }
}

void SStandInGame::Update()
{
    ++m_nFrames;
    const uint32_t now = sys::time::TickCount();
    Aim();
    m_range.Update(now);
    if (m_range.GetState() != SStandInRange::kStateEnded)
        m_presenter.Update(m_range, now);
    AfterPlay();
}

void SStandInGame::Aim()
{
    if (m_range.GetState() != SStandInRange::kStatePlaying)
        return;
    const float turn = m_fAxisTurn + m_fKeyTurn;
    const float tilt = m_fAxisTilt + m_fKeyTilt;
    if (turn != 0.0f)
        m_range.Turn(turn);
    if (tilt != 0.0f)
        m_range.Tilt(tilt);
}

void SStandInGame::AfterPlay()
{
    if (m_range.GetState() == SStandInRange::kStateResults)
        m_presenter.ShowResults(m_range);
    m_state = m_range.GetState();
}

int SStandInGame::ParseCommand(const char* line)
{
    const std::string text = TextOrEmpty(line);
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return 1;
    }
    const size_t end = text.find_first_of(" \t", start);
    const std::string word = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (CompareTextNoCase(word.c_str(), "OBJECT") == 0) {
        return m_parser.ParseLine(text.c_str());
    }
    // Other lines name no rule of this library; they are taken and dropped.
    return 1;
}

int SStandInGame::ObjectParse(const char* line) { return m_parser.ParseLine(line != nullptr ? line : ""); }

bool SStandInGame::IsParsingObject() const { return m_parser.GetBlockState() != SObjectParser::kOutside; }

int SStandInGame::DoCommand(int index, int inputState, const char* arguments)
{
    if (m_pItems == nullptr || m_pItems->m_pCommands == nullptr) {
        return 0;
    }
    const SString& name = m_pItems->m_pCommands->GetName(index);
    for (const Command& command : kCommands) {
        if (CompareTextNoCase(name.GetString(), command.name) == 0) {
            m_properties["LastCommand"] = command.name;
            m_properties["LastCommandState"] = std::to_string(inputState);
            m_properties["LastCommandArguments"] = TextOrEmpty(arguments);
            PlayCommand(command.name, inputState, arguments);
            // The range's tally, readable by name like any other property.
            m_properties["Shots"] = std::to_string(m_range.GetShots());
            m_properties["Hits"] = std::to_string(m_range.GetHits());
            m_properties["Score"] = std::to_string(m_range.GetScore());
            m_properties["LastRegion"] = m_range.GetLastRegion();
            return 1;
        }
    }
    return 0;
}

void SStandInGame::PlayCommand(const char* name, int inputState, const char* arguments)
{
    // A plain command ("turn 10" typed at the console) moves the aim at once by its degrees; a
    // pressed axis ("+turn 40" from the input) keeps turning by its steps every frame until
    // it is released or sends another amount.
    constexpr int kPressed = 0;
    constexpr int kPlain = 2;
    const float amount = std::strtof(TextOrEmpty(arguments).c_str(), nullptr);
    const bool pressed = inputState == kPressed;
    const float keyRate = pressed ? m_fKeyDegrees : 0.0f;
    if (std::strcmp(name, "fire") == 0) {
        if (pressed) {
            const int shots = m_range.GetShots();
            m_range.Fire();
            if (m_range.GetShots() != shots)
                m_presenter.OnShot(m_range);
        }
    } else if (std::strcmp(name, "turn") == 0) {
        if (inputState == kPlain)
            m_range.Turn(amount);
        else
            m_fAxisTurn = pressed ? amount * m_fDegreesPerStep : 0.0f;
    } else if (std::strcmp(name, "lookupdown") == 0) {
        if (inputState == kPlain)
            m_range.Tilt(amount);
        else
            m_fAxisTilt = pressed ? amount * m_fDegreesPerStep : 0.0f;
    } else if (std::strcmp(name, "tright") == 0) {
        m_fKeyTurn = keyRate;
    } else if (std::strcmp(name, "tleft") == 0) {
        m_fKeyTurn = -keyRate;
    } else if (std::strcmp(name, "lup") == 0) {
        m_fKeyTilt = keyRate;
    } else if (std::strcmp(name, "ldown") == 0) {
        m_fKeyTilt = -keyRate;
    } else if (std::strcmp(name, "leave") == 0) {
        if ((pressed || inputState == kPlain) && m_bHasCallbacks && m_callbacks.HostExecuteCommand != nullptr)
            m_callbacks.HostExecuteCommand("exit");
    } else if (inputState != 1) {
        ToggleOverlay(name);
    }
    AfterPlay();
}

void SStandInGame::ToggleOverlay(const char* name)
{
    // The host's own codes: night vision -4 on / -5 off, the centred overlay -11 on (texture
    // index, scale) / -12 off, the red flash -13 on / -14 off.
    static const struct {
        const char* name;
        bool SStandInGame::*on;
        int onCode, offCode;
    } kOverlays[] = {{"nightvision", &SStandInGame::m_bNightVision, -4, -5},
                     {"sight", &SStandInGame::m_bSight, -11, -12},
                     {"redflash", &SStandInGame::m_bRedFlash, -13, -14}};
    constexpr float kSightScale = 0.5f;
    for (const auto& overlay : kOverlays) {
        if (std::strcmp(name, overlay.name) != 0 || m_state != SStandInRange::kStatePlaying ||
            m_callbacks.HostScreenModelAnimation == nullptr)
            continue;
        bool& on = this->*overlay.on;
        on = !on;
        m_callbacks.HostScreenModelAnimation(on ? overlay.onCode : overlay.offCode, 0, kSightScale, 0, 0, 0);
    }
}

int SStandInGame::SessionCommand(int code, int /*argument*/)
{
    switch (code) {
    case kSessionInitSingle: {
        // The host starts every session with its overlays off.
        m_bNightVision = m_bSight = m_bRedFlash = false;
        m_sessionError.clear();
        m_fAxisTurn = m_fAxisTilt = m_fKeyTurn = m_fKeyTilt = 0.0f;
        const SObjectDef* aiming = m_objects.FindByName("Aiming");
        m_fDegreesPerStep = aiming != nullptr ? aiming->GetFloatByName("DegreesPerStep") : 0.0f;
        m_fKeyDegrees = aiming != nullptr ? aiming->GetFloatByName("KeyDegrees") : 0.0f;
        m_presenter.Stop();
        const uint32_t now = sys::time::TickCount();
        if (!m_range.Start(m_pItems, m_callbacks, m_objects, now)) {
            m_sessionError = m_range.GetError();
            m_state = m_range.GetState();
            return 0;
        }
        if (m_bHasCallbacks) {
            m_presenter.Start(m_pItems, m_callbacks, m_objects, m_range, now);
            // The mouse aims while the range is played (when the player's settings let it).
            if (m_callbacks.HostSetMouseInput != nullptr)
                m_callbacks.HostSetMouseInput(1);
        }
        break;
    }
    case kSessionEnd:
    case kSessionAbort:
        // Ending play shows the results; ending again leaves them.
        if (m_range.GetState() == SStandInRange::kStatePlaying) {
            m_range.Finish(SStandInRange::kStateResults);
        } else {
            m_presenter.Stop();
            m_range.Close(SStandInRange::kStateEnded);
        }
        break;
    default:
        return 1;
    }
    AfterPlay();
    return 1;
}

int SStandInGame::GetCallbacks(SHostCallbacks* table)
{
    // The host announces the table's size; a table of another size is not ours to fill.
    if (table == nullptr || table->m_dwSize != kHostCallbacksSize) {
        return 0;
    }
    table->m_pLibraryWord = this;
    return 1;
}

int SStandInGame::SetCallbacks(const SHostCallbacks* table)
{
    if (table == nullptr || table->m_dwSize != kHostCallbacksSize) {
        return 0;
    }
    // The host's table is a temporary of the hand-over.
    m_callbacks = *table;
    m_bHasCallbacks = true;
    return 1;
}

int SStandInGame::SetProperty(const char* name, const char* value)
{
    if (name == nullptr || *name == '\0') {
        return 0;
    }
    m_properties[name] = TextOrEmpty(value);
    // The host stops the range's clock while the player cannot play, as while a notice is up.
    if (std::strcmp(name, game_api::kPausedProperty) == 0)
        m_range.HoldClock(std::atoi(m_properties[name].c_str()) != 0, sys::time::TickCount());
    return 1;
}

const char* SStandInGame::GetProperty(const char* name) const
{
    if (name == nullptr) {
        return nullptr;
    }
    const auto found = m_properties.find(name);
    return found != m_properties.end() ? found->second.c_str() : nullptr;
}

CObList* SStandInGame::GetClientList()
{
    // Rebuilt on each call: the host may replace its client state between sessions.
    m_clients.RemoveAll();
    if (m_nClients > 0 && m_pItems != nullptr && m_pItems->m_pClientInfo != nullptr) {
        SClientInfo::AddTail(&m_clients, m_pItems->m_pClientInfo);
    }
    return &m_clients;
}

int SStandInGame::ReleaseMultiplayer()
{
    SetLocalClients(0);
    return 1;
}

int SStandInGame::GetLastSessionError(char* buffer, int size) const
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const size_t length = std::min(m_sessionError.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, m_sessionError.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}
