#include "platform/child_process.h"
#include "platform/crash_event_fifo.h"
#include "platform/ipc_names.h"
#include "platform/runtime_names.h"
#include "ipc_namespace.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

std::string Script(const std::string& name, const std::string& body) {
  const auto path = std::filesystem::temp_directory_path() / (name + "." + std::to_string(getpid()) + ".sh");
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0700);
  return path.string();
}

TEST(CrashEventFifo, ASignalIsSeenOnceAndNobodyListeningIsNoError) {
  qm::test::IpcNamespace ns;
  const auto path = qm::RuntimeObjectPath(qm::ipc::kCrashEvent, qm::ipc::kFifoExtension);
  ASSERT_TRUE(path);
  EXPECT_FALSE(qm::SignalCrashFifo(path->c_str())); // not there yet
  {
    qm::CrashEventFifo fifo;
    ASSERT_TRUE(fifo.Create(qm::ipc::kCrashEvent));
    EXPECT_EQ(fifo.Path(), *path);
    EXPECT_FALSE(fifo.Consume());
    EXPECT_TRUE(qm::SignalCrashFifo(path->c_str()));
    EXPECT_TRUE(qm::SignalCrashFifo(path->c_str()));
    EXPECT_TRUE(fifo.Consume()); // auto-reset: both bytes are one signal
    EXPECT_FALSE(fifo.Consume());
  }
  EXPECT_FALSE(std::filesystem::exists(*path));
  EXPECT_FALSE(qm::SignalCrashFifo(path->c_str()));
  EXPECT_FALSE(qm::SignalCrashFifo(""));
}

TEST(ChildProcess, AnEventIsReadBeforeTheEndOfTheChild) {
  qm::test::IpcNamespace ns;
  qm::CrashEventFifo fifo;
  ASSERT_TRUE(fifo.Create(qm::ipc::kMemoryCrashEvent));
  // The child signals and ends at once, as a crashing program does.
  const std::string script = Script("qm_signal_and_exit", "printf x > '" + fifo.Path() + "'; exit 3");
  qm::ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.Start(script, &error)) << error;
  usleep(300000);
  const int fds[] = {fifo.ReadFd()};
  auto result = child.WaitAny(fds, 5000);
  ASSERT_EQ(result.wake, qm::ChildProcess::Wake::Event);
  EXPECT_EQ(result.eventIndex, 0);
  EXPECT_TRUE(fifo.Consume());
  result = child.WaitAny(fds, 5000);
  ASSERT_EQ(result.wake, qm::ChildProcess::Wake::Exited);
  EXPECT_TRUE(WIFEXITED(child.Status()));
  EXPECT_EQ(WEXITSTATUS(child.Status()), 3);
  std::filesystem::remove(script);
}

TEST(ChildProcess, TimesOutKillsAndReportsAMissingProgram) {
  const std::string script = Script("qm_sleeper", "exec sleep 30");
  qm::ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.Start(script, &error)) << error;
  EXPECT_EQ(child.WaitAny({}, 100).wake, qm::ChildProcess::Wake::Timeout);
  EXPECT_FALSE(child.WaitExit(50));
  child.Kill();
  EXPECT_TRUE(child.Reaped());
  EXPECT_TRUE(WIFSIGNALED(child.Status()));
  std::filesystem::remove(script);

  qm::ChildProcess missing;
  EXPECT_FALSE(missing.Start("/nonexistent/Vek", &error));
  EXPECT_FALSE(error.empty());
}

TEST(ChildProcess, FindsProgramsBesideUsOnThePathOrAsATestFake) {
  EXPECT_EQ(qm::FindProgram("sh").value_or("").substr(0, 1), "/");
  EXPECT_FALSE(qm::FindProgram("no-such-program-quenmark"));
  setenv("QM_TEST_FAKE_PROGRAM", "/tmp/fake", 1);
  EXPECT_EQ(qm::FindProgram("sh", "QM_TEST_FAKE_PROGRAM").value_or(""), "/tmp/fake");
  unsetenv("QM_TEST_FAKE_PROGRAM");
}

} // namespace
