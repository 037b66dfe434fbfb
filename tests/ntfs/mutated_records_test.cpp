// Damaged records of a real volume: bytes of sound records are overwritten
// at random (seeded, so every run is the same) and the whole road from the
// record to the file's bytes is taken. Nothing may crash, read out of
// bounds or allocate without limit; the sanitizers watch.
#include <gtest/gtest.h>

#include <random>

#include "filemodel/file_properties.h"
#include "fixture_volume.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs/recycle_bin.h"
#include "ntfs_fixture.h"
#include "packed_properties.h"

namespace {

TEST(MutatedRecords, DecodeAndReadWithoutHarm) {
  auto v = qm::test::OpenFixtureVolume(512);
  auto& device = static_cast<qm::MemoryDevice&>(*v.device);
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, v.geometry.sectorsPerCluster);
  std::mt19937 random(20261210);
  int decoded = 0;
  for (const auto& e : qm::test::NtfsBasicManifest()) {
    const auto at = qm::LocateMftRecord(v.geometry, v.mftRuns, e.record);
    ASSERT_TRUE(at);
    std::uint8_t* record = device.sector(at->sector);
    const std::vector<std::uint8_t> sound(record, record + 1024);
    for (int round = 0; round < 60; ++round) {
      // A few bytes in the attribute area, sometimes a burst of 8.
      const int edits = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < edits; ++i) {
        const std::size_t where = 0x10 + random() % (1024 - 0x18);
        const std::size_t span = random() % 5 == 0 ? 8 : 1;
        for (std::size_t k = 0; k < span; ++k)
          record[where + k] = static_cast<std::uint8_t>(random());
      }
      auto file = qm::test::LoadFixtureRecord(v, e.record);
      if (file && file->IsValid()) {
        ++decoded;
        qm::NtfsFileExtents info;
        CollectFileDataRuns(*file, v.geometry.ClusterBytes(), info);
        ASSERT_GE(info.size, 0);
        if (info.extents && info.size > 0) {
          CFileNode* node =
              qm::test::AddNode(root, "m", static_cast<std::uint64_t>(info.size), 0, std::move(info.extents));
          CFileContentReader reader;
          if (reader.Open(v.device.get(), node)) {
            std::vector<std::uint8_t> out(16 * 1024);
            std::uint64_t got = 0;
            reader.ReadAt(0, out.data(), out.size(), &got);
            ASSERT_LE(got, out.size());
            reader.ReadAt(static_cast<std::uint64_t>(info.size) / 2, out.data(), out.size(), &got);
          }
          root->RemoveChild(node);
          DeleteFileTree(node);
        }
        std::vector<std::uint8_t> buffer(4096);
        (void)NtfsReadResidentFileData(*file, buffer);
      }
      std::copy(sound.begin(), sound.end(), record);
    }
  }
  EXPECT_GT(decoded, 100) << "most damaged records still decode";
  DeleteFileTree(root);
}

} // namespace
