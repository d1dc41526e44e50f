#include "core/SStringTable.h"

namespace {

struct Entry {
    uint32_t id;
    const char* text;
};

// The patch download's status texts.
constexpr Entry kEntries[] = {
    {SStringTable::IDS_UPDATE_REQUESTING, "Requesting Patch Information"},
    {SStringTable::IDS_UPDATE_DOWNLOADING, "Downloading Patch"},
    {SStringTable::IDS_UPDATE_TRYING_ANOTHER, "Patch not available, trying another server..."},
    {SStringTable::IDS_UPDATE_INITIALIZING, "Initializing Internet Connection"},
    {SStringTable::IDS_UPDATE_CONNECTING, "Connecting to server: %s"},
    {SStringTable::IDS_UPDATE_CHECKING, "Checking for patch file: %s"},
    {SStringTable::IDS_UPDATE_TRANSFERRING, "Downloading file: %s"},
    {SStringTable::IDS_UPDATE_RECEIVED, "Recieved: %.2fKb of %.2fKb"},
    {SStringTable::IDS_UPDATE_RECEIVED_UNKNOWN, "Recieved: %.2fKb of ???"},
};

}  // namespace

const char* SStringTable::Find(uint32_t nID) {
    for (const Entry& entry : kEntries)
        if (entry.id == nID)
            return entry.text;
    return nullptr;
}
