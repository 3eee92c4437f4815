// Where the feed is fetched from and how the connection is made, by settings.
#include "storms/feed_request.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

struct PlanCase {
    int alternate;
    const char* alternateHost;
    int useProxy, direct;
    const char* proxyName;
    const char* url;
    InternetAccess access;
    const char* plannedProxy;
};

TEST(PlanFeedRequest, UrlFromTheHostSettingAndAccessWithTheProxyFirst) {
    const PlanCase cases[] = {
        // The defaults: the maker's server, directly.
        {0, "www.quillmere.com", 0, 1, "", "http://data.quillmere.com/RirozIrid/ssaver.dat",
         InternetAccess::Direct, ""},
        {1, "www.quillmere.com", 0, 1, "", "http://www.quillmere.com/RirozIrid/ssaver.dat",
         InternetAccess::Direct, ""},
        {1, "127.0.0.1:8080", 0, 0, "", "http://127.0.0.1:8080/RirozIrid/ssaver.dat",
         InternetAccess::SystemSettings, ""},
        {2, "feeds.example.org/mirror", 0, 0, "", // any nonzero flag is on
         "http://feeds.example.org/mirror/RirozIrid/ssaver.dat", InternetAccess::SystemSettings,
         ""},
        {0, "ignored.example", 1, 1, "proxy:3128", "http://data.quillmere.com/RirozIrid/ssaver.dat",
         InternetAccess::Proxy, "proxy:3128"},
        {0, "", -1, 0, "x", "http://data.quillmere.com/RirozIrid/ssaver.dat", InternetAccess::Proxy,
         "x"},
        // A proxy without a name: WinINet takes none, so the system's settings, not "Direct".
        {0, "", -1, 0, "", "http://data.quillmere.com/RirozIrid/ssaver.dat",
         InternetAccess::SystemSettings, ""},
        {0, "", 1, 1, "", "http://data.quillmere.com/RirozIrid/ssaver.dat",
         InternetAccess::SystemSettings, ""},
        {1, "", 0, 0, "unused:1", "http:///RirozIrid/ssaver.dat", InternetAccess::SystemSettings,
         ""},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.url);
        SaverSettings settings = {};
        settings.alternate = c.alternate;
        std::strcpy(settings.alternateHost, c.alternateHost);
        settings.useProxy = c.useProxy;
        settings.direct = c.direct;
        std::strcpy(settings.proxyName, c.proxyName);
        const FeedRequestPlan plan = PlanFeedRequest(settings);
        EXPECT_STREQ(plan.url, c.url);
        EXPECT_EQ(plan.access, c.access);
        EXPECT_STREQ(plan.proxyName, c.plannedProxy);
    }
}

// A host text that fills its field, with or without its terminating zero, still gives
// the whole URL; nothing is read past the field.
TEST(PlanFeedRequest, AFullHostFieldFitsTheUrl) {
    SaverSettings settings = {};
    settings.alternate = 1;
    settings.useProxy = 1;
    std::memset(settings.alternateHost, 'h', kSettingsTextSize - 1);
    std::memset(settings.proxyName, 'p', kSettingsTextSize);
    const std::string host(kSettingsTextSize - 1, 'h');
    EXPECT_EQ(std::string(PlanFeedRequest(settings).url),
              "http://" + host + "/RirozIrid/ssaver.dat");
    std::memset(settings.alternateHost, 'h', kSettingsTextSize);
    EXPECT_EQ(std::string(PlanFeedRequest(settings).url),
              "http://" + host + "/RirozIrid/ssaver.dat");
    EXPECT_EQ(std::string(PlanFeedRequest(settings).proxyName),
              std::string(kSettingsTextSize - 1, 'p'));
}

} // namespace
