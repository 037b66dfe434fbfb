#include "ntfs/carved_files_seam.h"

#include <atomic>

namespace {

std::atomic<CarvedFilesTreeHook> g_hook{nullptr};

} // namespace

namespace qm {

void SetCarvedFilesTreeHook(CarvedFilesTreeHook hook) { g_hook.store(hook); }

CarvedFilesTreeHook GetCarvedFilesTreeHook() { return g_hook.load(); }

} // namespace qm

CFileNode* AddCarvedFilesInUnusedClusters(CFileNode* root, const IIsClusterUsed& used,
                                          CRawFileCollection* carved, IStorageDevice* device,
                                          IDIRBuildCallback* callback) {
  const CarvedFilesTreeHook hook = g_hook.load();
  if (hook == nullptr || root == nullptr || carved == nullptr) return nullptr;
  return hook(root, used, carved, device, callback);
}
