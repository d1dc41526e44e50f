#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The file-system seam: files, directories, file finding, copies and moves, file status and
// free disk space. Everything above sys/ names files the way the data and the game
// texts do ("Home\Player.cfg", "C:\Games\Tarvex\*.*"); every function here takes such a path
// and maps it to this machine with NativePath first. Failures answer false, -1 or an empty
// result and leave a Windows-style error number in LastError(), because callers test those
// numbers (2 = file not found above all).
namespace sys::fs {

// Turns a path as the data and the game's texts write it ("C:\Home\Tarvex.cat",
// "home/TARVEX.CAT") into the path of the file on this machine: the drive prefix dropped, "\"
// turned into "/", and every existing component matched without regard to case. Components
// that do not exist are kept as written, so the result also names files about to be created.
//
// Details the callers rely on:
// - A root written the data's way ("\Resources", "C:\Games") stands for the working
//   directory: a base path left empty yields "\Resources", which must find the folder beside
//   the program, not one at the top of the disk. Only a path starting with "/" is absolute.
// - When two entries differ only in case, the one written exactly wins; otherwise the first
//   in byte order, so the answer never depends on the order the directory lists them.
// - "." components vanish and ".." removes the component before it, by text, as the data's
//   platform does; a leading ".." of a relative path stays.
// - Doubled and trailing separators are dropped. The working directory itself is ".".
std::string NativePath(std::string_view path);

// NativePath made absolute against the working directory.
std::string FullPath(std::string_view path);

// --- Attribute bits, as the data's platform numbers them -------------------------------------
constexpr uint32_t kAttributeReadOnly = 0x01;   // no write permission bit set at all
constexpr uint32_t kAttributeHidden = 0x02;     // the name starts with "." (not "." or "..")
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeNormal = 0x80;     // given only when no other bit is
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// --- Error numbers LastError() reports -------------------------------------------------------
constexpr uint32_t kErrorNone = 0;
constexpr uint32_t kErrorFileNotFound = 2;      // the last component does not exist
constexpr uint32_t kErrorPathNotFound = 3;      // a folder on the way does not exist
constexpr uint32_t kErrorTooManyOpenFiles = 4;
constexpr uint32_t kErrorAccessDenied = 5;      // also: a folder where a file is wanted
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorNotSameDevice = 17;    // a folder cannot move to another disk
constexpr uint32_t kErrorNoMoreFiles = 18;
constexpr uint32_t kErrorWriteProtect = 19;     // read-only file system
constexpr uint32_t kErrorGenFailure = 31;       // anything without a closer number
constexpr uint32_t kErrorSharingViolation = 32; // busy
constexpr uint32_t kErrorFileExists = 80;       // CopyFile refusing to overwrite
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorInvalidName = 123;     // a wildcard outside the last component
constexpr uint32_t kErrorDirNotEmpty = 145;
constexpr uint32_t kErrorAlreadyExists = 183;   // CreateDirectory, MoveFile
constexpr uint32_t kErrorFilenameTooLong = 206;
constexpr uint32_t kErrorDirectory = 267;       // RemoveDirectory of something not a folder

// Error number of the last failing call on this thread; kErrorNone after a success.
uint32_t LastError();

// --- Status ----------------------------------------------------------------------------------
// Times are seconds since 1970-01-01 UTC. The creation time is the file system's birth time
// where it keeps one, else the older of the change and modification times.
struct FileStatus {
    uint32_t attributes = kInvalidAttributes;
    uint64_t size = 0;                  // 0 for folders
    int64_t creationTime = 0;
    int64_t accessTime = 0;
    int64_t writeTime = 0;
};

// A symbolic link reports what it points to; a dangling one reports itself as a file.
bool GetStatus(std::string_view path, FileStatus& status);
// kInvalidAttributes when the path does not exist.
uint32_t GetAttributes(std::string_view path);
bool Exists(std::string_view path);
bool IsDirectory(std::string_view path);
// The entry itself is a symbolic link (to anything, or dangling).
bool IsSymbolicLink(std::string_view path);

// --- Finding ---------------------------------------------------------------------------------
struct FindEntry : FileStatus {
    std::string name;  // as stored on disk
};

// Lists the entries of one folder whose names match the last component of `pattern`: `*` is
// any run of characters, `?` exactly one, letters match without regard to case, and "*.*"
// matches every name, with or without a dot. A last component without wildcards finds that
// one entry in any case. Like the data's platform, a folder other than "/" also lists "." and
// ".." (folders, never hidden) when the pattern matches them: callers that walk folders skip
// them by name, and an attribute filter for plain files skips them as folders.
// Order: "." and ".." first, then by name without regard to case, so listings are the same on
// every machine. Nothing found: false, `entries` empty, LastError 2 (no match, also for a
// pattern ending in a separator), 3 (the folder does not exist) or 123 (a wildcard in a folder
// component).
bool FindFiles(std::string_view pattern, std::vector<FindEntry>& entries);

// --- Folders ---------------------------------------------------------------------------------
// 183 when the name exists already (in any case), 3 when its parent is missing.
bool CreateDirectory(std::string_view path);
// Only an empty folder: 145 when it is not, 267 when it is a file.
bool RemoveDirectory(std::string_view path);
// The working directory as an absolute native path; empty on failure.
std::string GetCurrentDirectory();
bool SetCurrentDirectory(std::string_view path);

// --- Files -----------------------------------------------------------------------------------
// Copies contents, permissions and modification time. The copy is written to a temporary
// file beside the target and renamed over it only when complete, so a failed copy leaves an
// existing target as it was. With failIfExists an existing target is refused with 80;
// without it a read-only target or a folder is refused with 5. A missing source gives 2 (3
// when its folder is missing too); a source that is not a plain file gives 5.
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);
// Renames or moves a file or folder. An existing target is refused with 183, except the
// source itself written in other case: that renames to the new case. A file moves to another
// disk by copy and delete; a folder cannot (17).
bool MoveFile(std::string_view from, std::string_view to);

