#include "shell/command_line.h"

namespace {

unsigned Code(const char* p) {
    return static_cast<unsigned char>(*p);
}

const char* SkipSpaces(const char* p) {
    while (*p == ' ') {
        ++p;
    }
    return p;
}

} // namespace

const char* SkipProgramName(const char* commandLine, NextCharFunction next) {
    const char* p = commandLine;
    if (*p == '"') {
        do {
            p = next(p);
        } while (*p != '\0' && *p != '"');
        if (*p == '"') {
            p = next(p);
        }
    } else {
        while (Code(p) > 32) {
            p = next(p);
        }
    }
    while (Code(p) >= 1 && Code(p) <= 32) {
        ++p;
    }
    return p;
}

uint32_t ReadDecimal(const char* text) {
    const bool negative = *text == '-';
    uint32_t value = 0;
    for (const char* p = negative ? text + 1 : text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    return negative ? 0u - value : value;
}

int64_t SignExtendHandle(uint32_t low32) {
    return static_cast<int32_t>(low32);
}

ModeRequest ReadModeRequest(const char* arguments) {
    const char* p = arguments;
    while (*p == ' ' || *p == '-' || *p == '/') {
        ++p;
    }
    switch (*p) {
    case '\0':
        return {RunMode::Configure, 0, false};
    case 's':
    case 'S':
        return {RunMode::Save, 0, false};
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        return {RunMode::Preview, ReadDecimal(SkipSpaces(p + 1)), false};
    case 'c':
    case 'C':
        return {RunMode::Configure, p[1] == ':' ? ReadDecimal(p + 2) : 0u, true};
    case 'a':
    case 'A':
        return {RunMode::ChangePassword, ReadDecimal(SkipSpaces(p + 1)), false};
    default:
        return {RunMode::Invalid, 0, false};
    }
}
