// Named objects that the program, its launcher and its restarter share:
// lock files held for a lifetime and crash-event FIFOs, all in one private
// folder R = $XDG_RUNTIME_DIR/quenmark (else /tmp/quenmark-<uid>, created
// 0700 and checked: ours, a real folder, no access for others).
// QUENMARK_IPC_NS adds a suffix to every name, so that parallel tests never
// meet.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The folder R, created when missing; nothing when it cannot be made safe.
std::optional<std::string> RuntimeFolder();

// R/<name><suffix><extension>, e.g. RuntimeObjectPath("Vek_Crash_{...}", ".fifo").
std::optional<std::string> RuntimeObjectPath(std::string_view name, std::string_view extension);

// A named mutex held for the life of its owner: R/<name>.lock, opened
// close-on-exec and locked with flock(LOCK_EX | LOCK_NB). The kernel drops
// the lock when the holder dies.
class LifetimeLock {
public:
    enum class Result { Acquired, HeldElsewhere, Failed };

    LifetimeLock() = default;
    LifetimeLock(const LifetimeLock&) = delete;
    LifetimeLock& operator=(const LifetimeLock&) = delete;
    LifetimeLock(LifetimeLock&& other) noexcept;
    LifetimeLock& operator=(LifetimeLock&& other) noexcept;
    ~LifetimeLock();

    Result Acquire(std::string_view name);
    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    int fd_ = -1;
};

// Whether someone holds the named lock (a LOCK_SH | LOCK_NB probe that is
// let go at once). False when the lock file cannot be opened.
bool IsLifetimeLockHeld(std::string_view name);

}  // namespace qm
