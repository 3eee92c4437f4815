#pragma once
// The feed thread: fetches the storm feed once per run over HTTP with WinINet, parses it
// into `stormTable`, raises the table's flags and asks the saver window to repaint.
//
// Where it fetches from: "http://" + kFeedServerHost + kFeedPath, or, with "Alternate"
// on, "http://" + "AlternateHost" + kFeedPath (a port or a path prefix in that text is
// honoured). How it connects: through "ProxyName" with "UseProxy" on, else directly with
// "Direct" on, else with the system's Internet settings.
//
// What the flags end up as: a feed read with a 2xx status gives `fetchDone` 1 with the
// status line and the storms. No internet handle (sockets or InternetOpenA failed) gives
// `fetchFailed` 1 alone. Any later failure (no connection, no response, a status outside
// 200..299, a body over kMaxFeedBodyBytes, a read that breaks off, a body shorter than
// its Content-Length, the run ending) gives `fetchFailed` 1 and then `fetchDone` 1 with no
// storm; a status line read before the failure stays.
#include <windows.h>

// The maker's data server, used while "Alternate" is off.
constexpr char kFeedServerHost[] = "data.quillmere.com";
constexpr char kFeedPath[] = "/RirozIrid/ssaver.dat";
constexpr char kFeedAgent[] = "ZRVSAVER"; // the HTTP user agent

// UI thread, while the saver window is created in full-screen mode: after the table's lock
// has been initialised, `shellState.saverWindow` set and `saverSettings` loaded (none of
// them may change while the thread runs). Returns the thread's handle, which stays valid
// after the thread ends until the caller closes it; null when no thread could start.
//
// The thread may be killed with TerminateThread at any moment: it holds the table's lock
// only for single flag writes and the status copy, never across a network call.
HANDLE StartFeedThread();

// The exit code of a feed thread that ended by itself; TerminateThread leaves 0.
constexpr DWORD kFeedThreadOwnEnd = 1;

// UI thread, when the run ends: tells the thread to stop waiting and closes its internet
// handle (which cancels the pending call where WinINet supports that), then waits at most
// waitMs for the thread to end. True when it has ended.
bool AskFeedThreadToEnd(HANDLE thread, DWORD waitMs);
