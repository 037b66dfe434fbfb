#include "app/crash_handler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <ucontext.h>
#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QThread>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <thread>

#include "app/log_report.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "platform/alt_signal_stack.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/out_of_memory.h"
#include "platform/runtime_names.h"
#include "platform/worker_thread.h"
#include "storage/app_settings.h"

namespace qm {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr unsigned kReportSeconds = 10;

// Prepared at installation: the signal path only reads them.
char g_dumpFolder[1024];
char g_crashFifo[1024];
char g_memoryCrashFifo[1024];
std::atomic<unsigned> g_dumpCounter{0};
std::atomic<int> g_entered{0};
std::atomic<Prompter*> g_prompter{nullptr};
std::terminate_handler g_previousTerminate = nullptr;

static_assert(std::atomic<unsigned>::is_always_lock_free);

void CopyPath(char (&target)[1024], const std::string& source)
{
    const std::size_t length = std::min(source.size(), sizeof target - 1);
    std::memcpy(target, source.data(), length);
    target[length] = '\0';
}

// --- async-signal-safe helpers: stack buffers, write(2), no allocation ---

class SafeWriter {
public:
    explicit SafeWriter(int fd) : fd_(fd) {}
    SafeWriter& Text(const char* text)
    {
        if (text != nullptr) {
            Raw(text, std::strlen(text));
        }
        return *this;
    }
    SafeWriter& Decimal(long long value)
    {
        char digits[24];
        int length = 0;
        unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        do {
            digits[length++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0) {
            digits[length++] = '-';
        }
        char out[24];
        for (int i = 0; i < length; ++i) {
            out[i] = digits[length - 1 - i];
        }
        Raw(out, static_cast<std::size_t>(length));
        return *this;
    }
    SafeWriter& Hex(unsigned long long value, int width = 16)
    {
        char out[18] = {'0', 'x'};
        for (int i = 0; i < width; ++i) {
            out[2 + width - 1 - i] = "0123456789abcdef"[(value >> (4 * i)) & 0xF];
        }
        Raw(out, static_cast<std::size_t>(2 + width));
        return *this;
    }
    void Raw(const char* data, std::size_t length)
    {
        while (length > 0) {
            const ssize_t written = write(fd_, data, length);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return;
            }
            data += written;
            length -= static_cast<std::size_t>(written);
        }
    }

private:
    int fd_;
};

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

// One byte ('C' or 'M') into the launcher's FIFO: open without blocking
// (ENXIO: nobody listens, nothing to do), write, close. The launcher only
// counts the wake-up; the byte tells a reader of the FIFO which event it was.
void SignalEvent(const char* fifo, char byte)
{
    if (fifo[0] == '\0') {
        return;
    }
    const int fd = open(fifo, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return;
    }
    ssize_t result;
    do {
        result = write(fd, &byte, 1);
    } while (result < 0 && errno == EINTR);
    close(fd);
}

void WriteRegisters(SafeWriter& out, const void* context)
{
    if (context == nullptr) {
        return;
    }
    out.Text("Registers:\n");
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    static const struct {
        const char* name;
        int index;
    } kRegisters[] = {{"RIP", REG_RIP}, {"RSP", REG_RSP}, {"RBP", REG_RBP}, {"RAX", REG_RAX}, {"RBX", REG_RBX},
                      {"RCX", REG_RCX}, {"RDX", REG_RDX}, {"RSI", REG_RSI}, {"RDI", REG_RDI}, {"R8 ", REG_R8},
                      {"R9 ", REG_R9},  {"R10", REG_R10}, {"R11", REG_R11}, {"R12", REG_R12}, {"R13", REG_R13},
                      {"R14", REG_R14}, {"R15", REG_R15}, {"EFL", REG_EFL}};
    for (const auto& reg : kRegisters) {
        out.Text("  ").Text(reg.name).Text(" ").Hex(static_cast<unsigned long long>(uc->uc_mcontext.gregs[reg.index]))
            .Text("\n");
    }
#elif defined(__aarch64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    out.Text("  PC  ").Hex(uc->uc_mcontext.pc).Text("\n  SP  ").Hex(uc->uc_mcontext.sp).Text("\n");
    for (int i = 0; i < 31; ++i) {
        out.Text("  X").Decimal(i).Text(" ").Hex(uc->uc_mcontext.regs[i]).Text("\n");
    }
#else
    out.Text("  (not known on this machine)\n");
#endif
}

void CopyFile(SafeWriter& out, const char* path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t length = read(fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length <= 0) {
            break;
        }
        out.Raw(buffer, static_cast<std::size_t>(length));
    }
    close(fd);
}

