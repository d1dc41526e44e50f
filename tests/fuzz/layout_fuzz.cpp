// Fuzzes the layout script parser: each input is a script, parsed into a layout whose value
// hook reads integers and named variables and whose text hook strips quotes, then drawn for two
// frames into a context that only writes the calls down, and freed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/ui/LayoutTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A script is a C text: it ends at the first zero byte.
    const std::string script(reinterpret_cast<const char*>(data), size);
    tarvex::test::TestLayout layout;
    layout.appWords = {"probe"};
    layout.variables = {{"on", 1}, {"wide", 640}};
    layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    tarvex::test::RecordingDC dc;
    layout.SetScript(script.c_str());
    layout.Draw(&dc);
    layout.ShowAllGroups();
    layout.Draw(&dc);
    return 0;
}
