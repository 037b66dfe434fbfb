// The device the files of page 9 are read from, for every kind of choice a
// device page hands on: a disk record, a volume and a found partition, also
// through the chain of steps after it.
#include <gtest/gtest.h>

#include "filemodel/scan_state_store.h"
#include "storage/app_settings.h"
#include "storage/device_collection.h"
#include "storage/partition_search_callbacks.h"
#include "support/memory_device.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/wizard_context.h"

namespace qm {
namespace {

// A device step that hands on a fixed choice.
class ChoosingStep : public IWizardPageController {
public:
  explicit ChoosingStep(StateVariant choice) : choice_(choice) {}
  void Activate() override {}
  void Home() override {}
  void Back() override {}
  bool Next() override { return false; }
  void SetPrevController(IWizardPageController*) override {}
  IWizardPageController* GetPrevController() override { return nullptr; }
  StateVariant* GetDeviceSelection(StateVariant* out) override {
    *out = choice_;
    return out;
  }

private:
  StateVariant choice_;
};

TEST(SourceDeviceOf, EveryKindOfChoiceGivesItsDevice) {
  MemoryDevice disk(64, 512), volume(32, 512), window(16, 512);
  CScanStateRecord record;
  record.device = &disk;
  DeviceListItem item;
  item.device = std::make_unique<MemoryDevice>(8, 512);
  LostPartitionRecord partition;
  partition.partitionDevice = &window;
  LostPartitionRecord detached;
  struct Case {
    StateVariant choice;
    IStorageDevice* device;
  };
  const Case cases[] = {
      {{0, &record}, &disk},
      {{1, &item}, item.device.get()},
      {{2, &partition}, &window},
      // A found partition without its window, or nothing chosen: nothing.
      {{2, &detached}, nullptr},
      {{0, nullptr}, nullptr},
      {{2, nullptr}, nullptr},
      {{3, &record}, nullptr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SourceDeviceOf(c.choice), c.device) << c.choice.kind;
}

TEST(SourceDeviceOf, TheStepsAfterAFoundPartitionReadFromItsWindow) {
  MemoryDevice window(16, 512);
  LostPartitionRecord partition;
  partition.partitionDevice = &window;
  ChoosingStep step({2, &partition});
  test::ScriptedPrompter prompter;
  AppSettings settings;
  WizardContext context(prompter, settings, WizardServices{});
  CFileSelectController files(context.stepEnvironment());
  files.SetPrevController(&step);
  EXPECT_EQ(files.GetSourceDevice(), &window);
  CSaveFileController save(context.stepEnvironment());
  save.SetPrevController(&files);
  StateVariant forwarded;
  save.GetDeviceSelection(&forwarded);
  EXPECT_EQ(forwarded.kind, 2);
  EXPECT_EQ(forwarded.pointer, &partition);
  EXPECT_EQ(SourceDeviceOf(forwarded), &window);
}

} // namespace
} // namespace qm
