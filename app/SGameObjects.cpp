#include "app/SGameObjects.h"

#include <string>

#include "app/CConfigData.h"
#include "app/CSystemData.h"
#include "app/CTarvexApp.h"
#include "app/SConsoleHostImpl.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SHomeFolder.h"
#include "app/SOfficerHooks.h"
#include "core/SCatalog.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "core/SFileSystem.h"
#include "dx/input/SDXActLabsGS.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "render/outdoor/SRendererCatalogAdapter.h"
#include "render/parser/SParser.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"
#include "sys/profile.h"
#include "sys/window/dialogs.h"
#include "sys/window/wait_cursor.h"
#include "ui/SWindow.h"

IMPLEMENT_DYNAMIC(SGameObjects, CObject)

namespace {

using sys::profile::Kind;

constexpr const char* kSettings = "Settings";
const char* const kGameTypeNames[] = {"QuickHunt", "SeasonHunt", "Multiplayer", "Multiplayer"};
const char* const kScenarioNames[] = {"TargetRange", "AlleyWalk", "SniperRange", "LandSniperRange"};
constexpr int kScenarioCount = 4;

// The axis values the input object passed last; one pair for the whole process.
int32_t s_iLastAxisA = 0;
int32_t s_iLastAxisB = 0;

// Paths come from users' profiles with or without a closing separator; the folders built
// from them add their own.
void RemoveTrailingSeparator(SString& path) {
    const int length = path.GetLength();
    if (length > 0 && (path.GetAt(length - 1) == '\\' || path.GetAt(length - 1) == '/'))
        path = path.Left(length - 1);
}

SString ProfileText(const char* key) {
    return SString(sys::profile::GetString(Kind::Application, kSettings, key, "").c_str());
}

}  // namespace

// --- SClientConnect ------------------------------------------------------------------------------

SClientConnect::SClientConnect() : m_pDef(new SObjectDef), m_pDefs(new SObjectDefList(10)) {}

SClientConnect::~SClientConnect() {
    m_pDefs->DeleteAll();
    delete m_pDefs;
    delete m_pDef;
}

void SClientConnect::Merge(const SClientConnect& other) {
    m_pDef->CopyFrom(other.m_pDef);
    const int ownCount = static_cast<int>(m_pDefs->GetCount());
    for (POSITION pos = m_pDefs->GetHeadPosition(); pos != nullptr;) {
        SObjectDef* def = m_pDefs->GetNext(pos);
        if (SObjectDef* namesake = other.m_pDefs->FindByName(def->GetName()))
            def->CopyFrom(namesake);
    }
    if (static_cast<int>(other.m_pDefs->GetCount()) <= ownCount)
        return;
    for (POSITION pos = other.m_pDefs->GetHeadPosition(); pos != nullptr;) {
        SObjectDef* def = other.m_pDefs->GetNext(pos);
        if (m_pDefs->FindByName(def->GetName()) == nullptr)
            m_pDefs->AddTail(new SObjectDef(def));
    }
}

// --- SGameObjects --------------------------------------------------------------------------------

SGameObjects* SGameObjects::Instance() {
    static SGameObjects s_hub;
    return &s_hub;
}

SGameObjects::SGameObjects() {
    // The display manager (first), the screen manager and the message pump (after the
    // configuration) take their places here when their subsystems exist.
    m_pConfig = new CConfigData;
    m_pGameItems = new SGameItems;
    m_pConsoleHost = new SConsoleHostImpl(*this);
    m_pInterpreter = new SCommandInterpreter(m_pConsoleHost);
    m_pClientConnect = new SClientConnect;
    m_pVariables = new SDataCollection;
    m_pInput = new SInputObj([this](const char* text) { ExecInputCommand(text); },
                             [this](int32_t a, int32_t b) { SendAxisCommands(a, b); });
    m_pInput->SetReporter([this](const char* text) { m_pConsoleHost->Say(text); });

    m_pConfig->m_pInputSettings = &m_pInput->GetSettings();
    m_pGameItems->m_pConfig = m_pConfig;

    m_sMediaPath = ProfileText(kMediaPathKey);
    m_sBasePath = ProfileText("BasePath");
    m_pGameItems->m_sHunterPath = ProfileText("HunterPath");
    m_sBasePathRaw = m_sBasePath;
    RemoveTrailingSeparator(m_sMediaPath);
    RemoveTrailingSeparator(m_sBasePath);
    RemoveTrailingSeparator(m_pGameItems->m_sHunterPath);

    // From here on "default.cfg", "player.cfg", the catalog and the library are found in Home;
    // without a Home folder the working directory stays as it was.
    m_sStartDir = sys::fs::GetCurrentDirectory().c_str();
    m_bInHome = sys::fs::SetCurrentDirectory((m_sStartDir + "\\" + kHomeFolder).GetString()) ? 1 : 0;

    ResetLayoutFlags();
}

