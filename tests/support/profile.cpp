#include "support/profile.h"

#include <cstring>
#include <fstream>

#include "settings/settings_keys.h"

namespace support {

namespace {

std::string WinIniPath() {
    char directory[MAX_PATH] = {};
    ::GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\win.ini";
}

// The section as GetProfileSectionA gives it: "key=value" texts, each zero-terminated,
// and a final zero; empty when there is no section.
std::vector<char> ReadSection() {
    for (DWORD size = 4096;; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD length = ::GetProfileSectionA(kSettingsSection, buffer.data(), size);
        if (length < size - 2) {
            buffer.resize(length == 0 ? 0 : length + 1);
            return buffer;
        }
    }
}

// Puts back a section read by ReadSection, key by key: Wine 8's WriteProfileSectionA
// reports success but writes nothing.
void RestoreSection(std::vector<char> section) {
    for (char* entry = section.data(); !section.empty() && *entry != '\0';
         entry += std::strlen(entry) + 1) {
        char* equals = std::strchr(entry, '=');
        if (equals != nullptr) {
            *equals = '\0';
            ::WriteProfileStringA(kSettingsSection, entry, equals + 1);
        }
    }
}

} // namespace

ProfileSection::ProfileSection() : saved_(ReadSection()) {
    Empty();
}

ProfileSection::~ProfileSection() {
    Empty();
    RestoreSection(saved_);
}

// The user's registry copy goes too: the saver reads it before WIN.INI.
void ProfileSection::Empty() const {
    ::WriteProfileStringA(kSettingsSection, nullptr, nullptr);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsRegistryKey);
}

void ProfileSection::Set(const char* key, const char* value) const {
    ::WriteProfileStringA(kSettingsSection, key, value);
}

void ProfileSection::Set(const char* key, int value) const {
    Set(key, std::to_string(value).c_str());
}

std::string ProfileSection::Get(const char* key) const {
    char value[512] = {};
    ::GetProfileStringA(kSettingsSection, key, "<absent>", value, sizeof(value));
    return value;
}

std::vector<std::string> ProfileSectionFileLines() {
    std::ifstream file(WinIniPath());
    const std::string header = std::string("[") + kSettingsSection + "]";
    std::vector<std::string> lines;
    bool inSection = false;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inSection = ::lstrcmpiA(line.c_str(), header.c_str()) == 0;
        } else if (inSection && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

UnwritableWinIni::UnwritableWinIni() {
    const std::string path = WinIniPath();
    ::MoveFileA(path.c_str(), (path + ".away").c_str());
    ::CreateDirectoryA(path.c_str(), nullptr);
}

UnwritableWinIni::~UnwritableWinIni() {
    const std::string path = WinIniPath();
    ::RemoveDirectoryA(path.c_str());
    ::MoveFileA((path + ".away").c_str(), path.c_str());
}

} // namespace support
