#include "raw/custom_file_analyser.h"

#include "filemodel/raw_file_info.h"
#include "platform/folders.h"
#include "raw/raw_type_names.h"

CustomFileAnalyser::CustomFileAnalyser() : CustomFileAnalyser(qm::GetProgramFolder() / kCustomScriptFolder) {}

CustomFileAnalyser::CustomFileAnalyser(const std::filesystem::path& scriptFolder) {
  headers_.Load(scriptFolder);
}

int CustomFileAnalyser::AnalyseFileSize(CRawFileInfo*, IStorageDevice*) { return 0; }

int CustomFileAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  std::string name;
  if (!headers_.Match(sector, name)) return 0;
  int id = RawTypeNames::AssignCustom(name);
  if (id < 0) return 0;
  if (info != nullptr) info->SetType(id);
  return 1;
}
