#include "core/readers.h"
#include "core/text.h"

namespace {

struct Reader {
    const char* kind;
    ReadResult (*read)(std::string_view body);
};

constexpr Reader kReaders[] = {{"nhc", ReadNhcCurrentStorms},
                               {"atcf", ReadAtcfBestTrack},
                               {"jtwc", ReadJtwcWarning},
                               {"ibtracs", ReadIbtracsCsv},
                               {"tcvitals", ReadTcvitals}};

} // namespace

bool IsSourceKind(std::string_view kind) {
    for (const Reader& reader : kReaders) {
        if (kind == reader.kind) {
            return true;
        }
    }
    return false;
}

ReadResult ReadSource(std::string_view kind, std::string_view body) {
    ReadResult result;
    result.error = BodyProblem(body);
    if (!result.error.empty()) {
        return result;
    }
    for (const Reader& reader : kReaders) {
        if (kind == reader.kind) {
            return reader.read(body);
        }
    }
    result.error = "unknown source kind";
    return result;
}