SGameObjects::~SGameObjects() {
    // The library goes first, while everything it may still reach exists.
    delete m_pGameDLL;
    m_pGameDLL = nullptr;
    // The message pump and the display manager are deleted here once they exist.
    delete m_pGameItems;
    m_pGameItems = nullptr;
    delete m_pConfig;
    m_pConfig = nullptr;
    // The screen manager is deleted here once it exists.
    delete m_pInterpreter;
    m_pInterpreter = nullptr;
    delete m_pConsoleHost;
    m_pConsoleHost = nullptr;
    delete m_pInput;
    m_pInput = nullptr;
    delete m_pVariables;
    m_pVariables = nullptr;
    delete m_pClientConnect;
    m_pClientConnect = nullptr;
    if (m_pPlayerList != nullptr) {
        if (SOfficerHooks* records = SOfficerHooks::Installed())
            records->DeleteList(m_pPlayerList);
        m_pPlayerList = nullptr;
        m_pCurrentPlayer = nullptr;
    }
    if (SParser::GetCatalog() == m_pRendererCatalog)
        SParser::SetCatalog(nullptr);
    delete m_pRendererCatalog;
    m_pRendererCatalog = nullptr;
    if (SWindow::GetResourceCatalog() == m_pCatalog)
        SWindow::SetResourceCatalog(nullptr);
    delete m_pCatalog;
    m_pCatalog = nullptr;
}

void SGameObjects::CreateCatalog() {
    auto* catalog = new SCatalog(kCatalogFile);
    const int releaseMode = sys::profile::GetInt(Kind::Application, "Catalog", "ReleaseMode", 0);
    catalog->ReleaseMode() = releaseMode != 0 ? 1 : 0;
    // Written back so that the key is there to edit after the first start.
    sys::profile::WriteInt(Kind::Application, "Catalog", "ReleaseMode", catalog->ReleaseMode());
    catalog->SetDevRoot("");
    catalog->SetReleaseRoot("");
    CStringArray& folders = catalog->GetSearchFolders();
    const SString roots[] = {m_sBasePath, m_sMediaPath};
    folders.Add(CString(m_sBasePath.GetString()));
    folders.Add(CString(m_sMediaPath.GetString()));
    for (const SString& root : roots) {
        for (const char* sub : {"\\Resources", "\\Graphics", "\\Sound"})
            folders.Add(CString((root + sub).GetString()));
    }
    if (m_pCatalog != nullptr && m_pGameItems != nullptr && m_pGameItems->m_pCatalog == m_pCatalog)
        m_pGameItems->m_pCatalog = nullptr;
    ForgetCatalog();
    delete m_pCatalog;
    m_pCatalog = catalog;
    if (m_pGameItems != nullptr)
        m_pGameItems->m_pCatalog = catalog;
    if (m_pRendererCatalog == nullptr)
        m_pRendererCatalog = new SRendererCatalogAdapter();
    m_pRendererCatalog->SetResourceCatalog(catalog);
    SParser::SetCatalog(m_pRendererCatalog);
}

bool SGameObjects::ReadPlayerFile(const std::function<void(CArchive&)>& load) {
    SFileSystem files;
    // The copy routine never overwrites, so a copy left by an earlier run would otherwise be
    // read in place of the real file.
    files.DeleteFile(kPlayerTempFile);
    if (!SFileSystem::FileExists(kPlayerFile))
        return false;
    // A file far larger than any the program saves is damaged: it is neither copied nor read,
    // which would take the disk and the time its size asks for.
    sys::fs::FileStatus status;
    if (SFileSystem::GetStatus(kPlayerFile, status) && !IsReadablePlayerFileSize(status.size))
        ThrowArchiveException(CArchiveException::genericException, kPlayerFile);
    // A folder that cannot be written to takes no copy; the file itself is only read.
    const bool copied = files.CopyFile(kPlayerFile, kPlayerTempFile, kPlayerCopyBuffer);
    try {
        CFile file(copied ? kPlayerTempFile : kPlayerFile, CFile::modeRead);
        CArchive archive(&file, CArchive::load, 4096);
        load(archive);
        archive.Close();
        file.Close();
    } catch (...) {
        // A failed read must not leave its copy behind either.
        if (copied)
            files.DeleteFile(kPlayerTempFile);
        throw;
    }
    if (copied)
        files.DeleteFile(kPlayerTempFile);
    return true;
}

