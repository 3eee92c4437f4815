#pragma once
// The storm table's lock, behind a seam so that the platform-free core can take it.
// In the saver it is a Win32 critical section (storm_lock_win.cpp); native builds use a
// std::mutex (storm_lock_native.cpp). Either is constructed inside the opaque storage,
// so a zero-filled StormLock needs InitStormLock before its first use.

constexpr int kStormLockBytes = 40; // a CRITICAL_SECTION on 64-bit Windows

struct StormLock {
    alignas(8) unsigned char storage[kStormLockBytes];
};

// The main window initialises the lock before it starts the feed thread and deletes it
// after that thread has ended or been terminated; no thread may hold it then.
void InitStormLock(StormLock& lock);
void DeleteStormLock(StormLock& lock);

// Any thread. Hold the lock only for single reads or writes of the guarded fields,
// never across a drawing, parsing or network call. Not recursive in native builds.
void EnterStormLock(StormLock& lock);
void LeaveStormLock(StormLock& lock);
