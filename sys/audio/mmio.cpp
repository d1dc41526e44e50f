#include "sys/audio/mmio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include <fcntl.h>
#include <unistd.h>

#include "sys/fs/fs.h"
#include "sys/text.h"

namespace sys::mmio {

// A source is a file read through stdio or a block of memory read in place.
struct MMIOFile {
    std::FILE* file = nullptr;
    const uint8_t* memory = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
    std::string name;  // as the file was opened; empty for memory
};

namespace {

bool ReadExact(HMMIO f, void* buffer, uint32_t count) {
    return Read(f, buffer, static_cast<int32_t>(count)) == static_cast<int32_t>(count);
}

uint32_t Le32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

bool IsContainer(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

// Reads the header at the current position. Plain chunks must fit within `limit`; a "RIFF" or
// "LIST" container whose size overstates what follows is read as far as the data goes, since
// writers often leave that size wrong while the chunks inside are sound.
bool ReadHeader(HMMIO f, uint64_t limit, MMCKINFO& out) {
    uint8_t header[8];
    if (f->position + 8 > limit || !ReadExact(f, header, 8)) {
        return false;
    }
    out.ckid = Le32(header);
    out.cksize = Le32(header + 4);
    out.fccType = 0;
    out.dwDataOffset = static_cast<uint32_t>(f->position);
    out.dwFlags = 0;
    if (IsContainer(out.ckid)) {
        uint8_t type[4];
        if (out.cksize < 4 || f->position + 4 > limit || !ReadExact(f, type, 4)) {
            return false;
        }
        out.fccType = Le32(type);
        return true;
    }
    return static_cast<uint64_t>(out.dwDataOffset) + out.cksize <= limit;
}

}  // namespace

HMMIO OpenFile(std::string_view path) {
    const std::string native = sys::fs::NativePath(path);
    const int fd = sys::fs::OpenNative(native, O_RDONLY);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
        return nullptr;
    }
    if (std::fseek(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return nullptr;
    }
    const long size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    auto* f = new MMIOFile;
    f->file = file;
    f->size = static_cast<uint64_t>(size);
    f->name = path;
    return f;
}

HMMIO OpenMemory(const void* data, uint32_t size) {
    if (data == nullptr) {
        return nullptr;
    }
    auto* f = new MMIOFile;
    f->memory = static_cast<const uint8_t*>(data);
    f->size = size;
    return f;
}

void Close(HMMIO f) {
    if (f == nullptr) {
        return;
    }
    if (f->file != nullptr) {
        std::fclose(f->file);
    }
    delete f;
}

uint32_t Size(HMMIO f) { return f == nullptr ? 0 : static_cast<uint32_t>(std::min<uint64_t>(f->size, UINT32_MAX)); }

int32_t Read(HMMIO f, void* buffer, int32_t count) {
    if (f == nullptr || buffer == nullptr || count < 0) {
        return -1;
    }
    const uint64_t available = f->position < f->size ? f->size - f->position : 0;
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(available, static_cast<uint64_t>(count)));
    if (n == 0) {
        return 0;
    }
    if (f->memory != nullptr) {
        std::memcpy(buffer, f->memory + f->position, n);
    } else {
        if (std::fseek(f->file, static_cast<long>(f->position), SEEK_SET) != 0) {
            return -1;
        }
        const size_t got = std::fread(buffer, 1, n, f->file);
        f->position += got;
        return static_cast<int32_t>(got);
    }
    f->position += n;
    return static_cast<int32_t>(n);
}

int32_t Seek(HMMIO f, int32_t offset, int origin) {
    if (f == nullptr) {
        return -1;
    }
    int64_t base = 0;
    if (origin == SEEK_FROM_CURRENT) {
        base = static_cast<int64_t>(f->position);
    } else if (origin == SEEK_FROM_END) {
        base = static_cast<int64_t>(f->size);
    }
    const int64_t target = base + offset;
    if (target < 0 || target > INT32_MAX) {
        return -1;
    }
    f->position = static_cast<uint64_t>(target);
    return static_cast<int32_t>(target);
}

uint32_t Descend(HMMIO f, MMCKINFO& chunk, const MMCKINFO* parent, uint32_t flags) {
    if (f == nullptr) {
        return MMIOERR_CHUNKNOTFOUND;
    }
    uint64_t limit = f->size;
    if (parent != nullptr) {
        limit = std::min<uint64_t>(limit, static_cast<uint64_t>(parent->dwDataOffset) + parent->cksize);
    }
    const FOURCC wantedId = chunk.ckid;
    const FOURCC wantedType = chunk.fccType;
    const uint32_t find = flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST);
    for (uint32_t walked = 0; walked < kMaxChunksPerDescent; ++walked) {
        MMCKINFO found;
        if (!ReadHeader(f, limit, found)) {
            return MMIOERR_CHUNKNOTFOUND;
        }
        bool match = true;
        if (find == MMIO_FINDRIFF) {
            match = found.ckid == FOURCC_RIFF && found.fccType == wantedType;
        } else if (find == MMIO_FINDLIST) {
            match = found.ckid == FOURCC_LIST && found.fccType == wantedType;
        } else if (find == MMIO_FINDCHUNK) {
            match = found.ckid == wantedId;
        }
        if (match) {
            chunk = found;
            return MMSYSERR_NOERROR;
        }
        const uint64_t next = static_cast<uint64_t>(found.dwDataOffset) + found.cksize + (found.cksize & 1u);
        if (next > limit) {
            return MMIOERR_CHUNKNOTFOUND;
        }
        f->position = next;
    }
    return MMIOERR_CHUNKNOTFOUND;
}

