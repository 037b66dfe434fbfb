// What happens when the program dies: a crash report "Zorvdump<N>.dmp"
// beside the program (signal, code, fault address, registers, backtrace,
// memory map), one byte into the launcher's crash-event FIFO, the log
// lines, and then the signal's default action, so that the launcher sees
// the death. Running out of memory (the allocation wrappers' exception) is
// reported as a memory crash when RAW carving is on, which makes the
// launcher start the program again.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ipc_names.h"

namespace qm {

class Prompter;

inline constexpr const char* kCrashEventName = ipc::kCrashEvent;
inline constexpr const char* kMemoryCrashEventName = ipc::kMemoryCrashEvent;
inline constexpr char kCrashEventByte = 'C';
inline constexpr char kMemoryCrashEventByte = 'M';

struct CrashHandlerConfig {
    std::string dumpFolder;       // where the reports go
    std::string crashFifo;        // the launcher's FIFO of the crash event ("" none)
    std::string memoryCrashFifo;  // the launcher's FIFO of the memory-crash event ("" none)
};

// The program data folder and the FIFOs in the runtime folder.
CrashHandlerConfig DefaultCrashHandlerConfig();

// Installs the handlers for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT
// (on an alternate stack, installed for the calling thread), a terminate
// handler that reports an escaped out-of-memory exception, and the handler
// of workers started through StartWorker: their out-of-memory is reported
// on the window thread, with its message, while the worker waits (without
// the message when the window thread does not take it within 5 s).
// Everything the signal path needs is prepared here, so that it only makes
// async-signal-safe calls. Installing again replaces the configuration.
void InstallExceptionFilter(const CrashHandlerConfig& config);

// The prompter the out-of-memory path shows its message with (null: the
// production message box).
void SetCrashPrompter(Prompter* prompter);

// The out-of-memory crash: message 61240 (RAW carving on, memory-crash
// event) or 307 (crash event), the log lines, the event, the report, then
// the process dies of SIGABRT. Called where the exception is caught.
[[noreturn]] void HandleOutOfMemoryCrash();

// The number the next report gets (starts at 0 in every process).
unsigned NextDumpNumber();

}  // namespace qm
