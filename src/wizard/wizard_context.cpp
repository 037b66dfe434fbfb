#include "wizard/wizard_context.h"

#include <array>

#include "wizard/pages/device_select_page.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/pages/save_result_page.h"
#include "wizard/pages/scan_partition_page.h"
#include "wizard/pages/type_of_file_page.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/steps/file_select_controller.h"
#include "wizard/steps/lost_partition_controllers.h"
#include "wizard/steps/recovery_mode_controller.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/steps/save_result_controller.h"
#include "wizard/steps/scan_partition_controllers.h"
#include "wizard/steps/type_of_file_controller.h"
#include "wizard/wizard_sheet.h"

namespace qm {
namespace {

WizardContext* g_current = nullptr;

} // namespace

WizardContext::WizardContext(Prompter& prompter, AppSettings& settings, WizardServices services)
    : prompter_(prompter), settings_(settings), services_(std::move(services)),
      previous_(g_current), shared_{prompter_, settings_, services_},
      navigator_(*this), environment_{shared_, navigator_, steps_} {
  g_current = this;
  deleteDevice_ = std::make_unique<CDeleteRecoveryPartitionDeviceSelectController>(environment_);
  completeDevice_ = std::make_unique<CCompleteRecoveryPartitionDeviceSelectController>(environment_);
  lostDisk_ = std::make_unique<CLostRecoveryDiskDeviceSelectController>(environment_);
  type_ = std::make_unique<CTypeOfFileToRecoveryController>(environment_);
  mode_ = std::make_unique<CRecoveryModeSelectController>(environment_);
  saveFile_ = std::make_unique<CSaveFileController>(environment_);
  saveResult_ = std::make_unique<CSaveResultController>(environment_);
  fileSelect_ = std::make_unique<CFileSelectController>(environment_);
  lostPartition_ = std::make_unique<CLostRecoveryPartitionDeviceSelectController>(environment_);
  completeScan_ = std::make_unique<CCompleteRecoveryScanPartitionDeviceSelectController>(environment_);
  lostScan_ = std::make_unique<CLostRecoveryScanPartitionDeviceSelectController>(environment_);
  steps_.type = type_.get();
  steps_.deviceOfMode[0] = deleteDevice_.get();
  steps_.deviceOfMode[1] = completeDevice_.get();
  steps_.deviceOfMode[2] = lostDisk_.get();
  steps_.deleteDevice = deleteDevice_.get();
  steps_.completeDevice = completeDevice_.get();
  steps_.lostDisk = lostDisk_.get();
  steps_.saveFile = saveFile_.get();
  steps_.saveResult = saveResult_.get();
  steps_.fileSelect = fileSelect_.get();
  steps_.lostPartition = lostPartition_.get();
  steps_.completeScan = completeScan_.get();
  steps_.lostScan = lostScan_.get();
}

WizardContext::~WizardContext() {
  // The sheet's pages point at the controllers: the sheet goes first.
  // The later steps hold trees and windows on the device steps' devices:
  // they go before the device steps.
  lostScan_.reset();
  completeScan_.reset();
  lostPartition_.reset();
  sheet_.reset();
  if (g_current == this) {
    g_current = previous_;
  }
}

WizardContext* WizardContext::instance() { return g_current; }

CWizardSheet& WizardContext::sheet() {
  if (sheet_ == nullptr) {
    sheet_ = std::make_unique<CWizardSheet>(shared_);
    CWizardSheet* sheet = sheet_.get();
    // The pages, children of the sheet, each made with the shared services
    // and linked both ways with its step.
    std::array<CWizardPage*, kPageCount> pages{};
    auto* modePage = new CRecoveryModeSelectPage(sheet);
    auto* deletePage = new CDeleteRecoveryPartitionDeviceSelectPage(sheet);
    auto* completePage = new CCompleteRecoveryPartitionDeviceSelectPage(sheet);
    auto* diskPage = new CLostRecoveryDiskDeviceSelectPage(sheet);
    auto* saveFilePage = new CSaveFilePage(sheet);
    auto* saveResultPage = new CSaveResultPage(sheet);
    auto* filePage = new CFileSelectPage(sheet);
    auto* partitionPage = new CLostRecoveryPartitionDeviceSelectPage(sheet);
    auto* completeScanPage = new CCompleteRecoveryScanPartitionDeviceSelectPage(sheet);
    auto* lostScanPage = new CLostRecoveryScanPartitionDeviceSelectPage(sheet);
    pages[kPageRecoveryMode] = modePage;
    pages[kPageDeleteRecoveryDevice] = deletePage;
    pages[kPageCompleteRecoveryDevice] = completePage;
    pages[kPageLostRecoveryDisk] = diskPage;
    pages[kPageSaveFile] = saveFilePage;
    pages[kPageSaveResult] = saveResultPage;
    pages[kPageFileSelect] = filePage;
    pages[kPageLostRecoveryPartition] = partitionPage;
    pages[kPageCompleteRecoveryScanPartition] = completeScanPage;
    pages[kPageLostRecoveryScanPartition] = lostScanPage;
    auto* typePage = new CTypeOfFileToRecoveryPage(services_.fileFilterPath, sheet);
    pages[kPageTypeOfFile] = typePage;
    for (CWizardPage* page : pages) {
      page->SetShared(&shared_);
    }
    auto link = [](auto* page, auto& step) {
      page->SetController(&step);
      step.SetPage(page);
    };
    link(modePage, *mode_);
    link(typePage, *type_);
    link(deletePage, *deleteDevice_);
    link(completePage, *completeDevice_);
    link(diskPage, *lostDisk_);
    link(saveFilePage, *saveFile_);
    link(saveResultPage, *saveResult_);
    link(filePage, *fileSelect_);
    link(partitionPage, *lostPartition_);
    link(completeScanPage, *completeScan_);
    link(lostScanPage, *lostScan_);
    sheet->SetSaveFileStep(saveFile_.get());
    sheet->SetPages(pages);
  }
  return *sheet_;
}

void WizardContext::OpenHelp(int topic) {
  if (services_.openHelp) {
    services_.openHelp(topic);
  }
}

void WizardContext::Navigator::SetActivePage(int page) { context_.sheet().SetActivePage(page); }

void WizardContext::Navigator::EnableButton(bool enable) { context_.sheet().EnableButton(enable); }

QWidget* WizardContext::Navigator::Window() {
  return context_.HasSheet() ? context_.sheet().window() : nullptr;
}

CWizardSheet* CWizardSheet::GetInstance() {
  WizardContext* context = WizardContext::instance();
  return context == nullptr ? nullptr : &context->sheet();
}

// The steps' process-wide instances: those of the current context.
CRecoveryModeSelectController* CRecoveryModeSelectController::GetInstance() {
  WizardContext* context = WizardContext::instance();
  return context == nullptr ? nullptr : &context->modeController();
}

CTypeOfFileToRecoveryController* CTypeOfFileToRecoveryController::GetInstance() {
  WizardContext* context = WizardContext::instance();
  return context == nullptr ? nullptr : &context->typeController();
}

CDeleteRecoveryPartitionDeviceSelectController*
CDeleteRecoveryPartitionDeviceSelectController::GetInstance() {
  return &WizardContext::instance()->deleteDeviceController();
}

CCompleteRecoveryPartitionDeviceSelectController*
CCompleteRecoveryPartitionDeviceSelectController::GetInstance() {
  return &WizardContext::instance()->completeDeviceController();
}

CLostRecoveryDiskDeviceSelectController* CLostRecoveryDiskDeviceSelectController::GetInstance() {
  return &WizardContext::instance()->lostDiskController();
}

CSaveFileController* CSaveFileController::GetInstance() {
  WizardContext* context = WizardContext::instance();
  return context == nullptr ? nullptr : &context->saveFileController();
}

CSaveResultController* CSaveResultController::GetInstance() {
  WizardContext* context = WizardContext::instance();
  return context == nullptr ? nullptr : &context->saveResultController();
}

CFileSelectController* CFileSelectController::GetInstance() {
  return &WizardContext::instance()->fileSelectController();
}

CLostRecoveryPartitionDeviceSelectController* CLostRecoveryPartitionDeviceSelectController::GetInstance() {
  return &WizardContext::instance()->lostPartitionController();
}

CCompleteRecoveryScanPartitionDeviceSelectController*
CCompleteRecoveryScanPartitionDeviceSelectController::GetInstance() {
  return &WizardContext::instance()->completeScanController();
}

CLostRecoveryScanPartitionDeviceSelectController*
CLostRecoveryScanPartitionDeviceSelectController::GetInstance() {
  return &WizardContext::instance()->lostScanController();
}

} // namespace qm
