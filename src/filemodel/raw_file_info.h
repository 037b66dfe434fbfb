// One file found by signature carving: where it starts, how long it is,
// which type it is and which analyser recognised it. A plain record: the
// carving controller fills it in place while the scan goes on, and the
// scan's CRawFileCollection owns it.
#pragma once

#include <cstdint>
#include <string>

class IRawFileAnalyser;

// Analyser type of a record that no analyser has matched yet.
inline constexpr int kNoAnalyserType = 0xFFFF;

class CRawFileInfo {
public:
  void SetStartSector(std::uint64_t sector) { startSector_ = sector; }
  std::uint64_t GetStartSector() const { return startSector_; }
  // File length in bytes; 0 while it is not known.
  void SetLength(std::uint64_t length) { length_ = length; }
  std::uint64_t GetLength() const { return length_; }
  // Type id (index into the type-name table).
  void SetType(int type) { type_ = type; }
  int GetType() const { return type_; }
  // The own type id of the analyser that matched (-1 for user-defined
  // headers).
  void SetAnalyserType(int type) { analyserType_ = type; }
  int GetAnalyserType() const { return analyserType_; }
  // Not owned: analysers live in the carving controller's list.
  void SetAnalyser(IRawFileAnalyser* analyser) { analyser_ = analyser; }
  IRawFileAnalyser* GetAnalyser() const { return analyser_; }
  // Name parts taken from the file's metadata.
  void SetExtraName(std::string name) { extraName_ = std::move(name); }
  void SetExtraName2(std::string name) { extraName2_ = std::move(name); }
  std::string GetExtraName() const { return extraName_; }
  std::string GetExtraName2() const { return extraName2_; }

private:
  std::uint64_t startSector_ = 0;
  std::uint64_t length_ = 0;
  int type_ = 0;
  int analyserType_ = kNoAnalyserType;
  std::string extraName_;
  std::string extraName2_;
  IRawFileAnalyser* analyser_ = nullptr;
};
