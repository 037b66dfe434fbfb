// Writes a dynamic-disk database for tests, after its documented on-disk
// layout: an MBR with the 0x42 partition, the private header (sector 6 and
// a copy at the start of the configuration area), the two tables of
// contents, the VMDB and the VBLK records of disks, partitions, components
// and volumes, each record spread over as many 128-byte blocks as it needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

// Big-endian var fields as the records hold them.
void PutVarNumber(std::vector<std::uint8_t>& out, std::uint64_t value);
void PutVarText(std::vector<std::uint8_t>& out, const std::string& text);

class LdmBuilder {
public:
  // Where the private header puts things on every disk, in sectors.
  static constexpr std::uint64_t kDataStart = 63;
  static constexpr std::uint64_t kConfigSectors = 2048;

  explicit LdmBuilder(std::string groupName = "WinDg0") : group_(std::move(groupName)) {}

  // Each returns the record's object id. Sizes, starts and offsets are in
  // 512-byte units, as the database stores them.
  std::uint64_t AddDisk(const std::string& guidText, bool binaryGuid = false);
  std::uint64_t AddVolume(const std::string& name, std::uint8_t volumeType, std::uint64_t size,
                          std::uint8_t partitionType, std::uint64_t componentCount,
                          const std::string& fieldAfterType = "");
  // stripe and columns 0: the record carries no stripe size.
  std::uint64_t AddComponent(std::uint64_t volumeId, std::uint8_t type, std::uint64_t partitionCount,
                             std::uint64_t stripe = 0, std::uint64_t columns = 0);
  std::uint64_t AddPartition(std::uint64_t componentId, std::uint64_t diskId, std::uint64_t start,
                             std::uint64_t volumeOffset, std::uint64_t size, std::optional<std::uint64_t> index = {});
  // A record of any type and flags with the given data (from offset 24).
  void AddRawRecord(std::uint8_t type, std::uint8_t flags, std::vector<std::uint8_t> data);

  // The blocks of the records in order, each record's first block followed
  // by its continuations; a few unused blocks follow.
  std::vector<std::uint8_t> VblkBlocks() const;

  // The private header sector (big-endian, as on disk) of a disk.
  std::vector<std::uint8_t> PrivateHeader(const std::string& diskGuid, std::uint64_t diskSectors,
                                          std::uint64_t configStart) const;

  // Writes an MBR dynamic disk image of diskSectors 512-byte sectors: the
  // MBR, the private header at sector 6 and the configuration area in the
  // last kConfigSectors sectors. Returns the configuration area's start.
  std::uint64_t WriteDisk(std::vector<std::uint8_t>& image, const std::string& diskGuid) const;

private:
  struct Record {
    std::uint8_t type;
    std::uint8_t flags;
    std::vector<std::uint8_t> data;
  };
  std::string group_;
  std::vector<Record> records_;
  std::uint64_t nextId_ = 1;
};

} // namespace qm::test
