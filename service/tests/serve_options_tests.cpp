// The command line of `zarvane-feed serve`.
#include "core/serve_options.h"

#include <gtest/gtest.h>

using namespace feed;

TEST(ServeOptions, DefaultsWithoutArguments) {
    const ServeOptionsResult r = ParseServeOptions({});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.options.address, "0.0.0.0");
    EXPECT_EQ(r.options.port, 8080);
    EXPECT_TRUE(r.options.sources.empty());
    EXPECT_EQ(r.options.refreshMinutes, 15);
    EXPECT_EQ(r.options.maxAgeHours, 12);
}

TEST(ServeOptions, ValuesAndRefusals) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        const char* address;
        int port;
        int refresh;
        int maxAge;
        size_t sources;
    };
    const Case kCases[] = {
        {{"--listen", "127.0.0.1:0"}, true, "127.0.0.1", 0, 15, 12, 0},
        {{"--listen", "127.0.0.1:65535", "--refresh", "1", "--max-age", "48"},
         true,
         "127.0.0.1",
         65535,
         1,
         48,
         0},
        {{"--source", "nhc=/tmp/a.json", "--source", "atcf=http://127.0.0.1:1/b.dat"},
         true,
         "0.0.0.0",
         8080,
         15,
         12,
         2},
        {{"--listen", "127.0.0.1:65536"}, false, "", 0, 0, 0, 0},
        {{"--listen", "127.0.0.1"}, false, "", 0, 0, 0, 0},
        {{"--listen", ":80"}, false, "", 0, 0, 0, 0},
        {{"--refresh", "0"}, false, "", 0, 0, 0, 0},
        {{"--refresh", "15m"}, false, "", 0, 0, 0, 0},
        {{"--max-age", "-1"}, false, "", 0, 0, 0, 0},
        {{"--max-age"}, false, "", 0, 0, 0, 0},
        {{"--source", "nhc"}, false, "", 0, 0, 0, 0},
        {{"--output", "-"}, false, "", 0, 0, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : ""));
        const ServeOptionsResult r = ParseServeOptions(c.args);
        EXPECT_EQ(r.ok, c.ok);
        if (!c.ok) {
            EXPECT_FALSE(r.error.empty());
            continue;
        }
        EXPECT_EQ(r.options.address, c.address);
        EXPECT_EQ(r.options.port, c.port);
        EXPECT_EQ(r.options.refreshMinutes, c.refresh);
        EXPECT_EQ(r.options.maxAgeHours, c.maxAge);
        EXPECT_EQ(r.options.sources.size(), c.sources);
    }
}
