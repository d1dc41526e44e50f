#include "tools/mapwriter/SMapWriter.h"

#include <cstring>
#include <fstream>

#include "core/SObjectDef.h"
#include "render/map/SMapKR5.h"

namespace smapwriter {

namespace {

constexpr int kMaxText = 2047;
constexpr int kMaxZoneText = 4095;
constexpr float kMirror = 65536.0f - 256.0f;

class Out {
public:
    std::vector<uint8_t> bytes;
    bool ok = true;

    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void F32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        U32(bits);
    }
    void Raw(const char* text, int length) { bytes.insert(bytes.end(), text, text + length); }
    void String(const char* text, int limit) {
        const int length = static_cast<int>(std::strlen(text));
        if (length > limit) {
            ok = false;
            return;
        }
        U16(static_cast<uint16_t>(length));
        Raw(text, length);
    }
};

// A record: type, a spare byte, the body's length, the body.
void Record(Out& file, uint8_t type, const Out& body) {
    file.U8(type);
    file.U8(0);
    file.U32(static_cast<uint32_t>(body.bytes.size()));
    file.bytes.insert(file.bytes.end(), body.bytes.begin(), body.bytes.end());
    file.ok = file.ok && body.ok;
}

Out Tags(const SMapKR5& map) {
    Out b;
    b.U32(static_cast<uint32_t>(map.m_Tags.GetSize()));
    for (int i = 0; i < map.m_Tags.GetSize(); ++i) {
        const SMapKR5Tag& tag = map.m_Tags[i];
        const int nameLength = tag.m_sName.GetLength();
        const int valueLength = tag.m_sValue.GetLength();
        b.ok = b.ok && nameLength <= kMaxText && valueLength <= kMaxText;
        b.U16(static_cast<uint16_t>(nameLength));
        b.U8(static_cast<uint8_t>(tag.m_dwFlag));
        b.U16(static_cast<uint16_t>(valueLength));
        b.Raw(tag.m_sName.GetString(), nameLength);
        b.Raw(tag.m_sValue.GetString(), valueLength);
    }
    return b;
}

Out Grid(const float* grid) {
    Out b;
    for (int row = 0; row < 256; ++row) {
        const float* source = grid + (255 - row) * 256;
        for (int column = 0; column < 256; ++column) {
            b.F32(source[column] / 8.0f);
        }
    }
    return b;
}

Out ModelOutputs(const SMapKR5& map) {
    Out b;
    b.U32(static_cast<uint32_t>(map.m_ModelOutputs.GetSize()));
    for (int i = 0; i < map.m_ModelOutputs.GetSize(); ++i) {
        const SMapKR5Model_Output& o = *map.m_ModelOutputs[i];
        b.String(o.m_sName.GetString(), kMaxText);
        b.F32(o.m_fX);
        b.F32(kMirror - o.m_fY);
        b.U32(o.m_dwValue3);
        b.U32(o.m_dwValue4);
        b.U32(o.m_dwValue5);
        b.U8(o.m_byCategoryMask);
        b.U32(o.m_dwValue6);
        b.U8(o.m_byValue7);
        b.U32(o.m_dwValue8);
        b.U32(o.m_dwValue9);
        b.U16(o.m_wValue10);
        b.U32(o.m_dwValue11);
        b.U32(o.m_dwValue12);
    }
    return b;
}

Out Names(const SMapKR5& map) {
    Out b;
    for (const CStringArray* list : {&map.m_GroundNames, &map.m_ModelNames}) {
        b.U32(static_cast<uint32_t>(list->GetSize()));
        for (int i = 0; i < list->GetSize(); ++i) {
            b.String((*list)[i].GetString(), kMaxText);
        }
    }
    return b;
}

Out SoundOutputs(const SMapKR5& map) {
    Out b;
    b.U32(static_cast<uint32_t>(map.m_SoundOutputs.GetSize()));
    for (int i = 0; i < map.m_SoundOutputs.GetSize(); ++i) {
        const SMapKR5Sound_Output& s = map.m_SoundOutputs[i];
        b.U32(s.m_iHasSecondName == 1 ? 1 : 0);
        if (s.m_iHasSecondName == 1) {
            b.String(s.m_sSecondName.GetString(), kMaxText);
        }
        b.String(s.m_sName.GetString(), kMaxText);
        b.U32(s.m_dwP1);
        b.F32(kMirror - s.m_fP2);
        for (uint32_t v : {s.m_dwP3, s.m_dwF, s.m_dwG, s.m_dwH, s.m_dwD, s.m_dwE, s.m_dwI, s.m_dwJ}) {
            b.U32(v);
        }
    }
    return b;
}

// Cells as the reader leaves them back into file order: row r of the map came from file
// row 254 - r (mirrored after moving up one row), in-cell Y flipped, last two bytes swapped.
Out Cells(const SMapKR5& map) {
    Out b;
    for (int fileRow = 0; fileRow < 256; ++fileRow) {
        const int mapRow = fileRow == 255 ? 0 : 254 - fileRow;
        for (int column = 0; column < 256; ++column) {
            const uint8_t* cell = map.GetCell(mapRow * 256 + column);
            for (int k = 0; k < 8; ++k) {
                b.U8(cell[k]);
                b.U8(cell[8 + k]);
                b.U8(cell[16 + k]);
                b.U8(cell[24 + 2 * k]);
                b.U8(static_cast<uint8_t>(255 - cell[25 + 2 * k]));
            }
            b.U8(cell[41]);
            b.U8(cell[40]);
        }
    }
    return b;
}

Out Zones(const SMapKR5& map) {
    Out b;
    b.U32(static_cast<uint32_t>(map.m_Zones.GetSize()));
    for (int i = 0; i < map.m_Zones.GetSize(); ++i) {
        const SParserZone& zone = *map.m_Zones[i];
        b.String(zone.m_sName.GetString(), kMaxZoneText);
        const SObjectDef& def = *zone.m_pDef;
        b.U16(static_cast<uint16_t>(def.GetCount()));
        for (int v = 0; v < def.GetCount(); ++v) {
            const int keyLength = def.GetName(v).GetLength();
            const int valueLength = def.GetValue(v).GetLength();
            b.ok = b.ok && keyLength <= kMaxZoneText && valueLength <= kMaxZoneText;
            b.U16(static_cast<uint16_t>(keyLength));
            b.U8(static_cast<uint8_t>(def.GetTag(v)));
            b.U16(static_cast<uint16_t>(valueLength));
            b.Raw(def.GetName(v).GetString(), keyLength);
            b.Raw(def.GetValue(v).GetString(), valueLength);
        }
        b.ok = b.ok && def.GetCount() <= 0xFFFF && zone.m_iPointCount >= 0 && zone.m_iPointCount <= 0xFFFF;
        b.U16(static_cast<uint16_t>(zone.m_iPointCount));
        for (int p = 0; p < zone.m_iPointCount; ++p) {
            b.F32(zone.m_pPoints[2 * p]);
            b.F32(255.0f - zone.m_pPoints[2 * p + 1]);
        }
    }
    return b;
}

}  // namespace

