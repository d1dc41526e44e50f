#include "sys/backend.h"

namespace sys {

namespace {
Backend g_backend = Backend::Headless;
}

void SelectBackend(Backend backend) { g_backend = backend; }

Backend CurrentBackend() { return g_backend; }

}  // namespace sys
