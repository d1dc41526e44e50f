#include "core/STextUtil.h"

#include <cctype>
#include <cstring>

namespace {

constexpr char kQuote = '"';
constexpr const char* kPlainSeparators = " \t\r\n";

}  // namespace

int CountChar(const char* text, char c)
{
    if (text == nullptr)
        return 0;
    int count = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == c)
            ++count;
    }
    return count;
}

std::string FoldedText(const char* text)
{
    std::string folded(text != nullptr ? text : "");
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

int32_t ReadSettingInt(const char* text, int32_t lo, int32_t hi)
{
    const char* p = text != nullptr ? text : "";
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    // Once the value lies past every bound the digits that follow change nothing, and the
    // value stays far inside the 64-bit range.
    constexpr int64_t kBeyond = int64_t{INT32_MAX} + 2;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value < kBeyond)
            value = value * 10 + (*p - '0');
    }
    if (negative)
        value = -value;
    if (value < lo)
        return lo;
    if (value > hi)
        return hi;
    return static_cast<int32_t>(value);
}

CString GetNextToken(CString& line, CString& token, int* kind)
{
    token.Empty();
    int found = -1;
    // Each round either yields a token or drops one leading separator, so a run of separators
    // before the token costs one round each.
    while (!line.IsEmpty() && token.IsEmpty() && found != 2) {
        const char* separators = kPlainSeparators;
        if (line.GetAt(0) == kQuote) {
            found = 2;
            line = line.Mid(1);
            separators = "\"";
        } else {
            found = 1;
        }
        const char* text = line.GetString();
        const size_t span = std::strcspn(text, separators);
        if (text[span] == '\0') {
            // No separator left. An unclosed quote still consumes the rest of the line, so a
            // caller reading token after token never sees that text a second time.
            token = line;
            if (found == 1)
                token.TrimRight().TrimLeft();
            line.Empty();
            break;
        }
        const int p = static_cast<int>(span);
        token = line.Left(p);
        token.TrimRight().TrimLeft();
        line = line.Mid(p + 1);
    }
    if (kind != nullptr)
        *kind = found;
    return token;
}

void MarkControlCharacters(std::string& text, bool keepLineFeeds)
{
    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 || u == 0x7F) && c != '\t' && !(keepLineFeeds && c == '\n'))
            c = '?';
    }
}

CString& TrimmedCopy(CString& target, const char* source)
{
    target = source;
    target.TrimRight();
    target.TrimLeft();
    return target;
}

bool XorBuffer(void* buffer, int length, const char* key)
{
    if (key == nullptr || key[0] == '\0')
        return false;
    const size_t keyLength = std::strlen(key);
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (int i = 0; i < length; ++i)
        bytes[i] ^= static_cast<unsigned char>(key[static_cast<size_t>(i) % keyLength]);
    return true;
}

bool FileWrittenHook(const char* /*fileName*/, const char* /*text*/) { return false; }
