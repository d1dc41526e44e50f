// The layout script parser: words, argument lists, blocks and the item factory.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout/SLayout.h"
#include "ui/layout/SLayoutControlItems.h"
#include "ui/layout/SLayoutDrawItems.h"

const char* const SLayout::s_aComma[1] = {","};

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Keywords are compared without regard to case (ASCII letters only, as script words are).
bool SameWord(const char* pszWord, const char* pszKeyword) {
    for (; *pszWord != '\0' && *pszKeyword != '\0'; ++pszWord, ++pszKeyword) {
        const char a = *pszWord >= 'A' && *pszWord <= 'Z' ? static_cast<char>(*pszWord - 'A' + 'a') : *pszWord;
        if (a != *pszKeyword)
            return false;
    }
    return *pszWord == *pszKeyword;
}

bool HasOddQuotes(std::string_view text) {
    size_t quotes = 0;
    for (char c : text)
        quotes += c == '"' ? 1 : 0;
    return (quotes & 1) != 0;
}

// The earliest separator in the text; at one position the longest that matches there.
// Answers false when none occurs.
bool FindSeparator(std::string_view text, const std::vector<std::string_view>& separators, size_t& rPos,
                   size_t& rLength) {
    for (size_t pos = 0; pos < text.size(); ++pos) {
        size_t best = 0;
        for (std::string_view separator : separators)
            if (separator.size() > best && text[pos] == separator[0] && text.substr(pos).starts_with(separator))
                best = separator.size();
        if (best > 0) {
            rPos = pos;
            rLength = best;
            return true;
        }
    }
    return false;
}

// Block words and the kind of block each opens.
struct BlockWord {
    const char* open;
    const char* close;
    int32_t kind;
};
constexpr BlockWord kBlockWords[] = {
    {"if", "endif", SLayoutGroup::kIf},         {"group", "endgroup", SLayoutGroup::kGroup},
    {"depth", "enddepth", SLayoutGroup::kDepth}, {"cache", "endcache", SLayoutGroup::kCache},
    {"font", "endfont", SLayoutGroup::kFont},
};

// The engine's item keywords, in the order the factory knows them.
enum ItemKeyword {
    kString, kIString, kCString, kRString, kBString, kBStringTick, kImg, kImgTile, kImgDial, kButton, kSlider,
    kEdit, kRect, kFrameRect, kGrid, kLine, kDial, kAnim, kMakeButton, kMakeFont, kMakeSprite, kMakeSlider,
    kKeywordCount
};
constexpr const char* kItemKeywords[kKeywordCount] = {
    "string", "istring", "cstring", "rstring", "bstring", "bstringtick", "img", "imgtile",
    "imgdial", "button", "slider", "edit", "rect", "framerect", "grid", "line",
    "dial", "anim", "makebutton", "makefont", "makesprite", "makeslider",
};

// A layout that only parses: the engine's keywords, no application of its own.
class ParseProbe final : public SLayout {
public:
    SCatalog* GetCatalog() override { return nullptr; }
    SGraphics* GetDisplay() override { return nullptr; }
    int32_t GetValue(const char*, SDC*, SLayoutGroup*) override { return 0; }
    float GetFloatValue(const char*, SDC*, SLayoutGroup*) override { return 0.0f; }
    CString GetText(const char*, SDC*) override { return CString(); }
    SLayoutItem* CreateAppItem(const char*) override { return nullptr; }
    void OnCommand(const char*) override {}
    void EnableKeyboard(int) override {}
    void OnWindowsCreated() override {}

    bool Cut(const char* pszScript) {
        m_strScript = pszScript != nullptr ? pszScript : "";
        ParseScript();
        return IsScriptCut();
    }
};

}  // namespace

bool SLayout::NestsTooDeep(const char* pszScript) { return ParseProbe().Cut(pszScript); }

// ---- tokenizer ------------------------------------------------------------------------------

const char* SLayoutTokenizer::Next(const char* pszDelimiters) {
    const auto isDelimiter = [pszDelimiters](char c) { return c != '\0' && std::strchr(pszDelimiters, c) != nullptr; };
    while (m_nPos < m_text.size() && isDelimiter(m_text[m_nPos]))
        ++m_nPos;
    if (m_nPos >= m_text.size()) {
        m_chLast = 0;
        return nullptr;
    }
    const size_t start = m_nPos;
    while (m_nPos < m_text.size() && !isDelimiter(m_text[m_nPos]))
        ++m_nPos;
    m_chLast = 0;
    if (m_nPos < m_text.size()) {
        m_chLast = m_text[m_nPos];
        m_text[m_nPos++] = '\0';
    }
    return m_text.data() + start;
}

// ---- argument lists -------------------------------------------------------------------------

