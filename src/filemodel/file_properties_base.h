// What the engines' file properties (NTFS, FAT, EXT2, RAW) keep alike: the
// name, size, attributes, three times, state, check state, the engine's
// small extra value and the extents in packed form, with their accessors,
// and the pieces every engine's saved record is made of. Each engine's
// class keeps only what its file system adds.
//
// The fields are laid out so that a derived class can put its small fields
// into the tail of this one: a tree holds one object per file, a million
// on a large volume.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filemodel/file_properties.h"
#include "filemodel/packed_data_run_list.h"

class CFilePropertiesBase : public IFileProperties {
public:
  // Names are saved with a 16-bit length; longer ones are cut.
  static constexpr std::size_t kMaxNameBytes = 0xFFFF;

  std::uint32_t GetNameLength() const override { return static_cast<std::uint32_t>(name_.size()); }
  // A null text leaves no name; a longer one than kMaxNameBytes is cut.
  void SetName(const char* name) override;
  const char* GetName() const override { return name_.c_str(); }
  std::uint64_t GetSize() const final { return size_; }
  std::uint16_t GetAttributes() const final { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const final { return Put(creationTime_, out); }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const final { return Put(lastWriteTime_, out); }
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override { return Put(lastAccessTime_, out); }
  std::uint16_t GetState() const final { return state_; }
  std::uint8_t GetCheckState() const override { return checkState_; }
  void SetCheckState(std::uint8_t state) override { checkState_ = state; }
  // A new list unpacked from the packed extents; null when there are none.
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    return extents_ != nullptr ? extents_->Unpack() : nullptr;
  }
  std::uint32_t GetValidFields() const override { return qm::kValidAll; }
  std::uint32_t GetExtraValue() const override { return extraValue_; }
  // Keeps the low byte; returns 1.
  std::uint32_t SetExtraValue(std::uint32_t value) override;

  void SetSize(std::uint64_t size) { size_ = size; }
  void SetAttributes(std::uint16_t attributes) { attributes_ = attributes; }
  void SetState(std::uint8_t state) { state_ = state; }
  void SetCreationTime(qm::FileTime time) { creationTime_ = time; }
  void SetLastWriteTime(qm::FileTime time) { lastWriteTime_ = time; }
  void SetLastAccessTime(qm::FileTime time) { lastAccessTime_ = time; }
  bool HasExtents() const { return extents_ != nullptr; }
  const CPackedDataRunList* GetPackedExtents() const { return extents_.get(); }

protected:
  CFilePropertiesBase() = default;
  CFilePropertiesBase(const CFilePropertiesBase&) = delete;
  CFilePropertiesBase& operator=(const CFilePropertiesBase&) = delete;

  // The facts every saved record holds after its names: u64 size, u16
  // attributes, three u64 times (not in a record of an engine without
  // times), u8 state.
  struct SavedFacts {
    std::uint64_t size = 0;
    std::uint16_t attributes = 0;
    qm::FileTime creationTime = 0;
    qm::FileTime lastWriteTime = 0;
    qm::FileTime lastAccessTime = 0;
    std::uint8_t state = 0;
  };
  enum class SavedTimes { kYes, kNo };
  void WriteFacts(IRSData& stream, SavedTimes times) const;
  static SavedFacts ReadFacts(IRSData& stream, SavedTimes times);

  // u32 1 and the packed extents, or u32 0.
  void WriteExtents(IRSData* stream) const;
  // Reads what WriteExtents wrote; false for damage (a flag other than 0
  // and 1, or a packed list that cannot be read): the record's length is
  // then unknown and nothing after it can be trusted.
  static bool ReadExtents(IRSData* stream, std::unique_ptr<CPackedDataRunList>& extents);

  // Exactly length bytes: the text's first bytes, then zeros.
  static void WriteText(IRSData& stream, const std::string& text, std::size_t length);
  // The same, but the last of the length bytes is always a zero: for
  // records whose stored length counts the terminator.
  static void WriteTerminatedText(IRSData& stream, const std::string& text, std::size_t length);
  // length bytes, taken as a text up to the first zero byte.
  static std::string ReadText(IRSData& stream, std::size_t length);

  // A record read whole replaces the object's fields; the check state and
  // the extra value start at 0 (a saved tree keeps no user choices).
  void TakeLoaded(std::string name, const SavedFacts& facts, std::unique_ptr<CPackedDataRunList> extents);

  // Packs a non-null list (an empty one leaves no extents).
  void PackExtents(const IDataRunList* list);

  std::string name_;
  std::uint64_t size_ = 0;
  qm::FileTime creationTime_ = 0;
  qm::FileTime lastWriteTime_ = 0;
  qm::FileTime lastAccessTime_ = 0;
  std::unique_ptr<CPackedDataRunList> extents_;
  std::uint16_t attributes_ = 0;
  std::uint8_t state_ = 0;
  std::uint8_t checkState_ = 0;
  std::uint8_t extraValue_ = 0;

private:
  static qm::FileTime* Put(qm::FileTime value, qm::FileTime* out) {
    if (out != nullptr) *out = value;
    return out;
  }
};
