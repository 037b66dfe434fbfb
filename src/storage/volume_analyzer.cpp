#include "storage/volume_analyzer.h"

#include <array>
#include <cstring>
#include <mutex>

namespace {

constexpr std::size_t kSlotCount = 3;

struct Registry {
  std::mutex lock;
  std::array<qm::VolumeAnalyzerFactory, kSlotCount> factories;
  std::array<qm::BootSectorClassifier, kSlotCount> classifiers;
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

} // namespace

void CUnrecognizedVolume::GetLabel(char* buffer, int bufferLength) {
  if (buffer != nullptr && bufferLength > 0) std::memset(buffer, 0, static_cast<std::size_t>(bufferLength));
}

void CVolumeAnalyzerList::Analyze(IStorageDevice* device, std::uint64_t startSector) {
  std::array<qm::VolumeAnalyzerFactory, kSlotCount> factories;
  {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    factories = registry.factories;
  }
  for (const auto& factory : factories) {
    std::unique_ptr<IVolume> analyzer = factory ? factory(device, startSector) : nullptr;
    m_analyzers.push_back(analyzer ? std::move(analyzer) : std::make_unique<CUnrecognizedVolume>());
  }
}

IVolume* CVolumeAnalyzerList::FindRecognized() {
  for (const auto& analyzer : m_analyzers)
    if (analyzer->GetFileSystemType() != 7) return analyzer.get();
  return m_analyzers.empty() ? nullptr : m_analyzers.back().get();
}

namespace qm {

void RegisterVolumeAnalyzer(VolumeAnalyzerSlot slot, VolumeAnalyzerFactory factory) {
  const auto index = static_cast<std::size_t>(slot);
  if (index >= kSlotCount) return;
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.factories[index] = std::move(factory);
}

std::unique_ptr<IVolume> MakeVolumeAnalyzer(VolumeAnalyzerSlot slot, IStorageDevice* device,
                                            std::uint64_t startSector) {
  const auto index = static_cast<std::size_t>(slot);
  VolumeAnalyzerFactory factory;
  if (index < kSlotCount) {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    factory = registry.factories[index];
  }
  std::unique_ptr<IVolume> analyzer = factory ? factory(device, startSector) : nullptr;
  if (!analyzer) analyzer = std::make_unique<CUnrecognizedVolume>();
  return analyzer;
}

void RegisterBootSectorClassifier(VolumeAnalyzerSlot slot, BootSectorClassifier classifier) {
  const auto index = static_cast<std::size_t>(slot);
  if (index >= kSlotCount) return;
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.classifiers[index] = std::move(classifier);
}

int ClassifyBootSector(VolumeAnalyzerSlot slot, ByteView sector, std::uint32_t bytesPerSector) {
  const auto index = static_cast<std::size_t>(slot);
  BootSectorClassifier classifier;
  if (index < kSlotCount) {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    classifier = registry.classifiers[index];
  }
  return classifier ? classifier(sector, bytesPerSector) : 7;
}

ScopedVolumeAnalyzers::ScopedVolumeAnalyzers() {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  saved_.assign(registry.factories.begin(), registry.factories.end());
  savedClassifiers_.assign(registry.classifiers.begin(), registry.classifiers.end());
}

ScopedVolumeAnalyzers::~ScopedVolumeAnalyzers() {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (std::size_t i = 0; i < kSlotCount; ++i) {
    registry.factories[i] = saved_[i];
    registry.classifiers[i] = savedClassifiers_[i];
  }
}

} // namespace qm
