#include "sys/library.h"

#include <dlfcn.h>

#include <cctype>
#include <utility>

#include "sys/fs/fs.h"

namespace sys::library {

namespace {

thread_local std::string t_lastError;

void Fail(std::string reason, std::string* error) {
    if (error != nullptr) {
        *error = reason;
    }
    t_lastError = std::move(reason);
}

bool EndsWithDll(std::string_view name) {
    constexpr std::string_view kDll = ".dll";
    if (name.size() < kDll.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - kDll.size());
    for (std::size_t i = 0; i < kDll.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kDll[i]) {
            return false;
        }
    }
    return true;
}

bool HasFolder(std::string_view name) {
    // A drive prefix ("C:VQ9Game.dll") names a place too; it is dropped later, so such a
    // name is taken as given rather than sent to the current directory a second time.
    return name.find_first_of("/\\:") != std::string_view::npos;
}

}  // namespace

std::string FileNameFor(std::string_view name) {
    std::string file(name);
    if (EndsWithDll(name)) {
        file.resize(file.size() - 4);
        file += ".so";
    }
    if (!HasFolder(name)) {
        file.insert(0, "./");
    }
    return file;
}

Handle Load(std::string_view name, std::string* error) {
    if (name.empty()) {
        Fail("no library name given", error);
        return nullptr;
    }
    std::string path = sys::fs::NativePath(FileNameFor(name));
    // dlopen searches the system's folders for a name without "/", and hands back a library
    // already loaded under the same name, so "./VQ9Game.so" in another folder would be the
    // library loaded from the first one: a relative path is made absolute.
    if (path.empty() || path[0] != '/') {
        const std::string current = sys::fs::GetCurrentDirectory();
        if (!current.empty()) {
            path.insert(0, current.back() == '/' ? current : current + "/");
        } else if (path.find('/') == std::string::npos) {
            path.insert(0, "./");
        }
    }
    dlerror();
    Handle library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        Fail("cannot load library \"" + std::string(name) + "\" as \"" + path +
                 "\": " + (reason != nullptr ? reason : "unknown error"),
             error);
        return nullptr;
    }
    return library;
}

void* Symbol(Handle library, const char* name) {
    if (library == nullptr || name == nullptr) {
        t_lastError = "no library or no symbol name given";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(library, name);
    const char* reason = dlerror();
    if (reason != nullptr) {
        t_lastError = "symbol \"" + std::string(name) + "\" not found: " + reason;
        return nullptr;
    }
    if (address == nullptr) {
        // An exported name whose value is null is no use to any caller here.
        t_lastError = "symbol \"" + std::string(name) + "\" has no address";
    }
    return address;
}

void Unload(Handle library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

std::string LastError() { return t_lastError; }

}  // namespace sys::library
