// User-defined file headers: each ".fhs" script of a folder names a file
// type and its signatures; a sector matches a script when all of its
// signatures stand in it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/byte_view.h"
#include "raw/script_process.h"

class CCustomHeader {
public:
  virtual ~CCustomHeader() = default;

  // Reads and checks one script; 0 when it cannot be opened or is not
  // valid, else 1.
  int Load(const std::filesystem::path& path);
  // The same from a script's text.
  int LoadText(std::string_view text);

  // 1 when every signature's bytes stand at its offset of the sector. A
  // script without signatures, or without a name to file its matches
  // under, never matches.
  int Match(qm::ByteView sector) const;

  const std::string& GetName() const { return name_; }
  const std::vector<CustomHeaderSignature>& GetSignatures() const { return signatures_; }

private:
  int LoadFrom(CScriptProcess& script);

  std::string name_; // upper case, at most 16 characters
  std::vector<CustomHeaderSignature> signatures_;
};

class CCustomHeaderManage {
public:
  virtual ~CCustomHeaderManage() = default;

  // Drops the loaded headers and loads every "*.fhs" file of the folder
  // (the extension in any case), in the byte order of the file names so
  // that the matching order does not depend on the file system. Invalid
  // scripts are skipped silently. Returns whether any script file was
  // found.
  int Load(const std::filesystem::path& folder);

  // The name of the first loaded header that matches the sector; 1, or 0
  // when none matches (name then untouched).
  int Match(qm::ByteView sector, std::string& name) const;

  std::size_t GetHeaderCount() const { return headers_.size(); }

private:
  std::vector<std::unique_ptr<CCustomHeader>> headers_;
};
