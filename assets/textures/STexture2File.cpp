// The "STEX" file of STexture2: reading, lazy pixel loading and writing.
#include <cstring>
#include <memory>
#include <string_view>

#include "assets/textures/STexture2.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"

namespace {

constexpr int kMaxStoredString = 8191;  // stored texts went through an 8192-byte buffer
constexpr int kMaxMIPDepth = 16;        // 16-bit sizes halve to nothing well before this
constexpr size_t kFormatFixedBytes = 1116;  // name length, description, palette, tag count

// Bounded reads from an open file: every read checks what the file still holds, and the first
// short read leaves the reader failed.
class StexReader {
public:
    explicit StexReader(CFile& file) : m_file(file) {
        try {
            m_length = file.GetLength();
        } catch (CException&) {
            m_ok = false;
        }
    }

    bool ok() const { return m_ok; }
    uint64_t length() const { return m_length; }

    bool Bytes(void* out, size_t count) {
        if (!m_ok)
            return false;
        try {
            if (m_file.GetPosition() + count > m_length)
                return m_ok = false;
            uint8_t* p = static_cast<uint8_t*>(out);
            size_t done = 0;
            while (done < count) {
                const unsigned got = m_file.Read(p + done, static_cast<unsigned>(count - done));
                if (got == 0)
                    return m_ok = false;
                done += got;
            }
        } catch (CException&) {
            return m_ok = false;
        }
        return true;
    }

    bool Seek(uint64_t position) {
        try {
            m_file.Seek(static_cast<int64_t>(position), CFile::begin);
        } catch (CException&) {
            return m_ok = false;
        }
        return m_ok;
    }

    uint32_t U32() {
        uint8_t b[4] = {};
        Bytes(b, 4);
        return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }

