#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/SObjectDef.h"
#include "core/SString.h"
#include "sys/classlib/CString.h"

// Reads object-definition scripts (OBJECT blocks of set lines, nested blocks, base
// definitions, #include) into a target list of definitions, and writes definitions back as
// the same text. The front-end screens make one to load "DefEquip.cfg", the model files and
// other definition files. The parser does not own the target list; it hands every top-level
// definition it files to that list, whose holder then owns it.
//
// Script syntax errors are reported in a message box and reading goes on with the next line;
// a file that cannot be read ends the reading of that file silently. While a file is read, its
// first error is held and the rest only counted, so that a damaged file costs one box that
// shows the first error and how many more there were. Lines fed one at a time show each error
// at once, unless a command file is being run (see SScriptErrorHold). An include of a file that
// is being read already (a file that includes itself, directly or through others) is refused
// and told as an error, and one read, includes and all, stops when it passes kMaxFilesPerRead
// files, kMaxLinesPerRead lines or kMaxBytesPerRead bytes (inside a line too), which the box
// always tells.
// Errors held for one box: the first, how many followed it, and why a read stopped.
struct SHeldScriptErrors {
    std::string first;
    uint64_t more = 0;
    std::string stopped;

    bool IsEmpty() const { return first.empty() && stopped.empty(); }
    void Add(const std::string& text);
    void Stop(const std::string& text);
    // Takes over what another holder held, as if its errors had come here.
    void Take(SHeldScriptErrors& other);
    // The box text: why the read stopped, the first error, and the count of the rest in `file`.
    std::string Text(const std::string& file) const;
    // A count as the messages write it, its digits grouped by threes: "3,999".
    static std::string Grouped(uint64_t count);
};

// Holds the script errors told while a command file runs, from every parser of the process and
// from the console, and shows them as one box when the outermost hold ends: a script of bad
// object lines costs one box, as a damaged file read does. Holds nest; the outermost one names
// the file. Made and ended on the thread that runs the console.
class SScriptErrorHold {
public:
    explicit SScriptErrorHold(const char* fileName);
    ~SScriptErrorHold();
    SScriptErrorHold(const SScriptErrorHold&) = delete;
    SScriptErrorHold& operator=(const SScriptErrorHold&) = delete;

    // The errors of the open hold; null when none is open.
    static SHeldScriptErrors* Held();
};

class SObjectParser {
public:
    // Block states: outside any block, after an OBJECT line before its "{", inside a block.
    enum BlockState { kOutside = 0, kAfterObject = 1, kInBlock = 2 };

    // How many script files may be open at once, the outermost one included; an include that
    // would go deeper is refused and told.
    static constexpr int kMaxNesting = 16;
    // Bounds of one outermost read with everything it includes; a kit or model file is a few
    // hundred lines.
    static constexpr int kMaxFilesPerRead = 1000;
    static constexpr int kMaxLinesPerRead = 1000000;
    static constexpr uint64_t kMaxBytesPerRead = 64ull << 20;

    SObjectParser();
    virtual ~SObjectParser();
    SObjectParser(const SObjectParser&) = delete;
    SObjectParser& operator=(const SObjectParser&) = delete;

    // Reads a script file line by line. An include names its file relative to the folder of
    // the outermost file being read. Blocks that the outermost read opened and left open are
    // closed as "}" would close them when it ends; blocks opened before it (by lines fed one at
    // a time) stay open for the lines that follow, in the state the read's lines left them.
    virtual void ParseFile(const char* fileName);
    // Writes ToText as a text file, created or truncated. False when it could not be written.
    virtual bool SaveFile(const char* path);
    // The script text of every definition of the target list, in list order.
    virtual CString ToText();

    // Line handlers; each reads its tokens from the rest of the current line.
    virtual void OnObjectLine();
    // A line whose first word is no keyword: that word is the key, the next token the value.
    virtual void OnValueLine(const CString& key);
    virtual void OnSetLine();
    virtual void OnCloseBlock();

    // Sets the list that receives top-level definitions; answers the previous one.
    SObjectDefList* SetDefList(SObjectDefList* list);
    SObjectDefList* GetDefList() const { return m_pDefList; }

    // Reads a file's set lines into one definition: def when given, else a new definition
    // (derived from the target list's baseName when one is named). The definition is named
    // after the file and answered; null when the named base does not exist.
    SObjectDef* ParseFileInto(const char* fileName, const char* baseName, SObjectDef* def);

    // The line reader: handles one script line. Answers 1 while a definition is open, 0
    // otherwise and after a syntax error.
    int ParseLine(const char* line);

    // The script text of one definition and its children at a nesting depth (the indent in
    // spaces).
    static CString WriteDefinition(const SObjectDef& def, int depth);

    // The definition whose block is open; null outside any block.
    SObjectDef* GetCurrent() const { return m_pCurrent; }
    int GetBlockState() const { return m_nBlockState; }
    // How many script files are being read at this moment, by every parser together.
    static int GetNestingLevel();

private:
    // Handles a line the parser may change in place: the reader's own lines are read without
    // a copy, however long.
    int ParseOwnLine(std::string& line);
    int ParseCurrentLine();
    // The next token of the rest of the line, trimmed at both ends, as GetNextToken takes it:
    // a view into the line, ended in place by a NUL.
    std::string_view TakeToken();
    CString NextToken();
    void SyntaxError(const char* token);
    // Shows an error at once when no file is being read, else holds the first and counts the
    // rest for ShowHeldErrors.
    void ReportError(const std::string& text);
    void ShowHeldErrors();
    // Answers whether an include may be read now, telling why not when it may not.
    bool MayInclude(const char* name, const CString& path);
    // Top-level definitions by name while a file is read (list order decides between equal
    // names, as SObjectDefList::FindByName does); the plain list walk otherwise.
    SObjectDef* FindTopLevel(const char* name) const;
    void FileTopLevel(SObjectDef* def);
    void IndexTopLevel();
    // Makes def current, keeping the definition it replaces on the stack.
    void OpenDefinition(SObjectDef* def);
    // How many definitions are open, the current one included.
    int OpenLevel() const;
    // Closes the blocks open above the level `floor`.
    void CloseBlocksAbove(int floor);
    void ReadLines(const CString& path);
    // Stops the outermost read and tells why.
    void StopRead(const std::string& why);

    SObjectDef* m_pCurrent = nullptr;
    // The enclosing open definitions, innermost at the head.
    SObjectDefList m_openDefinitions;
    int m_bInDefinition = 0;
    SObjectDefList* m_pDefList = nullptr;
    int m_nBlockState = kOutside;
    // The line being handled and where its rest starts.
    std::string m_strLine;
    size_t m_nRestAt = 0;
    SString m_strOutermostFile;
    // Files this parser is reading now; 0 when it reads none.
    int m_nDepth = 0;
    // The files being read now, outermost first, as full paths of this machine.
    std::vector<std::string> m_openFiles;
    // Counts of the outermost read so far, against its bounds.
    int m_nFilesRead = 0;
    int m_nLinesRead = 0;
    uint64_t m_nBytesRead = 0;
    bool m_bReadStopped = false;
    // The lowest open level the outermost read has reached: blocks above it were opened by it.
    int m_nReadFloor = 0;
    // The errors of the outermost read.
    SHeldScriptErrors m_held;
    // Top-level definitions by folded name, filled when an outermost read starts; empty
    // otherwise.
    std::unordered_map<std::string, SObjectDef*> m_topLevel;
    bool m_bIndexed = false;
};
