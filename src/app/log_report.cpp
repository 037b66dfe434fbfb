#include "app/log_report.h"

#include <dlfcn.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "app/format_text.h"
#include "platform/log.h"
#include "platform/memory_status.h"
#include "storage/partition_search_callbacks.h"
#include "storage/searched_partition_info.h"
#include "storage/volume_names.h"

namespace {

constexpr char kBuildDate[] = "20150731";
constexpr std::uint64_t kMiB = 1048576;

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    char buffer[512];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0) {
        return {};
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        return std::string(buffer, static_cast<std::size_t>(length));
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void LogLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        LogInfo("%s", line.c_str());
    }
}

std::string ReadPrettyName()
{
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream file(path);
        std::string line;
        while (std::getline(file, line)) {
            if (line.rfind("PRETTY_NAME=", 0) != 0) {
                continue;
            }
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return {};
}

}  // namespace

const char* GetVersionText()
{
    static const std::string text = Format("%d.%d", 5, 8) + Format(".%d", 8) + Format(".%d", 8);
    return text.c_str();
}

void LogVersionBanner() { LogInfo("Quenmark Professional %s %s", GetVersionText(), kBuildDate); }

void LogDateGenerated()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    LogInfo("Date Generated: %02d/%02d/%d %02d:%02d:%02d\r\n", local.tm_mon + 1, local.tm_mday,
            local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
}

void LogNothing() {}

void LogMemoryStatus()
{
    qm::MemoryStatus status;
    LogLines(qm::MemoryStatusLines(qm::QueryMemoryStatus(status) ? &status : nullptr));
}

void LogOsVersion() { LogLines(qm::OsVersionLines(qm::ReadOsFacts())); }

void LogOsDirectory()
{
    // The system folder is where the C library was loaded from.
    char folder[520] = {};
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&std::fopen), &info) != 0 && info.dli_fname != nullptr) {
        std::snprintf(folder, sizeof folder, "%s", info.dli_fname);
        if (char* slash = std::strrchr(folder, '/')) {
            *slash = '\0';
        }
    }
    LogInfo("OS Directory - %s", folder);
}

void LogModuleDirectory()
{
    char folder[520] = {};
    GetModuleDirectory(folder, sizeof folder);
    LogInfo("Module Directory - %s", folder);
}

