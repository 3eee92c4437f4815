#pragma once
// Reading the screen saver's command line: platform-free, so the switch table is
// unit-tested natively. Texts are single-byte ANSI; codes are compared as unsigned bytes.
#include <cstdint>

// Advances to the next character of a text; on Windows this is CharNextA (multi-byte
// code pages), elsewhere one byte.
using NextCharFunction = const char* (*)(const char*);

// Skips the program name at the start of a full command line and the separators (codes
// 1 to 32) after it; returns the argument text. A quoted name runs to the closing quote
// (an unmatched quote consumes everything); an unquoted one to the first code <= 32.
const char* SkipProgramName(const char* commandLine, NextCharFunction next);

// Reads leading decimal digits as value * 10 + digit, wrapping modulo 2^32; 0 when the
// text does not start with a digit. One leading "-" negates the number (modulo 2^32), so
// a handle written as a signed number reads as the same 32 bits. The number is a window
// handle.
uint32_t ReadDecimal(const char* text);

// The handle value that the 32 bits of a window handle stand for. Only the lower 32 bits
// of a window handle are significant, and a 64-bit handle is their sign extension.
int64_t SignExtendHandle(uint32_t low32);

enum class RunMode {
    Configure,      // "c", or no switch at all
    Save,           // "s": full screen
    Preview,        // "p" or "l" with the host window's handle
    ChangePassword, // "a" with the owner window's handle
    Invalid,        // anything else: exit code -1, nothing shown
};

struct ModeRequest {
    RunMode mode;
    // Preview and change-password: the number after the letter and its spaces.
    // Configure: the number after "c:", or 0 without the colon or without any switch.
    uint32_t window;
    bool hasOwnerSwitch; // Configure: a "c" switch was given (false: no switch at all)
};

// Picks the mode from the argument text. Spaces, "-" and "/" before the switch are
// skipped; only the first other character is the switch; everything after the number
// that the mode reads is ignored.
ModeRequest ReadModeRequest(const char* arguments);
