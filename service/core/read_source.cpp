#include "core/readers.h"
#include "core/sources.h"
#include "core/text.h"

namespace {

constexpr size_t kKiB = 1024, kMiB = 1024 * kKiB;

std::vector<std::string> NhcLocations() {
    return {"https://www.nhc.noaa.gov/CurrentStorms.json"};
}

// JTWC's warnings as the NWS relays them: five slots in each of four families, western
// North Pacific (wtpn), South Pacific (wtps), North Indian Ocean (wtio) and South Indian
// Ocean (wtxs). A slot keeps its last bulletin for years and its family is no reliable
// basin: the reader dates each bulletin and routes it by its own text.
std::vector<std::string> JtwcLocations() {
    constexpr const char* kRelay = "https://tgftp.nws.noaa.gov/data/raw/wt/";
    constexpr const char* kFamilies[] = {"wtpn", "wtps", "wtio", "wtxs"};
    constexpr int kSlots = 5, kFirstSlot = 31;
    std::vector<std::string> locations;
    for (const char* family : kFamilies) {
        for (int slot = kFirstSlot; slot < kFirstSlot + kSlots; ++slot) {
            locations.push_back(kRelay + (family + std::to_string(slot)) + ".pgtw..txt");
        }
    }
    return locations;
}

std::vector<std::string> TcvitalsLocations() {
    return {"https://ftp.nhc.noaa.gov/atcf/com/tcvitals"};
}

std::vector<std::string> IbtracsLocations() {
    return {"https://www.ncei.noaa.gov/data/international-best-track-archive-for-climate-"
            "stewardship-ibtracs/v04r01/access/csv/ibtracs.ACTIVE.list.v04r01.csv"};
}

std::vector<std::string> NoLocations() {
    return {};
}

} // namespace

const std::vector<SourceDescriptor>& Sources() {
    // Rank at equal times: the advisory centres' own products first, then the best track,
    // the vitals and the archive's compilation.
    static const std::vector<SourceDescriptor> kSources = {
        // Real sizes: NHC's JSON and a JTWC warning are a few to tens of KiB, a b-deck
        // tens to hundreds, TCVitals a few hundred, IBTrACS ACTIVE a few MiB.
        {"nhc", "NHC", SourceKind::Nhc, 0, ReadNhcCurrentStorms, NhcLocations, 1 * kMiB},
        {"jtwc", "JTWC", SourceKind::Jtwc, 1, ReadJtwcWarning, JtwcLocations, 256 * kKiB},
        {"atcf", "ATCF", SourceKind::Atcf, 2, ReadAtcfBestTrack, NoLocations, 4 * kMiB},
        {"tcvitals", "TCVitals", SourceKind::Tcvitals, 3, ReadTcvitals, TcvitalsLocations,
         4 * kMiB},
        {"ibtracs", "IBTrACS", SourceKind::Ibtracs, 4, ReadIbtracsCsv, IbtracsLocations, 24 * kMiB},
    };
    return kSources;
}

const SourceDescriptor* FindSource(std::string_view kind) {
    for (const SourceDescriptor& source : Sources()) {
        if (kind == source.kind) {
            return &source;
        }
    }
    return nullptr;
}

int SourceRank(SourceKind kind) {
    for (const SourceDescriptor& source : Sources()) {
        if (kind == source.source) {
            return source.rank;
        }
    }
    return static_cast<int>(Sources().size());
}

bool IsSourceKind(std::string_view kind) {
    return FindSource(kind) != nullptr;
}

size_t SourceSizeCap(std::string_view kind) {
    const SourceDescriptor* source = FindSource(kind);
    return source ? source->maxBytes : 0;
}

ReadResult ReadSource(std::string_view kind, std::string_view body) {
    const SourceDescriptor* source = FindSource(kind);
    if (!source) {
        return unexpected("unknown source kind");
    }
    if (auto usable = CheckBody(body); !usable) {
        return unexpected(std::move(usable).error());
    }
    ReadResult read = source->read(body);
    if (!read) {
        return read;
    }
    SourceFixes kept{{}, std::move(read->skipped)};
    for (Fix& fix : read->fixes) {
        fix.source = source->source;
        const std::string id = fix.id;
        auto normalised = Normalise(std::move(fix));
        if (normalised) {
            kept.fixes.push_back(std::move(*normalised));
        } else {
            kept.skipped.push_back(std::string(source->label) + " storm " + id + ": " +
                                   normalised.error());
        }
    }
    return kept;
}
