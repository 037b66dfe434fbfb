#include "app/format_text.h"

#include <unistd.h>

#include <QtCore/QtGlobal>

#include <climits>
#include <cstdio>
#include <cstring>

#include "ntfs/ntfs_partition_info.h"
#include "storage/searched_partition_info.h"

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    char buffer[128];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return length < 0 ? std::string() : std::string(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Days since 1970-01-01 to a civil date (proleptic Gregorian), for any
// 64-bit day count.
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

int GetModuleDirectory(char* buffer, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return 0;
    }
    path[length] = '\0';
    char* lastSlash = std::strrchr(path, '/');
    if (lastSlash == nullptr) {
        return 0;
    }
    const std::size_t keep = static_cast<std::size_t>(lastSlash - path) + 1;
    if (keep + 1 > static_cast<std::size_t>(size)) {
        return 0;
    }
    std::memcpy(buffer, path, keep);
    buffer[keep] = '\0';
    return 1;
}

int GetPathRoot(const char* path, char* out)
{
    if (path == nullptr || out == nullptr) {
        return 0;
    }
    const std::size_t length = std::strlen(path);
    if (length <= 1 || length > 260) {
        return 0;
    }
    char copy[264];
    std::memcpy(copy, path, length + 1);
    if (copy[length - 1] != '\\') {
        copy[length] = '\\';
        copy[length + 1] = '\0';
    }
    if (IsDriveLetter(copy[0]) && copy[1] == ':') {
        std::memcpy(out, copy, 3);
        out[3] = '\0';
    } else if (copy[0] == '\\' && copy[1] == '\\') {
        // Up to and including the second backslash after the leading pair.
        const char* end = std::strchr(copy + 2, '\\');
        if (end != nullptr) {
            end = std::strchr(end + 1, '\\');
        }
        if (end == nullptr) {
            out[0] = '\0';
        } else {
            const std::size_t keep = static_cast<std::size_t>(end - copy) + 1;
            std::memcpy(out, copy, keep);
            out[keep] = '\0';
        }
    } else {
        out[0] = '\0';
    }
    return 1;
}

std::string GetFileSystemTypeName(unsigned kind)
{
    static const char* const kNames[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "RAW", "Unknown"};
    return kind < std::size(kNames) ? kNames[kind] : "";
}

std::string FormatSizeText(std::int64_t bytes)
{
    constexpr double kKiB = 1024.0;
    constexpr std::int64_t kMiB = 1024LL * 1024;
    constexpr std::int64_t kGiB = kMiB * 1024;
    constexpr std::int64_t kTiB = kGiB * 1024;
    const auto value = static_cast<double>(bytes);
    if (bytes >= kTiB) {
        return Format("%.2f TB", value / static_cast<double>(kTiB));
    }
    if (bytes >= kGiB) {
        return Format("%.2f GB", value / static_cast<double>(kGiB));
    }
    if (bytes < kMiB) {
        return Format("%.2f KB", value / kKiB);
    }
    return Format("%.2f MB", value / static_cast<double>(kMiB));
}

std::string FormatSectorsSize(std::uint64_t sectors, unsigned bytesPerSector)
{
    if (bytesPerSector == 0 || bytesPerSector % 512 != 0) {
        bytesPerSector = 512;
    }
    const unsigned __int128 bytes = static_cast<unsigned __int128>(sectors) * bytesPerSector;
    const auto clamped = bytes > static_cast<unsigned __int128>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(bytes);
    return FormatSizeText(clamped);
}

std::string FormatDateTime(std::uint64_t fileTime)
{
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kSecondsPerDay = 86400;
    constexpr std::int64_t kDaysFrom1601To1970 = 134774;
    const std::uint64_t seconds = fileTime / kTicksPerSecond;
    const auto days = static_cast<std::int64_t>(seconds / kSecondsPerDay);
    const auto secondOfDay = static_cast<unsigned>(seconds % kSecondsPerDay);
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days - kDaysFrom1601To1970, year, month, day);
    return Format("%lld-%u-%u %u:%u:%u", static_cast<long long>(year), month, day, secondOfDay / 3600,
                  secondOfDay / 60 % 60, secondOfDay % 60);
}

namespace qm {
namespace {

std::string Decimal(std::uint64_t value) { return Format("%lld", static_cast<long long>(value)); }
std::string YesNo(std::uint32_t flag) { return flag != 0 ? QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Yes") : QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "No"); }

}  // namespace

std::vector<DetailRow> NtfsFoundByRows(unsigned flags)
{
    static const char* const kLabels[] = {
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From first boot record"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From last boot record"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From mft files pair"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From single $mft"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From $mftMirr"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From index/folder comparision"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From First RSTR"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From Second RSTR"),
        QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "  From files analysis"),
    };
    std::vector<DetailRow> rows;
    for (unsigned bit = 0; bit < std::size(kLabels); ++bit) {
        rows.push_back({kLabels[bit], (flags >> bit) & 1U ? QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Yes") : "-"});
    }
    return rows;
}

std::vector<DetailRow> NtfsPartitionDetails(const CSearchedNTFSPartitionInfo& partition)
{
    std::vector<DetailRow> rows = NtfsFoundByRows(static_cast<unsigned>(partition.GetFoundFlags()));
    const std::vector<DetailRow> values = {
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "partition sectors count"), Decimal(partition.GetSectorCount())},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "data area start sector"), Decimal(partition.GetClusterZeroSector())},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "sectors per cluster"), Format("%u", static_cast<unsigned>(partition.GetSectorsPerCluster()))},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Total Clusters"), Decimal(partition.m_u64TotalClusters)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Use$MFT"), YesNo(partition.m_bUseMft)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "ProcessFilesfrom$MFTonly"), YesNo(partition.m_bFilesFromMftOnly)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Folders match"), Decimal(partition.GetFoldersMatched())},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Files match"), Decimal(partition.GetFilesMatched())},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Sectors per $mft file record"), Format("%u", static_cast<unsigned>(partition.GetSectorsPerFileRecord()))},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$LogFileMatch"), Decimal(partition.m_u64LogFileMatches)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$AttrDefMatch"), Decimal(partition.m_u64AttrDefMatches)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$UpcaseMatch"), Decimal(partition.m_u64UpCaseMatches)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$MFTSector"), Decimal(partition.m_u64MftSector)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$LogFileSector"), Decimal(partition.m_u64LogFileSector)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$AttrDefSector"), Decimal(partition.m_u64AttrDefSector)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "$UpcaseSector"), Decimal(partition.m_u64UpCaseSector)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "SectorsCountfromSystemFiles"), Decimal(partition.m_u64SectorsFromSystemFiles)},
    };
    rows.insert(rows.end(), values.begin(), values.end());
    return rows;
}

std::vector<DetailRow> PartitionDetails(const CSearchedPartitionInfo& partition)
{
    return {
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "partition sectors count"), Decimal(partition.GetSectorCount())},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "data area start sector"), Decimal(partition.GetClusterZeroSector())},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "sectors per cluster"), Format("%d", static_cast<int>(partition.GetSectorsPerCluster()))},
    };
}

}  // namespace qm
