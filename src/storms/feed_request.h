#pragma once
// Where the feed thread fetches the storm feed from and how it connects, as plain values
// from the settings. Platform-free; the feed thread hands them to WinINet.
#include "feed_format/feed_format.h" // kFeedPath
#include "settings/settings.h"

// The maker's data server, used while "Alternate" is off.
constexpr char kFeedServerHost[] = "data.quillmere.com";
constexpr char kFeedAgent[] = "ZRVSAVER"; // the HTTP user agent

// "http://", a host text of at most kSettingsTextSize - 1 bytes, the path and the zero.
constexpr int kFeedUrlSize = 7 + kSettingsTextSize - 1 + sizeof(kFeedPath);

enum class InternetAccess {
    SystemSettings, // the system's Internet settings
    Direct,
    Proxy, // through `proxyName`
};

struct FeedRequestPlan {
    char url[kFeedUrlSize];
    InternetAccess access;
    char proxyName[kSettingsTextSize]; // empty unless `access` is Proxy
};

// The URL is "http://" + kFeedServerHost + kFeedPath, or with "Alternate" on
// "http://" + "AlternateHost" + kFeedPath. With "UseProxy" on the proxy wins over
// "Direct", unless "ProxyName" is empty: then, as with neither on, the system's settings
// are used. Flags count when nonzero.
FeedRequestPlan PlanFeedRequest(const SaverSettings& settings);
