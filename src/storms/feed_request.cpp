#include "storms/feed_request.h"

#include <cstdio>
#include <cstring>

namespace {

InternetAccess ChooseAccess(const SaverSettings& settings) {
    if (settings.useProxy) {
        return InternetAccess::Proxy;
    }
    return settings.direct ? InternetAccess::Direct : InternetAccess::SystemSettings;
}

// A text field read to its terminating zero, or to the field's end when it has none.
int FieldLength(const char (&field)[kSettingsTextSize]) {
    const void* end = std::memchr(field, '\0', kSettingsTextSize);
    return end ? static_cast<int>(static_cast<const char*>(end) - field) : kSettingsTextSize - 1;
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
