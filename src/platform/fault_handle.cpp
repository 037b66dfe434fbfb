#include "platform/fault_handle.h"

#include <errno.h>

#include <algorithm>

namespace qm {

FaultInjectingHandle::FaultInjectingHandle(std::unique_ptr<IDeviceHandle> inner, std::shared_ptr<FaultPlan> plan)
    : inner_(std::move(inner)), plan_(std::move(plan)) {
  ++plan_->opens;
  const int live = ++plan_->liveHandles;
  int seen = plan_->maxLiveHandles.load();
  while (live > seen && !plan_->maxLiveHandles.compare_exchange_weak(seen, live)) {
  }
}

FaultInjectingHandle::~FaultInjectingHandle() { --plan_->liveHandles; }

std::int64_t FaultInjectingHandle::ReadAt(void* buffer, std::size_t length, std::uint64_t offset, int& error) {
  ++plan_->reads;
  error = 0;
  int pending = plan_->notReadyReads.load();
  while (pending > 0 && !plan_->notReadyReads.compare_exchange_weak(pending, pending - 1)) {
  }
  if (pending > 0) {
    error = ENOMEDIUM;
    return -1;
  }
  if (plan_->Fails(offset, offset + length)) {
    error = EIO;
    return -1;
  }
  const std::int64_t n = inner_->ReadAt(buffer, length, offset, error);
  if (n > 0) plan_->bytesRead += static_cast<std::uint64_t>(n);
  return n;
}

bool FaultInjectingHandle::GetGeometry(DiskGeometry& geometry) {
  if (plan_->geometryFails) return false;
  if (plan_->geometry) {
    geometry = *plan_->geometry;
    return true;
  }
  if (!inner_->GetGeometry(geometry)) return false;
  if (plan_->sectorSize != 0) {
    std::uint64_t bytes = 0;
    if (!inner_->GetLength(bytes)) return false;
    geometry = SyntheticGeometry(bytes, plan_->sectorSize, geometry.mediaType);
  }
  return true;
}

bool FaultInjectingHandle::GetLength(std::uint64_t& bytes) {
  if (plan_->lengthFails) return false;
  return inner_->GetLength(bytes);
}

bool FaultInjectingHandle::ReadCapacity(int target, std::uint64_t& blocks) {
  if (target < 0 || target > 1 || !plan_->capacity[target]) return false;
  blocks = *plan_->capacity[target];
  return true;
}

} // namespace qm
