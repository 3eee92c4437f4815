// Which system commands the full-screen run swallows, whatever the system's low bits.
#include "shell/run_input.h"

#include <gtest/gtest.h>

namespace {

struct CommandCase {
    unsigned command;
    bool swallowed;
};

TEST(IsSwallowedSystemCommand, WindowSwitchingAndScreenSaveWithAnyLowBits) {
    const CommandCase cases[] = {
        {0xF140, true},  {0xF142, true},  {0xF14F, true},                  // SC_SCREENSAVE
        {0xF040, true},  {0xF04F, true},  {0xF050, true},  {0xF051, true}, // next, previous
        {0xF060, false}, {0xF063, false}, {0xF020, false},                 // SC_CLOSE, SC_MINIMIZE
        {0xF130, false}, {0xF150, false}, {0x0140, false},
    };
    for (const CommandCase& c : cases) {
        EXPECT_EQ(IsSwallowedSystemCommand(c.command), c.swallowed) << std::hex << c.command;
    }
}

} // namespace