// Writes the bytes to a temporary file beside the file, flushes them to disk and renames the
// copy over the file in one step, so readers see either the old or the new contents, never a
// mix. The temporary file is created new (O_EXCL) as "<file>.tmp", or while that name is held
// (EEXIST) as "<file>.<8 random hex digits>.tmp", up to 16 names: whatever stands at a name (a
// link, a pipe, a folder, a crash's left-over) is neither written through nor in the way, and
// is left as it is. A symbolic link at the file's own name is replaced by the file, never
// written through, so nothing is written outside the folder. On failure the old file is left
// as it was, nothing is left behind, and errno holds the cause.
bool WriteFileAtomically(std::string_view path, std::string_view contents);
// Whether files can be made in the folder of `path`: a new file is created beside it under a
// name no entry has, as a save's temporary file is, and removed again. No entry is touched.
bool CanCreateFileBeside(std::string_view path);
// Removes a file. A folder or a read-only file is refused with 5.
bool DeleteFile(std::string_view path);

// --- Opening for the platform layer's own readers -------------------------------------------
// Opens `nativePath` (NativePath's answer, not mapped again) with open(2)'s `flags` for the
// class library's files and the sound reader; the descriptor, or -1 with errno set. A file that
// is to be read must be a plain file or a link to one: a pipe, device, socket or folder is
// refused (ENXIO, EISDIR for a folder) instead of handing a reader a source that waits for a
// writer or never ends. The open itself never waits, so a pipe with nobody at its other end is
// refused too; the descriptor comes back blocking, as open(2) would give it. An open that may
// create (O_CREAT) never follows a symbolic link at the name: it is refused with ELOOP.
int OpenNative(const std::string& nativePath, int flags, unsigned permissions = 0644);

// --- The standard descriptors ----------------------------------------------------------------
// Opens "/dev/null" on each of descriptors 0, 1 and 2 that the program was started without
// ("<&- >&- 2>&-"), 0 for reading and the others for writing. Called first in main, before
// anything opens a file: the first file opened would otherwise take a standard number, and
// what is printed would land in it, or be cut off with it where /dev/null is laid over output.
void OpenClosedStandardDescriptors();

// --- Disks -----------------------------------------------------------------------------------
struct DiskSpace {
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0;       // free on the disk
    uint64_t availableBytes = 0;  // free for this user
};
// The disk that holds an existing path.
bool GetDiskSpace(std::string_view path, DiskSpace& space);

}  // namespace sys::fs