uint32_t Ascend(HMMIO f, const MMCKINFO& chunk) {
    if (f == nullptr) {
        return MMIOERR_CANNOTSEEK;
    }
    f->position = static_cast<uint64_t>(chunk.dwDataOffset) + chunk.cksize + (chunk.cksize & 1u);
    return MMSYSERR_NOERROR;
}

bool SoundDataWithinBound(HMMIO f, const MMCKINFO& chunk) {
    if (chunk.cksize <= kMaxSoundDataBytes) {
        return true;
    }
    const std::string name = f != nullptr && !f->name.empty() ? f->name : "a sound resource";
    static std::mutex lock;
    static std::set<std::string> named;
    std::lock_guard<std::mutex> guard(lock);
    if (named.insert(name).second) {
        std::fprintf(stderr, "Tarvex: %s is not played: its %s bytes of sound are more than the %s a sound may hold\n",
                     name.c_str(), sys::text::Grouped(chunk.cksize).c_str(), sys::text::Grouped(kMaxSoundDataBytes).c_str());
        std::fflush(stderr);
    }
    return false;
}

namespace {

struct ResourceKey {
    HMODULE module;
    std::string type;
    uint16_t id;
    bool operator<(const ResourceKey& o) const {
        return std::tie(module, type, id) < std::tie(o.module, o.type, o.id);
    }
};

struct ResourceBytes {
    const void* data;
    uint32_t size;
};

std::string UpperType(const char* type) {
    std::string text = type != nullptr ? type : "";
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::mutex& RegistryLock() {
    static std::mutex lock;
    return lock;
}

std::map<ResourceKey, ResourceBytes>& Registry() {
    static std::map<ResourceKey, ResourceBytes> registry;
    return registry;
}

}  // namespace

void RegisterResource(HMODULE module, const char* type, uint16_t id, const void* data, uint32_t size) {
    std::lock_guard<std::mutex> guard(RegistryLock());
    Registry()[ResourceKey{module, UpperType(type), id}] = ResourceBytes{data, size};
}

bool FindResource(HMODULE module, const char* type, uint16_t id, const void** data, uint32_t* size) {
    std::lock_guard<std::mutex> guard(RegistryLock());
    const auto it = Registry().find(ResourceKey{module, UpperType(type), id});
    if (it == Registry().end() || it->second.data == nullptr) {
        return false;
    }
    if (data != nullptr) {
        *data = it->second.data;
    }
    if (size != nullptr) {
        *size = it->second.size;
    }
    return true;
}

}  // namespace sys::mmio
