#include "core/SFileSystem.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <new>

#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"

namespace {

// Hidden, system, volume label, directory and 0x40: what a plain-file search leaves out.
constexpr uint32_t kNotPlainFile = 0x5E;

// Add-string messages of list boxes and combo boxes.
constexpr sys::UINT LB_ADDSTRING = 0x0180;
constexpr sys::UINT CB_ADDSTRING = 0x0143;

// Folder trees are walked at most this deep, so a link that leads back up the tree cannot
// recurse without end.
constexpr int kMaxTreeDepth = 64;

// The one drive of this system.
constexpr char kDriveLetter = 'c';
constexpr char kDriveRoot[] = "c:\\";

// Win32 drive types.
constexpr int kDriveNoRootDir = 1;
constexpr int kDriveFixed = 3;

const char* Text(const char* text) { return text != nullptr ? text : ""; }

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

bool PassesMask(uint32_t attributes, int mask) {
    if (mask == SFileSystem::kAnyEntry)
        return true;
    if (mask == 0 || mask == SFileSystem::kNormal)
        return (attributes & kNotPlainFile) == 0;
    return (attributes & static_cast<uint32_t>(mask)) != 0;
}

uint32_t Saturated(uint64_t total) {
    return total > SFileSystem::kSizeLimit ? SFileSystem::kSizeLimit : static_cast<uint32_t>(total);
}

bool ToTime(const char* path, CTime& time, int64_t sys::fs::FileStatus::*field) {
    sys::fs::FileStatus status;
    if (!SFileSystem::GetStatus(path, status))
        return false;
    time = CTime(static_cast<time_t>(status.*field));
    return true;
}

// Both files closed whatever happens; a close that fails is no news to a caller that is done.
void CloseQuietly(CFile& file) {
    try {
        file.Close();
    } catch (CFileException&) {
        file.Abort();
    }
}

bool LowerEquals(const CString& a, const CString& b) {
    CString lower = a;
    lower.MakeLower();
    return lower == b;
}

}  // namespace

SFileSystem::SFileSystem() = default;

SFileSystem::~SFileSystem() { CloseSearch(); }

void SFileSystem::CloseSearch() {
    m_search.clear();
    m_nextEntry = 0;
    m_searchOpen = false;
}

// --- Status ------------------------------------------------------------------------------------

bool SFileSystem::GetStatus(const char* path, sys::fs::FileStatus& status) {
    if (path == nullptr || *path == '\0')
        return false;
    return sys::fs::GetStatus(path, status);
}

bool SFileSystem::GetCreationTime(const char* path, CTime& time) {
    return ToTime(path, time, &sys::fs::FileStatus::creationTime);
}

bool SFileSystem::GetAccessTime(const char* path, CTime& time) {
    return ToTime(path, time, &sys::fs::FileStatus::accessTime);
}

bool SFileSystem::GetModifiedTime(const char* path, CTime& time) {
    return ToTime(path, time, &sys::fs::FileStatus::writeTime);
}

bool SFileSystem::GetSize(const char* path, uint64_t& size) {
    sys::fs::FileStatus status;
    if (!GetStatus(path, status))
        return false;
    size = status.size;
    return true;
}

bool SFileSystem::GetAttributes(const char* path, uint32_t& attributes) {
    sys::fs::FileStatus status;
    if (!GetStatus(path, status))
        return false;
    attributes = status.attributes;
    return true;
}

bool SFileSystem::FileExists(const char* path) {
    sys::fs::FileStatus status;
    return GetStatus(path, status);
}

bool SFileSystem::IsDirectory(const char* path) {
    if (path == nullptr || *path == '\0')
        return false;
    const uint32_t attributes = sys::fs::GetAttributes(path);
    return attributes != sys::fs::kInvalidAttributes && (attributes & sys::fs::kAttributeDirectory) != 0;
}

// --- Searching ---------------------------------------------------------------------------------

bool SFileSystem::FindFile(CString& name, const char* pattern, int mask) {
    name.Empty();
    if (pattern != nullptr && *pattern != '\0') {
        CloseSearch();
        m_searchOpen = sys::fs::FindFiles(pattern, m_search);
    }
    if (!m_searchOpen || m_nextEntry >= m_search.size()) {
        CloseSearch();
        return false;
    }
    const sys::fs::FindEntry& entry = m_search[m_nextEntry++];
    if (PassesMask(entry.attributes, mask))
        name = entry.name;
    return true;
}

CString* SFileSystem::FindFirstMatch(const char* pattern, int mask) {
    CString name;
    bool found = FindFile(name, pattern, mask);
    while (found && name.IsEmpty())
        found = FindFile(name, "", mask);
    CloseSearch();
    return found ? new CString(name) : nullptr;
}