// The report Zorvdump<N>.dmp, replacing a file of that name. True when the
// file was written.
bool WriteReport(int signal, int code, unsigned long long address, std::uint32_t exceptionCode, const void* context)
{
    const unsigned number = g_dumpCounter.fetch_add(1);
    char path[1100];
    {
        // "<folder>/Zorvdump<N>.dmp" without snprintf.
        std::size_t length = std::strlen(g_dumpFolder);
        std::memcpy(path, g_dumpFolder, length);
        const char kName[] = "/Zorvdump";
        std::memcpy(path + length, kName, sizeof kName - 1);
        length += sizeof kName - 1;
        char digits[12];
        int count = 0;
        unsigned value = number;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) {
            path[length++] = digits[--count];
        }
        const char kExtension[] = ".dmp";
        std::memcpy(path + length, kExtension, sizeof kExtension);
    }
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    SafeWriter out(fd);
    out.Text("Quenmark crash report\nProgram: Vek ").Text(GetVersionText()).Text("\nProcess: ").Decimal(getpid())
        .Text("\nThread: ").Decimal(gettid()).Text("\n");
    if (exceptionCode != 0) {
        out.Text("Exception code: ").Hex(exceptionCode, 8).Text(" (out of memory)\n");
    } else {
        out.Text("Signal: ").Decimal(signal).Text(" (").Text(SignalName(signal)).Text(")\nCode: ").Decimal(code)
            .Text("\nAddress: ").Hex(address).Text("\n");
    }
    WriteRegisters(out, context);
    out.Text("Backtrace:\n");
    void* frames[64];
    const int depth = backtrace(frames, 64);
    backtrace_symbols_fd(frames, depth, fd);
    out.Text("Memory map:\n");
    CopyFile(out, "/proc/self/maps");
    close(fd);
    return true;
}

// The signal's default action: the process dies of it once the handler
// returns (the signal stays blocked until then).
void DieOf(int signal)
{
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

void OnFatalSignal(int signal, siginfo_t* info, void* context)
{
    if (g_entered.exchange(1) != 0) {
        // A second fault while reporting: end at once.
        DieOf(signal);
        return;
    }
    alarm(kReportSeconds);  // a report that hangs does not keep the process alive
    const auto address = info != nullptr ? reinterpret_cast<unsigned long long>(info->si_addr) : 0ULL;
    const int code = info != nullptr ? info->si_code : 0;
    SignalEvent(g_crashFifo, kCrashEventByte);
    const bool written = WriteReport(signal, code, address, 0, context);
    // The log takes a lock and formats: not safe in a signal handler, so it
    // comes after the event and the report. If the crashed thread held the
    // log's lock, the alarm ends the process.
    LogCaughtException(static_cast<std::uint32_t>(signal), address);
    DebugTrace("____---heventName%s", kCrashEventName);
    if (!written) {
        LogDumpResult(false);
    }
    DieOf(signal);
}

void OnTerminate()
{
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const OutOfMemoryException&) {
            HandleOutOfMemoryCrash();
        } catch (...) {
        }
    }
    if (g_previousTerminate != nullptr) {
        g_previousTerminate();
    }
    std::abort();
}

// A worker's out-of-memory goes to the window thread, which alone may show
// the message. The state: none yet, posted to the window thread, taken by
// it, or handled on the worker because the window thread never came.
enum WorkerOutOfMemoryState : int { kNoneYet, kPosted, kTakenByWindow, kHandledOnWorker };
std::atomic<int> g_workerOutOfMemory{kNoneYet};
// How long a worker waits for the window thread to take its out-of-memory.
// The window thread normally waits for workers in an event loop and takes
// it at once; when it is blocked (joining this very worker, say) the worker
// reports without a message rather than never.
constexpr std::chrono::milliseconds kWindowThreadWait{5000};

