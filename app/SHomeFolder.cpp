#include "app/SHomeFolder.h"

#include "sys/fs/fs.h"

namespace {

constexpr const char* kProbeFile = "~tarvex.probe";
constexpr int kMaxAsideNames = 99;

}  // namespace

bool SHomeFolder::IsWritable() {
    if (!sys::fs::WriteFileAtomically(kProbeFile, ""))
        return false;
    sys::fs::DeleteFile(kProbeFile);
    return true;
}

std::string SHomeFolder::SetAside(const char* file) {
    // Files set aside earlier are kept too: the next free name is taken.
    const std::string first = std::string(file) + ".bad";
    std::string aside = first;
    bool moved = sys::fs::MoveFile(file, aside);
    for (int n = 2; !moved && n <= kMaxAsideNames && sys::fs::LastError() == sys::fs::kErrorAlreadyExists; ++n) {
        aside = first + std::to_string(n);
        moved = sys::fs::MoveFile(file, aside);
    }
    return moved ? aside : std::string();
}

std::string SHomeFolder::ReadOnlyNotice(const std::string& home) {
    return "The folder \"" + home +
           "\" cannot be written to.\nThe game runs on what it has read, but nothing will be saved:\nnew "
           "officers, results and settings are lost when the game ends,\nand every file there stays as it is.";
}
