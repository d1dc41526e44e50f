#pragma once

#include <cstdint>
#include <list>
#include <string>

// One item of a parsed command line.
struct cmdline_item_t {
    uint32_t kind = 0;   // SCommandLine::kSwitch, kKeyValue or kPlainWord
    std::string key;     // the name without its prefix; the whole word of a plain word
    std::string value;   // the value of a key with value, empty otherwise
};

// Splits the program's command-line text into switches ("-dedicated", "/connect"), keys with
// values ("-srv_time:30", "+name Officer") and plain words, which start-up then queries by key.
// Start-up builds one, parses it once, queries it and destroys it.
class SCommandLine {
public:
    enum : uint32_t { kSwitch = 1, kKeyValue = 2, kPlainWord = 3 };

    // The text is not copied: it must stay alive until Parse has run. A null text reads as empty.
    explicit SCommandLine(const char* text);
    virtual ~SCommandLine();

    SCommandLine(const SCommandLine&) = delete;
    SCommandLine& operator=(const SCommandLine&) = delete;

    // Splits the stored text into items, in the order they appear. Call it once.
    void Parse();

    // Finds the first switch named key (case-insensitive): sets flag to true, removes the item
    // when remove is set, and returns true. Returns false and leaves flag alone when absent.
    bool GetFlag(bool& flag, const char* key, bool remove);
    // Finds the first key with value named key: copies its value (quotes included, as written),
    // removes the item when remove is set, and returns true; false when absent.
    bool GetValue(const char* key, std::string& value, bool remove);
    // The first plain word; removes it when remove is set. False when there is none.
    bool GetPlainWord(std::string& word, bool remove);

    uint32_t GetCount() const { return m_uCount; }

    // Linux hands the program its arguments one by one; this rebuilds the single text the
    // parser reads: argv[1..] joined with blanks. An argument holding a blank or a tab is
    // quoted where the parser keeps the quotes together with its value: after the ":" of a
    // "-key:value" or "/key:value", after the first blank of a "+key value", and around the
    // whole argument otherwise. Empty arguments are left out: they would only become empty
    // plain words.
    static std::string JoinArguments(int argc, const char* const* argv);

private:
    void AddItem(const std::string& token);
    std::list<cmdline_item_t>::iterator Find(uint32_t kind, const char* key);
    void Remove(std::list<cmdline_item_t>::iterator item);

    const char* m_pText;
    std::list<cmdline_item_t> m_Items;
    uint32_t m_uCount = 0;
};
