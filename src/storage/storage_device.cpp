#include "storage/storage_device.h"

#include <algorithm>
#include <cstring>

IStorageDevice::~IStorageDevice() = default;

IStorageDevice* IStorageDevice::Get512ByteSectorDevice() {
  if (GetSectorSize() == 512) return this;
  std::lock_guard<std::mutex> guard(m_viewLock);
  if (!m_p512View) m_p512View = std::make_unique<CSimulateStorageDevice>(this);
  return m_p512View.get();
}

CSimulateStorageDevice::CSimulateStorageDevice(IStorageDevice* wrapped) : m_pWrapped(wrapped) {
  if (wrapped == nullptr) return;
  const std::int32_t size = wrapped->GetSectorSize();
  // A size the view cannot divide into 512-byte sectors would make every
  // index computation divide by zero or mix sectors: the view stays empty.
  if (size <= 0 || size % 512 != 0) {
    m_nRatio = 0;
    return;
  }
  m_nRatio = size / 512;
  m_block = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(size));
}

CSimulateStorageDevice::~CSimulateStorageDevice() = default;

std::uint64_t CSimulateStorageDevice::GetSectorCount() {
  if (m_pWrapped == nullptr || m_nRatio == 0) return 0;
  return m_pWrapped->GetSectorCount() * static_cast<std::uint64_t>(m_nRatio);
}

bool CSimulateStorageDevice::CopyFromWrapped(std::uint8_t* out, std::uint64_t first, std::uint64_t count) {
  const std::uint64_t ratio = static_cast<std::uint64_t>(m_nRatio);
  const std::uint64_t wrappedSector = first / ratio;
  if (wrappedSector != m_nBufferedSector) {
    // Forget the buffered sector first: a failed read may have left the
    // block half overwritten.
    m_nBufferedSector = kNoSector;
    if (!m_pWrapped->ReadSectors(m_block.get(), wrappedSector, 1)) return false;
    m_nBufferedSector = wrappedSector;
  }
  std::memcpy(out, m_block.get() + (first % ratio) * 512, static_cast<std::size_t>(count * 512));
  return true;
}

int CSimulateStorageDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  if (count == 0) return 1;
  if (m_pWrapped == nullptr || m_nRatio == 0 || buffer == nullptr) return 0;
  const std::uint64_t ratio = static_cast<std::uint64_t>(m_nRatio);
  if (first + count < first) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);

  // Head: 512-byte sectors up to the next wrapped-sector boundary.
  if (first % ratio != 0) {
    const std::uint64_t n = std::min(count, ratio - first % ratio);
    if (!CopyFromWrapped(out, first, n)) return 0;
    out += n * 512;
    first += n;
    count -= n;
  }
  // Middle: whole wrapped sectors straight into the caller's buffer, one
  // request instead of one per sector. The last of them is kept as the
  // buffered sector, as a sector-by-sector walk would have left it.
  const std::uint64_t whole = count / ratio;
  if (whole > 0) {
    const std::uint64_t wrappedFirst = first / ratio;
    if (m_pWrapped->ReadSectors(out, wrappedFirst, whole)) {
      const std::size_t wrappedSize = static_cast<std::size_t>(ratio * 512);
      std::memcpy(m_block.get(), out + (whole - 1) * wrappedSize, wrappedSize);
      m_nBufferedSector = wrappedFirst + whole - 1;
      out += whole * wrappedSize;
      first += whole * ratio;
      count -= whole * ratio;
    } else {
      // Go sector by sector so that the caller gets every sector before the
      // first unreadable one, then fail.
      for (std::uint64_t i = 0; i < whole; ++i) {
        if (!CopyFromWrapped(out, first, ratio)) return 0;
        out += ratio * 512;
        first += ratio;
        count -= ratio;
      }
    }
  }
  // Tail: the rest of the last wrapped sector.
  if (count > 0 && !CopyFromWrapped(out, first, count)) return 0;
  return 1;
}