SHunterInfoList* SGameObjects::LoadPlayerList(bool reload) {
    SOfficerHooks* records = SOfficerHooks::Installed();
    if (records == nullptr)
        return nullptr;
    if (reload) {
        records->DeleteList(m_pPlayerList);
        m_pPlayerList = nullptr;
        m_pCurrentPlayer = nullptr;
    }
    if (m_pPlayerList == nullptr) {
        SHunterInfoList* list = records->CreateList();
        m_pPlayerList = list;
        bool unreadable = false;
        bool damaged = false;
        sys::window::BeginWaitCursor();
        try {
            ReadPlayerFile([records, list](CArchive& archive) { records->LoadList(*list, archive); });
        } catch (const CArchiveException&) {
            // The list takes a file whole or not at all, so it is empty here.
            unreadable = damaged = true;
        } catch (const CException&) {
            unreadable = true;
        }
        sys::window::EndWaitCursor();
        if (unreadable)
            ReportUnreadablePlayerFile(damaged);
    }
    if (m_pCurrentPlayer == nullptr && records->CountOfficers(*m_pPlayerList) > 0)
        SetCurrentPlayer(records->FindOfficer(*m_pPlayerList, nullptr));
    return m_pPlayerList;
}

void SGameObjects::ReportUnreadablePlayerFile(bool damaged) {
    const SHomeFolder::SUnreadableFile officers{kPlayerFile, "officer file", "without officers", "nothing"};
    // Nothing may be saved over a file that is still there.
    if (SHomeFolder::ReportUnreadable(officers, damaged, m_bHomeReadOnly == 0))
        m_bHomeReadOnly = 1;
}

void SGameObjects::SetCurrentPlayer(SHunterInfo* player) {
    m_pCurrentPlayer = player;
    SOfficerHooks* records = SOfficerHooks::Installed();
    if (player == nullptr || m_pGameDLL == nullptr || records == nullptr)
        return;
    SString age;
    SString location;
    SString email;
    records->GetOfficerDetails(*player, age, location, email);
    m_pGameDLL->SetProperty("PlayerAge", age.GetString());
    m_pGameDLL->SetProperty("PlayerLocation", location.GetString());
    m_pGameDLL->SetProperty("PlayerEmail", email.GetString());
}

void SGameObjects::SetGameType(int type) {
    m_iGameType = type;
    if (m_pGameDLL != nullptr && type >= 0 && type <= 3)
        m_pGameDLL->SetProperty("GameType", kGameTypeNames[type]);
}

void SGameObjects::SetSubGameType(int type) {
    m_iSubGameType = type;
    if (m_pGameDLL != nullptr && type >= 0 && type < kScenarioCount)
        m_pGameDLL->SetProperty("SubGameType", kScenarioNames[type]);
}

bool SGameObjects::SetScenarioByName(SString name) {
    const int cut = name.Find('_');
    if (cut >= 0)
        name = name.Left(cut);
    for (int i = 0; i < kScenarioCount; ++i) {
        if (name.CompareNoCase(kScenarioNames[i]) == 0) {
            SetSubGameType(i);
            return true;
        }
    }
    return false;
}

void SGameObjects::GetScenarioName(SString& out, int index) {
    if (index >= 0 && index < kScenarioCount)
        out = kScenarioNames[index];
}

bool SGameObjects::IsLightGunActive() const {
    if (m_pInput == nullptr || m_pConfig == nullptr)
        return false;
    return m_pConfig->m_pSystem->m_bFullScreen != 0 && m_pInput->GetSettings().m_iLightGun != 0 &&
           m_pInput->IsLightGunPresent() && m_pInput->GetLightGun() != nullptr;
}

void SGameObjects::ResetLayoutFlags() {
    for (const char* name : {"APP_FPS", "APP_INPUT", "APP_FLAT_SKIN", "APP_LAYOUT"})
        m_pVariables->SetOrAppend(name, "0", 0);
    m_pVariables->SetOrAppend("APP_CLIENT", "-1", 0);
}

void SGameObjects::SetParser(SD3D6Parser* parser) {
    if (m_pGameItems != nullptr)
        m_pGameItems->m_pParser = parser;
}

void SGameObjects::ReleaseParser() {
    if (m_pGameItems != nullptr)
        m_pGameItems->ReleaseParser();
}

int SGameObjects::GetVersionString(char* buffer, int size) {
    if (m_pGameItems != nullptr)
        m_pGameItems->GetVersionString(buffer, size);
    return 0;
}

