#pragma once
// Replacing a file atomically: written beside it, synced, renamed over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include "core/result.h"

inline constexpr mode_t kFeedMode = 0644; // the web server reads what the builder writes

// A temporary file beside the target, removed unless it was renamed over the target.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target)
        : path_(Folder(target) + "/.zarvane-feed.XXXXXX") {
        fd_ = ::mkstemp(path_.data()); // O_CREAT|O_EXCL, mode 0600, never through a link
    }
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!renamed_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Writes, syncs and closes the file, then renames it over `target` and syncs the folder.
    Expected<void, std::string> Commit(const std::string& data, const std::string& target) {
        if (fd_ < 0) {
            return unexpected("cannot create a file beside " + target);
        }
        if (!WriteAll(data) || ::fchmod(fd_, kFeedMode) != 0 || ::fsync(fd_) != 0 ||
            ::close(std::exchange(fd_, -1)) != 0) {
            return unexpected("cannot write " + path_);
        }
        if (!IsRegularOrAbsent(target)) {
            return unexpected(target + " is not a regular file");
        }
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            return unexpected("cannot replace " + target);
        }
        renamed_ = true;
        const int folder = ::open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY);
        const bool synced = folder >= 0 && ::fsync(folder) == 0;
        if (folder >= 0) {
            ::close(folder);
        }
        if (!synced) {
            return unexpected("cannot sync " + Folder(target));
        }
        return {};
    }

    static std::string Folder(const std::string& path) {
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    }

    static bool IsRegularOrAbsent(const std::string& path) {
        struct stat info {};
        return ::lstat(path.c_str(), &info) != 0 ? errno == ENOENT : S_ISREG(info.st_mode);
    }

  private:
    bool WriteAll(const std::string& data) {
        for (size_t done = 0; done < data.size();) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
};
