#include "storage/volume_analyzer.h"

#include <array>
#include <cstring>
#include <mutex>

namespace {

constexpr std::size_t kSlotCount = 3;

struct Registry {
  std::mutex lock;
  std::array<qm::VolumeAnalyzerFactory, kSlotCount> factories;
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

ScopedVolumeAnalyzers::ScopedVolumeAnalyzers() {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  saved_.assign(registry.factories.begin(), registry.factories.end());
}

ScopedVolumeAnalyzers::~ScopedVolumeAnalyzers() {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (std::size_t i = 0; i < kSlotCount; ++i) registry.factories[i] = saved_[i];
}

} // namespace qm
