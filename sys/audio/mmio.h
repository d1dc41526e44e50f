#pragma once

#include <cstdint>
#include <string_view>

// RIFF reading in the manner of the multimedia file functions the sound code was written
// against: open a file or a block of memory, descend into a chunk (the "RIFF" form of a given
// type, or a chunk with a given id among its siblings), read, ascend past the chunk and its pad
// byte. Only reading is offered. Every descent stays within its parent and within the data:
// a chunk header that claims more bytes than remain is refused, so no caller allocates for
// bytes that are not there.
namespace sys::mmio {

using FOURCC = uint32_t;

constexpr FOURCC MakeFourCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<uint8_t>(a)) | (static_cast<FOURCC>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<uint8_t>(c)) << 16) | (static_cast<FOURCC>(static_cast<uint8_t>(d)) << 24);
}

constexpr FOURCC FOURCC_RIFF = MakeFourCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = MakeFourCC('L', 'I', 'S', 'T');
constexpr FOURCC FOURCC_MEM = MakeFourCC('M', 'E', 'M', ' ');

// Descend flags.
constexpr uint32_t MMIO_FINDCHUNK = 0x0010;
constexpr uint32_t MMIO_FINDRIFF = 0x0020;
constexpr uint32_t MMIO_FINDLIST = 0x0040;

// Results.
constexpr uint32_t MMSYSERR_NOERROR = 0;
constexpr uint32_t MMIOERR_CANNOTSEEK = 264;
constexpr uint32_t MMIOERR_CHUNKNOTFOUND = 265;
constexpr uint32_t MMIOERR_CANNOTREAD = 258;

// A descent walks at most this many sibling chunks before it gives up: a sound file holds a
// handful, and a file of empty eight-byte headers must not keep the reader busy for minutes.
constexpr uint32_t kMaxChunksPerDescent = 4096;
// The most sample bytes one sound may hold: over twelve minutes of CD-quality stereo (a player's
// own music loop of ten minutes takes 106 MB), while a sound that is read and handed to its
// device buffer still takes no more than twice this. A larger "data" chunk is refused, before
// anything is allocated for it.
constexpr uint32_t kMaxSoundDataBytes = 128u << 20;

// Seek origins.
constexpr int SEEK_FROM_START = 0;
constexpr int SEEK_FROM_CURRENT = 1;
constexpr int SEEK_FROM_END = 2;

struct MMCKINFO {
    FOURCC ckid = 0;
    uint32_t cksize = 0;
    FOURCC fccType = 0;       // form or list type of "RIFF" and "LIST" chunks
    uint32_t dwDataOffset = 0;  // where the chunk's data starts (after its header)
    uint32_t dwFlags = 0;
};

// An open RIFF source; closed by Close. Not shared between threads.
struct MMIOFile;
using HMMIO = MMIOFile*;

// Opens a file for reading (the name goes through the file layer); null when it cannot be read.
HMMIO OpenFile(std::string_view path);
// Reads a block of memory in place; the bytes must outlive the handle. Null for a null block.
HMMIO OpenMemory(const void* data, uint32_t size);
void Close(HMMIO file);

// Bytes read (fewer at the end of the data), or -1 on a read error.
int32_t Read(HMMIO file, void* buffer, int32_t count);
// The new position, or -1 for a position before the start.
int32_t Seek(HMMIO file, int32_t offset, int origin);
// The size of the whole file or memory block.
uint32_t Size(HMMIO file);

// Reads the chunk header at the current position, or searches for the chunk the flags name
// (MMIO_FINDRIFF: a "RIFF" chunk whose form type is chunk.fccType; MMIO_FINDLIST likewise for
// "LIST"; MMIO_FINDCHUNK: a chunk with id chunk.ckid) among the chunks that follow, within
// `parent` when given. On success the position is at the chunk's data (after the form type for
// "RIFF" and "LIST"). MMIOERR_CHUNKNOTFOUND when the search runs out of data, a header is cut
// short or claims more bytes than its parent or the data hold, or kMaxChunksPerDescent chunks
// went by without the one sought.
uint32_t Descend(HMMIO file, MMCKINFO& chunk, const MMCKINFO* parent, uint32_t flags);
// Moves past the end of a chunk that Descend entered, and past its pad byte when the size is odd.
uint32_t Ascend(HMMIO file, const MMCKINFO& chunk);

// Whether a "data" chunk that Descend entered is within kMaxSoundDataBytes. A sound refused for
// its size is named on standard error (its file, or "a sound resource", and why), once per
// name in a run, so that a player whose replaced sound stays silent learns why.
bool SoundDataWithinBound(HMMIO file, const MMCKINFO& chunk);

// Resources compiled into the program ("WAVE" resources by integer id): the code that embeds
// them registers the bytes at start-up, and readers find them by module, type and id. A null
// module is the program itself. The bytes must live as long as the program.
using HMODULE = const void*;
void RegisterResource(HMODULE module, const char* type, uint16_t id, const void* data, uint32_t size);
// False when nothing of that module, type (compared without regard to case) and id is known.
bool FindResource(HMODULE module, const char* type, uint16_t id, const void** data, uint32_t* size);

}  // namespace sys::mmio
