// Threads that wait for a worker keep the user interface alive by handing
// it one pending event at a time. The core has no event loop of its own:
// the user interface installs its pump at start-up; until then pumping does
// nothing.
#pragma once

#include <functional>

namespace qm {

// Installs the function that dispatches at most one pending event; an
// empty function removes it.
void SetMessagePump(std::function<void()> pumpOne);

// Dispatches at most one pending event, if a pump is installed.
void PumpOneMessage();

// Sleeps 10 ms at a time and pumps one message between sleeps until done()
// is true.
void WaitPumping(const std::function<bool()>& done);

} // namespace qm
