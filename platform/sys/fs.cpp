#include "platform/sys/fs.h"

namespace sys::fs {

std::string NativePath(std::string_view path) { return std::string(path); }

}  // namespace sys::fs
