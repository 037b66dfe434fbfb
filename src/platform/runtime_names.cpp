#include "platform/runtime_names.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace qm {
namespace {

// A folder that only we can reach: ours, not a link, no group or other
// access. Created 0700 when missing.
bool EnsurePrivateFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info{};
    if (lstat(path.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 0077) == 0;
}

std::string Suffix()
{
    const char* ns = std::getenv("QUENMARK_IPC_NS");
    return ns != nullptr ? std::string(ns) : std::string();
}

}  // namespace

std::optional<std::string> RuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::string path = std::string(runtime) + "/quenmark";
        if (EnsurePrivateFolder(path)) {
            return path;
        }
    }
    std::string fallback = "/tmp/quenmark-" + std::to_string(getuid());
    if (EnsurePrivateFolder(fallback)) {
        return fallback;
    }
    return std::nullopt;
}

std::optional<std::string> RuntimeObjectPath(std::string_view name, std::string_view extension)
{
    std::optional<std::string> folder = RuntimeFolder();
    if (!folder) {
        return std::nullopt;
    }
    return *folder + "/" + std::string(name) + Suffix() + std::string(extension);
}

LifetimeLock::LifetimeLock(LifetimeLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

LifetimeLock& LifetimeLock::operator=(LifetimeLock&& other) noexcept
{
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

LifetimeLock::~LifetimeLock() { Release(); }

void LifetimeLock::Release()
{
    if (fd_ >= 0) {
        close(fd_);  // closing the description drops the lock
        fd_ = -1;
    }
}

LifetimeLock::Result LifetimeLock::Acquire(std::string_view name)
{
    Release();
    const std::optional<std::string> path = RuntimeObjectPath(name, ".lock");
    if (!path) {
        return Result::Failed;
    }
    const int fd = open(path->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return Result::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? Result::HeldElsewhere : Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

bool IsLifetimeLockHeld(std::string_view name)
{
    const std::optional<std::string> path = RuntimeObjectPath(name, ".lock");
    if (!path) {
        return false;
    }
    const int fd = open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;  // never created: nobody holds it
    }
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // also lets go of a shared lock just taken
    return held;
}

}  // namespace qm
