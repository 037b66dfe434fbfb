#include "ldm_test_builder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace qm::test {

namespace {

void PutBe(std::uint8_t* out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) {
    out[i] = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
}

void AppendBe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  out.resize(out.size() + static_cast<std::size_t>(bytes));
  PutBe(out.data() + out.size() - static_cast<std::size_t>(bytes), value, bytes);
}

void AppendZeros(std::vector<std::uint8_t>& out, std::size_t count) { out.resize(out.size() + count, 0); }

void PutText(std::uint8_t* out, const std::string& text, std::size_t room) {
  std::memcpy(out, text.data(), std::min(text.size(), room));
}

} // namespace

void PutVarNumber(std::vector<std::uint8_t>& out, std::uint64_t value) {
  int bytes = 1;
  while (bytes < 8 && (value >> (8 * bytes)) != 0) ++bytes;
  out.push_back(static_cast<std::uint8_t>(bytes));
  AppendBe(out, value, bytes);
}

void PutVarText(std::vector<std::uint8_t>& out, const std::string& text) {
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

std::uint64_t LdmBuilder::AddDisk(const std::string& guidText, bool binaryGuid) {
  const std::uint64_t id = nextId_++;
  std::vector<std::uint8_t> d;
  PutVarNumber(d, id);
  PutVarText(d, "Disk" + std::to_string(id));
  if (binaryGuid) {
    // The text's 32 hex digits in their written order.
    std::string hex;
    for (char c : guidText)
      if (c != '-') hex += c;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      d.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    AppendZeros(d, 8);
  } else {
    PutVarText(d, guidText);
    PutVarText(d, ""); // alternate name
    AppendZeros(d, 12);
  }
  records_.push_back({binaryGuid ? std::uint8_t{0x44} : std::uint8_t{0x34}, 0, std::move(d)});
  return id;
}

std::uint64_t LdmBuilder::AddVolume(const std::string& name, std::uint8_t volumeType, std::uint64_t size,
                                    std::uint8_t partitionType, std::uint64_t componentCount,
                                    const std::string& fieldAfterType) {
  const std::uint64_t id = nextId_++;
  std::vector<std::uint8_t> d;
  PutVarNumber(d, id);
  PutVarText(d, name);
  PutVarText(d, volumeType == 4 ? "raid5" : "gen");
  PutVarText(d, fieldAfterType); // one zero byte when empty
  const char state[14] = "ACTIVE";
  d.insert(d.end(), state, state + 14);
  d.push_back(volumeType);
  d.push_back(0);                                // unknown
  d.push_back(static_cast<std::uint8_t>(id));    // volume number
  AppendZeros(d, 3);
  d.push_back(0);                                // flags
  PutVarNumber(d, componentCount);
  AppendBe(d, 0x1234, 8);                        // log commit id
  AppendBe(d, id, 8);                            // id
  PutVarNumber(d, size);
  AppendZeros(d, 4);
  d.push_back(partitionType);
  for (int i = 0; i < 16; ++i) d.push_back(static_cast<std::uint8_t>(0xA0 + i + id));
  records_.push_back({0x51, 0, std::move(d)});
  return id;
}

std::uint64_t LdmBuilder::AddComponent(std::uint64_t volumeId, std::uint8_t type, std::uint64_t partitionCount,
                                       std::uint64_t stripe, std::uint64_t columns) {
  const std::uint64_t id = nextId_++;
  std::vector<std::uint8_t> d;
  PutVarNumber(d, id);
  PutVarText(d, "Volume" + std::to_string(volumeId) + "-01");
  PutVarText(d, "ACTIVE");
  d.push_back(type);
  AppendZeros(d, 4);
  PutVarNumber(d, partitionCount);
  AppendBe(d, 0x1234, 8); // log commit id
  AppendZeros(d, 8);
  PutVarNumber(d, volumeId);
  std::uint8_t flags = 0;
  if (stripe != 0 || columns != 0) {
    flags = 0x10;
    d.push_back(0);
    PutVarNumber(d, stripe);
    PutVarNumber(d, columns);
  }
  records_.push_back({0x32, flags, std::move(d)});
  return id;
}

std::uint64_t LdmBuilder::AddPartition(std::uint64_t componentId, std::uint64_t diskId, std::uint64_t start,
                                       std::uint64_t volumeOffset, std::uint64_t size,
                                       std::optional<std::uint64_t> index) {
  const std::uint64_t id = nextId_++;
  std::vector<std::uint8_t> d;
  PutVarNumber(d, id);
  PutVarText(d, "Disk" + std::to_string(diskId) + "-" + std::to_string(id));
  AppendZeros(d, 4);
  AppendBe(d, 0x1234, 8); // log commit id
  AppendBe(d, start, 8);
  AppendBe(d, volumeOffset, 8);
  PutVarNumber(d, size);
  PutVarNumber(d, componentId);
  PutVarNumber(d, diskId);
  if (index) PutVarNumber(d, *index);
  records_.push_back({0x33, index ? std::uint8_t{0x08} : std::uint8_t{0}, std::move(d)});
  return id;
}

void LdmBuilder::AddRawRecord(std::uint8_t type, std::uint8_t flags, std::vector<std::uint8_t> data) {
  records_.push_back({type, flags, std::move(data)});
}

std::vector<std::uint8_t> LdmBuilder::VblkBlocks() const {
  std::vector<std::uint8_t> out;
  // The VMDB sector holds the first four slots.
  std::uint32_t sequence = 4;
  std::uint32_t group = 1;
  for (const Record& record : records_) {
    const std::size_t first = std::min<std::size_t>(record.data.size(), 104);
    const std::size_t rest = record.data.size() - first;
    const std::size_t count = 1 + (rest + 111) / 112;
    for (std::size_t entry = 0; entry < count; ++entry) {
      std::uint8_t block[128] = {};
      std::memcpy(block, "VBLK", 4);
      PutBe(block + 4, sequence++, 4);
      PutBe(block + 8, group, 4);
      PutBe(block + 12, entry, 2);
      PutBe(block + 14, count, 2);
      if (entry == 0) {
        PutBe(block + 16, 0, 2); // status
        block[18] = record.flags;
        block[19] = record.type;
        PutBe(block + 20, record.data.size(), 4);
        std::memcpy(block + 24, record.data.data(), first);
      } else {
        const std::size_t at = 104 + (entry - 1) * 112;
        std::memcpy(block + 16, record.data.data() + at, std::min<std::size_t>(112, record.data.size() - at));
      }
      out.insert(out.end(), block, block + 128);
    }
    ++group;
  }
  // Unused slots: the signature with record id 0.
  for (int i = 0; i < 3; ++i) {
    std::uint8_t block[128] = {};
    std::memcpy(block, "VBLK", 4);
    PutBe(block + 4, sequence++, 4);
    out.insert(out.end(), block, block + 128);
  }
  return out;
}

std::vector<std::uint8_t> LdmBuilder::PrivateHeader(const std::string& diskGuid, std::uint64_t diskSectors,
                                                    std::uint64_t configStart) const {
  std::vector<std::uint8_t> s(512, 0);
  std::memcpy(s.data(), "PRIVHEAD", 8);
  PutBe(&s[0x0C], 2, 2);  // version 2.12
  PutBe(&s[0x0E], 12, 2);
  PutText(&s[0x30], diskGuid, 64);
  PutText(&s[0x70], "5f5b2c6d-0000-11d8-9a27-00e018c5e61e", 64); // host id
  PutText(&s[0xB0], "7c3bd0a5-1111-11d8-9a27-00e018c5e61e", 64); // disk-group id
  PutText(&s[0xF0], group_, 31);
  PutBe(&s[0x11B], kDataStart, 8);
  PutBe(&s[0x123], configStart - kDataStart, 8); // data area size
  PutBe(&s[0x12B], configStart, 8);
  PutBe(&s[0x133], kConfigSectors, 8);
  PutBe(&s[0x13B], 2, 8);    // tables of contents
  PutBe(&s[0x143], 1, 8);    // their size
  PutBe(&s[0x14B], 1, 4);    // configurations
  PutBe(&s[0x14F], 1, 4);    // logs
  PutBe(&s[0x153], 1472, 8); // configuration size
  PutBe(&s[0x15B], 224, 8);  // log size
  PutBe(&s[0x163], 0x12345678, 4);
  (void)diskSectors;
  return s;
}

std::uint64_t LdmBuilder::WriteDisk(std::vector<std::uint8_t>& image, const std::string& diskGuid) const {
  const std::uint64_t sectors = image.size() / 512;
  if (sectors < kConfigSectors + kDataStart + 8) throw std::invalid_argument("disk too small for a database");
  const std::uint64_t config = sectors - kConfigSectors;
  std::uint8_t* mbr = image.data();
  mbr[446 + 4] = 0x42;
  for (int i = 0; i < 4; ++i) mbr[446 + 8 + i] = static_cast<std::uint8_t>(kDataStart >> (8 * i));
  const std::uint64_t count = sectors - kDataStart;
  for (int i = 0; i < 4; ++i) mbr[446 + 12 + i] = static_cast<std::uint8_t>(count >> (8 * i));
  mbr[510] = 0x55;
  mbr[511] = 0xAA;

  const std::vector<std::uint8_t> header = PrivateHeader(diskGuid, sectors, config);
  std::memcpy(image.data() + 6 * 512, header.data(), 512);
  std::uint8_t* area = image.data() + config * 512;
  std::memcpy(area, header.data(), 512);
  // Two tables of contents: the "config" and "log" regions of the area.
  for (int copy = 1; copy <= 2; ++copy) {
    std::uint8_t* toc = area + copy * 512;
    std::memcpy(toc, "TOCBLOCK", 8);
    std::memcpy(toc + 0x24, "config", 6);
    PutBe(toc + 0x2E, 17, 8);
    PutBe(toc + 0x36, 1472, 8);
    std::memcpy(toc + 0x46, "log", 3);
    PutBe(toc + 0x50, 1489, 8);
    PutBe(toc + 0x58, 224, 8);
  }
  const std::vector<std::uint8_t> blocks = VblkBlocks();
  std::uint8_t* vmdb = area + 17 * 512;
  std::memcpy(vmdb, "VMDB", 4);
  PutBe(vmdb + 0x04, 4 + blocks.size() / 128, 4); // last sequence number
  PutBe(vmdb + 0x08, 128, 4);                     // VBLK size
  PutBe(vmdb + 0x0C, 512, 4);                     // first VBLK offset
  PutBe(vmdb + 0x12, 4, 2);                       // version 4.10
  PutBe(vmdb + 0x14, 10, 2);
  PutText(vmdb + 0x16, group_, 31);
  std::memcpy(vmdb + 512, blocks.data(), blocks.size());
  return config;
}

} // namespace qm::test
