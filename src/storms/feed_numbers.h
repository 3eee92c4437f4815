#pragma once
// Reading the numbers of the storm feed. The feed is untrusted network text, so these
// keep the results of the C library's atoi and atof for every ordinary field but give
// every other input a defined result instead of undefined behaviour. Pure functions of
// a zero-terminated text; any thread. Decimal point '.' whatever the process locale.

// atoi: skips leading white space (space, \t, \n, \v, \f, \r), takes an optional sign
// and the decimal digits that follow; anything after them is ignored ("64.6" reads 64).
// 0 without digits. Values beyond the 32-bit range saturate at INT_MIN / INT_MAX.
int ReadFeedInt(const char* text);

// atof: skips leading white space, then takes the longest decimal number: optional sign,
// digits with at most one '.', at least one digit, and an optional exponent ('e' or 'E',
// optional sign, at least one digit). Anything after it is ignored ("12.5N" reads 12.5);
// 0 without a number. Only decimal text counts: "0x1A" reads 0 and "inf" or "nan" read
// 0, as with the classic Windows runtime. A result that is not finite (for instance
// "1e999") reads as 0.
double ReadFeedDouble(const char* text);

// Converts toward zero; values beyond the 32-bit range saturate, and nan gives 0.
int SaturateToInt(double value);
