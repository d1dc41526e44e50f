#include "app/SOfficerHooks.h"

namespace {
SOfficerHooks* s_pInstalled = nullptr;
}

void SOfficerHooks::Install(SOfficerHooks* hooks) { s_pInstalled = hooks; }

SOfficerHooks* SOfficerHooks::Installed() { return s_pInstalled; }