    uint16_t U16() {
        uint8_t b[2] = {};
        Bytes(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }

    int16_t Low16(uint32_t field) { return static_cast<int16_t>(field & 0xFFFF); }

    // A 16-bit count that must not be negative.
    int Count16() {
        const int16_t count = static_cast<int16_t>(U16());
        if (count < 0)
            m_ok = false;
        return m_ok ? count : 0;
    }

    bool Text(CString& text, uint64_t length) {
        if (length > kMaxStoredString)
            return m_ok = false;
        std::string bytes(length, '\0');
        if (!Bytes(bytes.data(), bytes.size()))
            return false;
        text = CString(std::move(bytes));
        return true;
    }

    bool Tag(STexTagList& list) {
        STexTag tag;
        if (!Text(tag.name, U16()) || !Text(tag.value, U16()))
            return false;
        list.AppendTag(std::move(tag));
        return true;
    }

    bool Tags(STexTagList& list, int count) {
        for (int i = 0; i < count && m_ok; ++i)
            Tag(list);
        return m_ok;
    }

    bool Fail() { return m_ok = false; }

private:
    CFile& m_file;
    uint64_t m_length = 0;
    bool m_ok = true;
};

class StexWriter {
public:
    std::vector<uint8_t> bytes;

    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void U16(uint32_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void Float(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        U32(v);
    }
    void Text(const CString& text) { bytes.insert(bytes.end(), text.GetString(), text.GetString() + text.GetLength()); }
    void Tags(const std::vector<STexTag>& tags) {
        for (const STexTag& tag : tags) {
            U16(tag.name.GetLength());
            Text(tag.name);
            U16(tag.value.GetLength());
            Text(tag.value);
        }
    }
    void Block(const std::vector<uint8_t>& data, size_t count) {
        bytes.insert(bytes.end(), data.begin(), data.begin() + count);
    }
};

uint32_t Signed16(int16_t v) {
    return static_cast<uint32_t>(static_cast<int32_t>(v));
}

bool Complete(const STexFormat& format) {
    for (const STexLayer* layer : format.Layers()) {
        if (!layer->hasRGB || (format.HasAlpha() && !layer->hasAlpha))
            return false;
    }
    return true;
}

uint64_t TagBytes(const std::vector<STexTag>& tags) {
    uint64_t total = 0;
    for (const STexTag& tag : tags)
        total += 4 + tag.name.GetLength() + tag.value.GetLength();
    return total;
}

// Reads one format record; null when it is damaged, does not fit the file, or brings the pixel
// bytes that the file's formats name (counted in `pixelBytes`) past the bound or past the
// file's length: formats may name the same bytes, so each level lying within the file does not
// bound what they take.
std::unique_ptr<STexFormat> ReadFormat(StexReader& in, int32_t recordErrors, uint64_t& pixelBytes) {
    auto format = std::make_unique<STexFormat>();
    if (!in.Text(format->m_strName, in.U16()))
        return nullptr;
    format->SetRecordErrors(recordErrors);
    format->ClearLastError();
    uint32_t d[22];
    for (uint32_t& field : d)
        field = in.U32();
    format->m_iWidth = in.Low16(d[0]);
    format->m_iHeight = in.Low16(d[1]);
    format->m_iColorBits = in.Low16(d[2]);
    format->m_iAlphaBits = in.Low16(d[3]);
    format->m_iBytesPerPixel = in.Low16(d[4]);
    format->m_iMIPDepth = in.Low16(d[5]);
    format->m_iNoAlpha = static_cast<int32_t>(d[6]);
    // Stored blue, green, red, alpha; held red, green, blue, alpha.
    static constexpr int kStoredOrder[4] = {STexFormat::kBlue, STexFormat::kGreen, STexFormat::kRed,
                                            STexFormat::kAlpha};
    for (int i = 0; i < 4; ++i) {
        format->m_Widths[kStoredOrder[i]] = static_cast<uint8_t>(d[7 + i]);
        format->m_Shifts[kStoredOrder[i]] = static_cast<uint8_t>(d[11 + i]);
        format->m_Masks[kStoredOrder[i]] = static_cast<uint8_t>(d[15 + i]);
    }
    format->m_iColorKey = static_cast<int32_t>(d[19]);
    format->m_iPaletteFirst = in.Low16(d[20]);
    format->m_iPaletteLast = in.Low16(d[21]);
    in.Bytes(format->m_Palette, sizeof format->m_Palette);
    const int tagCount = in.Count16();
    if (!in.Tags(*format, tagCount))
        return nullptr;

    const int bpp = format->m_iBytesPerPixel;
    const int depth = format->m_iMIPDepth;
    // Channel widths too: a pixel layout the conversions cannot store is refused with the file.
    if (bpp < 1 || bpp > 4 || !format->IsStorableLayout() || depth < 0 || depth > kMaxMIPDepth)
        return nullptr;
    if (depth > 0 && (format->m_iWidth < 1 || format->m_iHeight < 1))
        return nullptr;
    for (int k = 0; k < depth; ++k) {
        auto layer = std::make_unique<STexLayer>();
        layer->width = in.Low16(in.U32());
        layer->height = in.Low16(in.U32());
        layer->pitch = in.Low16(in.U32());
        layer->rgbSource = static_cast<int32_t>(in.U32());
        layer->alphaSource = static_cast<int32_t>(in.U32());
        layer->rgbLock = static_cast<int32_t>(in.U32());
        layer->alphaLock = static_cast<int32_t>(in.U32());
        layer->rgbOffset = static_cast<int32_t>(in.U32());
        layer->alphaOffset = static_cast<int32_t>(in.U32());
        if (!in.ok())
            return nullptr;
        if (layer->width != (format->m_iWidth >> k) || layer->height != (format->m_iHeight >> k) ||
            layer->pitch < bpp * layer->width)
            return nullptr;
        const uint64_t rgbSize = static_cast<uint64_t>(layer->pitch) * layer->height;
        const uint64_t alphaSize = static_cast<uint64_t>(layer->width) * layer->height;
        if (layer->rgbOffset > 0 && static_cast<uint64_t>(layer->rgbOffset) + rgbSize > in.length())
            return nullptr;
        if (format->HasAlpha() && layer->alphaOffset > 0 &&
            static_cast<uint64_t>(layer->alphaOffset) + alphaSize > in.length())
            return nullptr;
        pixelBytes += (layer->rgbOffset > 0 ? rgbSize : 0) + (format->HasAlpha() && layer->alphaOffset > 0 ? alphaSize : 0);
        if (pixelBytes > STexture2::kMaxPixelBytes || pixelBytes > in.length())
            return nullptr;
        format->Layers().push_back(layer.release());
    }
    return format;
}

}  // namespace

int STexture2::Load(const char* path, int loadPixels) {
    CFile file;
    if (!path || !file.Open(path, CFile::modeRead | CFile::typeBinary)) {
        Record("Unable to open Filename");
        return 0;
    }
    const int result = ReadContents(file, loadPixels);
    file.Abort();
    return result;
}

int STexture2::LoadFromStream(CFile* file, int loadPixels) {
    if (!file) {
        Record("Unable to open Filename");
        return 0;
    }
    return ReadContents(*file, loadPixels);
}

int STexture2::ReadContents(CFile& file, int loadPixels) {
    StexReader in(file);
    uint32_t header[10] = {};
    uint8_t raw[40] = {};
    const bool whole = in.Bytes(raw, sizeof raw);
    for (int i = 0; i < 10; ++i)
        header[i] = raw[4 * i] | (raw[4 * i + 1] << 8) | (raw[4 * i + 2] << 16) | (static_cast<uint32_t>(raw[4 * i + 3]) << 24);
    if (!whole || std::memcmp(raw, "STEX", 4) != 0) {
        Record("Filename is not an STexture2 stream");
        return 0;
    }
    if (header[1] != 1) {
        Record("Filename is not supported STexture2 version");
        return 0;
    }
    if (header[2] != 0) {
        Record("Filename is not supported STexture2 revision");
        return 0;
    }

    Clear();
    // The path the file was opened with, so that a later lazy load finds the same file.
    m_strFilePath = file.GetFilePath();
    const int formatCount = in.Low16(header[3]);
    const int16_t width = in.Low16(header[4]);
    const int16_t height = in.Low16(header[5]);
    const int16_t depth = in.Low16(header[6]);
    const int tagCount = in.Low16(header[8]);
    const int regionCount = in.Low16(header[9]);

    std::vector<std::unique_ptr<STexFormat>> formats;
    CString name;
    bool good = formatCount >= 0 && tagCount >= 0 && regionCount >= 0 && in.Text(name, header[7]) &&
                in.Tags(*this, tagCount);
    for (int r = 0; good && r < regionCount; ++r) {
        auto region = std::make_unique<STexRegion>();
        CString regionName;
        good = in.Text(regionName, in.U16());
        region->SetName(regionName);
        const int points = in.Count16();
        const int tags = in.Count16();
        for (int p = 0; good && p < points && in.ok(); ++p) {
            const uint32_t x = in.U32();
            const uint32_t y = in.U32();
            float fx, fy;
            std::memcpy(&fx, &x, 4);
            std::memcpy(&fy, &y, 4);
            region->AddPoint(fx, fy);
        }
        good = good && in.Tags(*region, tags);
        if (good)
            AddRegion(region.release());
    }
    uint64_t pixelBytes = 0;
    for (int f = 0; good && f < formatCount; ++f) {
        std::unique_ptr<STexFormat> format = ReadFormat(in, m_iRecordErrors, pixelBytes);
        good = format != nullptr;
        if (good)
            formats.push_back(std::move(format));
    }
    for (size_t f = 0; good && loadPixels == 1 && f < formats.size(); ++f)
        good = ReadFormatPixels(*formats[f], file) == 1;

    if (!good) {
        // A damaged file leaves nothing behind that a later save could write out.
        Clear();
        m_strName.Empty();
        m_strFilePath.Empty();
        m_iWidth = m_iHeight = -1;
        m_iMIPDepth = 0;
        Record("Unable to load from data source");
        return 0;
    }
    m_strName = name;
    m_iWidth = width;
    m_iHeight = height;
    m_iMIPDepth = depth;
    for (std::unique_ptr<STexFormat>& format : formats)
        m_formats.push_back(format.release());
    return 1;
}

int STexture2::ReadFormatPixels(STexFormat& format, CFile& file) {
    StexReader in(file);
    for (STexLayer* layer : format.Layers()) {
        layer->FreeRGB();
        layer->FreeAlpha();
    }
    for (STexLayer* layer : format.Layers()) {
        if (layer->width <= 0 || layer->height <= 0 || layer->pitch <= 0)
            continue;
        if (layer->rgbOffset > 0) {
            layer->rgb.resize(static_cast<size_t>(layer->pitch) * layer->height);
            if (!in.Seek(static_cast<uint32_t>(layer->rgbOffset)) || !in.Bytes(layer->rgb.data(), layer->rgb.size()))
                break;
            layer->hasRGB = true;
        }
        if (layer->alphaOffset > 0 && format.HasAlpha()) {
            layer->alpha.resize(static_cast<size_t>(layer->width) * layer->height);
            if (!in.Seek(static_cast<uint32_t>(layer->alphaOffset)) ||
                !in.Bytes(layer->alpha.data(), layer->alpha.size()))
                break;
            layer->hasAlpha = true;
        }
    }
    if (in.ok())
        return 1;
    for (STexLayer* layer : format.Layers()) {
        layer->FreeRGB();
        layer->FreeAlpha();
    }
    return 0;
}

int STexture2::LoadFormat(int16_t index, CFile* file) {
    if (index < 0) {
        Record("Format Index < 0");
        return 0;
    }
    if (index >= GetNumFormats()) {
        Record("Format Index >= m_iNumFormats");
        return 0;
    }
    CFile own;
    if (!file) {
        if (!own.Open(m_strFilePath, CFile::modeRead | CFile::typeBinary)) {
            Record("Unable to load from data source");
            return 0;
        }
        file = &own;
    }
    // The file may have changed since it was read: a short read leaves the format unloaded.
    const int result = ReadFormatPixels(*m_formats[index], *file);
    if (!result)
        Record("Unable to load from data source");
    if (file == &own)
        own.Abort();
    return result;
}

int STexture2::UnloadFormat(int16_t index) {
    if (index < 0) {
        Record("Format Index < 0");
        return 0;
    }
    if (index >= GetNumFormats()) {
        Record("Format Index >= m_iNumFormats");
        return 0;
    }
    for (STexLayer* layer : m_formats[index]->Layers()) {
        layer->FreeRGB();
        layer->FreeAlpha();
    }
    return 1;
}

int STexture2::KeepOnlyFormat(int16_t keep) {
    if (keep < 0 || keep >= GetNumFormats())
        return 0;
    STexFormat* kept = m_formats[keep];
    for (int16_t i = 0; i < GetNumFormats(); ++i) {
        if (i != keep) {
            UnloadFormat(i);
            delete m_formats[i];
        }
    }
    m_formats.assign(1, kept);
    return 1;
}

bool STexture2::SerializeTo(std::vector<uint8_t>& bytes, std::vector<std::pair<int32_t, int32_t>>& offsets) {
    std::vector<STexFormat*> written;
    for (STexFormat* format : m_formats) {
        if (Complete(*format))
            written.push_back(format);
    }
    if (written.empty())
        return false;

    uint64_t pixelsAt = 40 + static_cast<uint64_t>(m_strName.GetLength()) + TagBytes(Tags());
    for (int16_t r = 0; r < GetNumRegions(); ++r) {
        const STexRegion* region = GetRegion(r);
        pixelsAt += 6 + region->GetName().GetLength() + 8 * static_cast<uint64_t>(region->GetNumPoints()) +
                    TagBytes(region->Tags());
    }
    for (STexFormat* format : written) {
        format->ComputeStoredSizes();
        pixelsAt += kFormatFixedBytes + format->m_strName.GetLength() + TagBytes(format->Tags()) +
                    36 * format->Layers().size();
    }
    offsets.clear();
    uint64_t at = pixelsAt;
    for (STexFormat* format : written) {
        for (const STexLayer* layer : format->Layers()) {
            const int32_t rgb = static_cast<int32_t>(at);
            at += static_cast<uint64_t>(layer->pitch) * layer->height;
            int32_t alpha = -1;
            if (format->HasAlpha()) {
                alpha = static_cast<int32_t>(at);
                at += static_cast<uint64_t>(layer->width) * layer->height;
            }
            offsets.emplace_back(rgb, alpha);
        }
    }
    // Offsets are 32-bit in the file, and the reader takes no more pixels than this.
    if (at > kMaxPixelBytes)
        return false;

    StexWriter out;
    out.bytes.reserve(at);
    out.bytes.insert(out.bytes.end(), {'S', 'T', 'E', 'X'});
    out.U32(1);
    out.U32(0);
    out.U32(static_cast<uint32_t>(written.size()));
    out.U32(Signed16(m_iWidth));
    out.U32(Signed16(m_iHeight));
    out.U32(Signed16(m_iMIPDepth));
    out.U32(m_strName.GetLength());
    out.U32(GetNumTags());
    out.U32(GetNumRegions());
    out.Text(m_strName);
    out.Tags(Tags());
    for (int16_t r = 0; r < GetNumRegions(); ++r) {
        const STexRegion* region = GetRegion(r);
        out.U16(region->GetName().GetLength());
        out.Text(region->GetName());
        out.U16(region->GetNumPoints());
        out.U16(region->GetNumTags());
        for (const STexRegion::Point& p : region->Points()) {
            out.Float(p.x);
            out.Float(p.y);
        }
        out.Tags(region->Tags());
    }
    size_t next = 0;
    for (STexFormat* format : written) {
        out.U16(format->m_strName.GetLength());
        out.Text(format->m_strName);
        out.U32(Signed16(format->m_iWidth));
        out.U32(Signed16(format->m_iHeight));
        out.U32(Signed16(format->m_iColorBits));
        out.U32(Signed16(format->m_iAlphaBits));
        out.U32(Signed16(format->m_iBytesPerPixel));
        out.U32(static_cast<uint32_t>(format->Layers().size()));
        out.U32(static_cast<uint32_t>(format->m_iNoAlpha));
        static constexpr int kStoredOrder[4] = {STexFormat::kBlue, STexFormat::kGreen, STexFormat::kRed,
                                                STexFormat::kAlpha};
        for (int c : kStoredOrder)
            out.U32(format->m_Widths[c]);
        for (int c : kStoredOrder)
            out.U32(format->m_Shifts[c]);
        for (int c : kStoredOrder)
            out.U32(format->m_Masks[c]);
        out.U32(static_cast<uint32_t>(format->m_iColorKey));
        out.U32(Signed16(format->m_iPaletteFirst));
        out.U32(Signed16(format->m_iPaletteLast));
        const uint8_t* palette = &format->m_Palette[0][0];
        out.bytes.insert(out.bytes.end(), palette, palette + sizeof format->m_Palette);
        out.U16(format->GetNumTags());
        out.Tags(format->Tags());
        for (const STexLayer* layer : format->Layers()) {
            out.U32(Signed16(layer->width));
            out.U32(Signed16(layer->height));
            out.U32(Signed16(layer->pitch));
            out.U32(static_cast<uint32_t>(layer->rgbSource));
            out.U32(static_cast<uint32_t>(layer->alphaSource));
            out.U32(static_cast<uint32_t>(layer->rgbLock));
            out.U32(static_cast<uint32_t>(layer->alphaLock));
            out.U32(static_cast<uint32_t>(offsets[next].first));
            out.U32(static_cast<uint32_t>(offsets[next].second));
            ++next;
        }
    }
    for (STexFormat* format : written) {
        for (const STexLayer* layer : format->Layers()) {
            out.Block(layer->rgb, static_cast<size_t>(layer->pitch) * layer->height);
            if (format->HasAlpha())
                out.Block(layer->alpha, static_cast<size_t>(layer->width) * layer->height);
        }
    }
    bytes.swap(out.bytes);
    return true;
}

void STexture2::ApplyOffsets(const std::vector<std::pair<int32_t, int32_t>>& offsets) {
    size_t next = 0;
    for (STexFormat* format : m_formats) {
        if (!Complete(*format))
            continue;
        for (STexLayer* layer : format->Layers()) {
            layer->rgbOffset = offsets[next].first;
            layer->alphaOffset = offsets[next].second;
            ++next;
        }
    }
}

int STexture2::Save(const char* path) {
    std::vector<uint8_t> bytes;
    std::vector<std::pair<int32_t, int32_t>> offsets;
    if (!SerializeTo(bytes, offsets)) {
        Record("Texture has no formats");
        return 0;
    }
    if (!path || !sys::fs::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        Record("Unable to create Filename");
        return 0;
    }
    // The stored offsets now describe the new file, so lazy loads must read from it.
    ApplyOffsets(offsets);
    m_strFilePath = path;
    return 1;
}

int STexture2::SaveToStream(CFile* file) {
    if (!file)
        return 0;
    std::vector<uint8_t> bytes;
    std::vector<std::pair<int32_t, int32_t>> offsets;
    if (!SerializeTo(bytes, offsets)) {
        Record("Texture has no formats");
        return 0;
    }
    try {
        file->Write(bytes.data(), static_cast<unsigned>(bytes.size()));
    } catch (CException&) {
        Record("Unable to create Filename");
        return 0;
    }
    ApplyOffsets(offsets);
    m_strFilePath = file->GetFilePath();
    return 1;
}
