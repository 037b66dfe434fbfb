// Images damaged after they were written: header counts and table entries
// patched, parts lost, moved and listed again, part lists with odd line
// ends. Nothing may crash or read past its room; a damaged block reads as
// zeros (or as its stored bytes) and the rest of the image stays readable.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "image_test_support.h"
#include "imaging/compress_controller.h"
#include "imaging/image_device.h"
#include "imaging/image_file.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A zlib image of 1,024 pattern sectors in two parts (blocks 0-1, 2-3).
struct TwoPartImage {
  fs::path folder;
  std::string index;
  std::vector<std::uint8_t> bytes;
};

TwoPartImage MakeTwoPartImage(const std::string& name) {
  TwoPartImage out;
  out.folder = test::FreshFolder(name);
  out.index = (out.folder / "d.qmi").string();
  out.bytes = MakePatternBytes(1024, 512);
  MemoryDevice device(out.bytes, 512);
  CCompressController writer;
  writer.SetSource(&device, "two parts", 0, 1024, 255);
  writer.SetCompression(2, 6, image::kSplit4G);
  writer.SetTargetPath(out.index);
  test::RecordingCompressCallback callback;
  callback.newPartBefore = {2};
  EXPECT_EQ(writer.Run(&callback), 1);
  return out;
}

TEST(ImageDamage, HeaderCountsAndTableEntries) {
  struct Row {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> patch;
    bool opens;                    // CheckPartFiles
    std::vector<bool> blockIntact; // per block, when it opens
  };
  const Row rows[] = {
      {"untouched", [](auto&) {}, true, {true, true, true, true}},
      {"59 parts", [](auto& b) { PutLe32(b, 268, 59); }, false, {}},
      {"a huge part count", [](auto& b) { PutLe32(b, 268, 0xFFFFFFFF); }, false, {}},
      {"total blocks above the parts' sum", [](auto& b) { PutLe32(b, 272, 5); }, false, {}},
      {"a huge total", [](auto& b) { PutLe32(b, 272, 0xFFFFFFF0); }, false, {}},
      {"part blocks that do not add up", [](auto& b) { PutLe32(b, 276, 3); }, false, {}},
      {"block 1 ends before block 0",
       [](auto& b) { PutLe32(b, 512 + 4, 1); },
       true,
       {true, false, true, true}},
      {"block 0 longer than the bound",
       [](auto& b) { PutLe32(b, 512, 200000); },
       true,
       {false, false, true, true}},
      {"block 2 cut short", [](auto& b) { PutLe32(b, 512 + 8, 5); }, true, {true, true, false, false}},
      {"a truncated table", [](auto& b) { b.resize(512 + 8); }, true, {true, true, false, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TwoPartImage image = MakeTwoPartImage("image_damage_header");
    auto index = ReadFileBytes(image.index);
    row.patch(index);
    {
      std::ofstream out(image.index, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(index.data()), static_cast<std::streamsize>(index.size()));
    }
    CImageFileDeviceWithDecompress device(image.index);
    ASSERT_EQ(device.CheckPartFiles() != 0, row.opens);
    if (!row.opens) {
      EXPECT_EQ(device.GetSectorCount(), 0u);
      continue;
    }
    const auto back = test::ReadAll(device);
    ASSERT_EQ(back.size(), image.bytes.size());
    for (std::size_t b = 0; b < row.blockIntact.size(); ++b) {
      const auto from = static_cast<std::ptrdiff_t>(b * 131072);
      EXPECT_EQ(std::equal(back.begin() + from, back.begin() + from + 131072, image.bytes.begin() + from),
                row.blockIntact[b])
          << "block " << b;
    }
  }
}

TEST(ImageDamage, CorruptStoredBytesReadAsTheirStoredBytesNeverPastTheBlock) {
  TwoPartImage image = MakeTwoPartImage("image_damage_bytes");
  const std::string part0 = image::MakePartFileName(image.index, 0);
  auto bytes = ReadFileBytes(part0);
  for (std::size_t i = 512 + 2; i < bytes.size(); i += 7)
    bytes[i] ^= 0x5A;
  {
    std::ofstream out(part0, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  CImageFileDeviceWithDecompress device(image.index);
  ASSERT_TRUE(device.CheckPartFiles());
  const auto back = test::ReadAll(device);
  ASSERT_EQ(back.size(), image.bytes.size());
  // Part 1 is untouched.
  EXPECT_TRUE(std::equal(back.begin() + 2 * 131072, back.end(), image.bytes.begin() + 2 * 131072));
}

TEST(ImageDamage, AMissingPartReadsAsZerosUntilTheListIsRepaired) {
  TwoPartImage image = MakeTwoPartImage("image_damage_missing");
  const fs::path moved = test::FreshFolder("image_damage_missing_moved") / "d.part1.qmf";
  fs::rename(image::MakePartFileName(image.index, 1), moved);
  {
    CImageFileDeviceWithDecompress device(image.index);
    EXPECT_FALSE(device.CheckPartFiles());
    const auto back = test::ReadAll(device);
    ASSERT_EQ(back.size(), image.bytes.size());
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 2 * 131072, image.bytes.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 2 * 131072, back.end(), [](std::uint8_t b) { return b == 0; }));
  }
  // The part list names the moved part: the image is whole again. The
  // last line has no line end, as an editor may leave it.
  {
    std::ofstream list(image::PartListPath(image.index), std::ios::binary | std::ios::trunc);
    list << image::MakePartFileName(image.index, 0) << "\r\n" << moved.string();
  }
  CImageFileDeviceWithDecompress device(image.index);
  EXPECT_TRUE(device.CheckPartFiles());
  EXPECT_EQ(test::ReadAll(device), image.bytes);
}

TEST(ImageDamage, ReadOnlyPartsAreAccepted) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root reads and writes every file";
  }
  TwoPartImage image = MakeTwoPartImage("image_read_only");
  for (int p = 0; p < 2; ++p) {
    fs::permissions(image::MakePartFileName(image.index, static_cast<std::uint32_t>(p)),
                    fs::perms::owner_read);
  }
  CImageFileDeviceWithDecompress device(image.index);
  EXPECT_TRUE(device.CheckPartFiles());
  EXPECT_EQ(test::ReadAll(device), image.bytes);
}