unsigned LogRecoveryMode(unsigned step)
{
    static const char* const kLines[] = {
        "Performing Deleted File Recovery...",
        "Performing Complete File Recovery...",
        "Performing Partition Recovery...",
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
    if (step < 3) {
        LogInfo("\r\n%s", kLines[step]);
    } else if (step < std::size(kLines)) {
        LogInfo("%s", kLines[step]);
    }
    return step;
}

void LogBuildDirectory(int partition) { LogInfo("Building directory tree on partition %d", partition); }

void LogRecoverSummary(int total, int recovered, const char* folder)
{
    LogInfo("%d File are to be recovered, recovered %d", total, recovered);
    LogInfo("Files are saved in %s", folder != nullptr ? folder : "");
}

namespace qm {

OsFacts ReadOsFacts()
{
    OsFacts facts;
    utsname names{};
    if (uname(&names) != 0) {
        return facts;
    }
    facts.known = true;
    facts.prettyName = ReadPrettyName();
    if (facts.prettyName.empty()) {
        facts.prettyName = names.sysname;
    }
    facts.release = names.release;
    facts.wordBits = static_cast<int>(sizeof(void*) * 8);
    std::sscanf(names.release, "%d.%d", &facts.major, &facts.minor);
    return facts;
}

std::vector<std::string> MemoryStatusLines(const MemoryStatus* status)
{
    std::vector<std::string> lines;
    MemoryStatus zero;
    if (status == nullptr) {
        // The figures are then unknown; they are shown as 0.
        lines.emplace_back("Failed to query memory status.");
        status = &zero;
    }
    lines.emplace_back("Memory status:");
    lines.push_back(Format("Total physical memory:%4llu MB\tAvailable physical memory:%4llu MB",
                           static_cast<unsigned long long>(status->totalPhysical / kMiB),
                           static_cast<unsigned long long>(status->availablePhysical / kMiB)));
    lines.push_back(Format("Total   page    files:%4llu MB\tAvailable    page   files:%4llu MB",
                           static_cast<unsigned long long>(status->totalPageFile / kMiB),
                           static_cast<unsigned long long>(status->availablePageFile / kMiB)));
    return lines;
}

std::vector<std::string> OsVersionLines(const OsFacts& facts)
{
    if (!facts.known) {
        return {"Unsupported operating system!"};
    }
    const std::string architecture = Format("%d-bit", facts.wordBits);
    // Product type 1 (a workstation), no suite bits: what a desktop reports.
    return {Format("OS - %s %s %s %s (%d %d %d %d)", facts.prettyName.c_str(), facts.release.c_str(),
                   architecture.c_str(), "", facts.major, facts.minor, 1, 0)};
}

std::string LostPartitionFsText(std::uint32_t fileSystemType)
{
    static const char* const kTexts[] = {"  FAT12", "  FAT16", "  FAT32", "   NTFS", "   EXT2", "   EXT3", "    RAW"};
    return fileSystemType < std::size(kTexts) ? kTexts[fileSystemType] : "UNKNOWN";
}

}  // namespace qm

namespace {

const char* ModeText(bool quick) { return quick ? "Quick searching" : "Intelligent searching"; }

}  // namespace

void LogDiskScanTarget(const qm::ScanTarget& device, bool quick)
{
    if (device.imageFile) {
        LogInfo("%s image file - %s at %s", ModeText(quick), device.name.c_str(), device.location.c_str());
    } else if (device.usb) {
        LogInfo("%s usb disk device - %s", ModeText(quick), device.description.c_str());
    } else {
        LogInfo("%s disk device - %s", ModeText(quick), device.description.c_str());
    }
}

void LogPartitionScanTarget(const qm::ScanTarget& device, bool quick)
{
    if (device.imageFile) {
        LogInfo("%s image file device - %s at %s", ModeText(quick), device.name.c_str(), device.location.c_str());
        return;
    }
    char fileSystem[50] = {};
    GetVolumeFileSystemName(device.fileSystemType, fileSystem, sizeof fileSystem);
    const char letter = device.driveLetter >= 'A' && device.driveLetter <= 'Z' ? device.driveLetter : '*';
    LogInfo("%s partition device - %c:%s(%s)", ModeText(quick), letter, device.label.c_str(), fileSystem);
}

void LogLostPartitionList(const std::vector<LostPartitionRecord>& list)
{
    if (list.empty()) {
        LogInfo("%s", "Did not find any lost partition.");
        return;
    }
    const std::string rule(45, '-');
    LogInfo("Lost partition list:");
    LogInfo("%s", rule.c_str());
    LogInfo(" NO.       FS     StartSect     TotalSect");
    int number = 0;
    for (const LostPartitionRecord& entry : list) {
        LogInfo("%4d  %s  %12lld  %12lld", number++, qm::LostPartitionFsText(entry.fileSystemType).c_str(),
                static_cast<long long>(entry.startSector), static_cast<long long>(entry.sectorCount));
    }
    LogInfo("%s", rule.c_str());
}

void LogSearchedPartitionList(const std::vector<CSearchedPartitionInfo*>& list)
{
    if (list.empty()) {
        LogInfo("Did not find any possible partition.");
        return;
    }
    const std::string rule(96, '-');
    LogInfo("Searched partition list:");
    LogInfo("%s", rule.c_str());
    LogInfo(" NO.       FS  Suggestion  MFiles  MFolders     StartSect    DtAreaSect  ClstSize     TotalSect");
    int number = 0;
    for (const CSearchedPartitionInfo* entry : list) {
        if (entry == nullptr) {
            continue;
        }
        const std::string suggestion = Format("%10.2f", entry->GetWeight());
        LogInfo("%4d  %s  %s  %6lld  %8lld  %12lld  %12lld  %8d  %lld", number++,
                qm::LostPartitionFsText(entry->GetFileSystemType()).c_str(), suggestion.c_str(),
                static_cast<long long>(entry->GetFilesMatched()), static_cast<long long>(entry->GetFoldersMatched()),
                static_cast<long long>(entry->GetStartSector()), static_cast<long long>(entry->GetClusterZeroSector()),
                static_cast<int>(entry->GetSectorsPerCluster()), static_cast<long long>(entry->GetSectorCount()));
    }
    LogInfo("%s", rule.c_str());
}

void LogCaughtException(std::uint32_t code, std::uint64_t address)
{
    LogInfo("Caught an excetpion! Exception Code:%08x Address:%08llx", code, static_cast<unsigned long long>(address));
}

void LogDumpResult(bool ok) { LogInfo(ok ? "Succeeded process the exception!" : "Failed to process the exception!"); }
