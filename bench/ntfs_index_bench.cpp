// What the NTFS deep scan pays per sector for the index and log tests: the
// INDX check (header, fix-up, entry walk, fix-up undone) and the log page
// tests, tried at every 512-byte sector of a 64 MiB buffer. Two buffers:
// random sectors (the common case: rejected by the magic) and sound INDX
// blocks only (the worst case: every entry walked). Reference: one pass
// that only compares each sector's first four bytes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

#include "ntfs/index_record.h"
#include "ntfs/log_pages.h"
#include "platform/byte_view.h"

namespace {

constexpr std::size_t kBufferBytes = 64u << 20;
constexpr std::size_t kSector = 512;
constexpr std::size_t kBlock = 4096;

std::vector<std::uint8_t> RandomBytes() {
  std::vector<std::uint8_t> bytes(kBufferBytes);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = 0; i < bytes.size(); i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    std::memcpy(&bytes[i], &state, 8);
  }
  return bytes;
}

// A sound, protected 4096-byte block with as many entries as fit.
void WriteIndxBlock(std::uint8_t* b) {
  std::memset(b, 0, kBlock);
  std::memcpy(b, "INDX", 4);
  qm::StoreLe16(b + 4, 0x28);
  qm::StoreLe16(b + 6, 9);
  qm::StoreLe32(b + 0x18, 0x28);
  qm::StoreLe32(b + 0x20, 0xFE8);
  std::size_t at = 0x40;
  for (int i = 0; at + 0x68 + 16 < kBlock - 8; ++i, at += 0x68) {
    qm::StoreLe16(b + at + 8, 0x68);
    qm::StoreLe16(b + at + 10, 0x52);
    qm::StoreLe64(b + at + 16, 0x0001000000000040ull);
    qm::StoreLe64(b + at + 56, 8192);
    qm::StoreLe64(b + at + 64, 5000 + i);
    b[at + 80] = 8;
  }
  qm::StoreLe16(b + at + 8, 16);
  qm::StoreLe16(b + at + 12, 2);
  qm::StoreLe32(b + 0x1C, static_cast<std::uint32_t>(at + 16 - 0x18));
  qm::StoreLe16(b + 0x28, 7);
  for (int i = 0; i < 8; ++i) {
    std::memcpy(b + 0x2A + 2 * i, b + 512 * i + 510, 2);
    qm::StoreLe16(b + 512 * i + 510, 7);
  }
}

template <typename F> double Time(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* what, double seconds, double reference, std::size_t hits) {
  std::printf("%-40s %8.0f MB/s  (%5.1fx reference)  hits %zu\n", what, kBufferBytes / seconds / 1e6,
              seconds / reference, hits);
}

void RunOver(const char* name, std::vector<std::uint8_t>& bytes) {
  std::size_t magic = 0;
  const double reference = Time([&] {
    for (std::size_t at = 0; at + kBlock <= bytes.size(); at += kSector)
      magic += std::memcmp(&bytes[at], "INDX", 4) == 0;
  });
  std::printf("%s\n%-40s %8.0f MB/s  magic %zu\n", name, "  reference: compare the magic",
              kBufferBytes / reference / 1e6, magic);
  std::size_t hits = 0;
  double seconds = Time([&] {
    for (std::size_t at = 0; at + kBlock <= bytes.size(); at += kSector)
      hits += IsValidIndxRecord(std::span<std::uint8_t>(&bytes[at], kBlock));
  });
  Report("  IsValidIndxRecord at every sector", seconds, reference, hits);
  hits = 0;
  seconds = Time([&] {
    for (std::size_t at = 0; at + kBlock <= bytes.size(); at += kSector) {
      const qm::ByteView page(&bytes[at], kBlock);
      hits += IsValidRcrdPage(page) + IsValidRstrPage(page);
    }
  });
  Report("  RCRD and RSTR tests at every sector", seconds, reference, hits);
}

} // namespace

int main() {
  auto random = RandomBytes();
  RunOver("random sectors", random);
  std::vector<std::uint8_t> blocks(kBufferBytes);
  for (std::size_t at = 0; at < blocks.size(); at += kBlock)
    WriteIndxBlock(&blocks[at]);
  RunOver("sound INDX blocks", blocks);
  return 0;
}
