#include "wizard/services/wizard_state_files.h"

#include <cerrno>
#include <cstdio>

#include <vector>

#include "filemodel/crs_data.h"
#include "filemodel/dir_build_callback.h"
#include "platform/folders.h"
#include "platform/guid.h"
#include "platform/log.h"
#include "raw/recovery_states.h"
#include "wizard/steps/page_controller.h"

namespace qm {
namespace {

// The list of steps a state file holds, oldest first.
constexpr GUID kControllerListSection = {
    0x6EAE44F1, 0x5CA7, 0x49F8, {0xBD, 0x8D, 0x71, 0x26, 0xD4, 0x46, 0xAA, 0xCA}};
constexpr int kUnsavedStateType = 6;
constexpr const char* kProgressTitle = "Saving recovery states...";

const char* TempName(int kind) { return kind == 1 ? "cstemp.rdf" : kind == 2 ? "lpstemp.rdf" : nullptr; }
const char* LastName(int kind) { return kind == 1 ? "cslast.rdf" : kind == 2 ? "lpslast.rdf" : nullptr; }

// A readable file whose header is whole, checked and of a stage 1 to 4.
bool ReadValidHeader(const std::filesystem::path& path, RSHeader& header) {
  if (path.empty()) return false;
  CRSDataEx reader(CRSData::kReadMode);
  try {
    if (!reader.Open(path.c_str(), 0)) return false;
    const bool valid = reader.IsValid() && reader.ReadHeader(header);
    reader.Close();
    return valid && header.fileKind >= 1 && header.fileKind <= 4;
  } catch (const IRSException& e) {
    LogError("Failed to get reuslt info, Error code:%d", static_cast<int>(e.GetErrorCode()));
  }
  return false;
}

} // namespace

// One folder for the wizard and the save and restore services.
std::filesystem::path StateFolder() { return RecoveryStateFolder(); }

void SetStateFolder(std::filesystem::path folder) { SetRecoveryStateFolder(std::move(folder)); }

std::filesystem::path TempStateFile(int searchKind) {
  const char* name = TempName(searchKind);
  return name ? StateFolder() / name : std::filesystem::path();
}

std::filesystem::path LastStateFile(int searchKind) {
  const char* name = LastName(searchKind);
  return name ? StateFolder() / name : std::filesystem::path();
}

std::optional<std::string> ReadLastStateText(int searchKind) {
  RSHeader header;
  if (!ReadValidHeader(LastStateFile(searchKind), header)) return std::nullopt;
  const std::size_t length = std::min<std::size_t>(header.textLength, kRSTextMax);
  std::string text;
  for (std::size_t i = 0; i < length && header.text[i] != '\0'; ++i) {
    if (header.text[i] != '\r') text += header.text[i];
  }
  return text;
}

int DeleteLastStateFile(int searchKind) {
  const std::filesystem::path path = LastStateFile(searchKind);
  if (path.empty()) return 0;
  std::error_code error;
  std::filesystem::remove(path, error);
  return error ? 0 : 1;
}

int CommitStateFile(int searchKind) {
  const std::filesystem::path temp = TempStateFile(searchKind);
  RSHeader header;
  if (!ReadValidHeader(temp, header)) return 1;
  if (std::rename(temp.c_str(), LastStateFile(searchKind).c_str()) != 0) {
    ReleaseTrace("Failed to repalce file, Error code:%d", errno);
    return 0;
  }
  return 1;
}

int SaveRecoveryStates(IWizardPageController& ctrl, IDIRBuildCallback* progress) {
  const std::filesystem::path temp = TempStateFile(ctrl.GetSearchKind());
  if (temp.empty()) return 0;
  if (progress != nullptr) progress->OnBegin(kProgressTitle, 100);
  int result = 0;
  CRSDataEx writer(CRSData::kWriteMode);
  try {
    if (writer.Open(temp.c_str(), 1) != 0) {
      writer.SetFileKind(StageOfStateType(ctrl.GetStateTypeId()));
      if (progress != nullptr) progress->OnStep(5);
      // The chain from its first step on; the walk is capped so that a
      // chain linked into a ring cannot hold it forever.
      std::vector<IWizardPageController*> chain;
      for (IWizardPageController* c = &ctrl; c != nullptr && chain.size() < 64; c = c->GetPrevController()) {
        if (c->GetStateTypeId() != kUnsavedStateType) chain.insert(chain.begin(), c);
      }
      writer.OpenSection(kControllerListSection);
      RSWrite(writer, static_cast<std::uint32_t>(chain.size()));
      for (IWizardPageController* c : chain)
        RSWrite(writer, static_cast<std::uint32_t>(c->GetStateTypeId()));
      writer.CloseSection();
      if (progress != nullptr) progress->OnStep(5);
      for (IWizardPageController* c : chain) {
        c->SaveState(&writer, progress);
        if (progress != nullptr) progress->OnStep(10);
      }
      result = 1;
    }
  } catch (const IRSException& e) {
    LogError("RS Exception:%d", static_cast<int>(e.GetErrorCode()));
    result = 0;
  }
  try {
    writer.Close();
  } catch (const IRSException& e) {
    LogError("RS Exception:%d", static_cast<int>(e.GetErrorCode()));
    result = 0;
  }
  if (progress != nullptr) progress->OnEnd();
  return result;
}

IWizardPageController* RestoreRecoveryStates(IWizardPageController& ctrl, IDIRBuildCallback* progress,
                                             const StateStepResolver& resolve) {
  const int kind = ctrl.GetSearchKind();
  const std::filesystem::path last = LastStateFile(kind);
  if (last.empty()) return nullptr;
  CRSDataEx reader(CRSData::kReadMode);
  if (reader.Open(last.c_str(), 0) == 0) return nullptr;
  if (progress != nullptr) progress->OnBegin(kProgressTitle, 100);
  std::vector<IWizardPageController*> steps;
  std::vector<int> types;
  bool ok = false;
  try {
    RSHeader header;
    if (reader.IsValid() == 0 || reader.ReadHeader(header) == 0) throw CRSException(qm::kRSBadHeaderValue);
    const int limit = HighestStateTypeOfStage(static_cast<int>(header.fileKind));
    if (progress != nullptr) progress->OnStep(5);
    reader.OpenSection(kControllerListSection);
    const auto count = RSRead<std::uint32_t>(reader);
    // A chain has at most one step of each of the six kept types.
    if (count > 6) throw CRSException(qm::kRSBadHeaderValue);
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto type = static_cast<int>(RSRead<std::uint32_t>(reader));
      if (type > limit) continue;
      IWizardPageController* step = resolve ? resolve(type) : nullptr;
      if (step == nullptr) throw CRSException(qm::kRSBadHeaderValue);
      steps.push_back(step);
      types.push_back(type);
    }
    reader.CloseSection();
    if (progress != nullptr) progress->OnStep(5);
    ok = !steps.empty();
    IWizardPageController* current = &ctrl;
    for (IWizardPageController* step : steps) {
      if (step != current) {
        step->SetPrevController(current);
        current = step;
      }
      if (!step->LoadState(&reader, progress)) {
        ok = false;
        break;
      }
      if (progress != nullptr) progress->OnStep(10);
    }
  } catch (const IRSException& e) {
    LogError("Failed to restore last recvoery states. Error code:%d.", static_cast<int>(e.GetErrorCode()));
    ok = false;
  }
  try {
    reader.Close();
  } catch (const IRSException&) {
  }
  IWizardPageController* result = nullptr;
  if (ok) {
    std::error_code error;
    std::filesystem::copy_file(last, TempStateFile(kind), std::filesystem::copy_options::overwrite_existing,
                               error);
    result = steps.back();
  } else {
    // Only what the scan steps built is released; the device steps keep
    // their lists for the page.
    for (std::size_t i = 0; i < steps.size(); ++i) {
      if (types[i] == 1 || types[i] == 3 || types[i] == 4 || types[i] == 5) steps[i]->Leave();
    }
  }
  if (progress != nullptr) progress->OnEnd();
  return result;
}

bool MarkStage(IWizardPageController& ctrl) {
  const std::filesystem::path temp = TempStateFile(ctrl.GetSearchKind());
  if (temp.empty()) return false;
  CRSDataEx writer(CRSData::kWriteMode);
  try {
    if (writer.Open(temp.c_str(), 0) == 0) return false;
    writer.SetFileKind(StageOfStateType(ctrl.GetStateTypeId()));
    writer.Close();
    return true;
  } catch (const IRSException& e) {
    LogError("Failed to set current controller status! Error code:%d.", static_cast<int>(e.GetErrorCode()));
  }
  return false;
}

int SetStateText(IRSData* writer, const std::string& text) {
  if (writer == nullptr) return 1;
  try {
    writer->SetText(text.c_str());
  } catch (const IRSException& e) {
    LogError("Failed to set reuslt info, Error code:%d", static_cast<int>(e.GetErrorCode()));
  }
  return 1;
}

} // namespace qm
