#pragma once
// The saver's stored settings for one test: its WIN.INI section and the user's registry
// copy (kSettingsRegistryKey), and WIN.INI itself made unwritable.
#include <windows.h>

#include <string>
#include <vector>

namespace support {

// Guards the saver's settings for one test: the section is saved and emptied and the
// registry key deleted on construction; on destruction the key goes again and the section
// comes back as it was.
class ProfileSection {
  public:
    ProfileSection();
    ~ProfileSection();
    ProfileSection(const ProfileSection&) = delete;
    ProfileSection& operator=(const ProfileSection&) = delete;
    void Set(const char* key, const char* value) const;
    void Set(const char* key, int value) const;
    std::string Get(const char* key) const; // "<absent>" when the key is missing
    void Empty() const;                     // the section and the registry key, as at the start

  private:
    std::vector<char> saved_; // as GetProfileSectionA gives it
};

// The "key=value" lines of the saver's WIN.INI section as they stand in the file itself.
std::vector<std::string> ProfileSectionFileLines();

// WIN.INI as Windows 10 and 11 show it to a program without elevation, for one test: a
// folder stands in its place, so every write fails whoever runs the test (root ignores
// file modes). The file comes back afterwards.
class UnwritableWinIni {
  public:
    UnwritableWinIni();
    ~UnwritableWinIni();
    UnwritableWinIni(const UnwritableWinIni&) = delete;
    UnwritableWinIni& operator=(const UnwritableWinIni&) = delete;
};

} // namespace support
