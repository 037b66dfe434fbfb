#include "app/crash_handler.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/zorv_app.h"
#include "app_environment.h"
#include "platform/out_of_memory.h"
#include "platform/runtime_names.h"
#include "platform/worker_thread.h"
#include "storage/app_settings.h"
#include "storage/mem_alloc.h"
#include "support_ui/scripted_prompter.h"

namespace qm {
namespace {

// The launcher's side of a crash event: the FIFO with a non-blocking read
// end and a write end of its own, so that it never reports end of file.
class EventFifo {
public:
    explicit EventFifo(const std::string& path) : path_(path)
    {
        if (test::InDeathTestChild()) {
            path_.clear();
            return;  // the parent listens; the child only writes
        }
        unlink(path.c_str());
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        read_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        write_ = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~EventFifo()
    {
        if (path_.empty()) {
            return;
        }
        close(read_);
        close(write_);
        unlink(path_.c_str());
    }
    std::string Drain()
    {
        std::string bytes;
        char buffer[16];
        ssize_t length;
        while ((length = read(read_, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, static_cast<std::size_t>(length));
        }
        return bytes;
    }

private:
    std::string path_;
    int read_ = -1;
    int write_ = -1;
};

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void NoCoreDump()
{
    rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

class CrashHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        test::UsePrivateAppEnvironment(name);
        config_ = DefaultCrashHandlerConfig();
        config_.dumpFolder = ScratchPath("crash-" + name + "-" + test::RunId()).string();
        if (!test::InDeathTestChild()) {
            std::filesystem::remove_all(config_.dumpFolder);
            std::filesystem::create_directories(config_.dumpFolder);
        }
        ASSERT_FALSE(config_.crashFifo.empty());
        ASSERT_FALSE(config_.memoryCrashFifo.empty());
    }

    std::filesystem::path Report(int number) const
    {
        return std::filesystem::path(config_.dumpFolder) / ("Zorvdump" + std::to_string(number) + ".dmp");
    }

    CrashHandlerConfig config_;
};

TEST_F(CrashHandlerTest, SegmentationFaultWritesTheReportAndSignalsTheLauncher)
{
    EventFifo crash(config_.crashFifo);
    EventFifo memory(config_.memoryCrashFifo);
    if (!test::InDeathTestChild()) {
        std::ofstream(Report(0)) << "left by an earlier run";
    }
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            std::fprintf(stderr, "fault at %p\n", page);
            *static_cast<volatile int*>(page) = 1;
        },
        ::testing::KilledBySignal(SIGSEGV), "fault at");
    EXPECT_EQ(crash.Drain(), "C");
    EXPECT_EQ(memory.Drain(), "");
    const std::string report = ReadAll(Report(0));
    EXPECT_EQ(report.find("earlier run"), std::string::npos);
    for (const char* part : {"Quenmark crash report", "Signal: 11 (SIGSEGV)", "Code: 2", "Address: 0x", "Registers:",
                             "RIP 0x", "Backtrace:", "Memory map:", "[stack]"}) {
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report.substr(0, 2000);
    }
    EXPECT_EQ(report.find("Address: 0x0000000000000000"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Report(1)));
}

TEST_F(CrashHandlerTest, CrashWithoutListenerStillWritesItsReportAndEnds)
{
    // A FIFO nobody reads (the launcher is not running), and none at all.
    if (!test::InDeathTestChild()) {
        unlink(config_.crashFifo.c_str());
        ASSERT_EQ(mkfifo(config_.crashFifo.c_str(), 0600), 0);
    }
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_NE(ReadAll(Report(0)).find("Signal: 6 (SIGABRT)"), std::string::npos);
    if (!test::InDeathTestChild()) {
        unlink(config_.crashFifo.c_str());
        std::filesystem::remove(Report(0));
    }
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            raise(SIGFPE);
        },
        ::testing::KilledBySignal(SIGFPE), "");
    EXPECT_NE(ReadAll(Report(0)).find("Signal: 8 (SIGFPE)"), std::string::npos);
}

TEST_F(CrashHandlerTest, BusErrorIsACrashToo)
{
    EventFifo crash(config_.crashFifo);
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            raise(SIGBUS);
        },
        ::testing::KilledBySignal(SIGBUS), "");
    EXPECT_EQ(crash.Drain(), "C");
}

struct OutOfMemoryCase {
    int recoverRaw;
    const char* message;
    const char* eventBytes;
    const char* otherBytes;
};

class OutOfMemoryCrashTest : public CrashHandlerTest, public ::testing::WithParamInterface<OutOfMemoryCase> {};

