// Predicates over found files, used by the file views and the find-file
// dialogs to narrow the tree.
#pragma once

#include <cstdint>

#include "filemodel/file_properties.h"

class IFileFilter {
public:
  virtual ~IFileFilter() = default;
  virtual bool IsMatch(IFileProperties* properties) = 0;
};

inline constexpr std::uint32_t kFilterAnything = 0xFFFFFFFF;

// Files whose attributes share a bit with the mask. Only the read-only,
// hidden, system, 0x08, folder, archive, encrypted, 0x400 and compressed
// bits count; a mask of kFilterAnything matches every file whose
// attributes are known.
class CFileAttributeFilter : public IFileFilter {
public:
  explicit CFileAttributeFilter(std::uint32_t mask = kFilterAnything) : mask_(mask) {}
  bool IsMatch(IFileProperties* properties) override;
  std::uint32_t GetMask() const { return mask_; }

private:
  std::uint32_t mask_;
};

// Files whose state shares one of the bits 1, 2 and 4 with the mask; a mask
// of kFilterAnything matches every file whose state is known.
class CFileStateFilter : public IFileFilter {
public:
  explicit CFileStateFilter(std::uint32_t mask = kFilterAnything) : mask_(mask) {}
  bool IsMatch(IFileProperties* properties) override;
  std::uint32_t GetMask() const { return mask_; }

private:
  std::uint32_t mask_;
};
