// Threads the program starts for its long work (scans, tree builds, saves,
// device lists, read-ahead, thumbnails). Each one gets an alternate signal
// stack, so that the crash report still runs on it, and the out-of-memory
// exception that ends its body goes to the handler the windowed program
// installs: a worker cannot show the message itself, the window thread
// does. Without a handler the exception leaves the thread and the terminate
// handler reports it.
#pragma once

#include <functional>
#include <thread>

namespace qm {

// Called on the worker that ran out of memory; it does not return (the
// process ends).
using WorkerOutOfMemoryHandler = void (*)();

// Installs the handler (null removes it).
void SetWorkerOutOfMemoryHandler(WorkerOutOfMemoryHandler handler);

// Runs body on the calling thread as a worker's body: the alternate signal
// stack first, then body, with an out-of-memory exception handed to the
// installed handler.
void RunWorkerBody(const std::function<void()>& body);

// A new thread that runs body through RunWorkerBody. Throws std::system_error
// when the thread cannot be started, as std::thread does.
std::thread StartWorker(std::function<void()> body);

} // namespace qm
