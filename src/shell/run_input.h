#pragma once
// System commands of the full-screen run. The values are the system's (SC_NEXTWINDOW,
// SC_PREVWINDOW, SC_SCREENSAVE); the shell's window code checks them against its headers.

constexpr unsigned kSystemCommandNextWindow = 0xF040;
constexpr unsigned kSystemCommandPrevWindow = 0xF050;
constexpr unsigned kSystemCommandScreenSave = 0xF140;

// True for the commands the full-screen run swallows: switching windows and starting a
// screen saver. The system uses the command's low four bits itself, so they do not count.
bool IsSwallowedSystemCommand(unsigned command);