[[noreturn]] void ParkWorker()
{
    // The window thread (or the first worker) ends the process.
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

[[noreturn]] void OnWorkerOutOfMemory()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        HandleOutOfMemoryCrash();
    }
    int expected = kNoneYet;
    if (!g_workerOutOfMemory.compare_exchange_strong(expected, kPosted)) {
        ParkWorker();  // another worker's out-of-memory is being reported
    }
    bool posted = false;
    try {
        posted = QMetaObject::invokeMethod(
            application,
            [] {
                int state = kPosted;
                if (g_workerOutOfMemory.compare_exchange_strong(state, kTakenByWindow)) {
                    HandleOutOfMemoryCrash();
                }
            },
            Qt::QueuedConnection);
    } catch (...) {
        // Posting needs a little memory too; report from here instead.
    }
    const auto deadline = std::chrono::steady_clock::now() + kWindowThreadWait;
    while (posted && g_workerOutOfMemory.load() == kPosted && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    expected = kPosted;
    if (g_workerOutOfMemory.compare_exchange_strong(expected, kHandledOnWorker)) {
        HandleOutOfMemoryCrash();
    }
    ParkWorker();
}

}  // namespace

CrashHandlerConfig DefaultCrashHandlerConfig()
{
    CrashHandlerConfig config;
    config.dumpFolder = GetProgramDataFolder().string();
    config.crashFifo = RuntimeObjectPath(kCrashEventName, ipc::kFifoExtension).value_or("");
    config.memoryCrashFifo = RuntimeObjectPath(kMemoryCrashEventName, ipc::kFifoExtension).value_or("");
    return config;
}

void InstallExceptionFilter(const CrashHandlerConfig& config)
{
    CopyPath(g_dumpFolder, config.dumpFolder);
    CopyPath(g_crashFifo, config.crashFifo);
    CopyPath(g_memoryCrashFifo, config.memoryCrashFifo);
    // backtrace() loads its unwinder on first use, which allocates: do it
    // now rather than in the handler.
    void* frames[2];
    backtrace(frames, 2);
    GetVersionText();
    EnsureAltSignalStack();
    for (int signal : kSignals) {
        struct sigaction action{};
        action.sa_sigaction = OnFatalSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    SetWorkerOutOfMemoryHandler(OnWorkerOutOfMemory);
    std::terminate_handler previous = std::set_terminate(OnTerminate);
    if (previous != OnTerminate) {
        g_previousTerminate = previous;
    }
}

void SetCrashPrompter(Prompter* prompter) { g_prompter = prompter; }

void HandleOutOfMemoryCrash()
{
    static std::atomic<int> handling{0};
    if (handling.exchange(1) != 0 || g_entered.exchange(1) != 0) {
        DieOf(SIGABRT);
        std::_Exit(134);
    }
    const bool rawRecovery = GetAppSettings()->bRecoverRaw != 0;
    const char* eventName = rawRecovery ? kMemoryCrashEventName : kCrashEventName;
    // A message box only on the thread that owns the windows; a worker
    // cannot show one (the window thread may be waiting for it). Workers
    // started through StartWorker come here on the window thread.
    const bool windowThread =
        QCoreApplication::instance() != nullptr && QThread::currentThread() == QCoreApplication::instance()->thread();
    if (windowThread) {
        Prompter* prompter = g_prompter.load();
        (prompter != nullptr ? *prompter : DefaultPrompter())
            .Inform(nullptr, LoadAppString(rawRecovery ? 61240 : 307), LoadAppString(346), PromptIcon::Warning);
    }
    LogCaughtException(kOutOfMemoryCode, 0);
    LogMemoryStatus();
    SignalEvent(rawRecovery ? g_memoryCrashFifo : g_crashFifo,
                rawRecovery ? kMemoryCrashEventByte : kCrashEventByte);
    DebugTrace("____---heventName%s", eventName);
    if (!WriteReport(0, 0, 0, kOutOfMemoryCode, nullptr)) {
        LogDumpResult(false);
    }
    DieOf(SIGABRT);
    std::_Exit(134);  // not reached: SIGABRT is not blocked here
}

unsigned NextDumpNumber() { return g_dumpCounter.load(); }

}  // namespace qm
