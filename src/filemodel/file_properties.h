// What the rest of the program asks about one found file: name, size,
// attributes, times, state, check state and where its data lies. Every
// engine implements it for its file system.
#pragma once

#include <cstdint>
#include <memory>

#include "filemodel/data_run_list.h"

class IRSData;

namespace qm {

// A Windows FILETIME: 100-ns units since 1601-01-01 UTC.
using FileTime = std::uint64_t;

// Type codes (GetTypeCode), also written before each file's properties in
// saved results.
enum FilePropertiesType : std::uint32_t {
  kPropertiesNtfs = 0,
  kPropertiesFat = 1,
  kPropertiesExt2 = 2,
  kPropertiesRaw = 3,
  kPropertiesGeneric = 4,
};

// Attribute word bits, in the manner of the Windows file attributes; the
// engines set the other bits as their file systems give them.
inline constexpr std::uint16_t kAttrReadOnly = 0x01;
inline constexpr std::uint16_t kAttrHidden = 0x02;
inline constexpr std::uint16_t kAttrSystem = 0x04;
inline constexpr std::uint16_t kAttrFolder = 0x10;
inline constexpr std::uint16_t kAttrArchive = 0x20;
inline constexpr std::uint16_t kAttrEncrypted = 0x40;
inline constexpr std::uint16_t kAttrSparse = 0x200;
inline constexpr std::uint16_t kAttrCompressed = 0x800;

// Valid-fields mask bits (GetValidFields).
inline constexpr std::uint32_t kValidName = 0x01;
inline constexpr std::uint32_t kValidSize = 0x02;
inline constexpr std::uint32_t kValidAttributes = 0x04;
inline constexpr std::uint32_t kValidCreationTime = 0x08;
inline constexpr std::uint32_t kValidLastWriteTime = 0x10;
inline constexpr std::uint32_t kValidLastAccessTime = 0x20;
inline constexpr std::uint32_t kValidState = 0x40;
inline constexpr std::uint32_t kValidAll = 0xFF;

// State word bits; what each means in detail is the engine's.
inline constexpr std::uint16_t kStateDeleted = 0x01;
inline constexpr std::uint16_t kStateLost = 0x02;
inline constexpr std::uint16_t kStateCrossLinked = 0x04;
inline constexpr std::uint16_t kStateTemporary = 0x08;
// The file system's record of the file is damaged (a size its extents can
// never hold, extents that could not all be found): the file is listed,
// but saving it gives back only what was found, and counts as failed.
inline constexpr std::uint16_t kStateDamaged = 0x10;

// Check states.
inline constexpr std::uint8_t kUnchecked = 0;
inline constexpr std::uint8_t kPartlyChecked = 1; // folders only
inline constexpr std::uint8_t kChecked = 2;

} // namespace qm

class IFileProperties {
public:
  virtual ~IFileProperties() = default;

  // Length of the name in characters.
  virtual std::uint32_t GetNameLength() const = 0;
  // Copies the text.
  virtual void SetName(const char* name) = 0;
  // The name, zero-terminated, owned by the object; never null.
  virtual const char* GetName() const = 0;
  virtual std::uint64_t GetSize() const = 0;
  virtual std::uint16_t GetAttributes() const = 0;
  // A further text about the file; empty where the engine has none. Never
  // null.
  virtual const char* GetDescription() const = 0;
  // Each fills *out and returns out.
  virtual qm::FileTime* GetCreationTime(qm::FileTime* out) const = 0;
  virtual qm::FileTime* GetLastWriteTime(qm::FileTime* out) const = 0;
  virtual qm::FileTime* GetLastAccessTime(qm::FileTime* out) const = 0;
  virtual std::uint16_t GetState() const = 0;
  virtual std::uint8_t GetCheckState() const = 0;
  virtual void SetCheckState(std::uint8_t state) = 0;
  // A new list of the file's extents, or null when the file has none.
  virtual std::unique_ptr<IDataRunList> GetDataRunList() const = 0;
  virtual std::uint32_t GetValidFields() const = 0;
  // A small engine-defined value kept with the file.
  virtual std::uint32_t GetExtraValue() const = 0;
  virtual std::uint32_t SetExtraValue(std::uint32_t value) = 0;
  // The engine's own record in a saved result; 1 on success.
  virtual int Save(IRSData* stream) const = 0;
  virtual std::uint32_t GetTypeCode() const = 0;
  virtual int Load(IRSData* stream) = 0;

  bool IsFolder() const { return (GetAttributes() & qm::kAttrFolder) != 0; }
};
