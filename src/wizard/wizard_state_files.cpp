#include "wizard/wizard_state_files.h"

#include <cerrno>
#include <cstdio>

#include "filemodel/crs_data.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "raw/recovery_states.h"

namespace qm {
namespace {

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

} // namespace qm