void SGameObjects::LoadGameDll() {
    const SString path = SGameDLL::FindLibraryPath(m_sStartDir);
    delete m_pGameDLL;
    m_pGameDLL = nullptr;
    m_pGameDLL = new SGameDLL(path.GetString());
    m_pGameDLL->HandOver(m_pGameItems, m_sBasePathRaw);
    SGameDLL::FindGameCommandOfKind(m_pGameItems->m_pCommands, "2", m_sAxisCommand2);
    SGameDLL::FindGameCommandOfKind(m_pGameItems->m_pCommands, "3", m_sAxisCommand3);
}

void SGameObjects::ExecDefaultBindings() {
    if (m_pInput == nullptr)
        return;
    // The script's bind and alias lines land in whatever input object the hub holds, so a
    // scratch one stands in while it runs.
    SInputObj* live = m_pInput;
    SInputObj scratch;
    m_pInput = &scratch;
    try {
        RunConsoleLine("exec defcmds.cfg");
    } catch (...) {
        m_pInput = live;
        throw;
    }
    m_pInput = live;
    MergeDefaultBindings(scratch);
}

void SGameObjects::MergeDefaultBindings(SInputObj& defaults) {
    const SInputObjSettings& records = defaults.GetSettings();
    for (int i = 0; i < records.GetCommandCount(); ++i) {
        const SInputObjCommand* record = records.GetCommand(i);
        const char* name = record->m_sName.GetString();
        const char* display = record->m_sDisplayName.GetString();
        if (SInputObjCommand* live = m_pInput->GetCommandByName(name)) {
            live->m_sDisplayName = record->m_sDisplayName;
        } else if (m_pInput->FindCommandByCodes(record->m_iKeyCode, record->m_iMouseCode, record->m_iJoyCode) >= 0) {
            // The user has given that input to something else; the new command waits unbound.
            m_pInput->AddCommand(name, display, record->m_iType, -1, -1, -1);
        } else {
            m_pInput->AddCommand(name, display, record->m_iType, record->m_iKeyCode, record->m_iMouseCode,
                                 record->m_iJoyCode);
        }
    }
}

void SGameObjects::Shutdown() {
    // The application has let go of the screens, the cursor and the interface font by now:
    // they hold catalog resources, which go with the catalog below.
    if (m_pGameItems != nullptr && m_pGameItems->m_pCatalog == m_pCatalog)
        m_pGameItems->m_pCatalog = nullptr;
    ForgetCatalog();
    delete m_pCatalog;
    m_pCatalog = nullptr;
    if (m_pInput != nullptr)
        m_pInput->Cleanup();
    if (m_pGameItems != nullptr)
        m_pGameItems->EndParserSession();
}

void SGameObjects::ForgetCatalog() {
    // The sound manager outlives a catalog that start-up makes anew or shut-down deletes.
    if (m_pCatalog != nullptr && m_pGameItems != nullptr && m_pGameItems->m_pSound != nullptr)
        m_pGameItems->m_pSound->ForgetCatalog(m_pCatalog);
    if (m_pRendererCatalog != nullptr && m_pRendererCatalog->GetResourceCatalog() == m_pCatalog) {
        m_pRendererCatalog->SetResourceCatalog(nullptr);
        if (SParser::GetCatalog() == m_pRendererCatalog)
            SParser::SetCatalog(nullptr);
    }
    // The pages find their layouts through the window's catalog: it must not outlive this one.
    if (m_pCatalog != nullptr && SWindow::GetResourceCatalog() == m_pCatalog)
        SWindow::SetResourceCatalog(nullptr);
}

void SGameObjects::ExecInputCommand(const char* text) { RunConsoleLine(text); }

void SGameObjects::SendAxisCommands(int32_t a, int32_t b) {
    SString line;
    if (AxisCommandLine(a, s_iLastAxisA, m_sAxisCommand3, line))
        RunConsoleLine(line.GetString());
    s_iLastAxisA = a;
    if (AxisCommandLine(b, s_iLastAxisB, m_sAxisCommand2, line))
        RunConsoleLine(line.GetString());
    s_iLastAxisB = b;
}

bool SGameObjects::AxisCommandLine(int32_t value, int32_t previous, const SString& command, SString& line) {
    // Without a command for the axis there is nothing to run; "+ 5" would reach the library.
    if (value == previous || command.IsEmpty())
        return false;
    if (value != 0)
        line.Format("+%s %d", command.GetString(), value);
    else
        line.Format("-%s", command.GetString());
    return true;
}

// Input fires commands with nobody to read an answer, so the response is dropped.
void SGameObjects::RunConsoleLine(const char* text) {
    if (m_pInterpreter == nullptr || text == nullptr)
        return;
    SString response;
    m_pInterpreter->ExecuteLine(SString(text), response);
}
