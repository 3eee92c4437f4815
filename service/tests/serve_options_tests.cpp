// The command lines of `zarvane-feed build` and `zarvane-feed serve`: one reader, so an
// option means the same in both.
#include "core/serve_options.h"

#include <gtest/gtest.h>

using namespace feed;

TEST(ServeOptions, DefaultsWithoutArguments) {
    const ServeOptionsResult r = ParseServeOptions({});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->listen.size(), 1u);
    EXPECT_EQ(r->listen[0].address, "0.0.0.0");
    EXPECT_EQ(r->listen[0].port, 8080);
    EXPECT_TRUE(r->sources.empty());
    EXPECT_EQ(r->refreshMinutes, 15);
    EXPECT_EQ(r->maxAgeHours, 12);
    EXPECT_EQ(r->headTimeoutSeconds, 30u);
    const FeedOptionsResult build = ParseFeedOptions("build", {});
    ASSERT_TRUE(build);
    EXPECT_EQ(build->output, "-");
    EXPECT_TRUE(build->listen.empty());
}

TEST(ServeOptions, ValuesAndRefusals) {
    struct Case {
        const char* command;
        std::vector<std::string> args;
        bool accepted;
        std::string listen; // "address port;..." as read
        int refresh;
        int maxAge;
        size_t sources;
    };
    const Case kCases[] = {
        {"serve", {"--listen", "127.0.0.1:0"}, true, "127.0.0.1 0;", 15, 12, 0},
        {"serve",
         {"--listen", "127.0.0.1:65535", "--refresh", "1", "--max-age", "48"},
         true,
         "127.0.0.1 65535;",
         1,
         48,
         0},
        {"serve",
         {"--listen", "0.0.0.0:8080", "--listen", "[::]:8080"},
         true,
         "0.0.0.0 8080;:: 8080;",
         15,
         12,
         0},
        {"serve", {"--listen", "[::1]:80"}, true, "::1 80;", 15, 12, 0},
        {"serve",
         {"--source", "nhc=/tmp/a.json", "--source", "atcf=http://127.0.0.1:1/b.dat"},
         true,
         "0.0.0.0 8080;",
         15,
         12,
         2},
        {"build", {"--source", "jtwc=/tmp/w.txt", "--max-age", "6"}, true, "", 15, 6, 1},
        {"serve", {"--listen", "127.0.0.1:65536"}, false, "", 0, 0, 0},
        {"serve", {"--listen", "127.0.0.1"}, false, "", 0, 0, 0},
        {"serve", {"--listen", ":80"}, false, "", 0, 0, 0},
        {"serve", {"--listen", "::1:80"}, false, "", 0, 0, 0}, // IPv6 needs its brackets
        {"serve", {"--listen", "[]:80"}, false, "", 0, 0, 0},
        {"serve", {"--refresh", "0"}, false, "", 0, 0, 0},
        {"serve", {"--refresh", "15m"}, false, "", 0, 0, 0},
        {"serve", {"--head-timeout", "0"}, false, "", 0, 0, 0},
        {"serve", {"--output", "-"}, false, "", 0, 0, 0},
        {"build", {"--listen", "127.0.0.1:1"}, false, "", 0, 0, 0},
        {"build", {"--now", "2031-09-10 22:00"}, false, "", 0, 0, 0},
        {"build", {"--output"}, false, "", 0, 0, 0},
        {"build", {"--output", ""}, false, "", 0, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.command + (" " + c.args.front()) + " " +
                     (c.args.size() > 1 ? c.args[1] : ""));
        const FeedOptionsResult r = ParseFeedOptions(c.command, c.args);
        ASSERT_EQ(r.has_value(), c.accepted);
        if (!r) {
            EXPECT_FALSE(r.error().empty());
            continue;
        }
        std::string listen;
        for (const ListenAddress& where : r->listen) {
            listen += where.address + " " + std::to_string(where.port) + ";";
        }
        EXPECT_EQ(listen, c.listen);
        EXPECT_EQ(r->refreshMinutes, c.refresh);
        EXPECT_EQ(r->maxAgeHours, c.maxAge);
        EXPECT_EQ(r->sources.size(), c.sources);
    }
}

// What both commands refuse alike (they once disagreed on "nhc=" and "+5").
TEST(ServeOptions, BothCommandsReadSharedOptionsAlike) {
    const std::vector<std::vector<std::string>> kRefused = {
        {"--source", "nhc"},        {"--source", "nhc="},
        {"--source", "=/tmp/a"},    {"--source", "noaa=/tmp/a"},
        {"--source", "NHC=/tmp/a"}, {"--max-age", "+5"},
        {"--max-age", "0"},         {"--max-age", "-1"},
        {"--max-age", "8785"},      {"--max-age"},
        {"--colour", "blue"},
    };
    for (const char* command : {"build", "serve"}) {
        for (const auto& args : kRefused) {
            EXPECT_FALSE(ParseFeedOptions(command, args)) << command << " " << args[0];
        }
        const FeedOptionsResult r = ParseFeedOptions(command, {"--source", "tcvitals=a=b"});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->sources[0].kind, "tcvitals");
        EXPECT_EQ(r->sources[0].location, "a=b");
    }
}
