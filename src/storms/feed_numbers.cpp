#include "storms/feed_numbers.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* SkipSpaces(const char* p) {
    while (IsSpace(*p)) {
        ++p;
    }
    return p;
}

const char* SkipSign(const char* p) {
    return (*p == '+' || *p == '-') ? p + 1 : p;
}

const char* SkipDigits(const char* p) {
    while (IsDigit(*p)) {
        ++p;
    }
    return p;
}

// End of the decimal number that starts at p, or p itself when there is none.
const char* DecimalNumberEnd(const char* p) {
    const char* q = SkipSign(p);
    const char* end = SkipDigits(q);
    bool hasDigits = end != q;
    if (*end == '.') {
        const char* fractionEnd = SkipDigits(end + 1);
        hasDigits = hasDigits || fractionEnd != end + 1;
        end = fractionEnd;
    }
    if (!hasDigits) {
        return p;
    }
    if (*end == 'e' || *end == 'E') {
        const char* exponent = SkipSign(end + 1);
        if (IsDigit(*exponent)) {
            end = SkipDigits(exponent);
        }
    }
    return end;
}

} // namespace

int ReadFeedInt(const char* text) {
    const char* p = SkipSpaces(text);
    const bool negative = *p == '-';
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (p = SkipSign(p); IsDigit(*p); ++p) {
        if (magnitude < limit) {
            magnitude = magnitude * 10 + (*p - '0');
        }
    }
    if (magnitude > limit) {
        magnitude = limit;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

double ReadFeedDouble(const char* text) {
    const char* p = SkipSpaces(text);
    const char* end = DecimalNumberEnd(p);
    if (end == p) {
        return 0.0;
    }
    // strtod reads the same decimal syntax and stops at `end` too, except where it reads
    // more than decimals: "0x1A" as hexadecimal. Such text reads 0, as its decimal part
    // "0" would.
    char* parsedEnd = nullptr;
    const double value = ::strtod(p, &parsedEnd);
    if (parsedEnd != end || !std::isfinite(value)) {
        return 0.0;
    }
    return value;
}

int SaturateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0) {
        return INT_MAX;
    }
    if (value <= -2147483649.0) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}
