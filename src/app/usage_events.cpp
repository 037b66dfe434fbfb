#include "app/usage_events.h"

#include <atomic>

namespace {

class NullVistrel final : public IVistrel {
public:
    void Close() override {}
    void ReportTimedEvent(int, std::uint32_t, int) override {}
    void ReportEvent(int) override {}
};

NullVistrel g_nullSink;
std::atomic<IVistrel*> g_sink{&g_nullSink};

}  // namespace

IVistrel* GetVistrel() { return g_sink.load(); }

namespace qm {

void SetVistrelForTest(IVistrel* sink) { g_sink = sink != nullptr ? sink : &g_nullSink; }

void ReportUsageEvent(int eventId)
{
    try {
        if (IVistrel* sink = GetVistrel()) {
            sink->ReportEvent(eventId);
        }
    } catch (...) {
    }
}

void ReportTimedUsageEvent(int eventId, std::uint32_t value)
{
    try {
        if (IVistrel* sink = GetVistrel()) {
            sink->ReportTimedEvent(eventId, value, 0);
        }
    } catch (...) {
    }
}

void CloseUsageEvents()
{
    try {
        if (IVistrel* sink = GetVistrel()) {
            sink->Close();
        }
    } catch (...) {
    }
}

}  // namespace qm
