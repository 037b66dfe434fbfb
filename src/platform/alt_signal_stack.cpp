#include "platform/alt_signal_stack.h"

#include <signal.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstddef>

namespace qm {
namespace {

// Room for the crash report's frames and the sanitizers' own handlers.
constexpr std::size_t kStackSize = 256 * 1024;

class ThreadAltStack {
public:
    bool Install()
    {
        if (memory_ != nullptr) {
            return true;
        }
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0 &&
            current.ss_size >= kStackSize) {
            return true;  // someone (a sanitizer) gave this thread one already
        }
        void* memory = mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            return false;
        }
        stack_t stack{};
        stack.ss_sp = memory;
        stack.ss_size = kStackSize;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, kStackSize);
            return false;
        }
        memory_ = memory;
        return true;
    }

    ~ThreadAltStack()
    {
        if (memory_ == nullptr) {
            return;
        }
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == memory_) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        }
        munmap(memory_, kStackSize);
    }

private:
    void* memory_ = nullptr;
};

}  // namespace

bool EnsureAltSignalStack()
{
    thread_local ThreadAltStack stack;
    return stack.Install();
}

}  // namespace qm
