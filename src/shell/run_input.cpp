#include "shell/run_input.h"

namespace {

constexpr unsigned kSystemCommandBits = 0xFFF0;

} // namespace

bool IsSwallowedSystemCommand(unsigned command) {
    const unsigned which = command & kSystemCommandBits;
    return which == kSystemCommandNextWindow || which == kSystemCommandPrevWindow ||
           which == kSystemCommandScreenSave;
}
