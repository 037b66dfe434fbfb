#include "raw/carved_files_hook.h"

#include "filemodel/dir_build_callback.h"
#include "ntfs/carved_files_seam.h"
#include "raw/raw_tree_builder.h"

namespace {

// Stands in for a build that runs without a progress dialog.
class SilentBuildCallback : public IDIRBuildCallback {
public:
  int OnBegin(const char*, std::uint32_t) override { return 0; }
  int OnStep(std::uint32_t) override { return 0; }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override { return 0; }
  int Poll() override { return 0; }
};

CFileNode* HangCarvedFiles(CFileNode* root, const IIsClusterUsed& used, CRawFileCollection* carved,
                           IStorageDevice* device, IDIRBuildCallback* callback) {
  SilentBuildCallback silent;
  return HangRawFilesTree(root, used, carved, device, callback != nullptr ? callback : &silent);
}

} // namespace

namespace qm {

void RegisterCarvedFilesTree() { SetCarvedFilesTreeHook(&HangCarvedFiles); }

} // namespace qm
