// A device handle that wraps another one and injects faults: unreadable
// byte ranges, "not ready" errors, another sector size, failing or altered
// queries. Lets tests drive the devices' error paths without root and
// without a failing disk. Every handle opened under one plan shares it, so
// a plan survives the reopen of a device.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/device_handle.h"

namespace qm {

struct FaultPlan {
  // Reads that touch a byte of [first, end) fail with EIO.
  void AddFailingBytes(std::uint64_t first, std::uint64_t end) {
    std::lock_guard<std::mutex> guard(lock);
    failingBytes.emplace_back(first, end);
  }
  bool Fails(std::uint64_t first, std::uint64_t end) {
    std::lock_guard<std::mutex> guard(lock);
    for (const auto& [f, e] : failingBytes)
      if (first < e && f < end) return true;
    return false;
  }

  std::mutex lock;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> failingBytes;
  std::atomic<int> notReadyReads{0};        // the next N reads fail with "no medium"
  std::uint32_t sectorSize = 0;              // reported bytes per sector; 0 keeps the inner one
  std::optional<DiskGeometry> geometry;      // reported instead of the inner geometry
  bool geometryFails = false;
  bool lengthFails = false;
  std::optional<std::uint64_t> capacity[2];  // answers of the capacity query per target

  // What happened, for the test to check.
  std::atomic<std::uint64_t> reads{0};
  std::atomic<std::uint64_t> bytesRead{0};
  std::atomic<int> opens{0};
  std::atomic<int> liveHandles{0};
  std::atomic<int> maxLiveHandles{0};
};

class FaultInjectingHandle final : public IDeviceHandle {
public:
  FaultInjectingHandle(std::unique_ptr<IDeviceHandle> inner, std::shared_ptr<FaultPlan> plan);
  ~FaultInjectingHandle() override;

  std::int64_t ReadAt(void* buffer, std::size_t length, std::uint64_t offset, int& error) override;
  bool GetGeometry(DiskGeometry& geometry) override;
  bool GetLength(std::uint64_t& bytes) override;
  bool ReadCapacity(int target, std::uint64_t& blocks) override;

private:
  std::unique_ptr<IDeviceHandle> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

} // namespace qm
