// Which store each setting comes from: the machine's policy (for the feed host's three keys
// only) before the user's registry copy, that before WIN.INI, WIN.INI before the defaults,
// key by key.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "settings/settings_keys.h"

namespace {

using Store = std::map<std::string, std::string>; // key -> stored text; ints as decimal

bool FindInt(const void* context, const char* key, int* value) {
    const Store& store = *static_cast<const Store*>(context);
    const auto found = store.find(key);
    if (found == store.end()) {
        return false;
    }
    *value = std::stoi(found->second);
    return true;
}

bool FindText(const void* context, const char* key, char* text) {
    const Store& store = *static_cast<const Store*>(context);
    const auto found = store.find(key);
    if (found == store.end()) {
        return false;
    }
    std::strncpy(text, found->second.c_str(), kSettingsTextSize); // the merge terminates it
    return true;
}

SaverSettings Merge(const Store& policy, const Store& newer, const Store& older) {
    const SettingsSource sources[] = {{&policy, true, FindInt, FindText},
                                      {&newer, false, FindInt, FindText},
                                      {&older, false, FindInt, FindText}};
    SaverSettings settings;
    std::memset(&settings, 0x5A, sizeof settings); // every field must be filled
    LoadSettingsFrom(settings, sources, 3);
    return settings;
}

struct PrecedenceCase {
    const char* title;
    Store policy;
    Store registry;
    Store winIni;
    int lighting;
    int internet;
    const char* alternateHost;
};

TEST(LoadSettingsFrom, EachKeyFromTheFirstStoreThatHoldsIt) {
    const PrecedenceCase cases[] = {
        {"no store: the defaults", {}, {}, {}, 1, 0, kDefaultAlternateHost},
        {"WIN.INI alone",
         {},
         {},
         {{"Lighting", "0"}, {"AlternateHost", "ini.example"}},
         0,
         0,
         "ini.example"},
        {"the dialog's save wins over an older WIN.INI value",
         {},
         {{"Lighting", "1"}, {"AlternateHost", "dialog.example"}},
         {{"Lighting", "0"}, {"AlternateHost", "ini.example"}},
         1,
         0,
         "dialog.example"},
        {"key by key: a key the registry lacks comes from WIN.INI",
         {},
         {{"Lighting", "0"}},
         {{"Internet", "1"}, {"Lighting", "2"}},
         0,
         1,
         kDefaultAlternateHost},
        {"an empty stored text is a value, not the default",
         {},
         {{"AlternateHost", ""}},
         {{"AlternateHost", "ini.example"}},
         1,
         0,
         ""},
        {"the administrator's feed host wins over the user's and WIN.INI's",
         {{"Internet", "1"}, {"AlternateHost", "policy.example"}},
         {{"Internet", "0"}, {"AlternateHost", "mine.example"}},
         {{"AlternateHost", "ini.example"}},
         1,
         1,
         "policy.example"},
        {"a policy holds only the feed host's keys",
         {{"Lighting", "0"}, {"Direct", "0"}, {"ProxyName", "policy.proxy"}},
         {},
         {{"Lighting", "2"}},
         2,
         0,
         kDefaultAlternateHost},
    };
    for (const PrecedenceCase& c : cases) {
        SCOPED_TRACE(c.title);
        const SaverSettings s = Merge(c.policy, c.registry, c.winIni);
        EXPECT_EQ(s.lighting, c.lighting);
        EXPECT_EQ(s.internet, c.internet);
        EXPECT_STREQ(s.alternateHost, c.alternateHost);
        EXPECT_EQ(s.direct, 1); // no store holds it
        EXPECT_STREQ(s.proxyName, "");
    }
}

TEST(LoadSettingsFrom, LongStoredTextsAreCutTo79) {
    const std::string longText(200, 'h');
    const SaverSettings s = Merge({}, {{"ProxyName", longText}}, {});
    EXPECT_EQ(std::string(s.proxyName), longText.substr(0, kSettingsTextSize - 1));
}

} // namespace
