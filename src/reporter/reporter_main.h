// The error reporter's run. Without arguments (as the launcher starts it
// after a crash) it shows the crash report and the log; with
// "--already-running" it shows the notice for a second start. Where there
// is no display, or with QUENMARK_NONINTERACTIVE=1, it writes what the
// window would say to the terminal instead and ends.
#pragma once

namespace qm {

int ZorvReportMain(int argc, char** argv);

} // namespace qm
