// Numbered usage events. The program reports them to a sink that drops
// every one: nothing ever leaves the machine. The interface stays so that
// callers keep their event ids in one place and tests can watch them.
#pragma once

#include <cstdint>

class IVistrel {
public:
    virtual ~IVistrel() = default;
    virtual void Close() = 0;
    // A duration in milliseconds or a count; the third value is always 0.
    virtual void ReportTimedEvent(int eventId, std::uint32_t value, int reserved) = 0;
    virtual void ReportEvent(int eventId) = 0;
};

// The process's sink (the null sink unless a test put another in place).
IVistrel* GetVistrel();

namespace qm {

// Replaces the process's sink; null puts the null sink back (tests).
void SetVistrelForTest(IVistrel* sink);

// Report an event through the sink, ignoring anything it throws.
void ReportUsageEvent(int eventId);
void ReportTimedUsageEvent(int eventId, std::uint32_t value);
void CloseUsageEvents();

}  // namespace qm
