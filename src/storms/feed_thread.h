#pragma once
// The feed thread: fetches the storm feed once per run over HTTP with WinINet, parses it
// into `stormTable`, raises the table's flags and asks the window it was given to repaint.
//
// Where it fetches from and how it connects: PlanFeedRequest (feed_request.h); a port or a
// path prefix in "AlternateHost" is honoured.
//
// What the flags end up as: a feed read with a 2xx status gives `fetchDone` 1 with the
// status line and the storms. No internet handle (sockets or InternetOpenA failed) gives
// `fetchFailed` 1 alone. Any later failure (no connection, no response, a status outside
// 200..299, a body over kMaxFeedBodyBytes, a read that breaks off, a body shorter than
// its Content-Length, the run ending) gives `fetchFailed` 1 and then `fetchDone` 1 with no
// storm; a status line read before the failure stays.
#include <windows.h>

#include "storms/feed_request.h"

// UI thread, while the saver window is created in full-screen mode: after the table's lock
// has been initialised and `saverSettings` loaded (neither may change while the thread
// runs). `notify` is invalidated whenever the flags change. Returns the thread's handle,
// which stays valid after the thread ends until the caller closes it; null when no thread
// could start.
//
// The thread holds the table's lock only for single flag writes and the status copy, never
// across a network call, so the process may end at any moment without a lock left held.
HANDLE StartFeedThread(HWND notify);

// The exit code of a feed thread that ended by itself; a thread still running when the
// process ends is left with 0.
constexpr DWORD kFeedThreadOwnEnd = 1;

// UI thread, when the run ends: only signals the thread, which stops waiting, closes its
// request, connection and internet handles in that order and ends by its own path; waits
// at most waitMs for that. True when it has ended.
bool AskFeedThreadToEnd(HANDLE thread, DWORD waitMs);
