#pragma once

#include <cstdint>

// The program's string table: the texts its resource module holds, found by resource id, as
// SString::LoadString and SString::Format read them. The ids are the program's own.
class SStringTable {
public:
    enum : uint32_t {
        IDS_UPDATE_REQUESTING = 61001,
        IDS_UPDATE_DOWNLOADING,
        IDS_UPDATE_TRYING_ANOTHER,
        IDS_UPDATE_INITIALIZING,
        IDS_UPDATE_CONNECTING,
        IDS_UPDATE_CHECKING,
        IDS_UPDATE_TRANSFERRING,
        IDS_UPDATE_RECEIVED,
        IDS_UPDATE_RECEIVED_UNKNOWN,
    };

    // The text of the id; null when the table has none.
    static const char* Find(uint32_t nID);
};
