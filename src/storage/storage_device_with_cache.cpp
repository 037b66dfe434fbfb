#include "storage/storage_device_with_cache.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/folders.h"
#include "platform/ini_file.h"
#include "platform/log.h"
#include "platform/worker_thread.h"

CStorageDeviceWithCache::CStorageDeviceWithCache(IStorageDevice* parent) : m_pParent(parent) {
  if (parent == nullptr) LogError("----------Tmx:read-ahead cache made without a device");
}

CStorageDeviceWithCache::~CStorageDeviceWithCache() { StopCache(); }

std::uint64_t CStorageDeviceWithCache::GetSectorCount() {
  return m_pParent != nullptr ? m_pParent->GetSectorCount() : 0;
}

std::int32_t CStorageDeviceWithCache::GetSectorSize() {
  return m_pParent != nullptr ? m_pParent->GetSectorSize() : 512;
}

int CStorageDeviceWithCache::Open() {
  if (m_pParent != nullptr) return 1;
  LogError("----------Tmx:read-ahead cache has no device");
  return 0;
}

int CStorageDeviceWithCache::Close() { return Open(); }

std::size_t CStorageDeviceWithCache::BlockBytes() const {
  const std::int32_t size = m_pParent != nullptr ? m_pParent->GetSectorSize() : 512;
  return static_cast<std::size_t>(m_nBlockSize) * static_cast<std::size_t>(size > 0 ? size : 512);
}

void CStorageDeviceWithCache::ReleaseBuffers() {
  m_current = Block{};
  m_past.clear();
  m_free.clear();
  m_buffers.clear();
}

int CStorageDeviceWithCache::SetBlockSize(std::uint32_t sectors) {
  if (m_thread.joinable()) return 0;
  ReleaseBuffers();
  m_nBlockSize = sectors;
  m_nCurBlock = kNoBlock;
  return 1;
}

int CStorageDeviceWithCache::IsValidBlock(std::uint64_t index) {
  if (m_nBlockSize == 0) return 0;
  const std::uint64_t count = GetSectorCount();
  const std::uint64_t blocks = count / m_nBlockSize + (count % m_nBlockSize != 0 ? 1 : 0);
  return index < blocks ? 1 : 0;
}

std::uint64_t CStorageDeviceWithCache::ReadDebugConfig() {
  const auto value = qm::ReadIniValue(qm::GetConfigFolder() / "config.ini", "main", "pos");
  if (!value || value->empty() || value->size() > 127) return 0;
  errno = 0;
  char* end = nullptr;
  const long long pos = std::strtoll(value->c_str(), &end, 10);
  if (errno != 0 || end == value->c_str() || pos < 0) return 0;
  return static_cast<std::uint64_t>(pos);
}

std::uint8_t* CStorageDeviceWithCache::MakeBuffer() {
  m_buffers.emplace_back(BlockBytes());
  return m_buffers.back().get();
}

std::uint8_t* CStorageDeviceWithCache::TakeFreeBuffer() {
  if (m_free.empty()) return MakeBuffer();
  std::uint8_t* buffer = m_free.back();
  m_free.pop_back();
  return buffer;
}

void CStorageDeviceWithCache::StartCache() {
  if (m_pParent == nullptr || m_nBlockSize == 0 || m_thread.joinable()) return;
  // The start is rounded down to a block boundary, so that the queued
  // blocks lie on the grid the search asks for.
  const std::uint64_t start = ReadDebugConfig();
  m_nNextBlock = start / m_nBlockSize;
  m_nNextSector = m_nNextBlock * m_nBlockSize;
  m_nSectorCount = m_pParent->GetSectorCount();
  {
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_bRunning = true;
    m_bThreadDone = false;
    // Buffers for the whole queue up front (the queue, the block being
    // read and the current block): nothing is allocated while the search
    // runs.
    while (m_buffers.size() < m_nCapacity + 3 + m_nKeep) m_free.push_back(MakeBuffer());
  }
  m_thread = qm::StartWorker([this] { CacheThread(); });
}

void CStorageDeviceWithCache::ZeroUnread(Block& block) const {
  // A reused buffer must not show an older block's bytes: past the end of
  // a short last block, or where a failed read left them.
  const std::size_t sectorSize = BlockBytes() / m_nBlockSize;
  if (!block.good)
    std::memset(block.data, 0, BlockBytes());
  else if (block.sectors < m_nBlockSize)
    std::memset(block.data + block.sectors * sectorSize, 0, (m_nBlockSize - block.sectors) * sectorSize);
}

void CStorageDeviceWithCache::Retire(const Block& block) {
  if (block.data == nullptr) return;
  m_past.push_back(block);
  while (m_past.size() > m_nKeep) {
    m_free.push_back(m_past.front().data);
    m_past.pop_front();
  }
}

void CStorageDeviceWithCache::KeepPastBlocks(std::uint32_t blocks) {
  std::lock_guard<std::mutex> guard(m_queueLock);
  if (blocks > m_nKeep) m_nKeep = blocks;
}

