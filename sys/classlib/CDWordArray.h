#pragma once

#include <cstdint>

#include "sys/classlib/CArray.h"

class CArchive;

// The class library's array of 32-bit words (per-row item data of list controls). Stored as
// the count form, then each value as four little-endian bytes.
class CDWordArray : public CArray<uint32_t, uint32_t> {
    DECLARE_SERIAL(CDWordArray)

public:
    // Loading replaces the contents.
    void Serialize(CArchive& ar) override;
};
