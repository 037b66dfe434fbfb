// The launcher: holds the product's lifetime lock, starts the windowed
// program, collects its log from the shared block into "Quenmark.log" and
// watches it: after a memory crash it starts it again, after any other
// crash it starts the error reporter and ends, after a normal end it ends.
#pragma once

namespace qm {

enum class WatchdogResult {
  Started,    // the last program started (the windowed one, or the reporter)
  VekMissing, // the windowed program could not be started
};

// One watch over the windowed program, restarts included.
WatchdogResult RunWatchdog();

// The launcher's whole run. 0 after a normal run, 1 when another launcher
// runs, 2 when the windowed program could not be started.
int LauncherMain();

} // namespace qm
