#include "storms/feed_request.h"

#include <cstdio>
#include <cstring>

namespace {

// A text field read to its terminating zero, or to the field's end when it has none.
int FieldLength(const char (&field)[kSettingsTextSize]) {
    const void* end = std::memchr(field, '\0', kSettingsTextSize);
    return end ? static_cast<int>(static_cast<const char*>(end) - field) : kSettingsTextSize - 1;
}

// WinINet takes no empty proxy name with INTERNET_OPEN_TYPE_PROXY; a proxy choice without
// a name falls back to the system's settings, which is where a proxy is named otherwise.
InternetAccess ChooseAccess(const SaverSettings& settings) {
    if (settings.useProxy) {
        return FieldLength(settings.proxyName) > 0 ? InternetAccess::Proxy
                                                   : InternetAccess::SystemSettings;
    }
    return settings.direct ? InternetAccess::Direct : InternetAccess::SystemSettings;
}

} // namespace

FeedRequestPlan PlanFeedRequest(const SaverSettings& settings) {
    FeedRequestPlan plan = {};
    if (settings.alternate) {
        std::snprintf(plan.url, sizeof(plan.url), "http://%.*s%s",
                      FieldLength(settings.alternateHost), settings.alternateHost, kFeedPath);
    } else {
        std::snprintf(plan.url, sizeof(plan.url), "http://%s%s", kFeedServerHost, kFeedPath);
    }
    plan.access = ChooseAccess(settings);
    if (plan.access == InternetAccess::Proxy) {
        std::snprintf(plan.proxyName, sizeof(plan.proxyName), "%.*s",
                      FieldLength(settings.proxyName), settings.proxyName);
    }
    return plan;
}