void SLayout::ReadBlockArgs(SLayoutItem* pItem, const char* const* apSeparators, int nSeparators, bool bKeep) {
    if (m_pTokenizer == nullptr || pItem == nullptr)
        return;
    const char* pszPiece = m_pTokenizer->Next("()");
    if (pszPiece == nullptr)
        return;
    std::vector<std::string_view> separators(apSeparators, apSeparators + std::max(nSeparators, 0));
    CStringArray& args = pItem->GetArgs();
    std::string text(Trimmed(pszPiece));
    std::string_view chunk = text;
    for (int pass = 0; pass < kMaxArgPasses && !chunk.empty(); ++pass) {
        // A quoted text may hold brackets: glue the pieces back together with the bracket that
        // really ended each one, up to the end of the text at most. Only the new piece's quotes
        // can change whether one is left open, so the glued text is not counted again (a quote
        // never closed would glue every bracket of the rest of the script).
        if (HasOddQuotes(chunk)) {
            text = std::string(chunk);
            for (bool open = true; open;) {
                const char chEnded = m_pTokenizer->GetLastDelimiter();
                const char* pszMore = chEnded != 0 ? m_pTokenizer->Next(")") : nullptr;
                if (pszMore == nullptr)
                    break;
                text += chEnded;
                text += pszMore;
                open = open != HasOddQuotes(pszMore);
            }
            chunk = text;
        }
        chunk = Trimmed(chunk);
        size_t pos = 0;
        size_t length = 0;
        if (!chunk.empty() && chunk[0] == '"') {
            // Up to and including the closing quote; an unclosed one takes what is there.
            const size_t close = chunk.find('"', 1);
            const size_t end = close == std::string_view::npos ? chunk.size() : close + 1;
            args.Add(CString(std::string(chunk.substr(0, end))));
            chunk.remove_prefix(end);
        } else if (FindSeparator(chunk, separators, pos, length)) {
            const std::string_view piece = Trimmed(chunk.substr(0, pos));
            if (!piece.empty()) {
                args.Add(CString(std::string(piece)));
                if (bKeep)
                    args.Add(CString(std::string(chunk.substr(pos, length))));
            }
            chunk.remove_prefix(pos + length);
        } else {
            args.Add(CString(std::string(chunk)));
            chunk = std::string_view();
        }
    }
}

// ---- parse ----------------------------------------------------------------------------------

void SLayout::ParseScript() {
    SLayoutTokenizer tokenizer(m_strScript);
    m_pTokenizer = &tokenizer;
    auto* pRoot = new SLayoutGroup(SLayoutGroup::kGroup);
    pRoot->SetLayout(this);
    SLayoutGroup* pCurrent = pRoot;
    std::vector<SLayoutGroup*> stack;

    m_byScriptCut = 0;
    while (const char* pszPiece = tokenizer.Next(" (")) {
        const CString word(std::string(Trimmed(pszPiece)));
        if (word.IsEmpty())
            continue;
        SLayoutItem* pItem = nullptr;
        bool bBlockWord = false;
        for (const BlockWord& block : kBlockWords) {
            if (SameWord(word, block.open)) {
                // A block deeper than any screen needs ends the script: what follows it would
                // hang below it, so nothing of the rest is kept.
                if (stack.size() >= static_cast<size_t>(kMaxNesting)) {
                    m_byScriptCut = 1;
                    break;
                }
                auto* pBlock = new SLayoutGroup(block.kind);
                AttachItem(pBlock, pCurrent);
                stack.push_back(pCurrent);
                pCurrent = pBlock;
                if (block.kind == SLayoutGroup::kIf)
                    ReadBlockArgs(pBlock, SLayoutGroup::s_aOperators, SLayoutGroup::kOperatorCount, true);
                else
                    ReadBlockArgs(pBlock, s_aComma, 1, false);
                bBlockWord = true;
                break;
            }
            if (SameWord(word, block.close)) {
                // Any end word closes the innermost block, whatever its kind.
                if (!stack.empty()) {
                    pCurrent = stack.back();
                    stack.pop_back();
                }
                bBlockWord = true;
                break;
            }
        }
        if (m_byScriptCut)
            break;
        if (!bBlockWord) {
            pItem = CreateItem(word);
            const char last = word[word.GetLength() - 1];
            if (pItem == nullptr && (last == 'r' || last == 'R') && word.GetLength() > 1) {
                pItem = CreateItem(word.Left(word.GetLength() - 1));
                if (pItem != nullptr)
                    pItem->SetRefreshFlag(true);
            }
        }
        if (pItem == nullptr)
            pItem = CreateAppItem(word);
        if (pItem != nullptr) {
            AttachItem(pItem, pCurrent);
            ReadBlockArgs(pItem, s_aComma, 1, false);
        }
    }
    // Blocks left open are closed by the end of the script: the root, with everything in it,
    // is always the top-level block.
    m_Groups.AddTail(pRoot);
    m_pTokenizer = nullptr;
}

SLayoutItem* SLayout::CreateItem(const char* pszWord) {
    int keyword = kKeywordCount;
    for (int i = 0; i < kKeywordCount; ++i)
        if (SameWord(pszWord, kItemKeywords[i])) {
            keyword = i;
            break;
        }
    switch (keyword) {
    case kString: return new SLayoutItemDraw(SLayoutItemDraw::kString);
    case kIString: return new SLayoutItemDraw(SLayoutItemDraw::kIString);
    case kCString: return new SLayoutItemDraw(SLayoutItemDraw::kCString);
    case kRString: return new SLayoutItemDraw(SLayoutItemDraw::kRString);
    case kBString: return new SLayoutItemDraw(SLayoutItemDraw::kBString);
    case kBStringTick: return new SLayoutItemDraw(SLayoutItemDraw::kBStringTick);
    case kRect: return new SLayoutItemDraw(SLayoutItemDraw::kRect);
    case kFrameRect: return new SLayoutItemDraw(SLayoutItemDraw::kFrameRect);
    case kGrid: return new SLayoutItemDraw(SLayoutItemDraw::kGrid);
    case kLine: return new SLayoutItemDraw(SLayoutItemDraw::kLine);
    case kImg: return new SLayoutItemImage(SLayoutItemImage::kImg);
    case kImgTile: return new SLayoutItemImage(SLayoutItemImage::kImgTile);
    case kImgDial: return new SLayoutItemImage(SLayoutItemImage::kImgDial);
    case kDial: return new SLayoutItemSprite(SLayoutItemSprite::kDial);
    case kAnim: return new SLayoutItemSprite(SLayoutItemSprite::kAnim);
    default:
        // Widget and builder items have classes of their own; any other word is not ours.
        return CreateLayoutControlItem(pszWord);
    }
}
