#include "app/CConfigData.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/CGraphicsData.h"
#include "app/CServerData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "core/SCommandInterpreter.h"
#include "core/STextUtil.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CStdioFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"
#include "sys/signals.h"

IMPLEMENT_SERIAL(CConfigHeader, CObject, 1)
IMPLEMENT_SERIAL(CConfigData, CObject, 1)

namespace {

constexpr const char* kSysProfile = "cfg_sysprofile";

}  // namespace

CConfigHeader::CConfigHeader()
    : m_sTitle("Tarvex Configuration"), m_sMaker("Quellon Interactive"), m_sVersion("1.0"), m_fVersion(1.0f) {}

void CConfigHeader::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_sTitle << m_sMaker << m_sVersion;
    } else {
        ar >> m_sTitle >> m_sMaker >> m_sVersion;
        m_fVersion = static_cast<float>(std::atof(m_sVersion.GetString()));
    }
}

CConfigData::CConfigData()
    : m_pSystem(new CSystemData), m_pGraphics(new CGraphicsData), m_pSound(new CSoundData), m_pServer(new CServerData) {
    SetProfile(1);
    m_iSysProfile = -1;
}

CConfigData::~CConfigData() {
    delete m_pSystem;
    delete m_pGraphics;
    delete m_pSound;
    delete m_pServer;
}

void CConfigData::Serialize(CArchive& ar) {
    m_Header.Serialize(ar);
    m_pSystem->Serialize(ar);
    m_pGraphics->Serialize(ar);
    m_pSound->Serialize(ar);
    m_pServer->Serialize(ar);
}

bool CConfigData::SetVariable(const char* name, const char* value, int /*flag*/) {
    if (configvars::NameIs(name, kSysProfile)) {
        // Only stored: "default.cfg" ends with this line, and applying the level there would
        // overwrite the user's own settings written above it.
        m_iSysProfile = ReadSettingInt(value);
        return true;
    }
    return m_pSystem->SetVariable(name, value) || m_pGraphics->SetVariable(name, value) ||
           m_pSound->SetVariable(name, value) || m_pServer->SetVariable(name, value) ||
           (m_pInputSettings != nullptr && m_pInputSettings->SetVariable(name, value));
}

bool CConfigData::GetVariable(const char* name, SString& value, int /*flag*/) const {
    if (configvars::NameIs(name, kSysProfile)) {
        value.Format("%d", m_iSysProfile);
        return true;
    }
    return m_pSystem->GetVariable(name, value) || m_pGraphics->GetVariable(name, value) ||
           m_pSound->GetVariable(name, value) || m_pServer->GetVariable(name, value) ||
           (m_pInputSettings != nullptr && m_pInputSettings->GetVariable(name, value));
}

bool CConfigData::ListVariables(CArray<SString>& names, int /*flag*/) const {
    names.Add(SString(kSysProfile));
    m_pSystem->ListVariables(names);
    m_pGraphics->ListVariables(names);
    m_pSound->ListVariables(names);
    m_pServer->ListVariables(names);
    if (m_pInputSettings != nullptr)
        m_pInputSettings->ListVariables(names);
    return true;
}

void CConfigData::SetProfile(int level) {
    m_iSysProfile = level;
    m_pGraphics->ApplyProfile(level);
    m_pSound->ApplyProfile(level);
}

void CConfigData::Write(const SConfigTextWriter& write) const {
    // A control character in a name or a value (from a script or a library line) would make the
    // next start set the whole file aside as damaged: each is written as "?" instead. Line feeds
    // are the writers' own line ends, and a tab is text.
    std::string clean;
    const SConfigTextWriter text = [&write, &clean](const char* piece) {
        clean = piece;
        MarkControlCharacters(clean, true);
        write(clean.c_str());
    };
    if (m_pInputSettings != nullptr)
        m_pInputSettings->WriteConfigPairs(text);
    m_pSystem->Write(text);
    m_pGraphics->Write(text);
    m_pSound->Write(text);
    m_pServer->Write(text);
    text("\n--\n\n");
    configvars::WriteIntLine(text, kSysProfile, m_iSysProfile);
}

