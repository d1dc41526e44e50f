#include "app/SGameScreenLink.h"

#include <atomic>

namespace {
std::atomic<SGameScreenLink*> g_pCurrent{nullptr};
}

SGameScreenLink* SGameScreenLink::Current() { return g_pCurrent.load(); }

void SGameScreenLink::SetCurrent(SGameScreenLink* screen) { g_pCurrent.store(screen); }