const std::uint8_t* CStorageDeviceWithCache::GetKeptBlockData(std::uint64_t firstSector,
                                                              std::uint64_t* sectorCount) const {
  auto found = [&](const Block& block) -> const std::uint8_t* {
    if (block.data == nullptr || !block.good || block.first != firstSector) return nullptr;
    if (sectorCount != nullptr) *sectorCount = block.sectors;
    return block.data;
  };
  if (m_nCurBlock == kNoBlock) return nullptr;
  if (const std::uint8_t* data = found(m_current)) return data;
  for (auto at = m_past.rbegin(); at != m_past.rend(); ++at)
    if (const std::uint8_t* data = found(*at)) return data;
  return nullptr;
}

void CStorageDeviceWithCache::CacheThread() {
  for (;;) {
    std::uint8_t* buffer = nullptr;
    {
      std::unique_lock<std::mutex> lock(m_queueLock);
      m_spaceEvent.wait(lock, [&] { return !m_bRunning || m_queue.size() <= m_nCapacity; });
      if (!m_bRunning) break;
      buffer = TakeFreeBuffer();
    }
    // Nothing is read past the end of the device.
    if (m_nNextSector >= m_nSectorCount) {
      std::lock_guard<std::mutex> guard(m_queueLock);
      m_free.push_back(buffer);
      break;
    }
    Block block;
    block.data = buffer;
    block.first = m_nNextSector;
    block.sectors = std::min<std::uint64_t>(m_nBlockSize, m_nSectorCount - m_nNextSector);
    block.good = m_pParent->ReadSectors(buffer, block.first, block.sectors) != 0;
    ZeroUnread(block);
    m_nNextSector += block.sectors;
    {
      std::lock_guard<std::mutex> guard(m_queueLock);
      m_queue.push_back(block);
    }
    m_dataEvent.notify_one();
  }
  {
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_bThreadDone = true;
  }
  m_dataEvent.notify_all();
}

int CStorageDeviceWithCache::SetCurCacheBlock(std::uint64_t index) {
  if (m_pParent == nullptr || !IsValidBlock(index)) return 0;
  if (index == m_nCurBlock) return 1;
  if (!m_thread.joinable()) {
    // No read-ahead: read the block here (the old current block is kept
    // behind it, or its buffer reused).
    {
      std::lock_guard<std::mutex> guard(m_queueLock);
      Retire(m_current);
      m_current = Block{};
      m_current.data = TakeFreeBuffer();
    }
    const std::uint64_t first = index * m_nBlockSize;
    m_current.first = first;
    m_current.sectors = std::min<std::uint64_t>(m_nBlockSize, GetSectorCount() - first);
    m_current.good = m_pParent->ReadSectors(m_current.data, first, m_current.sectors) != 0;
    ZeroUnread(m_current);
    m_nCurBlock = index;
    m_nNextBlock = index + 1;
    return 1;
  }
  if (index != m_nNextBlock) {
    LogError("----------SetCurCacheBlock block %llu asked, block %llu is next",
             static_cast<unsigned long long>(index), static_cast<unsigned long long>(m_nNextBlock));
    return 0;
  }
  Block block;
  {
    std::unique_lock<std::mutex> lock(m_queueLock);
    m_dataEvent.wait(lock, [&] { return !m_queue.empty() || m_bThreadDone; });
    if (m_queue.empty()) return 0; // stopped before the block was read
    block = m_queue.front();
    m_queue.pop_front();
    // The old current block is kept behind the search or its buffer goes
    // back to the pool.
    Retire(m_current);
  }
  m_spaceEvent.notify_one();
  m_current = block;
  m_nCurBlock = index;
  m_nNextBlock = index + 1;
  return 1;
}

int CStorageDeviceWithCache::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  if (m_pParent == nullptr) return 0;
  if (count == 0) return 1;
  const std::uint64_t begin = m_current.first;
  const std::uint64_t end = begin + m_current.sectors;
  // Outside the current block, in a block that could not be read, or in a
  // request that starts before the block: the parent serves it all.
  if (m_nCurBlock == kNoBlock || m_current.data == nullptr || !m_current.good || first < begin || first >= end)
    return m_pParent->ReadSectors(buffer, first, count);
  const std::size_t sectorSize = static_cast<std::size_t>(GetSectorSize());
  const std::uint64_t inBlock = std::min(count, end - first);
  std::memcpy(buffer, m_current.data + (first - begin) * sectorSize, static_cast<std::size_t>(inBlock) * sectorSize);
  if (inBlock == count) return 1;
  return m_pParent->ReadSectors(static_cast<std::uint8_t*>(buffer) + inBlock * sectorSize, end, count - inBlock);
}

const std::uint8_t* CStorageDeviceWithCache::GetCurBlockData(std::uint64_t* firstSector, std::uint64_t* sectorCount) const {
  if (m_nCurBlock == kNoBlock || m_current.data == nullptr || !m_current.good) return nullptr;
  if (firstSector != nullptr) *firstSector = m_current.first;
  if (sectorCount != nullptr) *sectorCount = m_current.sectors;
  return m_current.data;
}

void CStorageDeviceWithCache::StopCache() {
  {
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_bRunning = false;
  }
  m_spaceEvent.notify_all();
  m_dataEvent.notify_all();
  if (m_thread.joinable()) m_thread.join();
  std::lock_guard<std::mutex> guard(m_queueLock);
  for (const Block& block : m_queue) m_free.push_back(block.data);
  m_queue.clear();
}