CStringList* SFileSystem::ListFiles(const char* pattern, int mask) {
    auto* list = new CStringList(10);
    const CString folder = GetDirectory(pattern, true);
    CString name;
    for (bool more = FindFile(name, Text(pattern), mask); more; more = FindFile(name, "", mask)) {
        if (!name.IsEmpty() && !IsDotEntry(name.str()))
            list->AddTail(folder + name);
    }
    CloseSearch();
    return list;
}

CStringList* SFileSystem::ListSubdirectories(const char* directory, bool withPath) {
    auto* list = new CStringList(10);
    const CString pattern = JoinPath(directory, "*.*");
    const CString folder = GetDirectory(pattern, true);
    CString name;
    for (bool more = FindFile(name, pattern, kDirectory); more; more = FindFile(name, "", kDirectory)) {
        if (name.IsEmpty() || IsDotEntry(name.str()))
            continue;
        list->AddTail(withPath ? folder + name : name);
    }
    CloseSearch();
    return list;
}

CStringList* SFileSystem::ListFilesRecursive(const char* pattern, int mask, bool recurse, CStringList* list) {
    if (list == nullptr)
        list = new CStringList(10);
    AppendFiles(pattern, mask, recurse, *list, 0);
    return list;
}

void SFileSystem::AppendFiles(const char* pattern, int mask, bool recurse, CStringList& list, int depth) {
    CStringList* files = ListFiles(pattern, mask);
    list.AddTail(files);
    delete files;
    if (!recurse || depth >= kMaxTreeDepth)
        return;
    const CString fileName = GetFileName(pattern);
    CStringList* folders = ListSubdirectories(GetDirectory(pattern, true), true);
    for (POSITION at = folders->GetHeadPosition(); at != nullptr;) {
        const CString& folder = folders->GetNext(at);
        AppendFiles(JoinPath(folder, fileName), mask, true, list, depth + 1);
    }
    delete folders;
}

// --- Directories -------------------------------------------------------------------------------

void SFileSystem::GetCurrentDirectory(CString& text, const char* directory) {
    text.Empty();
    const bool change = directory != nullptr && *directory != '\0';
    std::string previous;
    if (change) {
        previous = sys::fs::GetCurrentDirectory();
        if (previous.empty() || !sys::fs::SetCurrentDirectory(directory))
            return;
    }
    const std::string current = sys::fs::GetCurrentDirectory();
    if (static_cast<int>(current.size()) < kPathBufferSize)
        text = current;
    // Back to the very folder the caller was in, so relative paths mean what they meant.
    if (change)
        sys::fs::SetCurrentDirectory(previous);
}

bool SFileSystem::SetCurrentDirectory(const char* directory) {
    return directory != nullptr && *directory != '\0' && sys::fs::SetCurrentDirectory(directory);
}

bool SFileSystem::CreateDirectory(const char* directory) {
    return directory != nullptr && *directory != '\0' && sys::fs::CreateDirectory(directory);
}

bool SFileSystem::CreateDirectoryTree(const char* path) {
    CString full = Text(path);
    if (full.IsEmpty())
        return false;
    if (full[full.GetLength() - 1] != '\\')
        full += '\\';
    bool result = true;
    for (int at = full.Find('\\'); at >= 0; at = full.Find('\\', at + 1)) {
        const CString prefix = full.Left(at);
        if (prefix.IsEmpty() || prefix[prefix.GetLength() - 1] == ':')
            continue;
        result = IsDirectory(prefix) ? true : CreateDirectory(prefix);
    }
    return result;
}

bool SFileSystem::RemoveDirectory(const char* directory, bool recursive) {
    if (directory == nullptr || *directory == '\0')
        return false;
    if (!recursive)
        return sys::fs::RemoveDirectory(directory);
    return RemoveTree(directory, 0);
}

bool SFileSystem::RemoveTree(const char* directory, int depth) {
    // A link is removed as a link: what it leads to lies outside the tree being removed.
    if (sys::fs::IsSymbolicLink(directory))
        return sys::fs::DeleteFile(directory);
    if (depth < kMaxTreeDepth) {
        CStringList* folders = ListSubdirectories(directory, true);
        for (POSITION at = folders->GetHeadPosition(); at != nullptr;)
            RemoveTree(folders->GetNext(at), depth + 1);
        delete folders;
    }
    CStringList* entries = ListFiles(JoinPath(directory, "*.*"), kAnyEntry);
    for (POSITION at = entries->GetHeadPosition(); at != nullptr;)
        DeleteFile(entries->GetNext(at));
    delete entries;
    return sys::fs::RemoveDirectory(directory);
}

