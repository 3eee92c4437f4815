// Each reader against short excerpts written for these tests in the published formats:
// field rules, units, signs, the date line, repeated times, bad records, failed bodies.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"
#include "test_support.h"

namespace {

struct ExpectedFix {
    const char* id;
    const char* name;
    const char* status;
    double latitude, longitude;
    int windKnots;
    const char* time; // YYYY-MM-DDTHH:MMZ
    Basin basin;
    bool final;
    int pressureHpa = 0, motionDegrees = -1, motionKnots = -1;
    std::vector<ExpectedPoint> forecast = {};
};

struct ReaderCase {
    const char* what;
    const char* kind;
    std::string body;
    const char* error; // expected error, "" when the source reads
    std::vector<ExpectedFix> fixes;
    size_t skipped;
};

const std::string kNhcEntry =
    R"({"id":"al052031","binNumber":"AT2","name":"Quillon","classification":"HU",)"
    R"("intensity":"85","pressure":"970","movementDir":285,"movementSpeed":14,)"
    R"("latitudeNumeric":25.5,"longitudeNumeric":-60,)"
    R"("lastUpdate":"2031-09-10T21:00:00.000Z"})";

const std::string kAtcfLine1 =
    "EP, 17, 2031091018,   , BEST,   0, 151N, 1398W,  45, 1000, TS,  34, NEQ,   40,   30,"
    "    0,   20, 1009,  150,  25,  55,   0,   E,   0,    ,   0,   0,      ROSAMUND, M,\n";

const std::string kJtwcWarning = "WTPN33 PGTW 090300\n"
                                 "SUBJ/TROPICAL STORM 12W (LORAN) WARNING NR 004//\n"
                                 "RMKS/\n"
                                 "1. TROPICAL STORM 12W (LORAN) WARNING NR 004\n"
                                 "    ---\n"
                                 "   WARNING POSITION:\n"
                                 "   090000Z --- NEAR 17.2N 179.6W\n"
                                 "     MOVEMENT PAST SIX HOURS - 270 DEGREES AT 10 KTS\n"
                                 "   PRESENT WIND DISTRIBUTION:\n"
                                 "   MAX SUSTAINED WINDS - 045 KT, GUSTS 055 KT\n"
                                 "   12 HRS, VALID AT:\n"
                                 "   091200Z --- 17.5N 178.0E\n"
                                 "   MAX SUSTAINED WINDS - 050 KT, GUSTS 065 KT\n"
                                 "REMARKS:\n"
                                 "090300Z POSITION NEAR 17.3N 179.9E.\n"
                                 "09OCT31. TROPICAL STORM 12W (LORAN), LOCATED APPROXIMATELY\n";

const std::string kIbtracsHeader = "SID,SEASON,NUMBER,BASIN,SUBBASIN,NAME,ISO_TIME,NATURE,LAT,LON,"
                                   "USA_ATCF_ID,USA_WIND,USA_STATUS\n"
                                   " ,Year, , , , , , ,degrees_north,degrees_east, ,kts, \n";

const std::string kVitals1 = "JTWC 04S VELMA     20310102 0600 143S 0521E 200 030 0985 1008 0300 "
                             "26 040 -999 -999 -999 -999 D\n";

// NHC's RSS feed: an outlook item, a forecast/advisory across the end of a month, a special
// one of a potential cyclone, and one without its centre line.
std::string NhcRss(std::string_view tcm) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\" "
           "xmlns:nhc=\"https://www.nhc.noaa.gov\">\n<channel><title>NHC Atlantic</title>\n"
           "<item><title>Atlantic Tropical Weather Outlook</title><description><![CDATA[<br/>\n"
           "ABNT20 KNHC 312330<br/>\nTropical Weather Outlook<br/>]]></description></item>\n" +
           std::string(tcm) + "</channel></rss>\n";
}

