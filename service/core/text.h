#pragma once
// Small text helpers shared by the readers: pure functions over views of the input.
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/result.h"

// A number read from text, or why not (std::errc::invalid_argument, result_out_of_range).
template <class T> using Parsed = Expected<T, std::errc>;

// Lines without their LF or CR LF ends; a last line without an end is kept.
std::vector<std::string_view> SplitLines(std::string_view text);

// Fields between commas, each trimmed of spaces and tabs; no quoting.
std::vector<std::string_view> SplitCommas(std::string_view line);

std::string_view Trim(std::string_view text);

// The words of a line, split at spaces and tabs.
std::vector<std::string_view> Words(std::string_view text);

// Only decimal digits, at least one.
bool IsDigits(std::string_view text);

// The whole trimmed text as a decimal integer (an optional sign) or a finite number.
Parsed<int> ParseInt(std::string_view text);
Parsed<double> ParseNumber(std::string_view text);

// The whole text as decimal digits only: no sign, no space ("06" of "061200Z").
Parsed<int> ParseDigits(std::string_view text);

// "116N", "1587E", "087N": tenths of a degree with a hemisphere letter, to signed degrees
// (north and east positive). An error on anything else or a letter of the wrong axis.
Parsed<double> ParseTenthsLatitude(std::string_view text);
Parsed<double> ParseTenthsLongitude(std::string_view text);

// "15.4N", "142.7E": decimal degrees with a hemisphere letter, to signed degrees.
Parsed<double> ParseDecimalLatitude(std::string_view text);
Parsed<double> ParseDecimalLongitude(std::string_view text);

// A reply body that may be a data file, or why it cannot (empty, an HTML page: a body that
// opens with a tag other than an XML declaration or <rss>).
Expected<void, std::string> CheckBody(std::string_view body);

std::string ToUpper(std::string_view text);

// UTF-8 text as windows-1252, the feed's code page: a letter that exists there stays
// itself (U+00C4 becomes 0xC4, U+0160 0x8A), a Latin letter that does not becomes the letter
// without its accent, anything else is dropped, and so are control characters (C0, DEL,
// C1). A byte that is not UTF-8 is taken as windows-1252 already.
std::string Windows1252OfUtf8(std::string_view text);

// windows-1252 text as UTF-8, every byte the character it stands for (0x8A is U+0160); the
// five bytes that stand for none become U+FFFD.
std::string Utf8OfWindows1252(std::string_view text);

// Case of a windows-1252 letter (ASCII and the accented letters); other bytes unchanged.
char UpperWindows1252(char c);
char LowerWindows1252(char c);
bool IsLetterWindows1252(char c);
