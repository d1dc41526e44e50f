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

bool SHomeFolder::ReportUnreadable(const SUnreadableFile& file, bool damaged, bool homeWritable,
                                   const std::string& overrun) {
    const std::string aside = damaged && homeWritable ? SetAside(file.file) : std::string();
    const std::string named = std::string("The ") + file.what + " \"" + file.file + "\" ";
    // A file that was read is not called unreadable: what went too far is its run.
    const std::string failed = overrun.empty() ? "could not be read" : "runs past what one start reads";
    std::string text;
    if (!aside.empty()) {
        text = named + failed + ".\nIt has been kept as \"" + aside + "\",\nand the game starts " + file.instead + ".";
    } else if (!homeWritable) {
        text = named + failed + ".\nThe game starts " + file.instead + ".";
    } else {
        const std::string kept = !damaged          ? "could not be opened"
                                 : overrun.empty() ? "could not be read, nor moved aside"
                                                   : failed + ", and could not be moved aside";
        text = named + kept + ".\nThe game starts " + file.instead + ", and saves " + file.unsaved +
               " until it is restarted,\nso that the file is kept.";
    }
    if (!overrun.empty())
        text += "\n\n" + overrun;
    sys::dialogs::MessageBox(text, CTarvexApp::kTitle, sys::MB_OK | sys::MB_ICONEXCLAMATION);
    return aside.empty();
}
