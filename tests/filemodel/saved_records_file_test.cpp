// Volume nodes, packed extents and run lists through a real result file
// (compressed pieces), not only through an in-memory stream.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "filemodel/crs_data.h"
#include "filemodel/file_system_node.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/packed_data_run_list.h"

namespace {

constexpr GUID kSection = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("qm_filetree_") + name)).string();
}

TEST(SavedRecordsFile, RoundTripThroughCompressedSections) {
  const std::string path = TempPath("roundtrip.rdf");
  CFileSystemNode volume;
  volume.SetVolumeGeometry(2048, 8);
  volume.SetVolumeState(qm::kVolumeNtfs);
  volume.SetName("System");
  CNoneResidentNTFSDataRunList runs;
  for (std::uint64_t i = 0; i < 3000; ++i)
    runs.AddRun(0x1000 + i * 9, 4); // compresses well
  const auto packed = CPackedDataRunList::FromDataRunList(&runs);
  CResidentNTFSDataRunList resident;
  resident.SetResidentData(0xABCDEF, 1, 0x150);
  {
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_EQ(writer.Open(path.c_str(), 1), 1);
    writer.SetFileKind(1);
    writer.OpenSection(kSection);
    volume.Save(&writer);
    packed->Write(&writer);
    resident.Save(&writer);
    writer.CloseSection();
    writer.Close();
  }
  CRSDataEx reader(CRSData::kReadMode);
  ASSERT_EQ(reader.Open(path.c_str(), 0), 1);
  ASSERT_EQ(reader.OpenSection(kSection), 1);
  CFileSystemNode loaded;
  EXPECT_EQ(loaded.Load(&reader), 1);
  EXPECT_STREQ(loaded.GetName(), "System");
  EXPECT_EQ(loaded.GetVolumeState(), qm::kVolumeNtfs);
  const auto packedBack = CPackedDataRunList::Read(&reader);
  ASSERT_NE(packedBack, nullptr);
  EXPECT_EQ(packedBack->Unpack()->Runs(), runs.Runs());
  CResidentNTFSDataRunList residentBack;
  residentBack.Load(&reader);
  EXPECT_EQ(residentBack.Runs(), resident.Runs());
  EXPECT_EQ(residentBack.GetResidentValue(), 0x150u);
  // The section is used up: one more node fails cleanly.
  CFileSystemNode extra;
  EXPECT_THROW(extra.Load(&reader), IRSException);
  reader.Close();
  std::filesystem::remove(path);
}

} // namespace
