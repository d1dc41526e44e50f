#include "app/SHomeFolder.h"

#include "app/CTarvexApp.h"
#include "sys/fs/fs.h"
#include "sys/window/dialogs.h"

namespace {

constexpr const char* kProbeFile = "~tarvex.probe";
constexpr int kMaxAsideNames = 99;

}  // namespace

bool SHomeFolder::IsWritable() { return sys::fs::CanCreateFileBeside(kProbeFile); }

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

bool SHomeFolder::ReportUnreadable(const SUnreadableFile& file, bool damaged, bool homeWritable) {
    const std::string aside = damaged && homeWritable ? SetAside(file.file) : std::string();
    const std::string named = std::string("The ") + file.what + " \"" + file.file + "\" could not be ";
    std::string text;
    if (!aside.empty()) {
        text = named + "read.\nIt has been kept as \"" + aside + "\",\nand the game starts " + file.instead + ".";
    } else if (!homeWritable) {
        text = named + "read.\nThe game starts " + file.instead + ".";
    } else {
        text = named + (damaged ? "read, nor moved aside" : "opened") + ".\nThe game starts " + file.instead +
               ", and saves " + file.unsaved + " until it is restarted,\nso that the file is kept.";
    }
    sys::dialogs::MessageBox(text, CTarvexApp::kTitle, sys::MB_OK | sys::MB_ICONEXCLAMATION);
    return aside.empty();
}
