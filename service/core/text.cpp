#include "core/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <iterator>

namespace {

// A number with a trailing hemisphere letter, divided by `divisor` into degrees.
Parsed<double> ParseHemisphere(std::string_view text, char positive, char negative, double divisor,
                               double limit) {
    text = Trim(text);
    const char hemisphere =
        text.empty() ? '\0'
                     : static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    if (text.size() < 2 || (hemisphere != positive && hemisphere != negative)) {
        return unexpected(std::errc::invalid_argument);
    }
    const Parsed<double> magnitude = ParseNumber(text.substr(0, text.size() - 1));
    if (!magnitude || *magnitude < 0.0) {
        return unexpected(std::errc::invalid_argument);
    }
    const double value = (hemisphere == positive ? *magnitude : -*magnitude) / divisor;
    if (std::fabs(value) > limit) {
        return unexpected(std::errc::result_out_of_range);
    }
    return value;
}

// The whole of `text` read by from_chars as a T.
template <class T, class... Format> Parsed<T> FromChars(std::string_view text, Format... format) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, format...);
    if (ec != std::errc()) {
        return unexpected(ec);
    }
    if (text.empty() || ptr != end) {
        return unexpected(std::errc::invalid_argument);
    }
    return value;
}

// Without the spaces around it and a leading '+', which from_chars does not take.
std::string_view Unsigned(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    return text;
}

constexpr double kTenths = 10.0;

// windows-1252's 0x80-0x9F block: the code point each byte stands for (0: undefined).
constexpr char32_t kHighBlock[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
constexpr unsigned char kHighBlockStart = 0x80;
constexpr char32_t kLatin1Start = 0xA0, kLatin1End = 0x100, kDelete = 0x7F;

// Latin Extended-A (U+0100-U+017F) and Latin Extended Additional (U+1E00-U+1EFF): each
// letter without its accent, '?' where there is no Latin base letter.
constexpr std::string_view kExtendedA = "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkk"
                                        "LlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUu"
                                        "UuWwYyYZzZzZzs";
constexpr char32_t kExtendedAStart = 0x100;
constexpr std::string_view kExtendedAdditional =
    "AaBbBbBbCcDdDdDdDdDdEeEeEeEeEeFfGgHhHhHhHhHhIiIiKkKkKkLlLlLlLlMmMmMmNnNnNnNnOoOoOoOoPp"
    "PpRrRrRrRrSsSsSsSsSsTtTtTtTtUuUuUuUuUuVvVvWwWwWwWwWwXxXxYyZzZzZzhtwy??????AaAaAaAaAaAa"
    "AaAaAaAaAaAaEeEeEeEeEeEeEeEeIiIiOoOoOoOoOoOoOoOoOoOoOoOoUuUuUuUuUuUuUuYyYyYyYy??????";
constexpr char32_t kExtendedAdditionalStart = 0x1E00;

// One UTF-8 sequence at the start of `text`: its code point and length, or length 0.
size_t DecodeUtf8(std::string_view text, char32_t& point) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    const size_t length = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        point = (point << 6) | (byte(i) & 0x3F);
    }
    const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    return point >= shortest[length] && point <= 0x10FFFF ? length : 0;
}

// The windows-1252 byte of a code point, or 0 when it has none and no base letter.
char Windows1252Of(char32_t point) {
    if (point < ' ' || (point >= kDelete && point < kLatin1Start)) {
        return 0; // control characters
    }
    if (point < kLatin1End) {
        return static_cast<char>(point);
    }
    for (size_t i = 0; i < std::size(kHighBlock); ++i) {
        if (kHighBlock[i] == point) {
            return static_cast<char>(kHighBlockStart + i);
        }
    }
    char base = '?';
    if (point >= kExtendedAStart && point - kExtendedAStart < kExtendedA.size()) {
        base = kExtendedA[point - kExtendedAStart];
    } else if (point >= kExtendedAdditionalStart &&
               point - kExtendedAdditionalStart < kExtendedAdditional.size()) {
        base = kExtendedAdditional[point - kExtendedAdditionalStart];
    }
    return base == '?' ? 0 : base;
}
constexpr double kMaxLatitude = 90.0, kMaxLongitude = 360.0;

} // namespace

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (!(text = Trim(text)).empty()) {
        const size_t end = text.find_first_of(" \t");
        words.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    }
    return words;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

