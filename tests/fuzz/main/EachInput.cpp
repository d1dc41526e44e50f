// The entry point of every fuzz target: the headless backend records each message box it
// answers, so boxes kept from one input to the next would grow memory with every run, which
// libFuzzer takes for a leak until it stops looking for leaks at all. The target's own entry
// point is built as TargetOneInput (see tests/fuzz/CMakeLists.txt) and runs here between two
// resets of the record.
#include <cstddef>
#include <cstdint>

#include "sys/window/headless/headless_dialogs.h"

extern "C" int TargetOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sys::dialogs::headless::Reset();
    const int result = TargetOneInput(data, size);
    sys::dialogs::headless::Reset();
    return result;
}
