#include "core/SCommandLine.h"

#include "sys/text.h"

#include <cstring>
#include <utility>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

size_t SkipBlanks(const std::string& s, size_t i) {
    while (i < s.size() && IsBlank(s[i])) {
        ++i;
    }
    return i;
}

// Quotes one argument so that the parser reads it back as the same item (see JoinArguments).
std::string QuoteArgument(const std::string& arg) {
    const size_t firstBlank = arg.find_first_of(" \t");
    if (firstBlank == std::string::npos) {
        return arg;
    }
    if (arg[0] == '-' || arg[0] == '/') {
        const size_t colon = arg.find(':');
        if (colon != std::string::npos && colon < firstBlank) {
            return arg.substr(0, colon + 1) + '"' + arg.substr(colon + 1) + '"';
        }
    } else if (arg[0] == '+' && arg[firstBlank] == ' ') {
        // "+key value" is one item as it stands; only a value with blanks of its own needs
        // quotes to stay together.
        const std::string value = arg.substr(firstBlank + 1);
        if (value.find_first_of(" \t") == std::string::npos) {
            return arg;
        }
        return arg.substr(0, firstBlank + 1) + '"' + value + '"';
    }
    return '"' + arg + '"';
}

}  // namespace

SCommandLine::SCommandLine(const char* text) : m_pText(text) {}

SCommandLine::~SCommandLine() = default;

void SCommandLine::Parse() {
    const std::string s = m_pText != nullptr ? m_pText : "";
    size_t i = 0;
    size_t start = 0;
    // "+key value" is one item: the first blank after a "+" token is taken into the token.
    bool merged = false;

    while (i < s.size()) {
        const char c = s[i];
        if (IsBlank(c)) {
            if (!merged && c == ' ' && s[start] == '+') {
                merged = true;
                ++i;
                continue;
            }
            AddItem(s.substr(start, i - start));
            merged = false;
            i = start = SkipBlanks(s, i);
        } else if (c == '"') {
            const size_t close = s.find('"', i + 1);
            if (close == std::string::npos) {
                ++i;  // an unmatched quote is an ordinary character
                continue;
            }
            AddItem(s.substr(start, close + 1 - start));
            merged = false;
            i = start = SkipBlanks(s, close + 1);
        } else {
            ++i;
        }
    }
    if (start < s.size()) {
        AddItem(s.substr(start));
    }
}

void SCommandLine::AddItem(const std::string& token) {
    cmdline_item_t item;
    const char prefix = token.empty() ? '\0' : token[0];
    const size_t separator = prefix == '-' || prefix == '/' ? token.find(':')
                             : prefix == '+'                ? token.find(' ')
                                                            : std::string::npos;
    if (prefix == '-' || prefix == '/' || prefix == '+') {
        if (separator == std::string::npos) {
            item.kind = kSwitch;
            item.key = token.substr(1);
        } else {
            item.kind = kKeyValue;
            item.key = token.substr(1, separator - 1);
            item.value = token.substr(separator + 1);
        }
    } else {
        item.kind = kPlainWord;
        item.key = token;
    }
    m_Items.push_back(std::move(item));
    ++m_uCount;
}

std::list<cmdline_item_t>::iterator SCommandLine::Find(uint32_t kind, const char* key) {
    for (auto it = m_Items.begin(); it != m_Items.end(); ++it) {
        if (it->kind == kind && (key == nullptr || sys::text::EqualNoCase(it->key, key))) {
            return it;
        }
    }
    return m_Items.end();
}

void SCommandLine::Remove(std::list<cmdline_item_t>::iterator item) {
    m_Items.erase(item);
    --m_uCount;
}

bool SCommandLine::GetFlag(bool& flag, const char* key, bool remove) {
    if (key == nullptr) {
        return false;
    }
    const auto it = Find(kSwitch, key);
    if (it == m_Items.end()) {
        return false;
    }
    flag = true;
    if (remove) {
        Remove(it);
    }
    return true;
}

bool SCommandLine::GetValue(const char* key, std::string& value, bool remove) {
    if (key == nullptr) {
        return false;
    }
    const auto it = Find(kKeyValue, key);
    if (it == m_Items.end()) {
        return false;
    }
    value = it->value;
    if (remove) {
        Remove(it);
    }
    return true;
}

bool SCommandLine::GetPlainWord(std::string& word, bool remove) {
    const auto it = Find(kPlainWord, nullptr);
    if (it == m_Items.end()) {
        return false;
    }
    word = it->key;
    if (remove) {
        Remove(it);
    }
    return true;
}

std::string SCommandLine::JoinArguments(int argc, const char* const* argv) {
    std::string text;
    if (argv == nullptr) {
        return text;
    }
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || argv[i][0] == '\0') {
            continue;
        }
        if (!text.empty()) {
            text += ' ';
        }
        text += QuoteArgument(argv[i]);
    }
    return text;
}
