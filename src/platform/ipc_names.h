// The names that the windowed program, its launcher and its restarter meet
// by. Each becomes a file in the runtime folder (runtime_names.h) or a
// shared-memory object; QUENMARK_IPC_NS is appended to every one of them.
#pragma once

namespace qm::ipc {

// Held by the launcher for its whole life; the restarter waits for it.
inline constexpr char kProductLock[] = "Quenmark_Mutex_610044_Varnholm";
// Held by the windowed program for its whole life (one copy at a time).
inline constexpr char kVekInstanceLock[] = "Quenmark0_Mutex_610044_Varnholm";
// Held by the launcher; the windowed program probes it to learn that its
// log lines go to the shared block (log type 1).
inline constexpr char kLoaderLock[] = "Vek_Loader_{E1AB3D3B-FEBF-4281-BD7E-5655BE739E67}";

// Crash events: FIFOs "<name>.fifo" that the launcher prepares before it
// starts the windowed program, whose crash handler writes one byte.
inline constexpr char kCrashEvent[] = "Vek_Crash_{FC1A0E29-3523-4152-B110-3340363E5DB7}";
inline constexpr char kMemoryCrashEvent[] = "Vek_Memory_Crash_{c3d61a40-a3e6-402b-b373-fd90d30893c8}";
inline constexpr char kFifoExtension[] = ".fifo";
inline constexpr char kLockExtension[] = ".lock";

// The shared log block and the block of its process-shared mutex.
inline constexpr char kLogBlock[] = "Bryndle_{1E956C11-4D20-49d7-B4C7-016A342A2D39}";
inline constexpr char kLogMutex[] = "BryndleLOG_{1BFCF65F-0766-4a71-B7A3-2EB2CD1412DE}";

// Program names, looked up beside the running program first, then on PATH.
inline constexpr char kLauncherProgram[] = "Main";
inline constexpr char kVekProgram[] = "Vek";
inline constexpr char kReporterProgram[] = "ZorvReport";
// Started with no argument after a crash; with this one the reporter only
// tells a person who started the product a second time that it runs.
inline constexpr char kReporterAlreadyRunningArgument[] = "--already-running";
// Started by the windowed program after a change of language.
inline constexpr char kRestarterProgram[] = "Rewaker";

// Test builds only: a fake program in place of each of them (ignored when
// the program runs set-user-id).
inline constexpr char kTestVekEnv[] = "QUENMARK_TEST_VEK";
inline constexpr char kTestReporterEnv[] = "QUENMARK_TEST_REPORTER";
inline constexpr char kTestLauncherEnv[] = "QUENMARK_TEST_MAIN";
// Test builds only: the folder of the launcher's "Quenmark.log".
inline constexpr char kTestLogFolderEnv[] = "QUENMARK_TEST_LOG_DIR";

} // namespace qm::ipc
