// The fixed parts of the log file: the block of system facts at start-up,
// the lines of a recovery's steps, the tables of found partitions, the
// summary of a recovery and the description of a crash. Texts and column
// layouts are kept alike in every installation's log, for support staff.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CSearchedPartitionInfo;
struct LostPartitionRecord;

namespace qm {
struct MemoryStatus;
}

// "5.8.8.8"; the same buffer on every call.
const char* GetVersionText();

// The system facts, in the order start-up writes them.
void LogVersionBanner();
void LogDateGenerated();
void LogNothing();
void LogMemoryStatus();
void LogOsVersion();
void LogOsDirectory();
void LogModuleDirectory();

// One fixed line per step of a recovery (0 to 13); any other number writes
// nothing. Returns the number.
unsigned LogRecoveryMode(unsigned step);
void LogBuildDirectory(int partition);
void LogRecoverSummary(int total, int recovered, const char* folder);

namespace qm {

// What the scan-target lines say about the device being searched.
struct ScanTarget {
    bool imageFile = false;
    std::string name;         // image file: its name
    std::string location;     // image file: its folder
    bool usb = false;         // disk: on a USB bus
    std::string description;  // disk: its description text
    char driveLetter = 0;     // volume: its letter ('*' shown unless A to Z)
    std::string label;        // volume: its label
    int fileSystemType = 7;   // volume: 0 FAT12 ... 5 EXT3
};

// Facts the operating-system line is made of (read from os-release and
// uname by ReadOsFacts; tests give their own).
struct OsFacts {
    bool known = false;       // uname answered
    std::string prettyName;   // os-release PRETTY_NAME, else the kernel's name
    std::string release;      // the kernel release
    int wordBits = 64;
    int major = 0;
    int minor = 0;
};

OsFacts ReadOsFacts();

// The lines the writers below put in the log, for tests and for callers
// that need the text.
std::vector<std::string> MemoryStatusLines(const MemoryStatus* status);
std::vector<std::string> OsVersionLines(const OsFacts& facts);
std::string LostPartitionFsText(std::uint32_t fileSystemType);

}  // namespace qm

void LogDiskScanTarget(const qm::ScanTarget& device, bool quick);
void LogPartitionScanTarget(const qm::ScanTarget& device, bool quick);
void LogLostPartitionList(const std::vector<LostPartitionRecord>& list);
void LogSearchedPartitionList(const std::vector<CSearchedPartitionInfo*>& list);

// "Caught an excetpion! ..." (the spelling is the one support knows) and
// the dump result.
void LogCaughtException(std::uint32_t code, std::uint64_t address);
void LogDumpResult(bool ok);
