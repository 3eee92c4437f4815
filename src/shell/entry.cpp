// Process entry of zarvane.scr. The command line is read from GetCommandLineA rather than
// from WinMain's arguments, so the program name is skipped by the saver's own rules.
#include "shell/command_line.h"
#include "shell/shell.h"

namespace {

const char* NextAnsiChar(const char* p) {
    return ::CharNextA(p);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* arguments = SkipProgramName(::GetCommandLineA(), NextAnsiChar);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    ::ExitProcess(static_cast<UINT>(DispatchMode(instance, arguments)));
}