std::vector<uint8_t> Build(const SMapKR5& map, unsigned records) {
    if (map.m_pCells == nullptr) {
        return {};
    }
    Out body;
    uint32_t count = 0;
    auto add = [&](unsigned part, uint8_t type, Out (*make)(const SMapKR5&)) {
        if ((records & part) != 0) {
            Record(body, type, make(map));
            ++count;
        }
    };
    add(kTags, 1, Tags);
    add(kNames, 6, Names);
    add(kModels, 5, ModelOutputs);
    add(kSounds, 7, SoundOutputs);
    add(kHeights, 2, [](const SMapKR5& m) { return Grid(m.m_fHeights); });
    add(kSecondGrid, 9, [](const SMapKR5& m) { return Grid(m.m_fSecondGrid); });
    add(kCells, 8, Cells);
    add(kZones, 10, Zones);

    Out file;
    file.Raw("SMAP", 4);
    file.U8(3);
    file.U8(0);
    file.U32(count);
    file.U32(14);  // the first record follows the header
    file.bytes.insert(file.bytes.end(), body.bytes.begin(), body.bytes.end());
    if (!file.ok || !body.ok) {
        return {};
    }
    return file.bytes;
}

bool Save(const SMapKR5& map, const char* path) {
    const std::vector<uint8_t> bytes = Build(map);
    if (bytes.empty()) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace smapwriter
