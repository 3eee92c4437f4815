#include "storms/storm_lock.h"

#include <windows.h>

// The saver: a Win32 critical section kept in the table's own storage, so the table
// needs no allocation.
static_assert(sizeof(CRITICAL_SECTION) <= sizeof(StormLock::storage),
              "StormLock storage too small for a CRITICAL_SECTION");
static_assert(alignof(CRITICAL_SECTION) <= alignof(StormLock),
              "StormLock storage under-aligned for a CRITICAL_SECTION");

namespace {

CRITICAL_SECTION* Section(StormLock& lock) {
    return reinterpret_cast<CRITICAL_SECTION*>(lock.storage);
}

} // namespace

void InitStormLock(StormLock& lock) {
    ::InitializeCriticalSection(Section(lock));
}

void DeleteStormLock(StormLock& lock) {
    ::DeleteCriticalSection(Section(lock));
}

void EnterStormLock(StormLock& lock) {
    ::EnterCriticalSection(Section(lock));
}

void LeaveStormLock(StormLock& lock) {
    ::LeaveCriticalSection(Section(lock));
}