std::vector<std::string_view> SplitCommas(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t comma = line.find(',');
        fields.push_back(Trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        line = line.substr(comma + 1);
    }
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

Parsed<int> ParseInt(std::string_view text) {
    return FromChars<int>(Unsigned(text));
}

Parsed<double> ParseNumber(std::string_view text) {
    const Parsed<double> value = FromChars<double>(Unsigned(text), std::chars_format::fixed);
    return !value || std::isfinite(*value) ? value : unexpected(std::errc::result_out_of_range);
}

Parsed<int> ParseDigits(std::string_view text) {
    return !text.empty() && text.front() != '-' ? FromChars<int>(text)
                                                : unexpected(std::errc::invalid_argument);
}

Parsed<double> ParseTenthsLatitude(std::string_view text) {
    return ParseHemisphere(text, 'N', 'S', kTenths, kMaxLatitude);
}

Parsed<double> ParseTenthsLongitude(std::string_view text) {
    return ParseHemisphere(text, 'E', 'W', kTenths, kMaxLongitude);
}

Parsed<double> ParseDecimalLatitude(std::string_view text) {
    return ParseHemisphere(text, 'N', 'S', 1.0, kMaxLatitude);
}

Parsed<double> ParseDecimalLongitude(std::string_view text) {
    return ParseHemisphere(text, 'E', 'W', 1.0, kMaxLongitude);
}

Expected<void, std::string> CheckBody(std::string_view body) {
    const size_t first = body.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return unexpected("empty reply");
    }
    const std::string_view start = body.substr(first);
    const bool xml = start.substr(0, 5) == "<?xml" || start.substr(0, 4) == "<rss";
    if (start[0] == '<' && !xml) {
        return unexpected("an HTML page, not data");
    }
    return {};
}

std::string ToUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::string Windows1252OfUtf8(std::string_view text) {
    std::string result;
    while (!text.empty()) {
        char32_t point = 0;
        size_t length = DecodeUtf8(text, point);
        if (length == 0) { // not UTF-8: the byte as windows-1252
            const auto byte = static_cast<unsigned char>(text[0]);
            point = byte >= kHighBlockStart && byte < kLatin1Start
                        ? kHighBlock[byte - kHighBlockStart]
                        : byte;
            length = 1;
        }
        if (const char c = Windows1252Of(point)) {
            result += c;
        }
        text.remove_prefix(length);
    }
    return result;
}

namespace {

// The windows-1252 letters beyond ASCII, upper case with their lower case.
constexpr unsigned char kCasePairs[][2] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};
constexpr unsigned char kUpperFirst = 0xC0, kUpperLast = 0xDE, kTimes = 0xD7, kCaseGap = 0x20;

} // namespace

char UpperWindows1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    for (const auto& pair : kCasePairs) {
        if (byte == pair[1]) {
            return static_cast<char>(pair[0]);
        }
    }
    if (byte >= kUpperFirst + kCaseGap && byte <= kUpperLast + kCaseGap &&
        byte != kTimes + kCaseGap) {
        return static_cast<char>(byte - kCaseGap);
    }
    return byte < 0x80 ? static_cast<char>(std::toupper(byte)) : c;
}

char LowerWindows1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    for (const auto& pair : kCasePairs) {
        if (byte == pair[0]) {
            return static_cast<char>(pair[1]);
        }
    }
    if (byte >= kUpperFirst && byte <= kUpperLast && byte != kTimes) {
        return static_cast<char>(byte + kCaseGap);
    }
    return byte < 0x80 ? static_cast<char>(std::tolower(byte)) : c;
}

bool IsLetterWindows1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return std::isalpha(byte < 0x80 ? byte : 0) != 0 || UpperWindows1252(c) != c ||
           LowerWindows1252(c) != c || byte == 0xDF || byte == 0x83;
}

std::string Utf8OfWindows1252(std::string_view text) {
    constexpr char32_t kReplacement = 0xFFFD;
    constexpr unsigned kTwoBytes = 0x800, kSixBits = 0x3F;
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t point = byte;
        if (byte >= kHighBlockStart && byte < kLatin1Start) {
            point = kHighBlock[byte - kHighBlockStart] ? kHighBlock[byte - kHighBlockStart]
                                                       : kReplacement;
        }
        if (point < kHighBlockStart) {
            result += c;
        } else if (point < kTwoBytes) {
            result += static_cast<char>(0xC0 | (point >> 6));
            result += static_cast<char>(0x80 | (point & kSixBits));
        } else {
            result += static_cast<char>(0xE0 | (point >> 12));
            result += static_cast<char>(0x80 | ((point >> 6) & kSixBits));
            result += static_cast<char>(0x80 | (point & kSixBits));
        }
    }
    return result;
}
