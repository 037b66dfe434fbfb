#include "app/format_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ntfs/ntfs_partition_info.h"

namespace {

TEST(FormatText, SizeTextPicksTheUnitByItsBounds)
{
    const struct {
        std::int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0.00 KB"},
        {100, "0.10 KB"},
        {-512, "-0.50 KB"},
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},
        {1099511627775, "1024.00 GB"},
        {1099511627776, "1.00 TB"},
        {INT64_MAX, "8388608.00 TB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSizeText(c.bytes), c.text) << c.bytes;
    }
}

TEST(FormatText, SectorsSizeTakesOddSectorSizesAs512)
{
    const struct {
        std::uint64_t sectors;
        unsigned bytesPerSector;
        const char* text;
    } cases[] = {
        {2048, 0, "1.00 MB"},
        {2048, 520, "1.00 MB"},
        {2048, 512, "1.00 MB"},
        {2048, 4096, "8.00 MB"},
        {0, 512, "0.00 KB"},
        // A hostile count must not wrap into a small or negative size.
        {UINT64_MAX, 4096, "8388608.00 TB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSectorsSize(c.sectors, c.bytesPerSector), c.text) << c.sectors << " " << c.bytesPerSector;
    }
}

TEST(FormatText, DateTimeIsUtcWithoutLeadingZerosForEveryValue)
{
    const struct {
        std::uint64_t fileTime;
        const char* text;
    } cases[] = {
        {0, "1601-1-1 0:0:0"},
        {116444736000000000ULL, "1970-1-1 0:0:0"},
        {132539328000000000ULL + 10000000ULL * (3600 * 13 + 60 * 5 + 9), "2021-1-1 13:5:9"},
        {125911584000000000ULL, "2000-1-1 0:0:0"},
        {126068832000000000ULL - 1, "2000-6-30 23:59:59"},  // a leap year's last second of June
        {0x7FFFFFFFFFFFFFFFULL, "30828-9-14 2:48:5"},
        {UINT64_MAX, "60056-5-28 5:36:10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(c.fileTime), c.text) << c.fileTime;
    }
}

TEST(FormatText, PathRootKeepsStoredWindowsPaths)
{
    const struct {
        const char* path;
        int result;
        const char* root;
    } cases[] = {
        {"D:\\data\\x.txt", 1, "D:\\"},
        {"c:", 1, "c:\\"},
        {"\\\\srv\\share\\dir\\f", 1, "\\\\srv\\share\\"},
        {"\\\\srv\\share", 1, "\\\\srv\\share\\"},
        {"\\\\srv", 1, ""},
        {"relative\\dir", 1, ""},
        {"/home/user", 1, ""},
        {"C", 0, "untouched"},
        {"", 0, "untouched"},
    };
    for (const auto& c : cases) {
        char out[520];
        std::strcpy(out, "untouched");
        EXPECT_EQ(GetPathRoot(c.path, out), c.result) << c.path;
        EXPECT_STREQ(out, c.root) << c.path;
    }
    char out[520] = "untouched";
    EXPECT_EQ(GetPathRoot(nullptr, out), 0);
    const std::string longPath(261, 'a');
    EXPECT_EQ(GetPathRoot(longPath.c_str(), out), 0);
    EXPECT_STREQ(out, "untouched");
    const std::string longest = "C:" + std::string(258, 'a');
    EXPECT_EQ(GetPathRoot(longest.c_str(), out), 1);
    EXPECT_STREQ(out, "C:a");
}

TEST(FormatText, FileSystemTypeNames)
{
    const char* expected[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "RAW", "Unknown", "", ""};
    for (unsigned kind = 0; kind < std::size(expected); ++kind) {
        EXPECT_EQ(GetFileSystemTypeName(kind), expected[kind]) << kind;
    }
    EXPECT_EQ(GetFileSystemTypeName(0xFFFFFFFFu), "");
}

TEST(FormatText, ModuleDirectoryEndsInASlash)
{
    char buffer[520];
    ASSERT_EQ(GetModuleDirectory(buffer, sizeof buffer), 1);
    const std::string folder = buffer;
    EXPECT_EQ(folder.back(), '/');
    EXPECT_NE(folder.find("tests/app/"), std::string::npos);
    EXPECT_EQ(GetModuleDirectory(buffer, 0), 0);
    EXPECT_EQ(GetModuleDirectory(nullptr, 520), 0);
    EXPECT_EQ(GetModuleDirectory(buffer, 3), 0);  // does not fit: no cut path
}

TEST(FormatText, NtfsDetailRows)
{
    CSearchedNTFSPartitionInfo partition;
    partition.m_nFoundFlags = 0x1 | 0x4 | 0x100;
    partition.SetSectorCount(2048000);
    partition.SetClusterZeroSector(63);
    partition.SetSectorsPerCluster(8);
    partition.m_u64TotalClusters = 256000;
    partition.m_bUseMft = 1;
    partition.SetFoldersMatched(12);
    partition.SetFilesMatched(345);
    partition.m_u64MftSector = 6291456;
    const std::vector<qm::DetailRow> expected = {
        {"  From first boot record", "Yes"},
        {"  From last boot record", "-"},
        {"  From mft files pair", "Yes"},
        {"  From single $mft", "-"},
        {"  From $mftMirr", "-"},
        {"  From index/folder comparision", "-"},
        {"  From First RSTR", "-"},
        {"  From Second RSTR", "-"},
        {"  From files analysis", "Yes"},
        {"partition sectors count", "2048000"},
        {"data area start sector", "63"},
        {"sectors per cluster", "8"},
        {"Total Clusters", "256000"},
        {"Use$MFT", "Yes"},
        {"ProcessFilesfrom$MFTonly", "No"},
        {"Folders match", "12"},
        {"Files match", "345"},
        {"Sectors per $mft file record", "2"},
        {"$LogFileMatch", "-1"},  // unknown values are all ones
        {"$AttrDefMatch", "-1"},
        {"$UpcaseMatch", "-1"},
        {"$MFTSector", "6291456"},
        {"$LogFileSector", "-1"},
        {"$AttrDefSector", "-1"},
        {"$UpcaseSector", "-1"},
        {"SectorsCountfromSystemFiles", "-1"},
    };
    EXPECT_EQ(qm::NtfsPartitionDetails(partition), expected);

    CSearchedPartitionInfo fat;
    fat.SetSectorCount(1000);
    fat.SetClusterZeroSector(40);
    fat.SetSectorsPerCluster(128);
    const std::vector<qm::DetailRow> fatRows = {
        {"partition sectors count", "1000"}, {"data area start sector", "40"}, {"sectors per cluster", "128"}};
    EXPECT_EQ(qm::PartitionDetails(fat), fatRows);
}

}  // namespace
