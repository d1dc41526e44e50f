#include "core/SCommandInterpreter.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/SConsoleCommands.h"
#include "core/SConsoleHost.h"
#include "core/SDataCollection.h"
#include "core/SObjectParser.h"
#include "core/STextUtil.h"
#include "core/SVector.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CStdioFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/signals.h"

namespace {

// The base interpreter knows no commands until a derived one gives it a table.
const SInterpreterCommand kEmptyTable[] = {{nullptr, nullptr}};

// Point commands only fire when the light gun's point lies inside the 3D view; the right and
// bottom edges are outside, as with every rectangle of the window system.
bool InsideRect(const int rect[4], int x, int y) {
    return x >= rect[0] && x < rect[2] && y >= rect[1] && y < rect[3];
}

// Blank as the string's trimming sees it: nothing but white space.
bool IsBlank(const char* text) {
    for (; *text != '\0'; ++text) {
        if (std::isspace(static_cast<unsigned char>(*text)) == 0)
            return false;
    }
    return true;
}

// Holds the nesting depth of command files for exactly as long as one file runs.
class DepthGuard {
public:
    explicit DepthGuard(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& m_depth;
};

// Points the interpreter at the reply and the line response of the file being run, for exactly
// as long as it runs; the file that ran it gets its own back afterwards.
class ReplyGuard {
public:
    ReplyGuard(std::string*& reply, const SString*& response, std::string* text, const SString* scratch)
        : m_reply(reply), m_response(response), m_savedReply(reply), m_savedResponse(response) {
        m_reply = text;
        m_response = scratch;
    }
    ~ReplyGuard() {
        m_reply = m_savedReply;
        m_response = m_savedResponse;
    }
    ReplyGuard(const ReplyGuard&) = delete;
    ReplyGuard& operator=(const ReplyGuard&) = delete;

private:
    std::string*& m_reply;
    const SString*& m_response;
    std::string* m_savedReply;
    const SString* m_savedResponse;
};

}  // namespace

// --- SInterpreter -------------------------------------------------------------------------------

SInterpreter::SInterpreter() : m_pTable(kEmptyTable) { m_Line.reserve(kLineBufferSize); }

SInterpreter::~SInterpreter() = default;

const SInterpreterCommand* SInterpreter::GetCommandTable() const { return m_pTable; }

char* SInterpreter::GetLineBuffer() { return m_Line.data(); }

void SInterpreter::LoadLine(const char* text) {
    m_Line.assign(text != nullptr ? text : "");
    m_pNextToken = m_Line.data();
}

char* SInterpreter::TakeToken(const char* separators) {
    if (m_pNextToken == nullptr)
        return nullptr;
    const char* set = separators != nullptr ? separators : "";
    char* start = m_pNextToken + std::strspn(m_pNextToken, set);
    if (*start == '\0') {
        m_pNextToken = start;
        return nullptr;
    }
    char* end = start + std::strcspn(start, set);
    if (*end != '\0') {
        *end = '\0';
        m_pNextToken = end + 1;
    } else {
        m_pNextToken = end;
    }
    return start;
}

void SInterpreter::NextToken(SString& out, const char* separators) {
    // Every token of white space only is passed over. A token is judged where it lies in the
    // line; only the one taken is copied out.
    for (;;) {
        const char* token = TakeToken(separators);
        if (token == nullptr) {
            out.Empty();
            return;
        }
        if (token[0] == '"') {
            // A quoted argument may hold the separators: it runs to the closing quote.
            const char* rest = TakeToken("\"");
            std::string joined(token + 1);
            joined += ' ';
            joined += rest != nullptr ? rest : "";
            out = joined.c_str();
        } else {
            out = token;
        }
        if (!IsBlank(out.GetString()))
            return;
    }
}

bool SInterpreter::ExecuteLine(const SString& line, SString& response) {
    LoadLine(line.GetString());
    const char* word = TakeToken(" ");
    if (word == nullptr)
        return false;
    for (const SInterpreterCommand* row = GetCommandTable(); row->name != nullptr; ++row) {
        if (CompareTextNoCase(row->name, word) == 0) {
            row->handler(this, row->name, kExecute, response);
            return true;
        }
    }
    return false;
}

// --- SCommandInterpreter ------------------------------------------------------------------------

SCommandInterpreter::SCommandInterpreter(SConsoleHost* host) : m_pHost(host) {
    SetCommandTable(console::kBuiltinCommands);
}

SCommandInterpreter::~SCommandInterpreter() = default;

bool SCommandInterpreter::FindGameCommand(const char* word, int& index, int& state, int& kind) const {
    if (m_pHost == nullptr || word == nullptr)
        return false;
    const SDataCollection* commands = m_pHost->GetGameCommands();
    if (commands == nullptr)
        return false;
    int wordState = kStatePlain;
    if (*word == '-') {
        wordState = kStateReleased;
        ++word;
    } else if (*word == '+') {
        wordState = kStatePressed;
        ++word;
    }
    // A bare prefix names nothing; it must not match an unnamed slot of the list.
    if (*word == '\0')
        return false;
    const int found = commands->FindByName(word);
    if (found < 0)
        return false;
    index = found;
    kind = std::atoi(commands->GetValue(found).GetString());
    state = (kind == kKindOneShot && wordState == kStatePressed) ? kStatePlain : wordState;
    return true;
}

int SCommandInterpreter::FindInputAlias(const char* word) const {
    if (m_pHost == nullptr || word == nullptr || *word == '-' || !m_pHost->HasInput())
        return -1;
    if (*word == '+')
        ++word;
    // Lines are mostly no alias: the host's own search for the first command of the name
    // settles those, and a first namesake with steps. Only a first namesake without steps, or
    // a bare "+" (which matches unnamed commands), leaves the later records to look through.
    int start = 0;
    if (*word != '\0') {
        const int named = m_pHost->FindInputCommand(word);
        if (named < 0)
            return -1;
        if (m_pHost->GetInputAliasCount(named) > 0)
            return named;
        start = named + 1;
    }
    const int count = m_pHost->GetInputCommandCount();
    for (int i = start; i < count; ++i) {
        const char* name = m_pHost->GetInputCommandName(i);
        if (name != nullptr && CompareTextNoCase(name, word) == 0 && m_pHost->GetInputAliasCount(i) > 0)
            return i;
    }
    return -1;
}

bool SCommandInterpreter::RunBuiltin(const char* word, SString& response) {
    word = WithoutMark(word);
    for (const SInterpreterCommand* row = GetCommandTable(); row->name != nullptr; ++row) {
        if (CompareTextNoCase(row->name, word) == 0) {
            row->handler(this, row->name, kExecute, response);
            return true;
        }
    }
    return false;
}

void SCommandInterpreter::CompleteCursorPoint(const char* word, SString& response) {
    // The word lives in the line buffer, which the completed line is about to replace.
    const SString typed(word);
    int x = 0;
    int y = 0;
    if (!m_pHost->GetLightGunPoint(x, y))
        return;
    int viewport[4] = {0, 0, 0, 0};
    if (!m_pHost->GetViewport(viewport) || !InsideRect(viewport, x, y))
        return;
    float eye[3] = {0.0f, 0.0f, 0.0f};
    float direction[3] = {0.0f, 0.0f, 0.0f};
    if (!m_pHost->GetViewRay(x, y, eye, direction))
        return;
    const SVector angles = SVector(direction[0], direction[1], direction[2]).ToAngles();
    // The library takes positions in map units, an eighth of the renderer's.
    SString completed;
    completed.Format("%s %.2f,%.2f,%.2f, %.2f,%.2f", typed.GetString(), static_cast<double>(eye[0] * 0.125f),
                     static_cast<double>(eye[1] * 0.125f), static_cast<double>(eye[2] * 0.125f),
                     static_cast<double>(angles.x), static_cast<double>(angles.y));
    ExecuteLine(completed, response);
}

bool SCommandInterpreter::ExecuteLine(const SString& line, SString& response) {
    if (line.IsEmpty())
        return false;
    const char* text = line.GetString();
    if (text[0] == '-' && text[1] == '-')
        return false;

    const char* whole = text;
    const int wholeLength = line.GetLength();
    LoadLine(whole);
    const char* word = TakeToken(" ");

    SConsoleHost* host = m_pHost;
    if (host != nullptr && host->HasGameLibrary() && host->IsObjectBlockOpen()) {
        host->ObjectParse(whole);
        return false;
    }

    if (word != nullptr) {
        int index = -1;
        int state = kStatePlain;
        int kind = 0;
        if (FindGameCommand(word, index, state, kind)) {
            // The arguments are what follows the blank that ends the word, untouched.
            const int wordEnd = static_cast<int>(word - GetLineBuffer()) + static_cast<int>(std::strlen(word));
            const char* arguments = wordEnd < wholeLength ? whole + wordEnd + 1 : "";
            if (kind == kKindPoint && state != kStateReleased && *arguments == '\0') {
                if (host->GetGameState() != kGameStateAiming)
                    host->NotifyGunCalibrateScreen();
                else
                    CompleteCursorPoint(word, response);
                return true;
            }
            if (state != kStatePlain)
                host->NoteInputLine(word);
            if (host->HasGameLibrary())
                host->DoCommand(index, state, arguments);
            return true;
        }
        const int alias = FindInputAlias(word);
        if (alias >= 0) {
            host->ExecuteInputCommand(alias);
            return true;
        }
        if (RunBuiltin(word, response))
            return true;
    }

    return host != nullptr && host->ParseCommand(whole);
}

SCommandInterpreter::LineRead SCommandInterpreter::ReadLine(CStdioFile& file, std::string& line, uint64_t& bytes,
                                                           uint64_t bound) {
    line.clear();
    char piece[kFileReadSize];
    uint64_t at = file.GetPosition();
    for (unsigned length = 0; (length = file.ReadStringCount(piece, sizeof(piece))) > 0;) {
        // Counted by where the file stands: a text file's line ends are two bytes in it.
        const uint64_t next = file.GetPosition();
        bytes += next - at;
        at = next;
        if (bytes > bound)
            return kReadCut;
        // Taken by the count, not up to a NUL byte: one in a damaged file would hide the line
        // feed after it and run the next line into this one.
        line.append(piece, length);
        if (piece[length - 1] == '\n')
            return kReadLine;
    }
    return line.empty() ? kReadEnd : kReadLine;
}

std::string SCommandInterpreter::RunCutText(const char* fileName) {
    return std::string(fileName) + " not read to its end: more than " + SHeldScriptErrors::Grouped(kMaxExecBytes) +
           " bytes in one run";
}

const char* SCommandInterpreter::AfterByteOrderMark(const char* piece) {
    return std::strncmp(piece, "\xEF\xBB\xBF", 3) == 0 ? piece + 3 : piece;
}

bool SCommandInterpreter::ExecFile(const SString& fileName, SString& response, bool show) {
    const char* name = fileName.GetString();
    if (m_iExecDepth >= kMaxExecDepth) {
        response.Format("%s not executed: command files nested more than %d deep", name, kMaxExecDepth);
        return false;
    }
    if (m_iExecDepth == 0) {
        m_iExecFiles = 0;
        m_nExecBytes = 0;
        m_bExecCut = false;
        m_bReplyCut = false;
    }
    if (m_iExecFiles >= m_iExecFileLimit) {
        response.Format("%s not executed: more than %d command files in one run", name, m_iExecFileLimit);
        return false;
    }
    ++m_iExecFiles;
    // Opening refuses a folder as well.
    CStdioFile file;
    if (!file.Open(name, CFile::modeRead | CFile::typeText)) {
        response.Format("%s not found", name);
        return false;
    }
    const DepthGuard depth(m_iExecDepth);
    const SScriptErrorHold held(name);

    // Built up here and handed over once: a file that runs others collects their replies, and
    // growing the reply line by line would copy it whole at every line. A file run by a line of
    // the file running now writes straight into that file's reply.
    const bool nested = m_pFileReply != nullptr && &response == m_pLineResponse && response.IsEmpty();
    std::string own;
    std::string& text = nested ? *m_pFileReply : own;
    if (show)
        text += "\n";
    else if (!nested)
        text = response.GetString();
    SString scratch;
    const ReplyGuard reply(m_pFileReply, m_pLineResponse, &text, &scratch);
    int count = 0;
    bool readFailed = false;
    bool stopped = false;
    size_t lineStart = std::string::npos;  // where the line being run begins in the reply
    try {
        bool firstLine = true;
        std::string line;
        for (LineRead read = kReadEnd;
             !m_bExecCut && (read = ReadLine(file, line, m_nExecBytes, kMaxExecBytes)) != kReadEnd;) {
            // A long script must not hold the program once it is asked to end: what ran stays
            // run, and whoever runs the script learns that it did not finish.
            if (sys::signals::IsCloseRequested()) {
                stopped = true;
                break;
            }
            if (read == kReadCut) {
                // The files that ran this one stop as well: the bound is the whole run's.
                m_bExecCut = true;
                const std::string why = RunCutText(name);
                if (SHeldScriptErrors* errors = SScriptErrorHold::Held())
                    errors->Stop(why);
                text.append(why).append("\n");
                break;
            }
            // Trimmed where it lies, so that the line is copied once. Its text ends at its first
            // NUL byte, as a C reading of it would; the rest of the line is passed over.
            const char* first = firstLine ? AfterByteOrderMark(line.c_str()) : line.c_str();
            firstLine = false;
            while (*first != '\0' && std::isspace(static_cast<unsigned char>(*first)) != 0)
                ++first;
            const char* end = first + std::strlen(first);
            while (end > first && std::isspace(static_cast<unsigned char>(end[-1])) != 0)
                --end;
            if (end == first)
                continue;
            const SString command(first, static_cast<int>(end - first));
            // The line is listed before it runs, so that the reply of a file it runs follows it.
            // Past its bound the reply takes no more: the lines still run.
            lineStart = text.size();
            const bool keep = text.size() < kMaxExecReply;
            if (show && keep)
                text.append(">").append(command.GetString()).append("\n");
            const size_t listed = text.size();
            ExecuteLine(command, scratch);
            if (!keep) {
                if (!m_bReplyCut)
                    text.append("... the rest of the reply is left out\n");
                m_bReplyCut = true;
                scratch.Empty();
            } else if (!scratch.IsEmpty()) {
                text.append(scratch.GetString()).append("\n");
                scratch.Empty();
            } else if (text.size() != listed) {
                text.append("\n");
            }
            lineStart = std::string::npos;
            ++count;
        }
    } catch (CFileException&) {
        // What ran stays run; the summary still tells how much, but the run is not a success.
        // A line that failed half-way is not in the reply, nor is anything it ran.
        if (lineStart != std::string::npos)
            text.resize(lineStart);
        readFailed = true;
    }
    file.Abort();

    if (show)
        text += "\n";
    text.append("Executed ").append(name).append(" [").append(std::to_string(count)).append(" commands]");
    if (!nested)
        response = text.c_str();
    return !readFailed && !stopped && !m_bExecCut;
}
