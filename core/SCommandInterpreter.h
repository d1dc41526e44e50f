#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/SString.h"

class CStdioFile;
class SConsoleHost;
class SInterpreter;

// A command handler: the interpreter, the row's name as the table writes it, the mode
// (kExecute or kDescribe) and the response to write into. Handlers report through the
// response only.
using SCommandHandler = void (*)(SInterpreter* interpreter, const char* name, int mode, SString& response);

// One row of a command table; a table ends with a row whose name is null.
struct SInterpreterCommand {
    const char* name;
    SCommandHandler handler;
};

// A small line interpreter: a fixed table of named commands and the line being executed, cut
// into tokens in place. The line's tokenizer belongs to the interpreter, so handlers continue
// reading their arguments from where the command word stopped, and nothing outside (no other
// line, no other interpreter) can disturb the position. Not re-entrant except through nested
// runs that begin after the outer handler has read its arguments.
class SInterpreter {
public:
    static constexpr int kExecute = 0;
    static constexpr int kDescribe = 1;
    // The line buffer starts this large and grows to hold a longer line whole: a settings line
    // the game writes is read back as it was written, however long.
    static constexpr int kLineBufferSize = 1024;

    SInterpreter();
    virtual ~SInterpreter();
    SInterpreter(const SInterpreter&) = delete;
    SInterpreter& operator=(const SInterpreter&) = delete;

    // Runs the first table row named like the line's first word (any case); false when none.
    virtual bool ExecuteLine(const SString& line, SString& response);
    // The next argument of the line being executed: a token on the given separators, with an
    // argument that begins with a double quote running to the closing quote (quotes dropped),
    // and tokens of white space only skipped. Empty when the line has nothing more.
    virtual void NextToken(SString& out, const char* separators);
    virtual const SInterpreterCommand* GetCommandTable() const;
    virtual char* GetLineBuffer();

    // The raw next token on the given separators (separators before it skipped, the one after
    // it overwritten), continuing the line being executed; null when none is left.
    char* TakeToken(const char* separators);

protected:
    // Copies the line into the buffer and starts tokenizing it.
    void LoadLine(const char* text);
    void SetCommandTable(const SInterpreterCommand* table) { m_pTable = table; }

private:
    // Grows and never shrinks: a nested run of a longer line moves it only while the outer
    // line's handler, done with its arguments, waits for the run to end.
    std::string m_Line;
    char* m_pNextToken = nullptr;  // where the tokenizer continues; null when nothing is loaded
    const SInterpreterCommand* m_pTable;
};

// The system's one console interpreter: decides who gets each line (the library's object
// block, the library's game commands, the input object's aliases, the built-in commands, or
// the library's general parser) and runs command files. The hub owns it; it reaches the rest
// of the program only through the console host it is given (which it does not own).
class SCommandInterpreter : public SInterpreter {
public:
    // Command states sent to the library with a game command.
    static constexpr int kStatePressed = 0;
    static constexpr int kStateReleased = 1;
    static constexpr int kStatePlain = 2;
    // Game-command kinds the console knows: one-shot commands and point commands.
    static constexpr int kKindOneShot = 1;
    static constexpr int kKindPoint = 6;
    // The library state in which point commands take the light-gun ray.
    static constexpr int kGameStateAiming = 7;
    // Command files may run command files this many levels deep (a file that runs itself stops
    // there instead of recursing until the stack is gone).
    static constexpr int kMaxExecDepth = 16;
    // One command file, with all it runs, may run at most this many files: far more than a
    // script of scripts needs, but a file that runs itself twice would otherwise run 2^16 - 1 times
    // before the depth stops it, within the one console line or start-up step that began it.
    // A file looked for and not found counts too: each search costs a look through its folder.
    static constexpr int kMaxExecFiles = 10000;
    // Command files are read this many characters at a time; the pieces of a longer line are
    // joined, so that it runs whole.
    static constexpr int kFileReadSize = 512;
    // One command file, with all it runs, is read up to this many bytes: a settings or start-up
    // file is a few kilobytes, and a file far past that is damage that must not hold the
    // program. The run is cut there and the file named.
    static constexpr uint64_t kMaxExecBytes = 512u << 10;
    // The reply of one run keeps about this much text; the lines after it still run.
    static constexpr size_t kMaxExecReply = 1u << 20;
    // The first piece of a command file past the UTF-8 byte-order mark that some editors put
    // in front of the text: the mark is no part of the first line's command word.
    static const char* AfterByteOrderMark(const char* piece);
    enum LineRead { kReadLine, kReadEnd, kReadCut };
    // The next line of a command file into `line` (its line feed kept), whole however long: a
    // line the game wrote is read back as it was written. A NUL byte is kept as read, and the
    // line still ends at its own line feed. Its bytes are added to `bytes`; a line that takes
    // them past `bound` is not read (kReadCut), so the line held never grows past the bound.
    static LineRead ReadLine(CStdioFile& file, std::string& line, uint64_t& bytes, uint64_t bound);
    // What a run stopped at kMaxExecBytes says of the file it was reading.
    static std::string RunCutText(const char* fileName);