TEST_P(OutOfMemoryCrashTest, AllocationFailureInTheLoopIsAMemoryCrashWhenCarvingIsOn)
{
    const OutOfMemoryCase& c = GetParam();
    EventFifo crash(config_.crashFifo);
    EventFifo memory(config_.memoryCrashFifo);
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            test::ScriptedPrompter prompter;
            prompter.echo = true;
            SetCrashPrompter(&prompter);
            GetAppSettings()->bRecoverRaw = c.recoverRaw;
            // An event handler asks for more memory than there is: the
            // allocation wrapper raises its exception inside the loop.
            DeliverGuarded([] {
                void* block = AllocOrReport(static_cast<std::size_t>(1) << 62);
                MemFree(block);
                return true;
            });
            std::fprintf(stderr, "not reached\n");
        },
        ::testing::KilledBySignal(SIGABRT), c.message);
    const std::string crashBytes = crash.Drain();
    const std::string memoryBytes = memory.Drain();
    EXPECT_EQ(c.recoverRaw ? memoryBytes : crashBytes, c.eventBytes);
    EXPECT_EQ(c.recoverRaw ? crashBytes : memoryBytes, c.otherBytes);
    EXPECT_NE(ReadAll(Report(0)).find("Exception code: 0xe0000001 (out of memory)"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    RawOnAndOff, OutOfMemoryCrashTest,
    ::testing::Values(
        OutOfMemoryCase{1, "PROMPT \\[Quenmark\\] Failed to allocate the memory. Please untick \"Recover RAW file\"", "M", ""},
        OutOfMemoryCase{0, "PROMPT \\[Quenmark\\] Quenmark has encountered a memory problem and needs to close", "C", ""}));

TEST_F(CrashHandlerTest, OutOfMemoryOnAWorkerThreadNeedsNoWindow)
{
    EventFifo memory(config_.memoryCrashFifo);
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            test::ScriptedPrompter prompter;
            prompter.echo = true;
            SetCrashPrompter(&prompter);
            GetAppSettings()->bRecoverRaw = 1;
            std::thread worker([] { RaiseOutOfMemory(); });
            worker.join();
        },
        ::testing::KilledBySignal(SIGABRT), ::testing::Not(::testing::HasSubstr("PROMPT")));
    EXPECT_EQ(memory.Drain(), "M");
}

// A scan, build or save that runs out of memory on its worker: the window
// thread, waiting in its event loop as it does for every worker, shows the
// message and the launcher gets the event.
class WorkerOutOfMemoryTest : public CrashHandlerTest, public ::testing::WithParamInterface<OutOfMemoryCase> {};

TEST_P(WorkerOutOfMemoryTest, ReachesTheWindowThreadWithItsMessageAndEvent)
{
    const OutOfMemoryCase& c = GetParam();
    EventFifo crash(config_.crashFifo);
    EventFifo memory(config_.memoryCrashFifo);
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            test::ScriptedPrompter prompter;
            prompter.echo = true;
            SetCrashPrompter(&prompter);
            GetAppSettings()->bRecoverRaw = c.recoverRaw;
            std::thread worker = StartWorker([] {
                void* block = AllocOrReport(static_cast<std::size_t>(1) << 62);
                MemFree(block);
            });
            for (int round = 0; round < 2000; ++round) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            std::fprintf(stderr, "not reached\n");
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGABRT), c.message);
    const std::string crashBytes = crash.Drain();
    const std::string memoryBytes = memory.Drain();
    EXPECT_EQ(c.recoverRaw ? memoryBytes : crashBytes, c.eventBytes);
    EXPECT_EQ(c.recoverRaw ? crashBytes : memoryBytes, c.otherBytes);
    EXPECT_NE(ReadAll(Report(0)).find("Exception code: 0xe0000001 (out of memory)"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Report(1)));
}

INSTANTIATE_TEST_SUITE_P(
    RawOnAndOff, WorkerOutOfMemoryTest,
    ::testing::Values(
        OutOfMemoryCase{1, "PROMPT \\[Quenmark\\] Failed to allocate the memory. Please untick \"Recover RAW file\"", "M", ""},
        OutOfMemoryCase{0, "PROMPT \\[Quenmark\\] Quenmark has encountered a memory problem and needs to close", "C", ""}));

TEST_F(CrashHandlerTest, WorkerOutOfMemoryIsStillReportedWhenTheWindowThreadIsBlocked)
{
    // The window thread joins the worker without an event loop: the worker
    // gives up waiting for it and reports without the message.
    EventFifo crash(config_.crashFifo);
    EventFifo memory(config_.memoryCrashFifo);
    EXPECT_EXIT(
        {
            NoCoreDump();
            InstallExceptionFilter(config_);
            test::ScriptedPrompter prompter;
            prompter.echo = true;
            SetCrashPrompter(&prompter);
            GetAppSettings()->bRecoverRaw = 1;
            StartWorker([] { RaiseOutOfMemory(); }).join();
            std::fprintf(stderr, "not reached\n");
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGABRT), ::testing::Not(::testing::HasSubstr("PROMPT")));
    EXPECT_EQ(memory.Drain(), "M");
    EXPECT_EQ(crash.Drain(), "");
    EXPECT_NE(ReadAll(Report(0)).find("Exception code: 0xe0000001"), std::string::npos);
}

}  // namespace
}  // namespace qm
