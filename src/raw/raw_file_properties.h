// What the carving result tree keeps about one carved file or folder: a
// short name, the size, attributes, state, the second name part read from
// the file's metadata as its description, and one packed extent from the
// file's start sector.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filemodel/data_run_list.h"
#include "filemodel/file_properties.h"
#include "filemodel/packed_data_run_list.h"

class CRawFileInfo;

// The extents of a carved file while its properties are filled: one run of
// device sectors. Packed and unpacked again it comes back as an NTFS
// non-resident list with the same run.
class CRAWDataRunList : public IDataRunList {
public:
  std::uint32_t GetKind() const override { return qm::kRunListRaw; }
};

class CRAWFileProperties : public IFileProperties {
public:
  // Names and descriptions are kept with a one-byte length that counts the
  // terminator, so each holds at most this many characters.
  static constexpr std::size_t kMaxTextChars = 254;
  // Fields a carved file has: name, size, attributes, state and the
  // engine's extra fields; no times.
  static constexpr std::uint32_t kValidFields = 0x1CF;

  // The kept length, terminator included (0 while there is no name).
  std::uint32_t GetNameLength() const override { return nameLength_; }
  // Carved names are made by the tree build; renaming does nothing.
  void SetName(const char*) override {}
  const char* GetName() const override { return name_.c_str(); }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return description_.c_str(); }
  // Carved files have no times: each writes 0.
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override;
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override;
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override;
  std::uint16_t GetState() const override { return state_; }
  std::uint8_t GetCheckState() const override { return checkState_; }
  void SetCheckState(std::uint8_t state) override { checkState_ = state; }
  // A new list unpacked from the packed extent; null when there is none.
  std::unique_ptr<IDataRunList> GetDataRunList() const override;
  std::uint32_t GetValidFields() const override { return kValidFields; }
  std::uint32_t GetExtraValue() const override { return extraValue_; }
  // Keeps the low byte; returns 1.
  std::uint32_t SetExtraValue(std::uint32_t value) override;
  // u8 name length, the name with its terminator, u8 description length,
  // the description with its terminator (when the length is not 0), u64
  // size, u16 attributes, u8 state, u32 1 and the packed extents or u32 0.
  int Save(IRSData* stream) const override;
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesRaw; }
  // Reads what Save wrote. Texts end at their first zero byte, whatever the
  // stored bytes hold. A stream error is passed on and leaves the object as
  // it was.
  int Load(IRSData* stream) override;

  // Names longer than kMaxTextChars are cut to fit.
  void SetRawFileName(const char* name);
  // Size from the record's length, description from its second name part,
  // one extent from its start sector over the sectors (of sectorSize bytes)
  // that the length covers.
  void SetFromRawFileInfo(const CRawFileInfo& record, std::uint32_t sectorSize = 512);
  void SetAttributes(std::uint16_t attributes) { attributes_ = attributes; }
  void SetState(std::uint8_t state) { state_ = state; }
  // Descriptions longer than kMaxTextChars are cut to fit.
  void SetDescription(const std::string& text);
  std::uint32_t GetDescriptionLength() const { return descriptionLength_; }

private:
  std::uint8_t nameLength_ = 0;
  std::string name_;
  std::uint64_t size_ = 0;
  std::uint16_t attributes_ = 0;
  std::uint8_t checkState_ = 0;
  std::uint8_t extraValue_ = 0;
  std::uint8_t state_ = 0;
  std::string description_;
  std::uint8_t descriptionLength_ = 0;
  std::unique_ptr<CPackedDataRunList> packed_;
};

// A new, empty object (type code 3 of saved results).
std::unique_ptr<CRAWFileProperties> CreateRawFileProperties();