uint32_t SFileSystem::GetDirectorySize(const char* directory, const char* pattern, bool recursive) {
    return Saturated(SumSizes(Text(directory), Text(pattern), recursive, 0));
}

uint64_t SFileSystem::SumSizes(const char* directory, const char* pattern, bool recursive, int depth) {
    uint64_t total = 0;
    std::vector<sys::fs::FindEntry> entries;
    if (sys::fs::FindFiles(JoinPath(directory, pattern).str(), entries)) {
        for (const sys::fs::FindEntry& entry : entries) {
            if ((entry.attributes & sys::fs::kAttributeDirectory) == 0)
                total += entry.size;
        }
    }
    if (recursive && depth < kMaxTreeDepth) {
        CStringList* folders = ListSubdirectories(directory, true);
        for (POSITION at = folders->GetHeadPosition(); at != nullptr;)
            total += SumSizes(folders->GetNext(at), pattern, true, depth + 1);
        delete folders;
    }
    return total;
}

bool SFileSystem::IsDirectoryReadOnly(const char* directory) {
    const CString probe = JoinPath(Text(directory), "xxxxtest.999");
    CFile file;
    if (!file.Open(probe, CFile::modeCreate | CFile::modeWrite))
        return true;
    CloseQuietly(file);
    return !DeleteFile(probe);
}

// --- Files -------------------------------------------------------------------------------------

bool SFileSystem::DeleteFile(const char* path) {
    return path != nullptr && *path != '\0' && sys::fs::DeleteFile(path);
}

bool SFileSystem::DeleteFiles(const char* pattern, int mask) {
    CStringList* files = ListFilesRecursive(pattern, mask, false);
    bool result = true;
    for (POSITION at = files->GetHeadPosition(); at != nullptr;) {
        if (!DeleteFile(files->GetNext(at)))
            result = false;
    }
    delete files;
    return result;
}

bool SFileSystem::RenameFile(const char* from, const char* to) {
    if (from == nullptr || to == nullptr)
        return false;
    if (std::strcmp(from, to) == 0)
        return true;
    if (!FileExists(from) || IsDirectory(from) || FileExists(to))
        return false;
    return sys::fs::MoveFile(from, to);
}

bool SFileSystem::RenameDirectory(const char* from, const char* to) {
    if (from == nullptr || to == nullptr)
        return false;
    if (std::strcmp(from, to) == 0)
        return true;
    if (!IsDirectory(from) || FileExists(to))
        return false;
    return sys::fs::MoveFile(from, to);
}

bool SFileSystem::CopyFile(const char* from, const char* to, int bufferSize) {
    if (from == nullptr || to == nullptr || bufferSize < 1)
        return false;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(bufferSize)]);
    if (!buffer)
        return false;
    // An existing file is never overwritten.
    if (FileExists(to))
        return false;

    CFile source;
    CFile target;
    if (!source.Open(from, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary))
        return false;
    if (!target.Open(to, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) {
        CloseQuietly(source);
        return false;
    }

    bool complete = false;
    try {
        const uint64_t length = source.GetLength();
        uint64_t written = 0;
        while (written < length) {
            const unsigned got = source.Read(buffer.get(), static_cast<unsigned>(bufferSize));
            if (got == 0)
                break;
            target.Write(buffer.get(), got);
            written += got;
        }
        target.Close();
        complete = written >= length;
    } catch (CFileException&) {
        complete = false;
    }
    target.Abort();
    CloseQuietly(source);
    // A short copy would pass for the file itself later on; take it away.
    if (!complete)
        sys::fs::DeleteFile(to);
    return complete;
}

bool SFileSystem::CopyFiles(const char* pattern, const char* toDirectory, bool continueOnError, int mask) {
    CStringList* files = ListFilesRecursive(pattern, mask, false);
    bool result = true;
    for (POSITION at = files->GetHeadPosition(); at != nullptr;) {
        const CString& file = files->GetNext(at);
        if (!CopyFile(file, JoinPath(Text(toDirectory), GetFileName(file)), 10240)) {
            result = false;
            if (!continueOnError)
                break;
        }
    }
    delete files;
    return result;
}

