#include "app/log_report.h"

#include <gtest/gtest.h>

#include <regex>

#include "log_lines.h"
#include "platform/memory_status.h"
#include "storage/partition_search_callbacks.h"
#include "storage/searched_partition_info.h"

namespace {

using Lines = std::vector<std::string>;

TEST(LogReport, VersionTextAndBanner)
{
    EXPECT_STREQ(GetVersionText(), "5.8.8.8");
    EXPECT_EQ(GetVersionText(), GetVersionText());
    qm::test::LogLines log;
    LogVersionBanner();
    LogNothing();
    EXPECT_EQ(log.Take(), Lines{"Quenmark Professional 5.8.8.8 20150731"});
}

TEST(LogReport, SystemFactsHaveTheirShapes)
{
    qm::test::LogLines log;
    LogDateGenerated();
    LogMemoryStatus();
    LogOsVersion();
    LogOsDirectory();
    LogModuleDirectory();
    const Lines lines = log.Take();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(Date Generated: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)")))
        << lines[0];
    EXPECT_EQ(lines[1], "Memory status:");
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(Total physical memory: *\d+ MB\tAvailable physical memory: *\d+ MB)")));
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(R"(Total   page    files: *\d+ MB\tAvailable    page   files: *\d+ MB)")));
    EXPECT_TRUE(std::regex_match(lines[4], std::regex(R"(OS - .+ \S+ 64-bit  \(\d+ \d+ 1 0\))"))) << lines[4];
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(R"(OS Directory - /.+)"))) << lines[5];
    EXPECT_TRUE(std::regex_match(lines[6], std::regex(R"(Module Directory - /.*/tests/app/)"))) << lines[6];
}

TEST(LogReport, MemoryAndOsLinesFromGivenFacts)
{
    qm::MemoryStatus status;
    status.totalPhysical = 8ULL << 30;
    status.availablePhysical = (5ULL << 20) + 1048575;  // truncated to whole MiB
    status.totalPageFile = 12ULL << 30;
    status.availablePageFile = 0;
    EXPECT_EQ(qm::MemoryStatusLines(&status),
              (Lines{"Memory status:", "Total physical memory:8192 MB\tAvailable physical memory:   5 MB",
                     "Total   page    files:12288 MB\tAvailable    page   files:   0 MB"}));
    EXPECT_EQ(qm::MemoryStatusLines(nullptr),
              (Lines{"Failed to query memory status.", "Memory status:",
                     "Total physical memory:   0 MB\tAvailable physical memory:   0 MB",
                     "Total   page    files:   0 MB\tAvailable    page   files:   0 MB"}));

    qm::OsFacts facts;
    EXPECT_EQ(qm::OsVersionLines(facts), Lines{"Unsupported operating system!"});
    facts = {true, "Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64", 64, 6, 1};
    EXPECT_EQ(qm::OsVersionLines(facts), Lines{"OS - Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64 64-bit  (6 1 1 0)"});
}

TEST(LogReport, RecoveryStepLines)
{
    const Lines expected = {
        "\r\nPerforming Deleted File Recovery...",
        "\r\nPerforming Complete File Recovery...",
        "\r\nPerforming Partition Recovery...",
        "User abort.",
        "Found nothing.",
        "Completely search the selected device.",
        "Displaying directory tree.",
        "Restoring files...",
        "Restoring last recovery...",
        "Failed to restore last recovery.",
        "Completely restore last recovery.",
        "Did not find any possible partition. Building RAW file tree.",
        "Did not find any lost partition. Performing intelligent search.",
        "Did not find any RAWfiles",
    };
    qm::test::LogLines log;
    for (unsigned step = 0; step < expected.size(); ++step) {
        EXPECT_EQ(LogRecoveryMode(step), step);
        EXPECT_EQ(log.Take(), Lines{expected[step]}) << step;
    }
    EXPECT_EQ(LogRecoveryMode(14), 14u);
    EXPECT_EQ(LogRecoveryMode(0xFFFFFFFFu), 0xFFFFFFFFu);
    EXPECT_TRUE(log.Take().empty());

    LogBuildDirectory(2);
    LogRecoverSummary(10, 9, "/home/u/Recovered");
    EXPECT_EQ(log.Take(), (Lines{"Building directory tree on partition 2", "10 File are to be recovered, recovered 9",
                                 "Files are saved in /home/u/Recovered"}));
}

