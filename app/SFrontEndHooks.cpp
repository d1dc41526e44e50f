#include "app/SFrontEndHooks.h"

namespace {

SFrontEndHooks* s_pInstalled = nullptr;

}  // namespace

void SFrontEndHooks::Install(SFrontEndHooks* hooks) { s_pInstalled = hooks; }

SFrontEndHooks& SFrontEndHooks::Installed() {
    static SFrontEndHooks s_none;
    return s_pInstalled != nullptr ? *s_pInstalled : s_none;
}
