#include "storage/partition_searcher.h"

#include <exception>
#include <system_error>
#include <thread>

#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/out_of_memory.h"
#include "platform/worker_thread.h"
#include "storage/storage_device.h"

namespace qm {

bool CylinderPositions::Covers(std::uint64_t sector) const {
  const std::uint64_t offset = sector % cylinder_;
  if (offset != 0 && offset != kSearchSectorsPerTrack) return false;
  if (sector / cylinder_ >= count_) return false;
  // The searcher skips a 240-head cylinder that starts a 255-head one.
  return kind_ != 1 || (sector - offset) % (255 * kSearchSectorsPerTrack) != 0;
}

std::uint64_t AlignmentSectors(std::uint32_t sectorSize) {
  if (sectorSize == 0 || sectorSize >= kAlignmentBytes) return 1;
  return kAlignmentBytes / sectorSize;
}

} // namespace qm

CPartitionSearcher::CPartitionSearcher() : m_pFind(std::make_unique<LostPartitionRecord>()) {}

CPartitionSearcher::~CPartitionSearcher() = default;

void CPartitionSearcher::AddController(IPartitionFileSystemSearchController* controller) {
  if (controller != nullptr) m_controllers.push_back(controller);
}

void CPartitionSearcher::SetDevice(IStorageDevice* device) {
  m_pDevice = device;
  m_u64TotalSectors = 0;
  m_buffer.clear();
  if (device == nullptr) return;
  const std::int32_t sectorSize = device->GetSectorSize();
  m_buffer.assign(sectorSize > 0 ? static_cast<std::size_t>(sectorSize) : 512, 0);
  m_u64TotalSectors = device->GetSectorCount();
}

void CPartitionSearcher::BuildAlgorithms(int heads) {
  auto by255 = std::make_unique<CPartitionSearchAccordingTo255Head>(m_u64TotalSectors);
  m_cylinderPasses.push_back(by255.get());
  m_algorithms.push_back(std::move(by255));
  if (heads == 240) {
    auto by240 = std::make_unique<CPartitionSearchAccordingTo240Head>(m_u64TotalSectors);
    m_cylinderPasses.push_back(by240.get());
    m_algorithms.push_back(std::move(by240));
  }
  m_algorithms.push_back(std::make_unique<CPartitionSearchAlignedTo1MiB>(
      m_u64TotalSectors, static_cast<std::uint32_t>(m_buffer.size())));
}

bool CPartitionSearcher::ProbedByCylinderPass(std::uint64_t sector) const {
  for (const qm::CylinderPositions* pass : m_cylinderPasses)
    if (pass->Covers(sector)) return true;
  return false;
}

void CPartitionSearcher::Start(IPartitionSearchCallback* callback) {
  m_pCallback = callback;
  if (callback == nullptr || m_pDevice == nullptr) return;
  m_nDone = 0;
  std::thread worker;
  try {
    worker = qm::StartWorker([this] {
      try {
        Run();
      } catch (const qm::OutOfMemoryException&) {
        throw; // the memory crash, reported by the worker's handler
      } catch (const std::exception& error) {
        // A checker that throws must not leave the caller pumping forever.
        LogError("Lost-partition search stopped: %s", error.what());
      }
      m_nDone = 1;
    });
  } catch (const std::system_error& error) {
    LogError("Lost-partition search: no worker thread (%s)", error.what());
    return;
  }
  qm::WaitPumping([this] { return m_nDone.load() != 0; });
  worker.join();
}

void CPartitionSearcher::Probe(std::uint64_t sector) {
  if (sector >= m_u64TotalSectors) return;
  if (!m_pDevice->ReadSectors(m_buffer.data(), sector, 1)) return;
  for (IPartitionFileSystemSearchController* controller : m_controllers) {
    if (controller->CheckSector(m_buffer.data(), sector, m_pFind.get()) != 0) {
      m_pCallback->OnPartitionFound(m_pFind.get());
      return;
    }
  }
}

void CPartitionSearcher::Run() {
  for (IPartitionFileSystemSearchController* controller : m_controllers) controller->SetDevice(m_pDevice);
  for (IPartitionFileSystemSearchController* controller : m_controllers) controller->BeginSearch();

  std::uint64_t positions = 0;
  for (const auto& algorithm : m_algorithms) positions += algorithm->GetCount();
  m_pCallback->SetRange(0, positions);
  m_pCallback->SetStep(1);

  for (const auto& algorithm : m_algorithms) {
    const std::uint64_t count = algorithm->GetCount();
    for (std::uint64_t k = 0; k < count; ++k) {
      if (m_pCallback->IsCancelled() != 0) {
        m_nDone = 1;
        return;
      }
      m_pCallback->Step();
      m_pCallback->PumpMessages();
      const std::uint64_t position = algorithm->Next();
      const int kind = algorithm->GetKind();
      // A 240-head cylinder start that is also a 255-head one was probed
      // by the first pass.
      if (kind == 1 && position % (255 * qm::kSearchSectorsPerTrack) == 0) continue;
      if (kind == qm::kAlignedPositionsKind) {
        // One volume must not be reported twice from one start.
        if (!ProbedByCylinderPass(position)) Probe(position);
        continue;
      }
      Probe(position);
      m_pCallback->PumpMessages();
      Probe(position + qm::kSearchSectorsPerTrack);
    }
  }
  for (IPartitionFileSystemSearchController* controller : m_controllers) controller->EndSearch();
  m_nDone = 1;
}
