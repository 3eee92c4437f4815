// The command-line rules of a Windows screen saver, as the desktop starts it.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* NextByte(const char* p) {
    return p + 1;
}

struct ProgramNameCase {
    const char* commandLine;
    const char* arguments;
};

TEST(SkipProgramName, LeavesTheArgumentText) {
    const ProgramNameCase cases[] = {
        {"zarvane.scr /s", "/s"},
        {"C:\\WINDOWS\\ZARVANE.SCR /p 1234", "/p 1234"},
        {"\"C:\\Program Files\\zarvane.scr\" /c:77", "/c:77"},
        {"\"C:\\Program Files\\zarvane.scr\"/s", "/s"},
        {"\"unmatched quote /s", ""}, // the quote runs to the end
        {"zarvane.scr", ""},
        {"zarvane.scr \t\x01\x1f /s", "/s"}, // codes 1 to 32 after the name
        {"zarvane.scr\x01/s", "/s"},         // a control code ends the name
        {"zarv\xe9ne.scr /s", "/s"},         // bytes above 127 belong to the name
        {"", ""},
    };
    for (const ProgramNameCase& c : cases) {
        EXPECT_STREQ(SkipProgramName(c.commandLine, NextByte), c.arguments) << c.commandLine;
    }
}

TEST(ReadDecimal, ReadsLeadingDigitsWrappingModulo2To32) {
    EXPECT_EQ(ReadDecimal("0"), 0u);
    EXPECT_EQ(ReadDecimal("1234 rest"), 1234u);
    EXPECT_EQ(ReadDecimal("4294967295"), 4294967295u);
    EXPECT_EQ(ReadDecimal("4294967296"), 0u);
    EXPECT_EQ(ReadDecimal("4294967297"), 1u);
    EXPECT_EQ(ReadDecimal("99999999999"), 99999999999ull % 4294967296ull);
    EXPECT_EQ(ReadDecimal(""), 0u);
    EXPECT_EQ(ReadDecimal("x12"), 0u);
    EXPECT_EQ(ReadDecimal(" 12"), 0u);
    // A handle written as a signed number: the same 32 bits as its unsigned form.
    EXPECT_EQ(ReadDecimal("-12"), 4294967284u);
    EXPECT_EQ(ReadDecimal("-1"), 4294967295u);
    EXPECT_EQ(ReadDecimal("-2147483648"), 2147483648u);
    EXPECT_EQ(ReadDecimal("-0"), 0u);
    EXPECT_EQ(ReadDecimal("-"), 0u);
    EXPECT_EQ(ReadDecimal("--12"), 0u);
    EXPECT_EQ(ReadDecimal("+12"), 0u);
}

// Only the lower 32 bits of a window handle count; 64-bit Windows sign-extends them.
TEST(SignExtendHandle, GivesTheHandleValueOfThe32Bits) {
    const struct {
        uint32_t low32;
        int64_t handle;
    } cases[] = {
        {0u, 0},
        {0x000A01F2u, 0x000A01F2},
        {0x7FFFFFFFu, 0x7FFFFFFF},
        {0x80000000u, -2147483648LL},
        {0xFFFFFFF4u, -12},
        {0xFFFFFFFFu, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SignExtendHandle(c.low32), c.handle) << c.low32;
        EXPECT_EQ(static_cast<uint64_t>(SignExtendHandle(c.low32)) & 0xFFFFFFFFu, c.low32);
    }
    EXPECT_EQ(SignExtendHandle(ReadDecimal("-12")), -12);
    EXPECT_EQ(SignExtendHandle(ReadDecimal("4294967284")), -12);
}

struct ModeCase {
    const char* arguments;
    RunMode mode;
    uint32_t window;
    bool ownerSwitch;
};

TEST(ReadModeRequest, FollowsTheSwitchTable) {
    const ModeCase cases[] = {
        {"", RunMode::Configure, 0, false},
        {"   ", RunMode::Configure, 0, false},
        {"-/ -", RunMode::Configure, 0, false},
        {"/s", RunMode::Save, 0, false},
        {"S", RunMode::Save, 0, false},
        {"- /s", RunMode::Save, 0, false},
        {"/s /p 123", RunMode::Save, 0, false}, // only the first switch counts
        {"/p 123", RunMode::Preview, 123, false},
        {"/P   456", RunMode::Preview, 456, false},
        {"/p456", RunMode::Preview, 456, false},
        {"/l 789", RunMode::Preview, 789, false},
        {"/p -123", RunMode::Preview, 4294967173u, false},
        {"/c:-5", RunMode::Configure, 4294967291u, true},
        {"/a -7", RunMode::ChangePassword, 4294967289u, false},
        {"/p", RunMode::Preview, 0, false},
        {"/p:123", RunMode::Preview, 0, false}, // the colon is no number
        {"/c", RunMode::Configure, 0, true},
        {"/c 123", RunMode::Configure, 0, true}, // the number needs the colon
        {"/c:123", RunMode::Configure, 123, true},
        {"/C:", RunMode::Configure, 0, true},
        {"/a 55", RunMode::ChangePassword, 55, false},
        {"/A", RunMode::ChangePassword, 0, false},
        {"/x", RunMode::Invalid, 0, false},
        {"/\t", RunMode::Invalid, 0, false},
        {"/\x01s", RunMode::Invalid, 0, false},
        {"/\xe9", RunMode::Invalid, 0, false},
        {"/1", RunMode::Invalid, 0, false},
    };
    for (const ModeCase& c : cases) {
        const ModeRequest request = ReadModeRequest(c.arguments);
        SCOPED_TRACE(std::string("arguments: ") + c.arguments);
        EXPECT_EQ(request.mode, c.mode);
        EXPECT_EQ(request.window, c.window);
        EXPECT_EQ(request.hasOwnerSwitch, c.ownerSwitch);
    }
}

} // namespace
