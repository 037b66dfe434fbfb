// Recognises the file types that the user describes in header scripts
// ("*.fhs" in the folder "CustomFileScript" beside the program). A match
// gets a type id of 1000-1999, one per distinct extension name, but no
// length: such files are counted by the scan and never listed.
#pragma once

#include <filesystem>

#include "raw/custom_header.h"
#include "raw/raw_file_analyser.h"

inline constexpr const char* kCustomScriptFolder = "CustomFileScript";

class CustomFileAnalyser : public IRawFileAnalyser {
public:
  // Loads the scripts of "CustomFileScript" beside the program.
  CustomFileAnalyser();
  // Loads the scripts of another folder.
  explicit CustomFileAnalyser(const std::filesystem::path& scriptFolder);

  // Does nothing: user-defined types have no length rule.
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;

  const CCustomHeaderManage& GetHeaders() const { return headers_; }

private:
  CCustomHeaderManage headers_;
};
