#pragma once
// Waiting for a state, never for a time: the bound only catches a hang. Every wait pumps
// this thread's messages, so windows of other processes that live inside windows of this
// one (the preview) never block on it.
#include <windows.h>

#include <functional>

namespace support {

// Waits until done() holds or the timeout passes, pumping messages; returns done().
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
void Pause(DWORD ms); // waits while pumping messages

} // namespace support
