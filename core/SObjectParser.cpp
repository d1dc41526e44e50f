#include "core/SObjectParser.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "core/SFileSystem.h"
#include "core/STextUtil.h"
#include "sys/classlib/CStdioFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"
#include "sys/signals.h"
#include "sys/text.h"
#include "sys/window/dialogs.h"

namespace {

// Script files being read right now, by every parser of the process together.
std::atomic<int> g_nNesting{0};

// Message boxes carry the product title.
constexpr const char* kCaption = "Tarvex";

// Files are read this many bytes at a time.
constexpr size_t kPieceSize = 4096;
// A line this long is given room for the whole read at once: doubling it towards the bound
// would hold half as much again while it moves.
constexpr size_t kLongLine = 1u << 20;

// The hold that command files open: how deep, the file the outermost one runs, what it holds.
int g_nHolds = 0;
std::string g_strHoldFile;
SHeldScriptErrors g_held;

// White space as the class library's string trims it.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsKeyword(std::string_view token, std::string_view keyword) { return sys::text::EqualNoCase(token, keyword); }

bool StartsWithComment(std::string_view text) { return text.size() >= 2 && text[0] == '/' && text[1] == '/'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Grouped(uint64_t count) { return SHeldScriptErrors::Grouped(count); }

// Keeps both nesting counts right however the reading of a file ends.
class NestingScope {
public:
    explicit NestingScope(int& depth) : m_depth(depth)
    {
        ++g_nNesting;
        ++m_depth;
    }
    ~NestingScope()
    {
        --m_depth;
        --g_nNesting;
    }
    NestingScope(const NestingScope&) = delete;
    NestingScope& operator=(const NestingScope&) = delete;

private:
    int& m_depth;
};

}  // namespace

// ---- Held errors ------------------------------------------------------------------------------

std::string SHeldScriptErrors::Grouped(uint64_t count) { return sys::text::Grouped(count); }

void SHeldScriptErrors::Add(const std::string& text)
{
    if (first.empty())
        first = text;
    else
        ++more;
}

void SHeldScriptErrors::Stop(const std::string& text)
{
    if (stopped.empty())
        stopped = text;
    else
        Add(text);
}

void SHeldScriptErrors::Take(SHeldScriptErrors& other)
{
    if (!other.stopped.empty())
        Stop(other.stopped);
    if (!other.first.empty()) {
        if (first.empty()) {
            first = other.first;
            more += other.more;
        } else {
            more += 1 + other.more;
        }
    }
    other = SHeldScriptErrors();
}

std::string SHeldScriptErrors::Text(const std::string& file) const
{
    // Why a read stopped comes first: it says that what follows is not all.
    std::string text = stopped;
    if (!first.empty()) {
        if (!text.empty())
            text += "\n\n";
        text += first;
    }
    if (more > 0)
        text += "\n\n... and " + Grouped(more) + (more == 1 ? " more error in " : " more errors in ") + file;
    return text;
}

SScriptErrorHold::SScriptErrorHold(const char* fileName)
{
    if (g_nHolds++ == 0) {
        g_strHoldFile = SFileSystem::GetFileName(fileName != nullptr ? fileName : "").GetString();
        g_held = SHeldScriptErrors();
    }
}

SScriptErrorHold::~SScriptErrorHold()
{
    if (--g_nHolds > 0 || g_held.IsEmpty())
        return;
    const std::string text = g_held.Text(g_strHoldFile);
    g_held = SHeldScriptErrors();
    sys::dialogs::MessageBox(text, kCaption, sys::MB_OK);
}

SHeldScriptErrors* SScriptErrorHold::Held() { return g_nHolds > 0 ? &g_held : nullptr; }

// ---- Parser -----------------------------------------------------------------------------------

SObjectParser::SObjectParser() = default;

SObjectParser::~SObjectParser()
{
    // Blocks opened line by line and never closed: a definition that no list holds yet
    // belongs to nobody but the parser.
    if (m_pCurrent != nullptr && !m_pCurrent->IsFiled())
        m_pCurrent->Release();
    while (!m_openDefinitions.IsEmpty()) {
        SObjectDef* def = static_cast<SObjectDef*>(m_openDefinitions.RemoveHead());
        if (def != nullptr && !def->IsFiled())
            def->Release();
    }
}

SObjectDefList* SObjectParser::SetDefList(SObjectDefList* list)
{
    SObjectDefList* previous = m_pDefList;
    m_pDefList = list;
    if (m_nDepth > 0)
        IndexTopLevel();
    return previous;
}

int SObjectParser::GetNestingLevel() { return g_nNesting.load(); }

// ---- Reading ----------------------------------------------------------------------------------

void SObjectParser::ParseFile(const char* fileName)
{
    if (fileName == nullptr)
        return;
    if (m_nDepth > 0) {
        // Includes are found beside the outermost file, whichever file names them.
        const CString path = SFileSystem::GetDirectory(m_strOutermostFile.GetString(), true) + fileName;
        if (!MayInclude(fileName, path))
            return;
        NestingScope scope(m_nDepth);
        ReadLines(path);
        return;
    }
    // Another parser's read may hold the whole nesting already.
    if (g_nNesting.load() >= kMaxNesting)
        return;
    m_strOutermostFile = fileName;
    m_openFiles.clear();
    m_nFilesRead = 0;
    m_nLinesRead = 0;
    m_nBytesRead = 0;
    m_bReadStopped = false;
    m_held = SHeldScriptErrors();
    // Lines fed one at a time may have opened blocks that go on after this read.
    m_nReadFloor = OpenLevel();
    IndexTopLevel();
    {
        NestingScope scope(m_nDepth);
        ReadLines(fileName);
    }
    CloseBlocksAbove(m_nReadFloor);
    m_bIndexed = false;
    m_topLevel.clear();
    ShowHeldErrors();
    m_strOutermostFile.Empty();
}

bool SObjectParser::MayInclude(const char* name, const CString& path)
{
    // What stopped the read has been told already.
    if (m_bReadStopped)
        return false;
    std::string why;
    if (g_nNesting.load() >= kMaxNesting) {
        why = "files nested more than " + std::to_string(kMaxNesting) + " deep";
    } else if (m_nFilesRead >= kMaxFilesPerRead) {
        why = "more than " + Grouped(kMaxFilesPerRead) + " files in one read";
    } else {
        const std::string full = sys::fs::FullPath(path.GetString());
        for (const std::string& open : m_openFiles) {
            if (open == full) {
                why = "it is being read already (a file may not include itself)";
                break;
            }
        }
    }
    if (why.empty())
        return true;
    ReportError(std::string(name) + " not included: " + why);
    return false;
}

void SObjectParser::ReadLines(const CString& path)
{
    m_openFiles.push_back(sys::fs::FullPath(path.GetString()));
    ++m_nFilesRead;
    try {
        CStdioFile file;
        if (file.Open(path, CFile::modeRead | CFile::typeText)) {
            const uint64_t length = file.GetLength();
            // A line is put together from pieces, so no value is ever cut however long the
            // writer made it, and yet no line holds more than the whole read may.
            std::string line;
            bool silenced = false;  // a NUL byte ended what the line can say
            char piece[kPieceSize];
            uint64_t at = file.GetPosition();
            while (!m_bReadStopped && at < length && file.ReadString(piece, sizeof(piece)) != nullptr) {
                const uint64_t next = file.GetPosition();
                const size_t stored = static_cast<size_t>(std::min<uint64_t>(next - at, sizeof(piece) - 1));
                m_nBytesRead += next - at;
                at = next;
                // A request to end the program is not kept waiting by a long file, nor by a line
                // of megabytes (a file of zeros is one such line up to the bound).
                if (sys::signals::IsCloseRequested()) {
                    m_bReadStopped = true;
                    break;
                }
                if (m_nBytesRead > kMaxBytesPerRead) {
                    StopRead("more than " + Grouped(kMaxBytesPerRead) + " bytes in one read");
                    break;
                }
                const char* end = static_cast<const char*>(std::memchr(piece, '\n', stored));
                const size_t text = end != nullptr ? static_cast<size_t>(end - piece) : stored;
                const char* zero = static_cast<const char*>(std::memchr(piece, '\0', text));
                const size_t kept = zero != nullptr ? static_cast<size_t>(zero - piece) : text;
                if (!silenced) {
                    if (line.size() < kLongLine && line.size() + kept >= kLongLine)
                        line.reserve(kMaxBytesPerRead);  // grown once, not doubled past the bound
                    line.append(piece, kept);
                }
                silenced = silenced || kept < text;
                if (end == nullptr && at < length)
                    continue;
                if (++m_nLinesRead > kMaxLinesPerRead) {
                    StopRead("more than " + Grouped(kMaxLinesPerRead) + " lines in one read");
                    break;
                }
                ParseOwnLine(line);
                line.clear();
                silenced = false;
            }
            file.Close();
        }
    } catch (CFileException&) {
        // A file that cannot be read ends here; the including file goes on.
    }
    m_openFiles.pop_back();
}

void SObjectParser::StopRead(const std::string& why)
{
    m_bReadStopped = true;
    m_held.Stop(std::string(SFileSystem::GetFileName(m_strOutermostFile.GetString()).GetString()) +
                " not read to its end: " + why);
}

int SObjectParser::ParseLine(const char* text)
{
    std::string line(text != nullptr ? text : "");
    return ParseOwnLine(line);
}

int SObjectParser::ParseOwnLine(std::string& line)
{
    // Swapped in and back: a file included from this line reads its own lines the same way
    // and leaves this one as it was.
    const size_t outerRestAt = m_nRestAt;
    m_strLine.swap(line);
    const int answer = ParseCurrentLine();
    m_strLine.swap(line);
    m_nRestAt = outerRestAt;
    return answer;
}

int SObjectParser::ParseCurrentLine()
{
    // Trimmed in place.
    m_nRestAt = 0;
    while (m_nRestAt < m_strLine.size() && IsBlank(m_strLine[m_nRestAt]))
        ++m_nRestAt;
    size_t end = m_strLine.size();
    while (end > m_nRestAt && IsBlank(m_strLine[end - 1]))
        --end;
    m_strLine.resize(end);
    if (m_nRestAt == end || StartsWithComment(std::string_view(m_strLine).substr(m_nRestAt)))
        return m_bInDefinition;
    const std::string_view token = TakeToken();
    if (StartsWithComment(token))
        return m_bInDefinition;

    if (IsKeyword(token, "#include")) {
        const CString name = NextToken();
        if (!name.IsEmpty())
            ParseFile(name);
    } else if (IsKeyword(token, "OBJECT")) {
        if (m_nBlockState == kAfterObject) {
            SyntaxError("OBJECT");
            return 0;
        }
        OnObjectLine();
        m_nBlockState = kAfterObject;
    } else if (IsKeyword(token, "{")) {
        if (m_nBlockState != kAfterObject) {
            SyntaxError("{");
            return 0;
        }
        m_nBlockState = kInBlock;
    } else if (IsKeyword(token, "}")) {
        if (m_nBlockState != kInBlock) {
            SyntaxError("}");
            return 0;
        }
        OnCloseBlock();
        if (m_nDepth > 0 && OpenLevel() < m_nReadFloor)
            m_nReadFloor = OpenLevel();
    } else if (IsKeyword(token, "SET")) {
        if (m_nBlockState == kAfterObject) {
            SyntaxError("SET");
            return 0;
        }
        OnSetLine();
    } else {
        OnValueLine(CString(token.data(), static_cast<int>(token.size())));
    }

    if (m_pCurrent == nullptr) {
        m_nBlockState = kOutside;
        m_bInDefinition = 0;
    }
    return m_bInDefinition;
}

std::string_view SObjectParser::TakeToken()
{
    std::string_view token;
    bool quoted = false;
    // Each round either yields a token or drops one leading separator.
    while (m_nRestAt < m_strLine.size() && token.empty() && !quoted) {
        quoted = m_strLine[m_nRestAt] == '"';
        if (quoted)
            ++m_nRestAt;
        const size_t start = m_nRestAt;
        const size_t span = std::strcspn(m_strLine.c_str() + start, quoted ? "\"" : " \t\r\n");
        m_nRestAt = std::min(start + span + 1, m_strLine.size());
        token = Trimmed(std::string_view(m_strLine).substr(start, span));
    }
    // The byte after the token lies behind the rest already, so a value goes to its table as a
    // C string without a copy of its own.
    if (!token.empty()) {
        const size_t end = static_cast<size_t>(token.data() - m_strLine.data()) + token.size();
        if (end < m_strLine.size())
            m_strLine[end] = '\0';
    }
    return token;
}

CString SObjectParser::NextToken()
{
    const std::string_view token = TakeToken();
    return CString(token.data(), static_cast<int>(token.size()));
}

void SObjectParser::SyntaxError(const char* token)
{
    ReportError(std::string("Syntax Error: Invalid token '") + token + "'");
}

void SObjectParser::ReportError(const std::string& text)
{
    if (m_nDepth > 0)
        m_held.Add(text);
    else if (SHeldScriptErrors* held = SScriptErrorHold::Held())
        held->Add(text);
    else
        sys::dialogs::MessageBox(text, kCaption, sys::MB_OK);
}

void SObjectParser::ShowHeldErrors()
{
    if (m_held.IsEmpty())
        return;
    if (SHeldScriptErrors* held = SScriptErrorHold::Held()) {
        held->Take(m_held);
        return;
    }
    const std::string text = m_held.Text(SFileSystem::GetFileName(m_strOutermostFile.GetString()).GetString());
    m_held = SHeldScriptErrors();
    sys::dialogs::MessageBox(text, kCaption, sys::MB_OK);
}

void SObjectParser::IndexTopLevel()
{
    m_topLevel.clear();
    m_bIndexed = m_pDefList != nullptr;
    if (!m_bIndexed)
        return;
    // The first of equal names wins, as in the list walk.
    for (POSITION pos = m_pDefList->GetHeadPosition(); pos != nullptr;) {
        SObjectDef* def = m_pDefList->GetNext(pos);
        if (def != nullptr)
            m_topLevel.emplace(FoldedText(def->GetName()), def);
    }
}

SObjectDef* SObjectParser::FindTopLevel(const char* name) const
{
    if (m_pDefList == nullptr)
        return nullptr;
    if (!m_bIndexed)
        return m_pDefList->FindByName(name);
    const auto found = m_topLevel.find(FoldedText(name));
    return found != m_topLevel.end() ? found->second : nullptr;
}

void SObjectParser::FileTopLevel(SObjectDef* def)
{
    m_pDefList->AddTail(def);
    if (m_bIndexed)
        m_topLevel.emplace(FoldedText(def->GetName()), def);
}

void SObjectParser::OpenDefinition(SObjectDef* def)
{
    if (m_pCurrent != nullptr)
        m_openDefinitions.AddHead(m_pCurrent);
    m_pCurrent = def;
    m_bInDefinition = 1;
}

void SObjectParser::OnObjectLine()
{
    const CString token = NextToken();
    if (token.IsEmpty())
        return;
    CString name = token;
    CString baseName;
    const int colon = token.Find(':', 1);
    if (colon > 0) {
        TrimmedCopy(name, token.Left(colon));
        TrimmedCopy(baseName, token.Mid(colon + 1));
    }

    // A block for a name that exists already adds to that definition.
    SObjectDef* existing = nullptr;
    if (m_pCurrent != nullptr)
        existing = m_pCurrent->GetChildren().FindByName(name);
    else
        existing = FindTopLevel(name);
    if (existing != nullptr) {
        existing->SetFiled(true);
        OpenDefinition(existing);
        return;
    }

    // A base that is not defined yet is filed empty, so a later block of that name fills it.
    SObjectDef* base = nullptr;
    bool ownBase = false;
    if (!baseName.IsEmpty()) {
        base = FindTopLevel(baseName);
        if (base == nullptr) {
            base = new SObjectDef;
            base->SetName(baseName);
            if (m_pDefList != nullptr)
                FileTopLevel(base);
            else
                ownBase = true;  // no list to hold it: whoever derives from it keeps it
        }
    }

    SObjectDef* def = nullptr;
    if (base == nullptr) {
        def = new SObjectDef;
    } else if (CompareTextNoCase(base->GetName(), name) == 0) {
        if (!ownBase) {
            base->SetFiled(true);
            OpenDefinition(base);
            return;
        }
        def = base;  // a base no list holds is a new definition like any other
        ownBase = false;
    } else {
        def = SObjectDef::CreateLike(base);
        def->SetBase(base);
    }
    def->SetParent(m_pCurrent);
    def->SetName(name);
    def->SetFiled(false);
    if (ownBase)
        base->Release();
    OpenDefinition(def);
}

void SObjectParser::OnCloseBlock()
{
    SObjectDef* closed = m_pCurrent;
    m_pCurrent = m_openDefinitions.IsEmpty() ? nullptr : static_cast<SObjectDef*>(m_openDefinitions.RemoveHead());
    if (closed == nullptr || closed->IsFiled())
        return;
    if (m_pCurrent != nullptr) {
        m_pCurrent->GetChildren().AddTail(closed);
        return;
    }
    if (m_pDefList != nullptr && FindTopLevel(closed->GetName()) == nullptr) {
        FileTopLevel(closed);
        return;
    }
    // Nothing will ever hold it: a list of the same name exists already, or there is no list.
    closed->Release();
}

void SObjectParser::OnSetLine()
{
    const CString key = NextToken();
    OnValueLine(key);
}

void SObjectParser::OnValueLine(const CString& key)
{
    if (key.IsEmpty())
        return;
    const std::string_view value = TakeToken();
    // A line outside every block has nowhere to go and is ignored.
    if (value.empty() || m_pCurrent == nullptr)
        return;
    m_pCurrent->SetOrAppend(key, value.data(), 0);
}

int SObjectParser::OpenLevel() const { return (m_pCurrent != nullptr ? 1 : 0) + m_openDefinitions.GetCount(); }

void SObjectParser::CloseBlocksAbove(int floor)
{
    // With nothing open above the floor the state is the one the lines left: a "{" of theirs
    // for a block opened before them holds.
    if (OpenLevel() <= floor)
        return;
    // Each close pops one enclosing definition; the bound keeps a handler that pops nothing
    // from looping for ever.
    for (int left = OpenLevel() - floor; m_pCurrent != nullptr && left > 0; --left)
        OnCloseBlock();
    if (floor == 0) {
        m_pCurrent = nullptr;
        m_openDefinitions.RemoveAll();
    }
    m_nBlockState = m_pCurrent != nullptr ? kInBlock : kOutside;
    m_bInDefinition = m_pCurrent != nullptr ? 1 : 0;
}

SObjectDef* SObjectParser::ParseFileInto(const char* fileName, const char* baseName, SObjectDef* def)
{
    if (def == nullptr) {
        if (baseName == nullptr || baseName[0] == '\0') {
            def = new SObjectDef;
        } else {
            SObjectDef* base = m_pDefList != nullptr ? m_pDefList->FindByName(baseName) : nullptr;
            if (base == nullptr) {
                CString text;
                text.Format("Script Error: %s\nBase class not found: %s\n", fileName != nullptr ? fileName : "",
                            baseName);
                sys::dialogs::MessageBox(text.str(), kCaption, sys::MB_OK);
                return nullptr;
            }
            def = SObjectDef::CreateLike(base);
            def->SetBase(base);
        }
        def->SetParent(nullptr);
    }
    def->SetName(fileName);
    def->SetFiled(true);
    m_pCurrent = def;
    ParseFile(fileName);
    m_pCurrent = nullptr;
    m_nBlockState = kOutside;
    m_bInDefinition = 0;
    return def;
}

// ---- Writing ----------------------------------------------------------------------------------

CString SObjectParser::WriteDefinition(const SObjectDef& def, int depth)
{
    const CString indent(' ', depth > 0 ? depth : 0);
    CString header = def.GetName();
    if (def.HasBaseLink()) {
        const SObjectDef* base = def.GetBase();
        header += ':';
        header += base != nullptr ? base->GetName() : def.GetBaseName();
    }
    CString text = indent + "OBJECT " + header + "\n" + indent + "{\n";
    for (int i = 0; i < def.GetCount(); ++i) {
        text += indent;
        text += "    set ";
        text += def.GetName(i).GetString();
        text += " \"";
        text += def.GetValue(i).GetString();
        text += "\"\n";
    }
    const SObjectDefList& children = def.GetChildren();
    for (POSITION pos = children.GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* child = children.GetNext(pos);
        if (child != nullptr)
            text += WriteDefinition(*child, depth + 4);
    }
    text += indent;
    text += "}\n";
    return text;
}

CString SObjectParser::ToText() { return m_pDefList != nullptr ? m_pDefList->ToText() : CString(); }

bool SObjectParser::SaveFile(const char* path)
{
    try {
        CStdioFile file;
        if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText))
            return false;
        file.WriteString(ToText());
        file.Close();
        return true;
    } catch (CFileException&) {
        return false;
    }
}