const std::string kTcmQuillon =
    "<item><title>Hurricane Quillon Forecast Advisory Number 12</title>\n"
    "<description>Issued at 2100 UTC SUN AUG 31 2031  <![CDATA[<pre>\n000\nWTNT25 KNHC 312045\n"
    "TCMAT5\n \nHURRICANE QUILLON FORECAST/ADVISORY NUMBER  12\n"
    "NWS NATIONAL HURRICANE CENTER MIAMI FL       AL052031\n2100 UTC SUN AUG 31 2031\n \n"
    "HURRICANE CENTER LOCATED NEAR 25.5N  60.0W AT 31/2100Z\n"
    "POSITION ACCURATE WITHIN  20 NM\n \n"
    "PRESENT MOVEMENT TOWARD THE NORTHWEST OR 315 DEGREES AT  12 KT\n \n"
    "ESTIMATED MINIMUM CENTRAL PRESSURE  970 MB\n"
    "MAX SUSTAINED WINDS  85 KT WITH GUSTS TO 105 KT.\n"
    "64 KT....... 30NE  25SE  20SW  20NW.\n \n"
    "REPEAT...CENTER LOCATED NEAR 25.5N  60.0W AT 31/2100Z\n"
    "AT 31/1800Z CENTER WAS LOCATED NEAR 25.1N  59.6W\n \n"
    "FORECAST VALID 01/0600Z 26.4N  61.2W\nMAX WIND  90 KT...GUSTS 110 KT.\n"
    "64 KT... 30NE  30SE  25SW  25NW.\n \n"
    "FORECAST VALID 01/1800Z 27.9N  62.0W...INLAND\nMAX WIND  95 KT...GUSTS 115 KT.\n \n"
    "OUTLOOK VALID 04/1800Z 35.0N  55.0W...POST-TROP/EXTRATROP\n"
    "MAX WIND  60 KT...GUSTS  75 KT.\n \nOUTLOOK VALID 05/1800Z...DISSIPATED\n \n"
    "$$\nFORECASTER QUILL\n</pre>]]></description></item>\n";

const std::string kTcmNine =
    "<item><title>Potential Tropical Cyclone Nine Forecast Advisory Number 2</title>\n"
    "<description><![CDATA[<pre>\nPOTENTIAL TROPICAL CYCLONE NINE SPECIAL FORECAST/ADVISORY "
    "NUMBER   2\nNWS NATIONAL HURRICANE CENTER MIAMI FL       AL092031\n"
    "1800 UTC MON SEP 01 2031\n"
    "DISTURBANCE CENTER LOCATED NEAR 18.0N  90.0W AT 01/1800Z\n"
    "PRESENT MOVEMENT IS STATIONARY\nESTIMATED MINIMUM CENTRAL PRESSURE 1008 MB\n"
    "MAX SUSTAINED WINDS  30 KT WITH GUSTS TO  40 KT.\n"
    "THIS IS THE LAST FORECAST/ADVISORY ISSUED BY THE NATIONAL HURRICANE CENTER\n"
    "</pre>]]></description></item>\n";

// Two complete warnings in one body: each is its own system, dated by its own remarks.
const std::string kJtwcTwoWarnings =
    kJtwcWarning + "NNNN\nWTPN34 PGTW 300300\nSUBJ/TYPHOON 14W (MIRO) WARNING NR 020//\n"
                   "RMKS/\n1. TYPHOON 14W (MIRO) WARNING NR 020\n   WARNING POSITION:\n"
                   "   300000Z --- NEAR 30.1N 135.2E\n"
                   "     MOVEMENT PAST SIX HOURS - QUASI-STATIONARY\n"
                   "   MAX SUSTAINED WINDS - 070 KT, GUSTS 085 KT\n    ---\n   FORECASTS:\n"
                   "   12 HRS, VALID AT:\n   301200Z --- 31.0N 136.0E\n"
                   "   MAX SUSTAINED WINDS - 065 KT, GUSTS 080 KT\n    ---\n"
                   "   LONG RANGE OUTLOOK:\n    ---\n   96 HRS, VALID AT:\n"
                   "   030000Z --- 40.0N 150.0E\n   MAX SUSTAINED WINDS - 045 KT, GUSTS 055 KT\n"
                   "    ---\nREMARKS:\n30SEP31. TYPHOON 14W (MIRO), LOCATED\n//\nNNNN\n";