TEST(ImageDamage, OpenImageDeviceTellsIndexesFromPlainImages) {
  TwoPartImage image = MakeTwoPartImage("image_open_device");
  auto compressed = image::OpenImageDevice(image.index);
  ASSERT_NE(compressed, nullptr);
  EXPECT_EQ(compressed->GetSectorCount(), 1024u);
  auto plain = image::OpenImageDevice(image::MakePartFileName(image.index, 0));
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(image::OpenImageDevice((image.folder / "none.qmi").string()), nullptr);
  fs::remove(image::PartListPath(image.index));
  EXPECT_EQ(image::OpenImageDevice(image.index), nullptr);
}

// An index is told by its content, whatever its name; no raw image of a
// disk or a volume passes for one.
TEST(ImageDamage, AnIndexIsToldByItsContent) {
  TwoPartImage image = MakeTwoPartImage("image_index_content");
  EXPECT_TRUE(image::IsImageIndex(image.index));
  // Renamed with its part list: still the same image.
  const fs::path renamed = image.folder / "rescued.bin";
  fs::copy_file(image.index, renamed);
  fs::copy_file(image::PartListPath(image.index), image::PartListPath(renamed.string()));
  EXPECT_TRUE(image::IsImageIndex(renamed.string()));
  auto device = image::OpenImageDevice(renamed.string());
  ASSERT_NE(device, nullptr);
  EXPECT_NE(dynamic_cast<CImageFileDeviceWithDecompress*>(device.get()), nullptr);
  EXPECT_EQ(test::ReadAll(*device), image.bytes);

  auto write = [&](const std::string& name, std::vector<std::uint8_t> bytes) {
    const fs::path path = image.folder / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path.string();
  };
  std::vector<std::uint8_t> index(fs::file_size(image.index));
  std::ifstream(image.index, std::ios::binary).read(reinterpret_cast<char*>(index.data()),
                                                     static_cast<std::streamsize>(index.size()));
  std::vector<std::uint8_t> zeros(64 * 1024, 0); // a volume whose first sectors are empty (EXT2)
  std::vector<std::uint8_t> signed_ = index;      // a boot sector's signature where the zero word is
  signed_[510] = 0x55;
  signed_[511] = 0xAA;
  std::vector<std::uint8_t> cut(index.begin(), index.end() - 4); // fewer block ends than blocks
  std::vector<std::uint8_t> odd = index;
  odd.push_back(0); // block ends are whole words
  std::vector<std::uint8_t> sector = index;
  PutLe32(sector, image::kSectorSizeOffset, 520);
  std::vector<std::uint8_t> parts = index;
  PutLe32(parts, image::kPartBlocksOffset + 4 * 5, 1); // a part past the count holds blocks
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } notIndexes[] = {{"zeros.img", zeros}, {"signed.img", signed_}, {"cut.qmi", cut},
                    {"odd.qmi", odd},     {"sector.qmi", sector},   {"parts.qmi", parts}};
  for (const auto& c : notIndexes) {
    EXPECT_FALSE(image::IsImageIndex(write(c.name, c.bytes))) << c.name;
  }
  EXPECT_FALSE(image::IsImageIndex(image::MakePartFileName(image.index, 0)));
  EXPECT_FALSE(image::IsImageIndex((image.folder / "missing.qmi").string()));
}

} // namespace
} // namespace qm
