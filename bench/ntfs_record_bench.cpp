// The NTFS deep scan asks about every sector whether a FILE record starts
// there, and validates (fix-up, attribute walk, undo) what passes. MB/s over
// 256 MiB of pseudo-random sectors in which one 1024-byte slot in eight
// holds a sound record, beside a plain pass that sums each sector's first
// word; then the decoding of the records found (view, $FILE_NAME, runs).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"

namespace {

// A 1024-byte record: $FILE_NAME and a non-resident $DATA of three runs,
// protected by the update sequence.
std::vector<std::uint8_t> SoundRecord() {
  std::vector<std::uint8_t> r(1024, 0);
  std::memcpy(r.data(), "FILE", 4);
  qm::StoreLe16(&r[0x04], 0x30);
  qm::StoreLe16(&r[0x06], 3);
  qm::StoreLe16(&r[0x14], 0x38);
  qm::StoreLe16(&r[0x16], 1);
  qm::StoreLe32(&r[0x1C], 1024);
  std::size_t at = 0x38;
  // $FILE_NAME "benchmark.dat"
  const char16_t name[] = u"benchmark.dat";
  const std::size_t chars = 13;
  const std::size_t fnLength = (0x18 + 0x42 + chars * 2 + 7) & ~std::size_t{7};
  qm::StoreLe32(&r[at], 0x30);
  qm::StoreLe32(&r[at + 4], static_cast<std::uint32_t>(fnLength));
  qm::StoreLe32(&r[at + 0x10], static_cast<std::uint32_t>(0x42 + chars * 2));
  qm::StoreLe16(&r[at + 0x14], 0x18);
  qm::StoreLe64(&r[at + 0x18], 5);
  r[at + 0x18 + 0x40] = static_cast<std::uint8_t>(chars);
  for (std::size_t i = 0; i < chars; ++i)
    qm::StoreLe16(&r[at + 0x18 + 0x42 + 2 * i], name[i]);
  at += fnLength;
  // $DATA, non-resident
  const std::uint8_t pairs[] = {0x21, 0x10, 0x00, 0x10, 0x11, 0x08, 0x20, 0x01, 0x04, 0x00};
  qm::StoreLe32(&r[at], 0x80);
  qm::StoreLe32(&r[at + 4], 0x50);
  r[at + 8] = 1;
  qm::StoreLe64(&r[at + 0x18], 27);
  qm::StoreLe16(&r[at + 0x20], 0x40);
  qm::StoreLe64(&r[at + 0x30], 28 * 4096);
  std::memcpy(&r[at + 0x40], pairs, sizeof pairs);
  at += 0x50;
  qm::StoreLe32(&r[at], 0xFFFFFFFF);
  qm::StoreLe32(&r[0x18], static_cast<std::uint32_t>(at + 8));
  // Protect the two strides.
  qm::StoreLe16(&r[0x30], 0x0042);
  for (int i = 0; i < 2; ++i) {
    std::memcpy(&r[0x32 + 2 * i], &r[512 * i + 510], 2);
    qm::StoreLe16(&r[512 * i + 510], 0x0042);
  }
  return r;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
  constexpr std::size_t kSector = 512;
  constexpr std::size_t kBytes = 256u << 20;
  std::vector<std::uint8_t> data(kBytes);
  std::uint64_t x = 88172645463325252ull;
  for (std::size_t i = 0; i < data.size(); i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(&data[i], &x, 8);
  }
  const auto record = SoundRecord();
  for (std::size_t at = 0; at + 1024 <= data.size(); at += 8 * 1024)
    std::memcpy(&data[at], record.data(), 1024);

  auto start = std::chrono::steady_clock::now();
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < data.size(); at += kSector) {
    std::uint32_t word;
    std::memcpy(&word, &data[at], 4);
    sum += word;
  }
  const double reference = Since(start);

  start = std::chrono::steady_clock::now();
  std::size_t headers = 0;
  std::size_t valid = 0;
  for (std::size_t at = 0; at + 1024 <= data.size(); at += kSector) {
    if (!IsFileRecordHeader(qm::ByteView(&data[at], 1024))) continue;
    ++headers;
    valid += IsValidFileRecord(std::span<std::uint8_t>(&data[at], 1024));
  }
  const double scan = Since(start);

  start = std::chrono::steady_clock::now();
  std::size_t runs = 0;
  std::size_t names = 0;
  for (std::size_t at = 0; at + 1024 <= data.size(); at += 8 * 1024) {
    CNTFSFileRecordView view(std::span<std::uint8_t>(&data[at], 1024), false);
    const auto fn = FindAttribute(view.Record(), 0x30, 0);
    names += qm::FileNameBytes(fn.bytes).size() / 2;
    const auto a = FindAttribute(view.Record(), 0x80, 0);
    if (const auto nr = qm::ReadNonResident(a.bytes)) {
      qm::NtfsRunList list;
      DecodeDataRuns(nr->mappingPairs, list, nr->firstVcn);
      runs += list.size();
    }
  }
  const double decode = Since(start);
  const std::size_t records = data.size() / (8 * 1024);

  std::printf("reference: first word of each sector     %8.0f MB/s  (sum %llu)\n", kBytes / reference / 1e6,
              static_cast<unsigned long long>(sum & 0xFF));
  std::printf("header test + validation of every sector %8.0f MB/s  headers %zu valid %zu\n",
              kBytes / scan / 1e6, headers, valid);
  std::printf("decode (view, name, runs) of records     %8.2f M records/s  runs %zu names %zu\n",
              records / decode / 1e6, runs, names);
  return valid == records ? 0 : 1;
}