// Loran as kJtwcWarning gives it, across the date line: read alone and with another warning.
const ExpectedFix kLoran = {"WP122031",
                            "LORAN",
                            "TS",
                            17.2,
                            -179.6,
                            45,
                            "2031-10-09T00:00Z",
                            Basin::CentralPacific,
                            false,
                            0,
                            270,
                            10,
                            {{"2031-10-09T12:00Z", 17.5, 178.0, 50, false}}};

std::vector<ReaderCase> Cases() {
    return {
        {"NHC entry, integer longitude",
         "nhc",
         R"({"activeStorms":[)" + kNhcEntry + "]}",
         "",
         {{"AL052031", "Quillon", "HU", 25.5, -60.0, 85, "2031-09-10T21:00Z", Basin::Atlantic,
           false, 970, 285, 12}},
         0},
        {"NHC binNumber decides the basin; bad entries skipped",
         "nhc",
         R"({"activeStorms":[{"id":"ep092031","binNumber":"CP3","name":"Tavi",)"
         R"("classification":"TS","intensity":"40","latitudeNumeric":14,"longitudeNumeric":-139.5,)"
         R"("lastUpdate":"2031-08-01T03:00:00.000Z"},)"
         R"({"id":"ep102031","binNumber":"EP4","name":"Forecast...","classification":"",)"
         R"("intensity":"30","latitudeNumeric":20.0,"longitudeNumeric":-110.0,"lastUpdate":"x"},)"
         R"({"id":"al112031","binNumber":"AT1","name":"Wren","classification":"TD",)"
         R"("intensity":"thirty","latitudeNumeric":20.0,"longitudeNumeric":-50.0,)"
         R"("lastUpdate":"2031-08-01T03:00:00.000Z"}]})",
         "",
         {{"EP092031", "Tavi", "TS", 14.0, -139.5, 40, "2031-08-01T03:00Z", Basin::CentralPacific,
           false}},
         2},
        {"NHC with no storm", "nhc", R"({"activeStorms":[]})", "", {}, 0},
        {"NHC truncated", "nhc", R"({"activeStorms":[)" + kNhcEntry, "not valid JSON", {}, 0},
        {"NHC without the list", "nhc", R"({"storms":[]})", "no activeStorms list", {}, 0},
        {"HTML error page",
         "nhc",
         "\n  <!DOCTYPE html><html><body>502</body></html>",
         "an HTML page, not data",
         {},
         0},
        {"empty body", "atcf", " \r\n", "empty reply", {}, 0},
        {"ATCF: one fix per time, east of 140 W is central Pacific",
         "atcf",
         kAtcfLine1 + kAtcfLine1 +
             "EP, 17, 2031091100,   , BEST,   0, 153S, 1801E,  65,  987, HU,  34, NEQ\n"
             "EP, 17, 2031091106,   , CARQ,   0, 155N, 1410W,  70,  980, HU\n"
             "EP, 17, 20310911,   , BEST,   0, 155N, 1410W,  70,  980, HU\n",
         "",
         {{"EP172031", "ROSAMUND", "TS", 15.1, -139.8, 45, "2031-09-10T18:00Z",
           Basin::EasternPacific, false, 1000},
          {"EP172031", "", "HU", -15.3, -179.9, 65, "2031-09-11T00:00Z", Basin::CentralPacific,
           false, 987}},
         1},
        {"ATCF southern season starts in July",
         "atcf",
         "SH, 02, 2031081200,   , BEST,   0,  95S,  702E,  30, 1000, TD\n",
         "",
         {{"SH022032", "", "TD", -9.5, 70.2, 30, "2031-08-12T00:00Z", Basin::Southern, false,
           1000}},
         0},
        {"not ATCF at all", "atcf", "hello, world\n", "no ATCF best-track record", {}, 0},
        {"JTWC warning across the date line", "jtwc", kJtwcWarning, "", {kLoran}, 0},
        {"JTWC final warning, position in the month before the remarks",
         "jtwc",
         "SUBJ/TROPICAL CYCLONE 03P (NEVE) WARNING NR 011 FINAL WARNING//\n"
         "   WARNING POSITION:\n   311800Z --- NEAR 21.0S 165.4E\n"
         "   MAX SUSTAINED WINDS - 035 KT, GUSTS 045 KT\n"
         "REMARKS:\n01JAN32. THIS IS THE FINAL WARNING ON THIS SYSTEM\n",
         "",
         {{"SH032032", "NEVE", "TC", -21.0, 165.4, 35, "2031-12-31T18:00Z", Basin::Southern, true}},
         0},
        {"JTWC without a date",
         "jtwc",
         kJtwcWarning.substr(0, kJtwcWarning.find("09OCT31")),
         "no date in the remarks",
         {},
         0},
        {"JTWC with a wind beyond any storm: the fix is left out",
         "jtwc",
         "SUBJ/TYPHOON 02W (ANA) WARNING NR 001//\n   WARNING POSITION:\n"
         "   010000Z --- NEAR 10.0N 140.0E\n   MAX SUSTAINED WINDS - 381 KT, GUSTS 070 KT\n"
         "REMARKS:\n01MAY31.\n",
         "",
         {},
         1},
        {"JTWC: an unreadable current wind never falls through to a forecast's",
         "jtwc",
         "SUBJ/TYPHOON 02W (ANA) WARNING NR 001//\n   WARNING POSITION:\n"
         "   010000Z --- NEAR 10.0N 140.0E\n   MAX SUSTAINED WINDS - 1O5 KT, GUSTS 070 KT\n"
         "    ---\n   12 HRS, VALID AT:\n   011200Z --- 11.0N 139.0E\n"
         "   MAX SUSTAINED WINDS - 135 KT, GUSTS 165 KT\nREMARKS:\n01MAY31.\n",
         "no maximum sustained wind",
         {},
         0},
        {"JTWC: a South Pacific designator in a South Indian slot is routed by itself",
         "jtwc",
         "WTXS32 PGTW 020300\nSUBJ/TROPICAL CYCLONE 05P (TUI) WARNING NR 002//\n"
         "   WARNING POSITION:\n   020000Z --- NEAR 17.5S 178.0W\n"
         "   MAX SUSTAINED WINDS - 050 KT, GUSTS 065 KT\nREMARKS:\n02FEB32.\n",
         "",
         {{"SH052032", "TUI", "TC", -17.5, -178.0, 50, "2032-02-02T00:00Z", Basin::Southern,
           false}},
         0},
        {"NHC: UTF-8 names in windows-1252, accents off where it has no letter, no controls",
         "nhc",
         R"({"activeStorms":[)" +
             std::string(kNhcEntry).replace(kNhcEntry.find("Quillon"), 7,
                                            "\xC3\x84ngel\xC5\x82o\\u0007 \xC5\xA0") +
             "]}",
         "",
         {{"AL052031", "\xC4ngello \x8A", "HU", 25.5, -60.0, 85, "2031-09-10T21:00Z",
           Basin::Atlantic, false, 970, 285, 12}},
         0},
        {"JTWC without a position",
         "jtwc",
         "SUBJ/TYPHOON 02W (ANA) WARNING NR 001//\n",
         "no warning position",
         {},
         0},
        {"IBTrACS: units row skipped, blank USA_WIND skipped, NATURE when no status",
         "ibtracs",
         kIbtracsHeader + "2031100N12300,2031,7,EP,CP,KALA,2031-04-10 06:00:00,TS,12.5,-150.2,"
                          "CP012031,50, \n"
                          "2031100N12300,2031,7,EP,CP,KALA,2031-04-10 09:00:00,TS,12.6,-150.4,"
                          "CP012031, , \n"
                          "2031101S10070,2031,8,SI,MM,UNNAMED,2031-04-11 00:00:00,DS,-10.0,70.0,"
                          ",20,LO\n"
                          "2031101S10070,2031,8,SI,MM,UNNAMED,bad time,DS,-10.0,70.0,,20,LO\n",
         "",
         {{"CP012031", "KALA", "TC", 12.5, -150.2, 50, "2031-04-10T06:00Z", Basin::CentralPacific,
           false},
          {"", "UNNAMED", "LO", -10.0, 70.0, 20, "2031-04-11T00:00Z", Basin::Southern, false}},
         2},
        {"IBTrACS header without USA_WIND",
         "ibtracs",
         "SID,ISO_TIME,LAT,LON\n\n",
         "not an IBTrACS CSV (no BASIN column)",
         {},
         0},
        {"TCVitals: metres per second to knots, every time",
         "tcvitals",
         kVitals1 +
             "NHC  09L ORLA      20310903 1200 281N 0702W 315 050 0955 1012 0350 44 030 -999\n"
             "NHC  09L ORLA      20310903 1800 285N 0710W 315 050 0955 1012 0350 24\n"
             "NHC  09L ORLA      2031\n",
         "",
         // 3.0 m/s is 6 kt, 5.0 m/s 10 kt.
         {{"SH042031", "VELMA", "", -14.3, 52.1, 50, "2031-01-02T06:00Z", Basin::Southern, false,
           985, 200, 6},
          {"AL092031", "ORLA", "", 28.1, -70.2, 85, "2031-09-03T12:00Z", Basin::Atlantic, false,
           955, 315, 10},
          {"AL092031", "ORLA", "", 28.5, -71.0, 47, "2031-09-03T18:00Z", Basin::Atlantic, false,
           955, 315, 10}},
         1},
        {"not TCVitals", "tcvitals", "ATCF, 01\n", "no TCVitals record", {}, 0},
        {"NHC RSS: forecast/advisories with their tracks; the outlook item and a TCM without its "
         "centre left out",
         "nhc-rss",
         NhcRss(kTcmQuillon + kTcmNine +
                std::string(kTcmNine).replace(kTcmNine.find("CENTER LOCATED"), 14, "")),
         "",
         {{"AL052031",
           "QUILLON",
           "HU",
           25.5,
           -60.0,
           85,
           "2031-08-31T21:00Z",
           Basin::Atlantic,
           false,
           970,
           315,
           12,
           {{"2031-09-01T06:00Z", 26.4, -61.2, 90, false},
            {"2031-09-01T18:00Z", 27.9, -62.0, 95, false},
            {"2031-09-04T18:00Z", 35.0, -55.0, 60, true}}},
          {"AL092031", "NINE", "PC", 18.0, -90.0, 30, "2031-09-01T18:00Z", Basin::Atlantic, true,
           1008, -1, 0}},
         1},
        {"NHC RSS with no storm", "nhc-rss", NhcRss(""), "", {}, 0},
        {"NHC RSS cut short",
         "nhc-rss",
         NhcRss(kTcmQuillon).substr(0, 300),
         "not valid XML",
         {},
         0},
        {"XML that is not RSS",
         "nhc-rss",
         "<?xml version=\"1.0\"?>\n<feed/>",
         "not an RSS feed",
         {},
         0},
        {"JTWC: two complete warnings in one body, the second across the end of a month",
         "jtwc",
         kJtwcTwoWarnings,
         "",
         {kLoran,
          {"WP142031",
           "MIRO",
           "TY",
           30.1,
           135.2,
           70,
           "2031-09-30T00:00Z",
           Basin::WesternPacific,
           false,
           0,
           -1,
           0,
           {{"2031-09-30T12:00Z", 31.0, 136.0, 65, false},
            {"2031-10-03T00:00Z", 40.0, 150.0, 45, true}}}},
         0},
    };
}

