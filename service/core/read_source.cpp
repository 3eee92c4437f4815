#include "core/readers.h"
#include "core/text.h"

namespace {

constexpr size_t kKiB = 1024, kMiB = 1024 * kKiB;

struct Reader {
    const char* kind;
    ReadResult (*read)(std::string_view body);
    size_t maxBytes; // far above the real files, far below what would exhaust memory
};

// Real sizes: NHC's JSON and a JTWC warning are a few to tens of KiB, a b-deck tens to
// hundreds, TCVitals a few hundred, IBTrACS ACTIVE a few MiB.
constexpr Reader kReaders[] = {{"nhc", ReadNhcCurrentStorms, 1 * kMiB},
                               {"atcf", ReadAtcfBestTrack, 4 * kMiB},
                               {"jtwc", ReadJtwcWarning, 256 * kKiB},
                               {"ibtracs", ReadIbtracsCsv, 24 * kMiB},
                               {"tcvitals", ReadTcvitals, 4 * kMiB}};

} // namespace

bool IsSourceKind(std::string_view kind) {
    for (const Reader& reader : kReaders) {
        if (kind == reader.kind) {
            return true;
        }
    }
    return false;
}

size_t SourceSizeCap(std::string_view kind) {
    for (const Reader& reader : kReaders) {
        if (kind == reader.kind) {
            return reader.maxBytes;
        }
    }
    return 0;
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
