#include "storage/intelligent_search.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/log.h"
#include "platform/out_of_memory.h"
#include "platform/worker_thread.h"
#include "storage/storage_device_with_cache.h"

CIntelligentSearchController::CIntelligentSearchController() : m_pStatistics(std::make_unique<SearchStatistics>()) {}

CIntelligentSearchController::~CIntelligentSearchController() = default;

void CIntelligentSearchController::AddEntry(IFileSystemSearchController* controller) {
  if (controller != nullptr) m_controllers.push_back(controller);
}

void CIntelligentSearchController::SetDevice(IStorageDevice* device) { m_pDevice = device; }

int CIntelligentSearchController::Start(IIntelligentSearchCallback* callback) {
  m_pCallback = callback;
  std::thread worker;
  try {
    worker = qm::StartWorker([this] { Sweep(); });
  } catch (const std::system_error&) {
    LogError("Intelligent search: cannot create the search thread\n");
    return 0;
  }
  worker.join();
  return 1;
}

void CIntelligentSearchController::Sweep() {
  SearchStatistics& statistics = *m_pStatistics;
  if (m_pDevice == nullptr) {
    m_nDone = 1;
    return;
  }
  CStorageDeviceWithCache cache(m_pDevice);
  std::int32_t sectorSize = cache.GetSectorSize();
  if (sectorSize <= 0 || static_cast<std::uint32_t>(sectorSize) > kBlockBytes) sectorSize = 512;
  const std::uint32_t blockSectors = kBlockBytes / static_cast<std::uint32_t>(sectorSize);
  cache.SetBlockSize(blockSectors);

  for (auto* controller : m_controllers) controller->SetDevice(&cache);
  for (auto* controller : m_controllers) controller->SetSectorsPerBlock(blockSectors);
  for (auto* controller : m_controllers) {
    // An exception must not leave the worker thread (that would end the
    // program); a controller that fails to prepare still sees the blocks
    // and reports what it can.
    try {
      controller->PrepareSearch();
    } catch (const qm::OutOfMemoryException&) {
      throw; // the memory crash, reported by the worker's handler
    } catch (...) {
      LogError("Intelligent search: the %s search controller failed to prepare\n",
               SearchControllerKindName(controller->GetKind()));
    }
  }

  const std::uint64_t total = cache.GetSectorCount();
  const std::uint64_t blocks = total / blockSectors + (total % blockSectors != 0 ? 1 : 0);
  cache.StartCache();
  if (m_pCallback != nullptr) m_pCallback->SetRange(0, blocks);

  for (std::uint64_t i = CStorageDeviceWithCache::ReadDebugConfig() / blockSectors; i < blocks; ++i) {
    if (m_pCallback != nullptr && m_pCallback->IsCancelled()) {
      LogInfo("Intelligent search was cancelled by user!\n");
      break;
    }
    statistics.ResetBlockCounters();
    cache.SetCurCacheBlock(i);
    const std::uint64_t first = i * blockSectors;
    const std::uint64_t count = std::min<std::uint64_t>(blockSectors, total - first);
    try {
      for (auto* controller : m_controllers) {
        const auto begin = std::chrono::steady_clock::now();
        controller->AnalyzeBlock(first, count, &statistics);
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - begin;
        DebugTrace("Call File system %s AnalyzeBlock time = %.3fms\n", SearchControllerKindName(controller->GetKind()),
                   spent.count());
      }
    } catch (const qm::OutOfMemoryException&) {
      throw;
    } catch (...) {
      // The block is lost for this controller and those behind it; the
      // sweep goes on with the next block.
    }
    if (m_pCallback != nullptr) {
      m_pCallback->UpdateStatistics(&statistics);
      m_pCallback->SetPos(i);
      m_pCallback->PumpMessages();
    }
  }

  cache.StopCache();
  for (auto* controller : m_controllers) {
    try {
      controller->EndSearch();
    } catch (const qm::OutOfMemoryException&) {
      throw;
    } catch (...) {
      LogError("Intelligent search: the %s search controller failed to end its search\n",
               SearchControllerKindName(controller->GetKind()));
    }
  }

  LogInfo("---------------------------------\n");
  LogInfo("Intelligent search result summary:\n");
  LogInfo("FATBootRecords = %llu\n", static_cast<unsigned long long>(statistics.FATBootRecords));
  LogInfo("FATFolderParts = %llu\n", static_cast<unsigned long long>(statistics.FATFolderParts));
  LogInfo("FATFolders = %llu\n", static_cast<unsigned long long>(statistics.FATFolders));
  LogInfo("FilesIdentified = %llu\n", static_cast<unsigned long long>(statistics.FilesIdentified));
  LogInfo("NTFSBootRecords = %llu\n", static_cast<unsigned long long>(statistics.NTFSBootRecords));
  LogInfo("NTFSFileRecords = %llu\n", static_cast<unsigned long long>(statistics.NTFSFileRecords));
  LogInfo("TotalFilesFound = %llu\n", static_cast<unsigned long long>(statistics.TotalFilesFound));
  LogInfo("---------------------------------\n");
  m_nDone = 1;
}