TEST(Readers, ReadTheirFormats) {
    for (const ReaderCase& c : Cases()) {
        SCOPED_TRACE(c.what);
        const ReadResult result = ReadSource(c.kind, c.body);
        EXPECT_EQ(result ? "" : result.error(), c.error);
        if (!result) {
            continue;
        }
        EXPECT_EQ(result->skipped.size(), c.skipped);
        ASSERT_EQ(result->fixes.size(), c.fixes.size());
        for (size_t i = 0; i < c.fixes.size(); ++i) {
            const Fix& fix = result->fixes[i];
            const ExpectedFix& want = c.fixes[i];
            EXPECT_EQ(fix.id, want.id);
            EXPECT_EQ(fix.name, want.name);
            EXPECT_EQ(fix.status, want.status);
            EXPECT_DOUBLE_EQ(fix.latitude, want.latitude);
            EXPECT_DOUBLE_EQ(fix.longitude, want.longitude);
            EXPECT_EQ(fix.windKnots, want.windKnots);
            EXPECT_EQ(fix.time, *ParseIsoMinute(want.time));
            EXPECT_EQ(fix.basin, want.basin);
            EXPECT_EQ(fix.final, want.final);
            EXPECT_EQ(fix.pressureHpa, want.pressureHpa);
            EXPECT_EQ(fix.motionDegrees, want.motionDegrees);
            EXPECT_EQ(fix.motionKnots, want.motionKnots);
            ExpectForecast(fix.forecast, want.forecast);
        }
    }
}

