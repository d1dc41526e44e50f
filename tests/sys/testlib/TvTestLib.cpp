// A stand-in run-time library for the library-loading tests: two exported functions and a
// call counter, so a test can tell that it reached the code inside this library; and an
// initialiser that, when TV_TEST_INITIALISER asks, never returns: "sleep" (a minute, its
// process id kept in "initialiser.pid" in the working folder), "exit" (status 0) or "fault"; "say" only writes a line to standard error.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int g_calls = 0;

// The fault is a real one, not the undefined-behaviour checker's report of it.
__attribute__((constructor, no_sanitize("undefined"))) void Initialise() {
    const char* what = std::getenv("TV_TEST_INITIALISER");
    if (what != nullptr && std::strcmp(what, "sleep") == 0) {
        if (FILE* file = std::fopen("initialiser.tmp", "w")) {
            std::fprintf(file, "%d\n", static_cast<int>(getpid()));
            std::fclose(file);
            std::rename("initialiser.tmp", "initialiser.pid");
        }
        sleep(60);
    }
    if (what != nullptr && std::strcmp(what, "say") == 0) std::fputs("TvTestLib initialised\n", stderr);
    if (what != nullptr && std::strcmp(what, "exit") == 0) std::exit(0);
    if (what != nullptr && std::strcmp(what, "fault") == 0) *static_cast<volatile int*>(nullptr) = 1;
}
}  // namespace

extern "C" {

__attribute__((visibility("default"))) int TvTestAdd(int a, int b) {
    ++g_calls;
    return a + b;
}

__attribute__((visibility("default"))) int TvTestCalls() { return g_calls; }

}
