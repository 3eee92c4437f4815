#pragma once
// Small text helpers shared by the readers: pure functions over views of the input.
#include <string>
#include <string_view>
#include <vector>

// Lines without their LF or CR LF ends; a last line without an end is kept.
std::vector<std::string_view> SplitLines(std::string_view text);

// Fields between commas, each trimmed of spaces and tabs; no quoting.
std::vector<std::string_view> SplitCommas(std::string_view line);

std::string_view Trim(std::string_view text);

// The whole trimmed text as a decimal integer or number; false on anything else.
bool ParseInt(std::string_view text, int& value);
bool ParseNumber(std::string_view text, double& value);

// "116N", "1587E", "087N": tenths of a degree with a hemisphere letter, to signed degrees
// (north and east positive). False on anything else or a letter of the wrong axis.
bool ParseTenthsLatitude(std::string_view text, double& latitude);
bool ParseTenthsLongitude(std::string_view text, double& longitude);

// "15.4N", "142.7E": decimal degrees with a hemisphere letter, to signed degrees.
bool ParseDecimalLatitude(std::string_view text, double& latitude);
bool ParseDecimalLongitude(std::string_view text, double& longitude);

// Why a reply body cannot be a data file (empty, an HTML page), or empty when it may be.
std::string BodyProblem(std::string_view body);

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
