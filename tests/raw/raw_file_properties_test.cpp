#include <gtest/gtest.h>

#include <string>

#include "filemodel/raw_file_info.h"
#include "raw/raw_file_properties.h"
#include "support/memory_stream.h"

namespace {

CRawFileInfo Record(std::uint64_t start, std::uint64_t length, std::string name2) {
  CRawFileInfo record;
  record.SetStartSector(start);
  record.SetLength(length);
  record.SetExtraName2(std::move(name2));
  return record;
}

TEST(RawFileProperties, FilledFromARecordTheyCoverItsSectors) {
  struct Case {
    std::uint64_t start, length;
    std::uint32_t sectorSize;
    std::uint64_t sectors;
  };
  const Case cases[] = {{100, 1, 512, 1},         {100, 512, 512, 1},   {7, 513, 512, 2},
                        {1ull << 40, 50000000, 512, 97657}, {3, 4097, 4096, 2}, {3, 4096, 4096, 1}};
  for (const Case& c : cases) {
    CRAWFileProperties properties;
    properties.SetFromRawFileInfo(Record(c.start, c.length, "2009:08:07"), c.sectorSize);
    EXPECT_EQ(properties.GetSize(), c.length);
    EXPECT_STREQ(properties.GetDescription(), "2009:08:07");
    auto runs = properties.GetDataRunList();
    ASSERT_NE(runs, nullptr);
    ASSERT_EQ(runs->RunCount(), 1u);
    EXPECT_EQ(runs->Runs()[0].start, c.start);
    EXPECT_EQ(runs->Runs()[0].count, c.sectors) << c.length;
  }
}

TEST(RawFileProperties, SaveAndLoadGiveTheSameBytesBack) {
  CRAWFileProperties file;
  file.SetFromRawFileInfo(Record(123456, 70000, "2009:08:07 06:05:04"));
  file.SetRawFileName("WC-100 Mark II001.JPG");
  file.SetAttributes(0x20);
  file.SetState(0);
  CRAWFileProperties folder;
  folder.SetRawFileName("Raw Files");
  folder.SetAttributes(0x10);
  folder.SetState(0x10);
  CRAWFileProperties empty; // no name, no description, no extents

  for (const CRAWFileProperties* original : {&file, &folder, &empty}) {
    qm::test::MemoryStream first;
    original->Save(&first);
    CRAWFileProperties loaded;
    ASSERT_EQ(loaded.Load(&first), 1);
    EXPECT_EQ(first.Remaining(), 0u);
    qm::test::MemoryStream second;
    loaded.Save(&second);
    EXPECT_EQ(second.bytes, first.bytes);
    EXPECT_STREQ(loaded.GetName(), original->GetName());
    EXPECT_EQ(loaded.GetNameLength(), original->GetNameLength());
    EXPECT_STREQ(loaded.GetDescription(), original->GetDescription());
    EXPECT_EQ(loaded.GetSize(), original->GetSize());
    EXPECT_EQ(loaded.GetAttributes(), original->GetAttributes());
    EXPECT_EQ(loaded.GetState(), original->GetState());
    EXPECT_EQ(loaded.GetDataRunList() != nullptr, original->GetDataRunList() != nullptr);
    EXPECT_EQ(loaded.GetTypeCode(), 3u);
  }
  // The layout: name length with its terminator, the name, then the
  // description the same way.
  qm::test::MemoryStream stream;
  folder.Save(&stream);
  ASSERT_GE(stream.bytes.size(), 13u);
  EXPECT_EQ(stream.bytes[0], 10);
  EXPECT_EQ(std::string(stream.bytes.begin() + 1, stream.bytes.begin() + 11), std::string("Raw Files", 10));
  EXPECT_EQ(stream.bytes[11], 0); // no description
}

TEST(RawFileProperties, HostileSavedTextsStayInsideTheirBuffers) {
  // A name whose stored bytes carry no terminator, and a short stream.
  qm::test::MemoryStream stream;
  stream.bytes = {3, 'A', 'B', 'C', 2, 'x', 'y'};
  for (int i = 0; i < 8 + 2 + 1 + 4; ++i)
    stream.bytes.push_back(0);
  CRAWFileProperties loaded;
  ASSERT_EQ(loaded.Load(&stream), 1);
  EXPECT_STREQ(loaded.GetName(), "ABC");
  EXPECT_STREQ(loaded.GetDescription(), "xy");

  qm::test::MemoryStream cut;
  cut.bytes = {200, 'A'};
  CRAWFileProperties untouched;
  untouched.SetRawFileName("kept");
  EXPECT_THROW(untouched.Load(&cut), CRSException);
  EXPECT_STREQ(untouched.GetName(), "kept");
}

TEST(RawFileProperties, LongTextsAreCutToTheirOneByteLength) {
  CRAWFileProperties properties;
  const std::string longName(300, 'n');
  properties.SetRawFileName(longName.c_str());
  EXPECT_EQ(std::string(properties.GetName()), longName.substr(0, 254));
  EXPECT_EQ(properties.GetNameLength(), 255u);
  properties.SetDescription(std::string(400, 'd'));
  EXPECT_EQ(properties.GetDescriptionLength(), 255u);
  qm::test::MemoryStream stream;
  properties.Save(&stream);
  CRAWFileProperties loaded;
  loaded.Load(&stream);
  EXPECT_STREQ(loaded.GetName(), properties.GetName());
  EXPECT_EQ(std::string(loaded.GetDescription()).size(), 254u);
  EXPECT_EQ(properties.SetExtraValue(0x1FF), 1u);
  EXPECT_EQ(properties.GetExtraValue(), 0xFFu);
  qm::FileTime time = 5;
  EXPECT_EQ(*properties.GetCreationTime(&time), 0u);
  EXPECT_EQ(properties.GetValidFields(), 0x1CFu);
}

} // namespace