void CConfigData::Write(CStdioFile& file) const {
    Write([&file](const char* text) { file.WriteString(text); });
}

std::string CConfigData::SavedText() const {
    std::string text;
    Write([&text](const char* piece) {
        for (const char* c = piece; *c != '\0'; ++c) {
            if (*c == '\n')
                text += '\r';
            text += *c;
        }
    });
    return text;
}

uint64_t CConfigData::SavedSize() const { return SavedText().size(); }

void CConfigData::ResetSettings() {
    const CConfigData fresh;
    *m_pSystem = *fresh.m_pSystem;
    m_pGraphics->TakeSettings(*fresh.m_pGraphics);
    *m_pSound = *fresh.m_pSound;
    *m_pServer = *fresh.m_pServer;
    m_iSysProfile = fresh.m_iSysProfile;
    if (m_pInputSettings != nullptr)
        *m_pInputSettings = SInputObjSettings();
}

CConfigData::TextState CConfigData::CheckText(const char* fileName) {
    CFile file;
    if (!file.Open(fileName, CFile::modeRead))
        return kTextUnreadable;
    unsigned char buffer[4096];
    // A carriage return not yet followed by the line feed that ends its line.
    bool lineReturned = false;
    uint64_t total = 0;
    try {
        for (unsigned read = 0; (read = file.Read(buffer, sizeof(buffer))) > 0;) {
            // A run stops at its bound: the settings after it would be lost to the next save.
            total += read;
            if (total > SCommandInterpreter::kMaxExecBytes)
                return kTextTooLong;
            for (unsigned i = 0; i < read; ++i) {
                const unsigned char c = buffer[i];
                const bool control = c < 0x20 || c == 0x7F;
                if (control && c != '\t' && c != '\n' && c != '\r' && c != 0x1A)
                    return kTextDamaged;
                if (c == '\r' || c == '\n')
                    lineReturned = c == '\r';
                else if (lineReturned && c != ' ' && c != '\t' && c != 0x1A)
                    return kTextDamaged;
            }
        }
    } catch (const CFileException&) {
        return kTextUnreadable;
    }
    return kTextReadable;
}

bool CConfigData::HoldsNoKnownCommand(const char* fileName, const std::function<bool(const char* word)>& known) {
    CStdioFile file;
    if (!file.Open(fileName, CFile::modeRead | CFile::typeText))
        return false;
    // Read a whole line at a time, as the command files are run, up to what one run reads.
    std::string line;
    uint64_t bytes = 0;
    bool text = false;
    bool firstLine = true;
    try {
        while (SCommandInterpreter::ReadLine(file, line, bytes, SCommandInterpreter::kMaxExecBytes) ==
               SCommandInterpreter::kReadLine) {
            if (sys::signals::IsCloseRequested())
                return false;
            char* first = line.data();
            if (firstLine)
                first += SCommandInterpreter::AfterByteOrderMark(first) - first;
            firstLine = false;
            while (*first == ' ' || *first == '\t' || *first == '\r' || *first == '\n')
                ++first;
            // Blank lines and comments are skipped by the interpreter: they are no sign of damage.
            if (*first == '\0' || (first[0] == '-' && first[1] == '-'))
                continue;
            text = true;
            // The command word ends at the first blank, as the interpreter cuts it.
            char* end = first;
            while (*end != '\0' && *end != ' ' && *end != '\r' && *end != '\n')
                ++end;
            *end = '\0';
            if (known(first))
                return false;
        }
    } catch (const CFileException&) {
        return false;
    }
    return text;
}

void CConfigData::SaveToFile(const char* fileName) const {
    const char* target = fileName != nullptr ? fileName : "";
    // The file layer's atomic write: a temporary file made new beside it, flushed to the disk
    // and renamed over it, so the file is either the old or the new text.
    if (!sys::fs::WriteFileAtomically(target, SavedText())) {
        const int osError = errno;
        // A file being made cannot itself be missing: its folder is.
        ThrowFileException(osError == ENOENT ? CFileException::badPath : CFileException::CauseFromOsError(osError),
                           osError, target);
    }
}
