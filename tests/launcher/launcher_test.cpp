// The launcher and the restarter as real processes, with a scripted stand-in
// for the windowed program and a shell script for the error reporter (or
// one that runs the real reporter and keeps what it would show).
#include "platform/child_process.h"
#include "platform/ipc_names.h"
#include "platform/ipc_namespace.h" // tests/platform
#include "platform/runtime_names.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

class Launcher : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("qm_launcher_" + std::to_string(getpid()) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    reporter_ = (dir_ / "reporter.sh").string();
    const std::string reported = (dir_ / "reported").string();
    std::ofstream(reporter_) << "#!/bin/sh\necho \"started $*\" > '" << reported << ".part'\nmv '" << reported
                             << ".part' '" << reported << "'\n";
    chmod(reporter_.c_str(), 0700);
    setenv(qm::ipc::kTestVekEnv, QM_FAKE_VEK_PATH, 1);
    setenv(qm::ipc::kTestReporterEnv, reporter_.c_str(), 1);
    setenv(qm::ipc::kTestLogFolderEnv, dir_.c_str(), 1);
    setenv("FAKE_VEK_STATE", (dir_ / "runs").c_str(), 1);
    unsetenv("FAKE_VEK_LOG");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    hadConfigHome_ = configHome != nullptr;
    if (configHome != nullptr) configHome_ = configHome;
    // The machine's own language setting never reaches the programs.
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  }
  void TearDown() override {
    for (const char* name : {qm::ipc::kTestVekEnv, qm::ipc::kTestReporterEnv, qm::ipc::kTestLogFolderEnv,
                             qm::ipc::kTestLauncherEnv, "FAKE_VEK_STATE", "FAKE_VEK_SCRIPT"})
      unsetenv(name);
    if (hadConfigHome_)
      setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir_);
  }

  // Runs the launcher over the script to its end; its exit code.
  int RunMain(const std::string& script, int timeoutMs = 30000) {
    setenv("FAKE_VEK_SCRIPT", script.c_str(), 1);
    qm::ChildProcess main;
    std::string error;
    EXPECT_TRUE(main.Start(QM_MAIN_PATH, &error)) << error;
    if (!main.WaitExit(timeoutMs)) {
      main.Kill();
      ADD_FAILURE() << "the launcher did not end";
      return -1;
    }
    return WIFEXITED(main.Status()) ? WEXITSTATUS(main.Status()) : 128 + WTERMSIG(main.Status());
  }
  // Runs the launcher to its end with its output caught; (exit code, output).
  std::pair<int, std::string> RunMainCaught() {
    FILE* pipe = popen(("'" + std::string(QM_MAIN_PATH) + "' 2>&1").c_str(), "r");
    if (pipe == nullptr) return {-1, ""};
    std::string output;
    char buffer[256];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
      output.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
  }
  // The real reporter in place of the fake one, on the offscreen platform and
  // without waiting for a click; what it would show goes to "shown".
  void UseRealReporter() {
    const std::string path = (dir_ / "zorv.sh").string();
    const std::string shown = (dir_ / "shown").string();
    std::ofstream(path) << "#!/bin/sh\nexport QT_QPA_PLATFORM=offscreen QUENMARK_NONINTERACTIVE=1\n"
                        << "export LSAN_OPTIONS=suppressions='" << std::getenv("QM_SOURCE_DIR")
                        << "/tests/support_ui/lsan.supp'\n'" << QM_REPORTER_PATH << "' \"$@\" > '" << shown
                        << ".part' 2>&1\nmv '" << shown << ".part' '" << shown << "'\n";
    chmod(path.c_str(), 0700);
    setenv(qm::ipc::kTestReporterEnv, path.c_str(), 1);
  }
  // What the real reporter showed, once it has ended (empty after 20 s).
  std::string Shown() const {
    for (int i = 0; i < 1000 && !fs::exists(dir_ / "shown"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return ReadAll(dir_ / "shown");
  }
  // The product's language setting, and the windowed program's translations
  // beside the stand-in where the launcher looks for them.
  void UseLanguage(const char* name) {
    fs::create_directories(dir_ / "config" / "Quenmark");
    std::ofstream(dir_ / "config" / "Quenmark" / "Recovery.ini") << "[Language]\nLanguage=" << name << "\n";
    fs::create_symlink(QM_FAKE_VEK_PATH, dir_ / "Vek");
    fs::create_directory_symlink(fs::path(std::getenv("QM_BINARY_DIR")) / "src/app/translations",
                                 dir_ / "translations");
    setenv(qm::ipc::kTestVekEnv, (dir_ / "Vek").c_str(), 1);
  }
  std::string Log() const { return ReadAll(dir_ / "Quenmark.log"); }
  bool Reported() const { return fs::exists(dir_ / "reported"); }
  // The reporter is not waited for: give it a moment to leave its mark.
  bool ReportedSoon() const {
    for (int i = 0; i < 100 && !Reported(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return Reported();
  }

  qm::test::IpcNamespace ns_;
  fs::path dir_;
  std::string reporter_;
  bool hadConfigHome_ = false;
  std::string configHome_;
};

TEST_F(Launcher, ANormalEndDrainsTheLogAndEndsWith0) {
  EXPECT_EQ(RunMain("checkfds,lock,log:hello from vek,sleep:100,log:last words,exit:0"), 0);
  const std::string log = Log();
  EXPECT_NE(log.find("____---Start Quenmark."), std::string::npos) << log;
  EXPECT_NE(log.find("INFO  hello from vek"), std::string::npos) << log;
  EXPECT_NE(log.find("INFO  last words"), std::string::npos) << log;
  // No descriptor of the launcher (lifetime locks, FIFOs) reaches the child.
  EXPECT_EQ(log.find("LEAK"), std::string::npos) << log;
  EXPECT_FALSE(ReportedSoon());
  // The product lock is gone with the launcher.
  EXPECT_FALSE(qm::IsLifetimeLockHeld(qm::ipc::kProductLock));
}

TEST_F(Launcher, AMemoryCrashRestartsAfterTheOldProgramHasGoneAndKeepsTheLog) {
  // The crashed copy lingers a second with its lock held, as one writing its
  // report does; the new copy must not meet it.
  EXPECT_EQ(RunMain("lock,log:first run,memcrash,sleep:1000,exit:0|lock,log:second run,exit:0"), 0);
  const std::string log = Log();
  EXPECT_EQ(Occurrences(log, "____---Start Quenmark."), 2u) << log;
  const size_t first = log.find("first run");
  const size_t second = log.find("second run");
  ASSERT_NE(first, std::string::npos) << log;
  ASSERT_NE(second, std::string::npos) << log;
  EXPECT_LT(first, second);
  EXPECT_EQ(log.find("second instance"), std::string::npos) << log;
  EXPECT_FALSE(ReportedSoon());
}

TEST_F(Launcher, ACrashRightAfterARestartIsIgnoredOnceAndASecondIsReported) {
  EXPECT_EQ(RunMain("memcrash,exit:0|crash,sleep:300,exit:0"), 0);
  EXPECT_NE(Log().find("ignored"), std::string::npos) << Log();
  EXPECT_FALSE(ReportedSoon());

  fs::remove(dir_ / "runs");
  EXPECT_EQ(RunMain("memcrash,exit:0|crash,sleep:300,crash,sleep:300,exit:1"), 0);
  EXPECT_TRUE(ReportedSoon()) << Log();
}

TEST_F(Launcher, CrashesAreReportedAlsoWhenTheProgramIsAlreadyGone) {
  const struct {
    const char* script;
    const char* logged;
  } cases[] = {
      {"crash,exit:0", "____---Pos = "},                // a byte, then the end at once
      {"log:x,sleep:200,crash,sleep:10000", "Pos = 1"}, // still running when signalled
      {"kill", "without a crash event"},                // killed without a word
  };
  for (const auto& c : cases) {
    fs::remove(dir_ / "runs");
    fs::remove(dir_ / "reported");
    EXPECT_EQ(RunMain(c.script), 0) << c.script;
    EXPECT_TRUE(ReportedSoon()) << c.script << "\n" << Log();
    EXPECT_NE(Log().find(c.logged), std::string::npos) << c.script << "\n" << Log();
  }
}

TEST_F(Launcher, ASecondLauncherEndsWith1AndSaysSoInAWindowToo) {
  setenv("FAKE_VEK_SCRIPT", "sleep:3000,exit:0", 1);
  qm::ChildProcess first;
  std::string error;
  ASSERT_TRUE(first.Start(QM_MAIN_PATH, &error)) << error;
  for (int i = 0; i < 250 && !qm::IsLifetimeLockHeld(qm::ipc::kProductLock); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(qm::IsLifetimeLockHeld(qm::ipc::kProductLock));
  const auto [code, output] = RunMainCaught();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(output, "Quenmark has been running!\n");
  ASSERT_TRUE(ReportedSoon());
  EXPECT_EQ(ReadAll(dir_ / "reported"), "started --already-running\n");
  ASSERT_TRUE(first.WaitExit(20000));
  EXPECT_EQ(WEXITSTATUS(first.Status()), 0);
}

TEST_F(Launcher, ASecondStartSpeaksTheProductsLanguage) {
  UseLanguage("Deutsch");
  UseRealReporter();
  qm::LifetimeLock product;
  ASSERT_EQ(product.Acquire(qm::ipc::kProductLock), qm::LifetimeLock::Result::Acquired);
  const auto [code, output] = RunMainCaught();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(output, "Quenmark wird bereits ausgeführt!\n");
  EXPECT_NE(Shown().find("Quenmark wird bereits ausgeführt!"), std::string::npos) << Shown();
}

TEST_F(Launcher, ACrashShowsTheReporterWithTheReportAndTheLogOfThisRun) {
  UseRealReporter();
  std::ofstream(dir_ / "Zorvdump0.dmp") << "Signal: 11 (SIGSEGV)\n";
  EXPECT_EQ(RunMain("log:before the crash,crash,exit:0"), 0);
  const std::string shown = Shown();
  EXPECT_NE(shown.find("Quenmark stopped unexpectedly."), std::string::npos) << shown;
  EXPECT_NE(shown.find("Crash report: " + (dir_ / "Zorvdump0.dmp").string()), std::string::npos) << shown;
  EXPECT_NE(shown.find("Log: " + (dir_ / "Quenmark.log").string()), std::string::npos) << shown;
  EXPECT_NE(Log().find("before the crash"), std::string::npos) << Log();
}

TEST_F(Launcher, AMissingProgramGivesANonZeroEndAndALogLine) {
  setenv(qm::ipc::kTestVekEnv, (dir_ / "no-such-vek").c_str(), 1);
  EXPECT_EQ(RunMain(""), 2);
  EXPECT_NE(Log().find("____---Failed to start"), std::string::npos) << Log();
  EXPECT_FALSE(ReportedSoon());
}

class Restarter : public Launcher {
protected:
  // A fake launcher that notes when it was started.
  std::string FakeMain() {
    const std::string path = (dir_ / "main.sh").string();
    std::ofstream(path) << "#!/bin/sh\necho started > '" << (dir_ / "main-started").string() << "'\n";
    chmod(path.c_str(), 0700);
    return path;
  }
};

TEST_F(Restarter, StartsTheLauncherSoonAfterTheProductLockIsReleased) {
  setenv(qm::ipc::kTestLauncherEnv, FakeMain().c_str(), 1);
  auto product = std::make_unique<qm::LifetimeLock>();
  ASSERT_EQ(product->Acquire(qm::ipc::kProductLock), qm::LifetimeLock::Result::Acquired);
  // The program's own lock does not hold the restarter back.
  qm::LifetimeLock own;
  ASSERT_EQ(own.Acquire(qm::ipc::kVekInstanceLock), qm::LifetimeLock::Result::Acquired);
  qm::ChildProcess rewaker;
  std::string error;
  ASSERT_TRUE(rewaker.Start(QM_REWAKER_PATH, &error)) << error;
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(fs::exists(dir_ / "main-started"));
  EXPECT_FALSE(rewaker.WaitExit(0));

  const auto released = std::chrono::steady_clock::now();
  product.reset();
  ASSERT_TRUE(rewaker.WaitExit(5000));
  EXPECT_EQ(WEXITSTATUS(rewaker.Status()), 0);
  for (int i = 0; i < 100 && !fs::exists(dir_ / "main-started"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(fs::exists(dir_ / "main-started"));
  EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(2500));
}

TEST_F(Restarter, RestartsTheWholeProductAfterALanguageChange) {
  // The first product's program starts the restarter and ends, as the
  // wizard does after a change of language; the restarter starts the
  // launcher again once the first one has gone.
  setenv(qm::ipc::kTestLauncherEnv, QM_MAIN_PATH, 1);
  setenv("FAKE_VEK_SCRIPT", "log:first product,sleep:500,exit:0|log:second product,exit:0", 1);
  qm::ChildProcess first;
  std::string error;
  ASSERT_TRUE(first.Start(QM_MAIN_PATH, &error)) << error;
  for (int i = 0; i < 250 && !qm::IsLifetimeLockHeld(qm::ipc::kProductLock); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  qm::ChildProcess rewaker;
  ASSERT_TRUE(rewaker.Start(QM_REWAKER_PATH, &error)) << error;
  ASSERT_TRUE(first.WaitExit(20000));
  ASSERT_TRUE(rewaker.WaitExit(5000));
  EXPECT_EQ(WEXITSTATUS(rewaker.Status()), 0);
  // The second launcher (not our child) empties the log at its start and
  // holds the product lock until its program ends.
  std::string log;
  for (int i = 0; i < 500; ++i) {
    log = Log();
    if (log.find("second product") != std::string::npos && !qm::IsLifetimeLockHeld(qm::ipc::kProductLock))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(log.find("second product"), std::string::npos) << log;
  EXPECT_EQ(log.find("first product"), std::string::npos) << log;
  EXPECT_FALSE(qm::IsLifetimeLockHeld(qm::ipc::kProductLock));
}

TEST_F(Restarter, BacksOffWhenTheLauncherIsMissing) {
  setenv(qm::ipc::kTestLauncherEnv, (dir_ / "no-such-main").c_str(), 1);
  qm::ChildProcess rewaker;
  std::string error;
  ASSERT_TRUE(rewaker.Start(QM_REWAKER_PATH, &error)) << error;
  // Tried about once a second, never spinning, and still trying.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  // Its processor time (user + system ticks) stays far below the wall time.
  std::string stat = ReadAll("/proc/" + std::to_string(rewaker.Pid()) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i >= 14) ticks += std::stol(field);
  EXPECT_LT(ticks, sysconf(_SC_CLK_TCK) / 2) << stat;
  EXPECT_FALSE(rewaker.WaitExit(0));
  rewaker.Kill();
}

} // namespace