TEST(LogReport, ScanTargetLines)
{
    qm::test::LogLines log;
    qm::ScanTarget image{true, "disk.img", "/home/u/", false, "", 0, "", 7};
    qm::ScanTarget usb{false, "", "", true, "Kingston DataTraveler 3.0", 0, "", 7};
    qm::ScanTarget disk{false, "", "", false, "ATA WDC WD10EZEX", 0, "", 7};
    LogDiskScanTarget(image, true);
    LogDiskScanTarget(usb, false);
    LogDiskScanTarget(disk, true);
    qm::ScanTarget volume{false, "", "", false, "", 'E', "USB", 2};
    qm::ScanTarget noLetter{false, "", "", false, "", 0, "DATA", 9};
    LogPartitionScanTarget(image, false);
    LogPartitionScanTarget(volume, true);
    LogPartitionScanTarget(noLetter, false);
    EXPECT_EQ(log.Take(), (Lines{
                              "Quick searching image file - disk.img at /home/u/",
                              "Intelligent searching usb disk device - Kingston DataTraveler 3.0",
                              "Quick searching disk device - ATA WDC WD10EZEX",
                              "Intelligent searching image file device - disk.img at /home/u/",
                              "Quick searching partition device - E:USB(FAT32)",
                              "Intelligent searching partition device - *:DATA(UNKNOWN)",
                          }));
}

TEST(LogReport, PartitionTables)
{
    qm::test::LogLines log;
    LogLostPartitionList({});
    LogSearchedPartitionList({});
    EXPECT_EQ(log.Take(), (Lines{"Did not find any lost partition.", "Did not find any possible partition."}));

    std::vector<LostPartitionRecord> lost(3);
    lost[0].startSector = 63;
    lost[0].sectorCount = 2048000;
    lost[0].fileSystemType = 3;
    lost[1].startSector = 2048063;
    lost[1].sectorCount = 1000;
    lost[1].fileSystemType = 0;
    lost[2].fileSystemType = 7;
    LogLostPartitionList(lost);
    const std::string rule45(45, '-');
    EXPECT_EQ(log.Take(), (Lines{"Lost partition list:", rule45, " NO.       FS     StartSect     TotalSect",
                                 "   0     NTFS            63       2048000", "   1    FAT12       2048063          1000",
                                 "   2  UNKNOWN             0             0", rule45}));

    CSearchedPartitionInfo first;
    first.SetFileSystemType(2);
    first.SetWeight(0.875);
    first.SetFilesMatched(1234);
    first.SetFoldersMatched(56);
    first.SetStartSector(2048);
    first.SetClusterZeroSector(4096);
    first.SetSectorsPerCluster(64);
    first.SetSectorCount(123456789);
    CSearchedPartitionInfo second;
    second.SetFileSystemType(6);
    LogSearchedPartitionList({&first, &second});
    const std::string rule96(96, '-');
    EXPECT_EQ(log.Take(),
              (Lines{"Searched partition list:", rule96,
                     " NO.       FS  Suggestion  MFiles  MFolders     StartSect    DtAreaSect  ClstSize     TotalSect",
                     "   0    FAT32        0.88    1234        56          2048          4096        64  123456789",
                     "   1      RAW        0.00       0         0             0             0         0  0", rule96}));
}

TEST(LogReport, CrashLines)
{
    qm::test::LogLines log;
    LogCaughtException(0xE0000001, 0x401000);
    LogDumpResult(true);
    LogDumpResult(false);
    EXPECT_EQ(log.Take(), (Lines{"Caught an excetpion! Exception Code:e0000001 Address:00401000",
                                 "Succeeded process the exception!", "Failed to process the exception!"}));
}

}  // namespace
