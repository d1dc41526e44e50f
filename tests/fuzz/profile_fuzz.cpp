// Fuzz target of the profile file: any bytes as the profile, then the values the program reads
// and those of every section and key the bytes name (at most a few) looked up as text and as
// numbers, and one value written under the first named key and under a key of the program.
// A value written reads back exactly as given, and the values looked up before read back as
// they were, wherever the written line went. Nothing may crash or hang.
//
// The seeds in corpus/profile_fuzz/ are profiles written by the profile's own writer, written
// by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sys/profile.h"
#include "sys/text.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using sys::profile::Kind;

struct Entry {
    Kind kind;
    std::string section;
    std::string key;
    std::string value;
};

constexpr size_t kMaxNamedKeys = 6;
constexpr const char* kCompany = "Quellon Interactive";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The section and key names of the bytes, read loosely: the profile itself decides what counts.
std::vector<Entry> NamedKeys(std::string_view text) {
    std::vector<Entry> entries;
    Kind kind = Kind::System;
    std::string section;
    while (!text.empty() && entries.size() < kMaxNamedKeys) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            std::string_view name = Trim(line.substr(1, line.find(']') - 1));
            const std::string app = std::string("Application/") + kCompany + "/";
            if (name.substr(0, app.size()) == app) {
                kind = Kind::Application;
                name.remove_prefix(app.size());
            } else if (name.substr(0, 7) == "System/") {
                kind = Kind::System;
                name.remove_prefix(7);
            }
            section = std::string(name);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals != std::string_view::npos && !section.empty())
            entries.push_back(Entry{kind, section, std::string(Trim(line.substr(0, equals))), ""});
    }
    return entries;
}

void ReadAll(std::vector<Entry>& entries) {
    for (Entry& entry : entries) {
        entry.value = sys::profile::GetString(entry.kind, entry.section, entry.key, "\n");
        sys::profile::GetInt(entry.kind, entry.section, entry.key, -7);
    }
}

bool SameKey(const Entry& a, const Entry& b) {
    return a.kind == b.kind && sys::text::EqualNoCase(a.section, b.section) && sys::text::EqualNoCase(a.key, b.key);
}

// Writes and checks that the value comes back and nothing else moved.
void WriteAndCheck(std::vector<Entry>& entries, const Entry& written) {
    if (!sys::profile::WriteString(written.kind, written.section, written.key, written.value))
        return;
    fuzzsupport::Check(sys::profile::GetString(written.kind, written.section, written.key, "\n") == written.value);
    for (Entry& entry : entries) {
        if (SameKey(entry, written)) {
            entry.value = written.value;
            continue;
        }
        fuzzsupport::Check(sys::profile::GetString(entry.kind, entry.section, entry.key, "\n") == entry.value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzsupport::ScratchFolder("profile_fuzz") + "/Tarvex.ini";
    sys::profile::SetFile(path);
    sys::profile::SetRegistryKey(kCompany);
    fuzzsupport::WriteFile(path, data, size);

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<Entry> entries = NamedKeys(text);
    entries.push_back(Entry{Kind::Application, "Settings", "BasePath", ""});
    entries.push_back(Entry{Kind::Application, "Catalog", "ReleaseMode", ""});
    entries.push_back(Entry{Kind::System, "Settings", "MaleVoiceOvers", ""});
    entries.push_back(Entry{Kind::System, "Settings", "SDXDrawDriver", ""});
    ReadAll(entries);

    // A value made of the bytes themselves, less what cannot go on one line.
    std::string value(text.substr(0, 24));
    for (char& c : value) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    const std::vector<Entry> targets = entries;
    WriteAndCheck(entries, Entry{targets.front().kind, targets.front().section, targets.front().key, value});
    WriteAndCheck(entries, Entry{Kind::Application, "Catalog", "ReleaseMode", " 1 "});
    return 0;
}
