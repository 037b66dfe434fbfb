// The volume analyser interface: given a device and a start sector, an
// analyser decides in its constructor whether a file system of its family
// begins there and, if so, reports its type, size and label.
//
// CVolumeAnalyzerList runs the NTFS, FAT and EXT2 analysers, in that order,
// on one position. The engines live above this library, so each one
// registers a factory for its slot (RegisterVolumeAnalyzer) when the
// program starts; a slot without one is filled by an analyser that
// recognises nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/byte_view.h"

class IStorageDevice;

class IVolume {
public:
  virtual ~IVolume() = default;
  // A file-system type code (kFsNtfs ...); 7 when not recognised.
  virtual int GetFileSystemType() = 0;
  // Size of the recognised file system in device sectors; 0 when unknown.
  virtual std::uint64_t GetSectorCount() = 0;
  // Copies the label (at most 100 bytes, zero-filled; empty when none).
  virtual void GetLabel(char* buffer, int bufferLength) = 0;
};

// What an analyser that recognises nothing reports: type 7, size 0, an
// empty label.
class CUnrecognizedVolume : public IVolume {
public:
  int GetFileSystemType() override { return 7; }
  std::uint64_t GetSectorCount() override { return 0; }
  void GetLabel(char* buffer, int bufferLength) override;
};

class CVolumeAnalyzerList {
public:
  CVolumeAnalyzerList() = default;
  CVolumeAnalyzerList(const CVolumeAnalyzerList&) = delete;
  CVolumeAnalyzerList& operator=(const CVolumeAnalyzerList&) = delete;
  ~CVolumeAnalyzerList() = default; // deletes every analyser

  // Appends an NTFS, a FAT and an EXT2 analyser made at that position.
  void Analyze(IStorageDevice* device, std::uint64_t startSector);
  // The first analyser that recognised its file system; when none did, the
  // last one (which reports 7); null only for an empty list.
  IVolume* FindRecognized();

  void Append(std::unique_ptr<IVolume> analyzer) { m_analyzers.push_back(std::move(analyzer)); }
  std::size_t GetCount() const { return m_analyzers.size(); }
  IVolume* GetAt(std::size_t index) const { return m_analyzers[index].get(); }

private:
  std::vector<std::unique_ptr<IVolume>> m_analyzers;
};

namespace qm {

enum class VolumeAnalyzerSlot { Ntfs = 0, Fat = 1, Ext2 = 2 };

using VolumeAnalyzerFactory =
    std::function<std::unique_ptr<IVolume>(IStorageDevice* device, std::uint64_t startSector)>;

// Sets the factory of a slot (an empty factory clears it). Thread-safe;
// meant for start-up and tests.
void RegisterVolumeAnalyzer(VolumeAnalyzerSlot slot, VolumeAnalyzerFactory factory);

// The analyser of one slot made at that position; one that recognises
// nothing when the slot is empty. Never null.
std::unique_ptr<IVolume> MakeVolumeAnalyzer(VolumeAnalyzerSlot slot, IStorageDevice* device,
                                            std::uint64_t startSector);

// A family's test of one boot sector already in memory: its type code, or
// 7 when the sector is not of the family. Registered beside the analysers
// by the engines, for the code here that holds a sector but no volume.
using BootSectorClassifier = std::function<int(ByteView sector, std::uint32_t bytesPerSector)>;
void RegisterBootSectorClassifier(VolumeAnalyzerSlot slot, BootSectorClassifier classifier);
// The answer of the slot's classifier; 7 when the slot has none.
int ClassifyBootSector(VolumeAnalyzerSlot slot, ByteView sector, std::uint32_t bytesPerSector);

// Puts the factories back as they were when it ends (for tests).
class ScopedVolumeAnalyzers {
public:
  ScopedVolumeAnalyzers();
  ~ScopedVolumeAnalyzers();
  ScopedVolumeAnalyzers(const ScopedVolumeAnalyzers&) = delete;
  ScopedVolumeAnalyzers& operator=(const ScopedVolumeAnalyzers&) = delete;

private:
  std::vector<VolumeAnalyzerFactory> saved_;
  std::vector<BootSectorClassifier> savedClassifiers_;
};

} // namespace qm
