#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/SString.h"
#include "dx/input/SInputObjSettings.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

class CGraphicsData;
class CServerData;
class CSoundData;
class CStdioFile;
class CSystemData;

// The title block of the configuration's archive form: a title, the maker and a version text
// (read back as a number as well). Embedded in CConfigData.
class CConfigHeader : public CObject {
    DECLARE_SERIAL(CConfigHeader)

public:
    CConfigHeader();
    ~CConfigHeader() override = default;

    void Serialize(CArchive& ar) override;

    CString m_sTitle;
    CString m_sMaker;
    CString m_sVersion;
    float m_fVersion = 0.0f;
};

// Every user setting of the program: the system, graphics, sound and server sections, the
// input bindings (which belong to the input object; this only points at them) and the detail
// level cfg_sysprofile. The console's SET, LIST and the configuration scripts reach the
// settings by name through here, and "default.cfg" is written from here. The hub owns the one
// live configuration; start-up makes a temporary one only to write a first "default.cfg".
class CConfigData : public CObject {
    DECLARE_SERIAL(CConfigData)

public:
    static constexpr int kMinProfile = 1;
    static constexpr int kMaxProfile = 5;

    // The four sections with detail level 1 applied; cfg_sysprofile -1 (not chosen yet).
    CConfigData();
    ~CConfigData() override;
    CConfigData(const CConfigData&) = delete;
    CConfigData& operator=(const CConfigData&) = delete;

    // The header, then each section's archive form.
    void Serialize(CArchive& ar) override;

    // Offered to cfg_sysprofile, then the system, graphics, sound and server sections, then
    // the input bindings; true as soon as one takes the name. The flag is passed on to nobody:
    // the input settings take no flag.
    bool SetVariable(const char* name, const char* value, int flag = 0);
    // The same order; integers as "%d", the other forms as the file has them.
    bool GetVariable(const char* name, SString& value, int flag = 0) const;
    // cfg_sysprofile, then each section's header and names, then the input names. Always true.
    bool ListVariables(CArray<SString>& names, int flag = 0) const;
    // Applies a detail level to the graphics and sound sections and stores it as
    // cfg_sysprofile.
    void SetProfile(int level);

    // The whole "default.cfg" text, input section first, through the text writer.
    void Write(const SConfigTextWriter& write) const;
    // The same into a file opened in text mode (line feeds become CR LF).
    void Write(CStdioFile& file) const;
    // The bytes SaveToFile writes now: the text, each line feed as the CR LF of a text file.
    std::string SavedText() const;
    uint64_t SavedSize() const;
    // Every setting back to what a configuration just made holds, and the attached input
    // settings to those of a new input object (no bindings, no aliases); the display drivers
    // already enumerated are kept.
    void ResetSettings();
    // Writes "default.cfg" (or another name) so that a reader never meets half a file: the
    // text goes to a temporary file beside it, which then replaces the old file. A failure
    // leaves the old file as it was and raises CFileException (cause and file name) for the
    // caller's "Could not save to %s  [%d]".
    void SaveToFile(const char* fileName) const;
    enum TextState { kTextReadable, kTextDamaged, kTextUnreadable, kTextTooLong };
    // Damaged: the file holds bytes that no text of console commands holds (control
    // characters other than tab, line ends and the old end-of-text mark, or a carriage
    // return with more of the line after it, which would run two settings as one line), so it
    // is no configuration. Too long: more bytes than one run of command files reads, so that
    // its end would never be read. Unreadable: it cannot be opened or read to its end.
    static TextState CheckText(const char* fileName);
    // Whether the file holds text of which no line begins with a word `known` takes: then it
    // is no configuration either. Lines are taken as the command files are run: a byte-order
    // mark in front is passed over, and blank lines and comments (lines that begin with "--")
    // are no text. False for a file without text, one that cannot be read, and once the
    // program is asked to end.
    static bool HoldsNoKnownCommand(const char* fileName, const std::function<bool(const char* word)>& known);

    CConfigHeader m_Header;
    SInputObjSettings* m_pInputSettings = nullptr;  // the input object's; not owned
    CSystemData* m_pSystem;
    CGraphicsData* m_pGraphics;
    CSoundData* m_pSound;
    CServerData* m_pServer;
    int32_t m_iSysProfile = -1;  // cfg_sysprofile
    // The window or full-screen choice of the game options, not yet applied: the settings page
    // compares it with game_fullscreen when it is left. Neither stored nor a variable.
    int32_t m_bPendingFullScreen = 0;
};