bool SFileSystem::CompareFiles(const char* a, const char* b, int bufferSize) {
    if (a == nullptr || b == nullptr || bufferSize < 1)
        return false;
    std::unique_ptr<char[]> left(new (std::nothrow) char[static_cast<size_t>(bufferSize)]);
    std::unique_ptr<char[]> right(new (std::nothrow) char[static_cast<size_t>(bufferSize)]);
    if (!left || !right)
        return false;
    CFile first;
    CFile second;
    if (!first.Open(a, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary) ||
        !second.Open(b, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary))
        return false;
    try {
        if (first.GetLength() != second.GetLength())
            return false;
        for (;;) {
            const unsigned gotLeft = first.Read(left.get(), static_cast<unsigned>(bufferSize));
            const unsigned gotRight = second.Read(right.get(), static_cast<unsigned>(bufferSize));
            if (gotLeft != gotRight || std::memcmp(left.get(), right.get(), gotLeft) != 0)
                return false;
            if (gotLeft == 0)
                return true;
        }
    } catch (CFileException&) {
        return false;
    }
}

// --- Drives ------------------------------------------------------------------------------------

CStringList* SFileSystem::GetDriveList() {
    auto* list = new CStringList(10);
    list->AddTail(CString(kDriveRoot));
    return list;
}

bool SFileSystem::IsDriveListed(const char* root) {
    CString wanted = Text(root);
    wanted.MakeLower();
    CStringList* drives = GetDriveList();
    const bool listed = drives->Find(wanted) != nullptr;
    delete drives;
    return listed;
}

int SFileSystem::GetDriveType(const char* root) {
    return LowerEquals(CString(Text(root)), CString(kDriveRoot)) ? kDriveFixed : kDriveNoRootDir;
}

bool SFileSystem::SelectDrive(char letter) {
    return std::tolower(static_cast<unsigned char>(letter)) == kDriveLetter;
}

CString SFileSystem::GetVolumeName(const char* root) {
    // The file system has no volume label to report.
    (void)root;
    return CString();
}

uint32_t SFileSystem::GetDiskCapacity(const char* root) {
    sys::fs::DiskSpace space;
    if (root == nullptr || *root == '\0' || !sys::fs::GetDiskSpace(root, space))
        return kSizeFailed;
    return Saturated(space.totalBytes);
}

CString SFileSystem::GetFullPath(const char* path) {
    if (path == nullptr || *path == '\0')
        return CString();
    const std::string full = sys::fs::FullPath(path);
    return static_cast<int>(full.size()) < kPathBufferSize ? CString(full) : CString();
}

// --- Paths -------------------------------------------------------------------------------------

CString SFileSystem::GetFileName(const char* path) {
    const CString text = Text(path);
    const int slash = text.ReverseFind('\\');
    return slash < 0 ? text : text.Mid(slash + 1);
}

CString SFileSystem::GetDirectory(const char* path, bool keepDrive) {
    const CString text = Text(path);
    const int slash = text.ReverseFind('\\');
    if (slash < 0)
        return CString();
    CString folder = text.Left(slash + 1);
    if (!keepDrive && folder.GetLength() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
        folder[1] == ':')
        folder = folder.Mid(2);
    return folder;
}

CString SFileSystem::GetExtension(const char* path) {
    // Only the name counts: a dot in a folder name is no extension.
    const CString name = GetFileName(path);
    const int dot = name.ReverseFind('.');
    if (dot <= 0 || dot == name.GetLength() - 1)
        return CString();
    return name.Mid(dot + 1);
}

CString SFileSystem::GetDrive(const char* path) {
    const CString text = Text(path);
    const int rootAt = text.Find(":\\");
    if (rootAt >= 0)
        return text.Left(rootAt + 2);
    const int colon = text.Find(':');
    return colon >= 0 ? text.Left(colon + 1) : CString();
}

CString SFileSystem::GetFileTitle(const char* path) {
    const CString name = GetFileName(path);
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

CString SFileSystem::JoinPath(const char* directory, const char* name) {
    const CString folder = Text(directory);
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] == '\\')
        return folder + Text(name);
    return folder + "\\" + Text(name);
}

// --- List boxes --------------------------------------------------------------------------------

namespace {

void SendEach(sys::HWND window, sys::UINT message, const CStringList& list) {
    for (POSITION at = list.GetHeadPosition(); at != nullptr;) {
        const CString& text = list.GetNext(at);
        sys::window::SendMessage(window, message, 0, reinterpret_cast<sys::LPARAM>(text.GetString()));
    }
}

}  // namespace

void SFileSystem::FillListBox(sys::HWND listBox, const CStringList& list) { SendEach(listBox, LB_ADDSTRING, list); }

void SFileSystem::FillComboBox(sys::HWND comboBox, const CStringList& list) {
    SendEach(comboBox, CB_ADDSTRING, list);
}
