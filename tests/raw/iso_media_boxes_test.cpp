#include "raw/iso_media_boxes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "format_fixture.h"
#include "platform/message_pump.h"

namespace {

std::uint64_t Measure(IStorageDevice* device, std::uint64_t firstSector, int expectedResult = 1) {
  CRawFileInfo record;
  record.SetStartSector(firstSector);
  EXPECT_EQ(MeasureBoxFile(&record, device), expectedResult);
  return record.GetLength();
}

TEST(IsoMediaBoxes, RealFilesAreMeasuredToTheirExactSize) {
  // The default layout (ftyp, free, mdat, moov), the index first, a
  // fragmented file (moof and mdat pairs, mfra) and a 3GP file.
  for (const char* name : {"plain.mp4", "faststart.mp4", "fragmented.mp4", "small.3gp"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> file = qm::ReadFormatFixture(name);
    ASSERT_GT(file.size(), 1000u);
    for (std::int32_t sectorSize : {512, 4096}) {
      auto device = qm::DeviceWithFile(file, 11, 5000, sectorSize);
      EXPECT_EQ(Measure(device.get(), 11), file.size());
    }
  }
}

// A box header and room for its body (a huge box gets only its header: it
// is the last one of its test).
void PutBox(std::vector<std::uint8_t>& out, std::uint32_t size, const char* type) {
  const std::size_t at = out.size();
  out.resize(at + std::clamp<std::uint32_t>(size, 8, 1 << 16));
  for (int i = 0; i < 4; ++i)
    out[at + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  std::copy(type, type + 4, out.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

std::unique_ptr<qm::MemoryDevice> Device(std::vector<std::uint8_t> bytes) {
  bytes.resize((bytes.size() / 512 + 2) * 512); // zeros after the boxes
  return std::make_unique<qm::MemoryDevice>(std::move(bytes), 512);
}

TEST(IsoMediaBoxes, WalkEndsAtTheFirstBoxThatIsNotPartOfTheBody) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint64_t length;
  };
  std::vector<std::uint8_t> twoFtyp, upperCase, zeroSize, negative, small, large, alternate, badLarge;
  PutBox(twoFtyp, 24, "ftyp");
  PutBox(twoFtyp, 16, "ftyp");
  PutBox(twoFtyp, 16, "mdat");
  PutBox(upperCase, 24, "ftyp");
  PutBox(upperCase, 40, "MDAT");
  PutBox(upperCase, 16, "MooV");
  PutBox(upperCase, 16, "wide");
  PutBox(zeroSize, 24, "ftyp");
  PutBox(zeroSize, 0, "mdat"); // "to the end of the file"
  PutBox(negative, 24, "ftyp");
  PutBox(negative, 0x80000000u, "mdat");
  PutBox(small, 24, "ftyp");
  PutBox(small, 4, "free");
  PutBox(large, 24, "ftyp");
  PutBox(large, 1, "mdat"); // a 64-bit size follows
  large.resize(large.size() + 8);
  for (int i = 0; i < 8; ++i)
    large[32 + i] = static_cast<std::uint8_t>(std::uint64_t{48} >> (56 - 8 * i));
  large.resize(24 + 48);
  PutBox(large, 8, "free");
  PutBox(badLarge, 24, "ftyp");
  PutBox(badLarge, 1, "mdat");
  badLarge.resize(badLarge.size() + 8); // 64-bit size 0
  PutBox(alternate, 24, "ftyp");
  PutBox(alternate, 32, "uuid");
  std::copy_n("moov", 4, alternate.begin() + 24 + 12);
  const Case cases[] = {
      {"a second ftyp ends the walk after the first box", twoFtyp, 24},
      {"types in any case; an unknown type ends the walk", upperCase, 80},
      {"a box of size 0", zeroSize, 24},
      {"a box of 2^31 bytes or more", negative, 24},
      {"a box smaller than its header", small, 24},
      {"a 64-bit box size", large, 24 + 48 + 8},
      {"a 64-bit box size smaller than its header", badLarge, 24},
      {"a known type 12 bytes into an unknown box", alternate, 56},
  };
  for (const Case& c : cases) {
    auto device = Device(c.bytes);
    EXPECT_EQ(Measure(device.get(), 0), c.length) << c.what;
  }
}

TEST(IsoMediaBoxes, AnUnreadableOrUselessFirstBoxGivesNoLength) {
  std::vector<std::uint8_t> zero;
  PutBox(zero, 0, "ftyp");
  std::vector<std::uint8_t> tiny;
  PutBox(tiny, 7, "ftyp");
  for (const auto& bytes : {zero, tiny}) {
    auto device = Device(bytes);
    EXPECT_EQ(Measure(device.get(), 0, 0), 0u);
  }
  qm::MemoryDevice empty(std::uint64_t{4}, 512);
  EXPECT_EQ(Measure(&empty, 4, 0), 0u);
  CRawFileInfo record;
  EXPECT_EQ(MeasureBoxFile(&record, nullptr), 0);
  EXPECT_EQ(MeasureBoxFile(nullptr, &empty), 0);
}

TEST(IsoMediaBoxes, AnUnreadableBoxEndsTheWalkWithWhatWasMeasured) {
  std::vector<std::uint8_t> bytes;
  PutBox(bytes, 24, "ftyp");
  PutBox(bytes, 2000, "mdat");
  PutBox(bytes, 600, "moov"); // runs into the failing sector
  auto device = Device(bytes);
  device->AddFailingRange(4, 5);
  EXPECT_EQ(Measure(device.get(), 0), 2024u + 600u);
  device->AddFailingRange(3, 4); // now the moov box itself is unreadable
  EXPECT_EQ(Measure(device.get(), 0), 2024u);
}

TEST(IsoMediaBoxes, WalkIsBoundedByBoxCountAndMaximumSizeAndPumpsMessages) {
  std::vector<std::uint8_t> bytes;
  PutBox(bytes, 24, "ftyp");
  for (int i = 0; i < 700; ++i)
    PutBox(bytes, 8, "free");
  auto device = Device(bytes);
  int pumped = 0;
  qm::SetMessagePump([&] { ++pumped; });
  EXPECT_EQ(Measure(device.get(), 0), 24u + 500u * 8u);
  qm::SetMessagePump({});
  EXPECT_EQ(pumped, 50);

  qm::MaxRawFileSizeGuard maximum(1000);
  // The box that passes the maximum still counts; the walk stops after it.
  EXPECT_EQ(Measure(device.get(), 0), 1008u);
}

} // namespace
