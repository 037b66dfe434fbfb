// The complete-recovery sweep: every deep-scan controller sees every block
// of the device, read once through the read-ahead cache, on a worker
// thread of its own. The found partitions are weighed and ranked by
// CIntelligentSearchScore (intelligent_search_score.h).
//
// The controllers' interface is a dependency-free header of the NTFS
// folder (declarations of the standard library only), so this library uses
// it without linking anything above itself.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "ntfs/search_controller.h"
#include "storage/partition_search_callbacks.h"
#include "storage/search_statistics.h"

class IStorageDevice;

class IContainerofFileSystemSearchController {
public:
  virtual ~IContainerofFileSystemSearchController() = default;
  virtual void AddEntry(IFileSystemSearchController* controller) = 0;
};

class CIntelligentSearchController : public IContainerofFileSystemSearchController {
public:
  // One block of the sweep, whatever the sector size.
  static constexpr std::uint32_t kBlockBytes = 0x400000;

  CIntelligentSearchController();
  ~CIntelligentSearchController() override;
  CIntelligentSearchController(const CIntelligentSearchController&) = delete;
  CIntelligentSearchController& operator=(const CIntelligentSearchController&) = delete;

  // Appends a controller (not owned), driven in the order added.
  void AddEntry(IFileSystemSearchController* controller) override;
  // The device to sweep (not owned).
  void SetDevice(IStorageDevice* device);
  // Sweeps the device on a worker thread and waits for it. The callback
  // (may be null) is called from the worker. 0 when the thread cannot be
  // made (nothing is searched), else 1.
  int Start(IIntelligentSearchCallback* callback);

  const SearchStatistics& GetStatistics() const { return *m_pStatistics; }
  // 1 once the sweep has ended (readable from any thread).
  int IsDone() const { return m_nDone.load(); }

private:
  void Sweep();

  std::vector<IFileSystemSearchController*> m_controllers;
  IStorageDevice* m_pDevice = nullptr;
  std::unique_ptr<SearchStatistics> m_pStatistics;
  IIntelligentSearchCallback* m_pCallback = nullptr;
  std::atomic<int> m_nDone{0};
};
