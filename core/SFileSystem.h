#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringList.h"
#include "sys/classlib/CTime.h"
#include "sys/fs/fs.h"
#include "sys/window/window.h"

// File, directory, drive and path operations the engine needs beyond the class library's file.
// Callers make a local SFileSystem for one task (the officer list copies and deletes its data
// file, the script reader takes a script's folder) and drop it; the object only holds the open
// search of FindFile. Lists and texts answered by pointer are new heap objects owned by the
// caller. Nothing here throws: failures answer false, -1, an empty text or null.
//
// Paths are written the data's way, with "\" separators; the path helpers split on "\" only.
// This system has a single drive, "c:\", standing for the one file system the file layer maps
// every path to (it drops drive prefixes). There are no critical-error dialogs to suppress, so
// the drive and volume queries need no error mode.
class SFileSystem : public CObject {
public:
    // Attribute mask values: any entry, and plain files (0 means the same as kNormal).
    static constexpr int kAnyEntry = -1;
    static constexpr int kNormal = 0x80;
    static constexpr int kDirectory = 0x10;

    // Sizes answered in 32 bits: kSizeFailed reports a failure, larger totals stop at kSizeLimit.
    static constexpr uint32_t kSizeFailed = 0xFFFFFFFFu;
    static constexpr uint32_t kSizeLimit = 0xFFFFFFFEu;

    // The buffer limit of current-directory and full-path queries: longer paths are failures.
    static constexpr int kPathBufferSize = 1024;

    SFileSystem();
    ~SFileSystem() override;
    SFileSystem(const SFileSystem&) = delete;
    SFileSystem& operator=(const SFileSystem&) = delete;

    // --- Status: false when the path does not exist ------------------------------------------
    static bool GetStatus(const char* path, sys::fs::FileStatus& status);
    static bool GetCreationTime(const char* path, CTime& time);
    static bool GetAccessTime(const char* path, CTime& time);
    static bool GetModifiedTime(const char* path, CTime& time);
    static bool GetSize(const char* path, uint64_t& size);
    static bool GetAttributes(const char* path, uint32_t& attributes);
    static bool FileExists(const char* path);
    static bool IsDirectory(const char* path);

    // --- Searching -----------------------------------------------------------------------------
    // A non-empty pattern starts a new search, an empty one continues the open search. False with
    // an empty name when no (further) entry exists. Otherwise true, with the entry's name when it
    // passes the mask and an empty name when not, so a caller's loop goes on: mask 0 or kNormal
    // passes entries that are neither hidden, system, volume label, directory nor 0x40; kAnyEntry
    // passes all; any other mask passes entries having one of its attributes.
    bool FindFile(CString& name, const char* pattern, int mask);
    // The first name passing the mask, as a new text; null when none does.
    CString* FindFirstMatch(const char* pattern, int mask);
    // Every passing entry but "." and "..", each as the pattern's folder part followed by the name.
    CStringList* ListFiles(const char* pattern, int mask);
    // The subfolders of a folder (not "." and ".."), as folder\name with `withPath`, else the name.
    CStringList* ListSubdirectories(const char* directory, bool withPath);
    // ListFiles appended to `list` (a new list when null), with `recurse` also for the same file
    // pattern in every subfolder of the pattern's folder, depth first. Answers the list.
    CStringList* ListFilesRecursive(const char* pattern, int mask, bool recurse, CStringList* list = nullptr);

    // --- Directories ---------------------------------------------------------------------------
    // The current directory, or, with a non-empty `directory`, that directory's full path (the
    // current directory is changed into it and back to exactly where it was). Empty on failure.
    void GetCurrentDirectory(CString& text, const char* directory);
    bool SetCurrentDirectory(const char* directory);
    bool CreateDirectory(const char* directory);
    // Creates every missing folder of a path ("a\b\c" or "a\b\c\"); true when nothing was missing.
    bool CreateDirectoryTree(const char* path);
    // Removes an empty folder, or with `recursive` a folder and everything in it.
    bool RemoveDirectory(const char* directory, bool recursive);
    // Total size of the files matching the pattern in a folder (and its subfolders when recursive).
    uint32_t GetDirectorySize(const char* directory, const char* pattern, bool recursive);
    // True when no file can be created in the folder.
    bool IsDirectoryReadOnly(const char* directory);

    // --- Files ---------------------------------------------------------------------------------
    bool DeleteFile(const char* path);
    // Deletes every file ListFiles finds; false when one of them could not be deleted.
    bool DeleteFiles(const char* pattern, int mask);
    // Equal names: true at once. The source must exist (as a file, as a folder) and the target
    // must not.
    bool RenameFile(const char* from, const char* to);
    bool RenameDirectory(const char* from, const char* to);
    // Copies in blocks of bufferSize bytes; an existing target is never overwritten. A copy that
    // could not be completed is removed again and answered false.
    bool CopyFile(const char* from, const char* to, int bufferSize);
    // CopyFile of every file the pattern lists into the folder; stops at the first failure unless
    // `continueOnError`. False when any copy failed.
    bool CopyFiles(const char* pattern, const char* toDirectory, bool continueOnError, int mask);
    // True when both files can be read and hold the same bytes.
    bool CompareFiles(const char* a, const char* b, int bufferSize);

    // --- Drives --------------------------------------------------------------------------------
    CStringList* GetDriveList();
    bool IsDriveListed(const char* root);
    // Drive type numbers: 1 no such root, 3 a fixed disk.
    int GetDriveType(const char* root);
    bool SelectDrive(char letter);
    CString GetVolumeName(const char* root);
    uint32_t GetDiskCapacity(const char* root);
    CString GetFullPath(const char* path);

    // --- Paths ---------------------------------------------------------------------------------
    static CString GetFileName(const char* path);
    static CString GetDirectory(const char* path, bool keepDrive);
    static CString GetExtension(const char* path);
    static CString GetDrive(const char* path);
    static CString GetFileTitle(const char* path);
    static CString JoinPath(const char* directory, const char* name);

    // --- List boxes ----------------------------------------------------------------------------
    // Sends each text of the list, in order, as an add-string message to the window.
    static void FillListBox(sys::HWND listBox, const CStringList& list);
    static void FillComboBox(sys::HWND comboBox, const CStringList& list);

private:
    void CloseSearch();
    void AppendFiles(const char* pattern, int mask, bool recurse, CStringList& list, int depth);
    uint64_t SumSizes(const char* directory, const char* pattern, bool recursive, int depth);
    bool RemoveTree(const char* directory, int depth);

    // The open search: its entries and the next one to hand out.
    std::vector<sys::fs::FindEntry> m_search;
    size_t m_nextEntry = 0;
    bool m_searchOpen = false;
};
