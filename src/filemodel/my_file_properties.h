// A generic found file built from a plain record: the synthetic "Root"
// folder of a tree and the files the user-interface side makes up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filemodel/file_properties.h"

class CMyFileProperties : public IFileProperties {
public:
  static constexpr std::size_t kNameCapacity = 260; // terminator included

  struct Record {
    char name[kNameCapacity] = {};
    std::uint32_t nameLength = 0;
    std::uint64_t size = 0;
    std::uint16_t attributes = 0;
    std::string description;
    qm::FileTime creationTime = 0;
    qm::FileTime lastWriteTime = 0;
    qm::FileTime lastAccessTime = 0;
    std::uint16_t state = 0;
    std::uint8_t checkState = 0;
    std::uint32_t extraValue = 0;
    std::uint32_t validFields = 0;
  };

  std::uint32_t GetNameLength() const override { return record_.nameLength; }
  // A null text changes nothing; a text of more than 259 characters is
  // refused and leaves the name empty.
  void SetName(const char* name) override;
  const char* GetName() const override { return record_.name; }
  std::uint64_t GetSize() const override { return record_.size; }
  std::uint16_t GetAttributes() const override { return record_.attributes; }
  const char* GetDescription() const override { return record_.description.c_str(); }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override;
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override;
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override;
  std::uint16_t GetState() const override { return record_.state; }
  std::uint8_t GetCheckState() const override { return record_.checkState; }
  void SetCheckState(std::uint8_t state) override { record_.checkState = state; }
  std::unique_ptr<IDataRunList> GetDataRunList() const override { return nullptr; }
  std::uint32_t GetValidFields() const override { return record_.validFields; }
  std::uint32_t GetExtraValue() const override { return record_.extraValue; }
  // Returns the previous value.
  std::uint32_t SetExtraValue(std::uint32_t value) override;
  // Generic files are never part of a saved result: both transfer nothing
  // and return 0.
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesGeneric; }
  int Load(IRSData*) override { return 0; }

  // Replaces the whole record. The name is terminated within its capacity
  // and its length recounted, so a record with a bad length or a missing
  // terminator cannot make GetName read past the field.
  void CopyRecord(const Record& record);
  const Record& GetRecord() const { return record_; }

private:
  Record record_;
};

// A new empty object.
std::unique_ptr<CMyFileProperties> CreateMyFileProperties();
