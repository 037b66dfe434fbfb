// What the carving result tree keeps about one carved file or folder: a
// short name, the size, attributes, state, the second name part read from
// the file's metadata as its description, and one packed extent from the
// file's start sector.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filemodel/data_run_list.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/packed_data_run_list.h"

class CRawFileInfo;

// The extents of a carved file while its properties are filled: one run of
// device sectors. Packed and unpacked again it comes back as an NTFS
// non-resident list with the same run.
class CRAWDataRunList : public IDataRunList {
public:
  std::uint32_t GetKind() const override { return qm::kRunListRaw; }
};

class CRAWFileProperties : public CFilePropertiesBase {
public:
  // Names and descriptions are kept with a one-byte length that counts the
  // terminator, so each holds at most this many characters.
  static constexpr std::size_t kMaxTextChars = 254;
  // Fields a carved file has: name, size, attributes, state and the
  // engine's extra fields; no times (they read as 0).
  static constexpr std::uint32_t kValidFields = 0x1CF;

  // The kept length, terminator included (0 while there is no name).
  std::uint32_t GetNameLength() const override { return nameLength_; }
  // Carved names are made by the tree build; renaming does nothing.
  void SetName(const char*) override {}
  const char* GetDescription() const override { return description_.c_str(); }
  std::uint32_t GetValidFields() const override { return kValidFields; }
  // u8 name length, the name with its terminator, u8 description length,
  // the description with its terminator (when the length is not 0), u64
  // size, u16 attributes, u8 state, u32 1 and the packed extents or u32 0.
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesRaw; }
  // Reads what Save wrote. Texts end at their first zero byte, whatever the
  // stored bytes hold. 0 for damaged extents; a stream error is passed on;
  // either way the object stays as it was.
  int Load(IRSData* stream) override;

  // Names longer than kMaxTextChars are cut to fit.
  void SetRawFileName(const char* name);
  // Size from the record's length, description from its second name part,
  // one extent from its start sector over the sectors (of sectorSize bytes)
  // that the length covers.
  void SetFromRawFileInfo(const CRawFileInfo& record, std::uint32_t sectorSize = 512);
  // Descriptions longer than kMaxTextChars are cut to fit.
  void SetDescription(const std::string& text);
  std::uint32_t GetDescriptionLength() const { return descriptionLength_; }

private:
  std::uint8_t nameLength_ = 0; // in the shared part's tail
  std::uint8_t descriptionLength_ = 0;
  std::string description_;
};

// A new, empty object (type code 3 of saved results).
std::unique_ptr<CRAWFileProperties> CreateRawFileProperties();