// The result type behaves as std::expected, seen through the digit parsers that return it.
TEST(Result, ValueOrError) {
    constexpr auto kInvalid = std::errc::invalid_argument, kRange = std::errc::result_out_of_range;
    struct Case {
        Parsed<int> (*parse)(std::string_view);
        const char* text;
        Parsed<int> want;
    };
    const Case cases[] = {
        {ParseInt, " +42\t", 42},
        {ParseInt, "-7", -7},
        {ParseInt, "4 2", unexpected(kInvalid)},
        {ParseInt, "", unexpected(kInvalid)},
        {ParseInt, "99999999999", unexpected(kRange)},
        {ParseDigits, "06", 6},
        {ParseDigits, "+6", unexpected(kInvalid)},
        {ParseDigits, "-6", unexpected(kInvalid)},
        {ParseDigits, " 6", unexpected(kInvalid)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed<int> got = c.parse(c.text);
        ASSERT_EQ(got.has_value(), c.want.has_value());
        EXPECT_EQ(static_cast<bool>(got), c.want.has_value());
        EXPECT_EQ(got.value_or(-1), c.want.value_or(-1));
        if (got) {
            EXPECT_EQ(*got, got.value());
            EXPECT_TRUE(got == *c.want);
        } else {
            EXPECT_THROW(static_cast<void>(got.value()), std::bad_variant_access);
            EXPECT_TRUE(got == unexpected(c.want.error()));
        }
    }
    // A value and an error of one type stay apart; an error converts to the declared type.
    const Expected<std::string, std::string> value = std::string("x"), error = unexpected("x");
    EXPECT_TRUE(value && value->size() == 1 && !error && error.error() == "x");
    EXPECT_TRUE(CheckBody("data").has_value());
    EXPECT_TRUE(CheckBody(" \r\n<html>") == unexpected(std::string("an HTML page, not data")));
}

} // namespace
