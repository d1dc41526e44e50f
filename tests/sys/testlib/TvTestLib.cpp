// A stand-in run-time library for the library-loading tests: two exported functions and a
// call counter, so a test can tell that it reached the code inside this library.

namespace {
int g_calls = 0;
}

extern "C" {

__attribute__((visibility("default"))) int TvTestAdd(int a, int b) {
    ++g_calls;
    return a + b;
}

__attribute__((visibility("default"))) int TvTestCalls() { return g_calls; }

}
