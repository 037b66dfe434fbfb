// An alternate signal stack for the calling thread, so that the crash
// handler still runs when a thread dies of a stack overflow. Every thread
// the program starts calls EnsureAltSignalStack first; the stack is freed
// when the thread ends.
#pragma once

namespace qm {

// Installs a stack for this thread unless it has one of sufficient size
// already. Returns false when no stack could be set.
bool EnsureAltSignalStack();

}  // namespace qm
