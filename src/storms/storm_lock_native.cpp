#include "storms/storm_lock.h"

#include <mutex>
#include <new>

// Native builds (unit tests, fuzzers, benchmarks): a std::mutex placed in the storage.
static_assert(sizeof(std::mutex) <= sizeof(StormLock::storage), "StormLock storage too small");
static_assert(alignof(std::mutex) <= alignof(StormLock), "StormLock storage under-aligned");

namespace {

std::mutex& Mutex(StormLock& lock) {
    return *std::launder(reinterpret_cast<std::mutex*>(lock.storage));
}

} // namespace

void InitStormLock(StormLock& lock) {
    new (lock.storage) std::mutex();
}

void DeleteStormLock(StormLock& lock) {
    Mutex(lock).~mutex();
}

void EnterStormLock(StormLock& lock) {
    Mutex(lock).lock();
}

void LeaveStormLock(StormLock& lock) {
    Mutex(lock).unlock();
}
