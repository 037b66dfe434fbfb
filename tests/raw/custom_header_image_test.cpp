// A user-defined header found in a real FAT volume: the file is written by
// mtools, the image is read sector by sector through the image device, and
// the one sector that matches is where the file's bytes begin.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "filemodel/raw_file_info.h"
#include "raw/custom_file_analyser.h"
#include "raw/raw_type_names.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> FileWithHeader(std::size_t size, std::size_t headerAt) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
  const char signature[] = "QMSIGNAT";
  std::copy(signature, signature + 8, bytes.begin() + static_cast<std::ptrdiff_t>(headerAt));
  bytes[headerAt + 0x1F0] = 0xCA;
  bytes[headerAt + 0x1F1] = 0xFE;
  return bytes;
}

std::vector<std::uint8_t> ReadWhole(const fs::path& path) {
  std::vector<std::uint8_t> bytes(fs::file_size(path));
  std::ifstream(path, std::ios::binary)
      .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(CustomHeaderOnImage, FindsTheFileStartInAFatVolume) {
  const fs::path image = qm::MakeSparseImage("custom_header_fat.img", 4u << 20);
  const fs::path work = qm::ScratchPath("custom_header_files");
  fs::create_directories(work / "scripts");
  const auto wanted = FileWithHeader(3000, 0);
  const auto decoy = FileWithHeader(3000, 3); // the header not at a sector start
  WriteFile(work / "wanted.bin", wanted);
  WriteFile(work / "decoy.bin", decoy);
  ASSERT_EQ(qm::RunCommand("mkfs.fat -F 12 -n QMTEST " + image.string() + " >/dev/null"), 0);
  ASSERT_EQ(
      qm::RunCommand("mcopy -i " + image.string() + " " + (work / "decoy.bin").string() + " ::DECOY.BIN"), 0);
  ASSERT_EQ(
      qm::RunCommand("mcopy -i " + image.string() + " " + (work / "wanted.bin").string() + " ::WANTED.BIN"),
      0);
  std::ofstream(work / "scripts" / "qm.fhs", std::ios::binary)
      << "REMARK: test type\r\nFILEINFO: EXTNAME=\"qmsig\"\r\n"
         "FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"QMSIGNAT\"\r\nFILESIGN: OFFSET=0x1F0 TYPE=BYTE "
         "VALUE=0xCA,0xFE";
  const std::vector<std::uint8_t> before = ReadWhole(image);

  RawTypeNames::ResetCustomForTest();
  CustomFileAnalyser analyser(work / "scripts");
  CImageFileDevice device(image.c_str());
  ASSERT_EQ(device.Open(), 1);
  const std::uint64_t sectors = device.GetSectorCount();
  std::vector<std::uint8_t> block(128 * 512);
  std::vector<std::uint64_t> found;
  for (std::uint64_t first = 0; first < sectors; first += 128) {
    const std::uint64_t count = std::min<std::uint64_t>(128, sectors - first);
    ASSERT_EQ(device.ReadSectors(block.data(), first, count), 1);
    for (std::uint64_t i = 0; i < count; ++i) {
      CRawFileInfo info;
      if (analyser.CheckHeader(qm::ByteView(&block[i * 512], 512), &info)) {
        EXPECT_EQ(info.GetType(), kFirstCustomRawType);
        found.push_back(first + i);
      }
    }
  }
  ASSERT_EQ(found.size(), 1u);
  EXPECT_STREQ(RawTypeNames::Get(kFirstCustomRawType), "QMSIG");

  // The file is stored contiguously on a fresh volume: its bytes follow.
  std::vector<std::uint8_t> start(6 * 512);
  ASSERT_EQ(device.ReadSectors(start.data(), found[0], 6), 1);
  EXPECT_TRUE(std::equal(wanted.begin(), wanted.end(), start.begin()));
  device.Close();
  EXPECT_TRUE(ReadWhole(image) == before); // read-only: the image is unchanged
  RawTypeNames::ResetCustomForTest();
}

} // namespace