    explicit SCommandInterpreter(SConsoleHost* host = nullptr);
    ~SCommandInterpreter() override;

    bool ExecuteLine(const SString& line, SString& response) override;
    // Runs a command file line by line; false (and "%s not found") when it cannot be opened,
    // or when command files are already nested kMaxExecDepth deep or the outermost file has
    // run as many as the file limit allows. A termination request (Ctrl+C, SIGTERM) stops the
    // file before its next line, and it answers false; so does a run cut at kMaxExecBytes.
    // Script errors told while the outermost file runs (object lines the library's parser
    // refuses, the cut) are shown together as one box when it ends. A byte-order mark in front
    // of the first line is passed over.
    virtual bool ExecFile(const SString& fileName, SString& response, bool show);
    // How many command files one outermost file may run with all it runs (kMaxExecFiles unless
    // set); at least 1.
    void SetExecFileLimit(int limit) { m_iExecFileLimit = limit < 1 ? 1 : limit; }
    // The last outermost file's run stopped at kMaxExecBytes.
    bool WasRunCut() const { return m_bExecCut; }

    SConsoleHost* GetHost() const { return m_pHost; }
    void SetHost(SConsoleHost* host) { m_pHost = host; }

    // The library's command list entry for a typed word: a leading "-" gives the released
    // state, a leading "+" the pressed one (plain for one-shot commands), none the plain one.
    // False when the list or the word is missing.
    bool FindGameCommand(const char* word, int& index, int& state, int& kind) const;
    // The input alias for a typed word: the first input command of that name that has steps.
    // A word with a leading "-" is never an alias; a leading "+" is dropped. -1 when none.
    int FindInputAlias(const char* word) const;

private:
    // Turns the light-gun aim into a point command with the eye position and ray angles.
    void CompleteCursorPoint(const char* word, SString& response);
    bool RunBuiltin(const char* word, SString& response);

    SConsoleHost* m_pHost;
    int m_iExecDepth = 0;
    int m_iExecFiles = 0;  // files run since the outermost one started
    int m_iExecFileLimit = kMaxExecFiles;
    uint64_t m_nExecBytes = 0;  // bytes read since the outermost file started
    bool m_bExecCut = false;    // the outermost file's run passed kMaxExecBytes
    bool m_bReplyCut = false;   // its reply passed kMaxExecReply
    // While a command file runs a line: the reply the file builds, and the response the line
    // writes to. A file that line runs adds its reply to the running file's directly instead of
    // handing it up through the response, which would copy it once more at every level.
    std::string* m_pFileReply = nullptr;
    const SString* m_pLineResponse = nullptr;
};
