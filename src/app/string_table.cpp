#include "app/string_table.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <array>

namespace qm {
namespace {

struct StringEntry {
  unsigned id;
  const char* text;
};

// Sorted by id. Add new ids in order; QT_TRANSLATE_NOOP lets lupdate find
// the texts for the translation files.
constexpr StringEntry kStrings[] = {
    {129, QT_TRANSLATE_NOOP("StringTable", "Failed to restore last search result.")},
    {132, QT_TRANSLATE_NOOP("StringTable", "Calculating...")},
    {134, QT_TRANSLATE_NOOP("StringTable", "Return to devices list?")},
    {135, QT_TRANSLATE_NOOP("StringTable", "Select a device to recover please.")},
    {136, QT_TRANSLATE_NOOP("StringTable", "Please choose a partition to recover.")},
    {137, QT_TRANSLATE_NOOP("StringTable",
                            "Please select partitions, the number of partitions should be no more than 4 !")},
    {138, QT_TRANSLATE_NOOP("StringTable", "Are you sure to quit searching?")},
    {139, QT_TRANSLATE_NOOP("StringTable", "Select files to save, please.")},
    {140, QT_TRANSLATE_NOOP("StringTable", "Select a disk to recover please.")},
    {141, QT_TRANSLATE_NOOP("StringTable", "Failed to restore last search result.")},
    {143, QT_TRANSLATE_NOOP("StringTable", "Select a partition to recover please.")},
    {144, QT_TRANSLATE_NOOP("StringTable", "Return to devices list?")},
    {145, QT_TRANSLATE_NOOP("StringTable", "Please choose a partition to recover.")},
    {146, QT_TRANSLATE_NOOP("StringTable",
                            "Please select partitions, the number of partitions should be no more than 4 !")},
    {147, QT_TRANSLATE_NOOP(
              "StringTable",
              "CAUTION! We do NOT recommend you to save the recovered files to the same drive because this "
              "can reduce the "
              "chance of successful recovery. \n\nAre you sure to recover files to the same drive?")},
    {148, QT_TRANSLATE_NOOP("StringTable", "No disk in the drive!")},
    {149, QT_TRANSLATE_NOOP("StringTable", "The specific drive does not exist!")},
    {150, QT_TRANSLATE_NOOP("StringTable", "The drive is not formatted!")},
    {151, QT_TRANSLATE_NOOP("StringTable", "Invalid path name!")},
    {152, QT_TRANSLATE_NOOP("StringTable", "The drive is a RAM disk!")},
    {153, QT_TRANSLATE_NOOP("StringTable", "The drive is not ready!")},
    {154, QT_TRANSLATE_NOOP("StringTable", "The drive is not writable!")},
    {155, QT_TRANSLATE_NOOP("StringTable", "Invalid path name!")},
    {156, QT_TRANSLATE_NOOP("StringTable", "Invalid parameter!")},
    {157, QT_TRANSLATE_NOOP("StringTable", "Invalid symbol!")},
    {158, QT_TRANSLATE_NOOP("StringTable", "Path too long!")},
    {159, QT_TRANSLATE_NOOP("StringTable", "Please select a folder to save the recovered files!")},
    {160, QT_TRANSLATE_NOOP("StringTable", "Unknown error!")},
    {161, QT_TRANSLATE_NOOP(
              "StringTable",
              "Encrypted file must be recovered on the NTFS partition,\nplease select other drive.")},
    {163, QT_TRANSLATE_NOOP("StringTable", "Search files")},
    {187, QT_TRANSLATE_NOOP("StringTable", "Select a partition and click Next to recover:")},
    {188, QT_TRANSLATE_NOOP("StringTable",
                            "Full Scan ( If the partition is not found, please check it and click Next )")},
    {189, QT_TRANSLATE_NOOP("StringTable", "Recover")},
    {193, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {194,
     QT_TRANSLATE_NOOP(
         "StringTable",
         "Recover lost files from hard disks, memory cards and USB drives. Choose how the files were lost.")},
    {195,
     QT_TRANSLATE_NOOP("StringTable", "Recover deleted files from a partition or removable media, such as "
                                      "files deleted by Shift + Delete or emptied from Recycle Bin.")},
    {196, QT_TRANSLATE_NOOP("StringTable",
                            "Recover formatted files from existing partitions under any conditions. such as "
                            "damaged or formatted partition, drive display as RAW etc.")},
    {197,
     QT_TRANSLATE_NOOP("StringTable", "Find out lost, deleted, resized or damaged partition, MBR corrupted, "
                                      "partition overwritten etc. and then recover lost files and folders.")},
    {199, QT_TRANSLATE_NOOP("StringTable", "  Deleted File Recovery  ")},
    {200, QT_TRANSLATE_NOOP("StringTable", "  Format Recovery  ")},
    {201, QT_TRANSLATE_NOOP("StringTable", "  Partition Recovery  ")},
    {205, QT_TRANSLATE_NOOP("StringTable", "Path")},
    {206, QT_TRANSLATE_NOOP("StringTable", "Select location to save files:")},
    {208, QT_TRANSLATE_NOOP("StringTable", "The free space is not enough, please select other drive.")},
    {214, QT_TRANSLATE_NOOP("StringTable", "Are you sure to return to home page?")},
    {216, QT_TRANSLATE_NOOP("StringTable", "Abort Building?")},
    {239, QT_TRANSLATE_NOOP("StringTable", "Do you want to stop searching?")},
    {241, QT_TRANSLATE_NOOP("StringTable", "Do you want to stop searching?")},
    {242, QT_TRANSLATE_NOOP("StringTable", "Exit now?")},
    {246, QT_TRANSLATE_NOOP("StringTable", "Quit recovering?")},
    {272, QT_TRANSLATE_NOOP("StringTable", "Nothing selected")},
    {291, QT_TRANSLATE_NOOP("StringTable", "Locate in the main list")},
    {293, QT_TRANSLATE_NOOP("StringTable", "View")},
    {294, QT_TRANSLATE_NOOP("StringTable", "Select")},
    {295, QT_TRANSLATE_NOOP("StringTable", "Deselect")},
    {296, QT_TRANSLATE_NOOP("StringTable", "State")},
    {300, QT_TRANSLATE_NOOP("StringTable", "  Quenmark  ")},
    {301, QT_TRANSLATE_NOOP("StringTable", "English")},
    {303, QT_TRANSLATE_NOOP("StringTable", "Save language failed!")},
    {304, QT_TRANSLATE_NOOP("StringTable",
                            "You have modified the system setting, please restart to apply. Restart now?")},
    {305, QT_TRANSLATE_NOOP("StringTable", "MSXML not registered")},
    {306, QT_TRANSLATE_NOOP("StringTable", "Unable to create MSXML instance")},
    {307, QT_TRANSLATE_NOOP("StringTable", "Quenmark has encountered a memory problem and needs to close.\n"
                                           "We are sorry for the inconvenience.\n"
                                           "You can enlarge your virtual memory and try again.")},
    {308, QT_TRANSLATE_NOOP("StringTable", "Continue")},
    {310, QT_TRANSLATE_NOOP("StringTable", "Save recovery states")},
    {311, QT_TRANSLATE_NOOP("StringTable", "Restore previous recovery")},
    {312, QT_TRANSLATE_NOOP("StringTable", "Saving recovery states...")},
    {323, QT_TRANSLATE_NOOP("StringTable", "File Name")},
    {324, QT_TRANSLATE_NOOP("StringTable", "File Size")},
    {325, QT_TRANSLATE_NOOP("StringTable", "File Type")},
    {326, QT_TRANSLATE_NOOP("StringTable", "Modified Time")},
    {327, QT_TRANSLATE_NOOP("StringTable", "Created Time")},
    {328, QT_TRANSLATE_NOOP("StringTable", "Last Access Time")},
    {329, QT_TRANSLATE_NOOP("StringTable", "Recovery")},
    {330, QT_TRANSLATE_NOOP("StringTable", "Preview")},
    {346, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {347, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {349, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {375, QT_TRANSLATE_NOOP("StringTable", "Please restart the program manually!")},
    {385, QT_TRANSLATE_NOOP("StringTable", "Total %s in %d files")},
    {386, QT_TRANSLATE_NOOP("StringTable", "Selected %s in %d files")},
    {387, QT_TRANSLATE_NOOP("StringTable", "You select %s in %d file(s).")},
    {391,
     QT_TRANSLATE_NOOP("StringTable",
                       "Please wait a minute for there are too many files in the directory you selected.")},
    {392, QT_TRANSLATE_NOOP("StringTable", "List")},
    {393, QT_TRANSLATE_NOOP("StringTable", "Thumbnail")},
    {395, QT_TRANSLATE_NOOP("StringTable", "Remove")},
    {396, QT_TRANSLATE_NOOP(
              "StringTable",
              "If the files are not found or corrupted in this mode, please go to \"Format Recovery\"!")},
    {397, QT_TRANSLATE_NOOP("StringTable", "Files")},
    {400, QT_TRANSLATE_NOOP("StringTable", "Recovery State File(*.rsf)|*.rsf||")},
    {401, QT_TRANSLATE_NOOP("StringTable", "Recovery State File(*.rsf)|*.rsf||")},
    {402, QT_TRANSLATE_NOOP("StringTable", "Cancelling...")},
    {408, QT_TRANSLATE_NOOP("StringTable", "Results for \r\nPartition ")},
    {409, QT_TRANSLATE_NOOP("StringTable", "Results for \r\nImage File ")},
    {410, QT_TRANSLATE_NOOP("StringTable", "Results for \r\nDisk ")},
    {420, QT_TRANSLATE_NOOP("StringTable", "(All Files)")},
    {434, QT_TRANSLATE_NOOP("StringTable", "Quenmark has been running!")},
    {435, QT_TRANSLATE_NOOP("StringTable", "zorv.chm")},
    {438, QT_TRANSLATE_NOOP("StringTable", "Manually select historical partitions: for those who know "
                                           "partition structure && data recovery mechanism.")},
    {483, QT_TRANSLATE_NOOP("StringTable", "Japanese")},
    {61230, QT_TRANSLATE_NOOP("StringTable", "Select a partition to recover, please.")},
    {61235, QT_TRANSLATE_NOOP("StringTable", "  Photo Recovery  ")},
    {61236, QT_TRANSLATE_NOOP("StringTable", "Recover photos, camera raw pictures and images from memory "
                                             "cards, cameras and disks, even after formatting.")},
    {61237, QT_TRANSLATE_NOOP("StringTable", "The search results (.rsf) was exported successfully.")},
    {61238, QT_TRANSLATE_NOOP("StringTable", "Failed to export the search results (.rsf).")},
    {61240, QT_TRANSLATE_NOOP("StringTable",
                              "Failed to allocate the memory. Please untick \"Recover RAW file\" in RAW of "
                              "\"Option\" and try again. ")},
    {61248, QT_TRANSLATE_NOOP("StringTable", "No files found!")},
    {61249, QT_TRANSLATE_NOOP("StringTable", "No files found, please go to Format Recovery mode!")},
    {61250, QT_TRANSLATE_NOOP("StringTable",
                              "If the files you need are not found, please select the \"Full scan\".")},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; }));

} // namespace

const char* AppStringEnglish(unsigned id) {
  const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                    [](const StringEntry& entry, unsigned key) { return entry.id < key; });
  return it != std::end(kStrings) && it->id == id ? it->text : nullptr;
}

std::vector<unsigned> AppStringIds() {
  std::vector<unsigned> ids;
  ids.reserve(std::size(kStrings));
  for (const StringEntry& entry : kStrings) {
    ids.push_back(entry.id);
  }
  return ids;
}

QString LoadAppString(unsigned id) {
  const char* text = AppStringEnglish(id);
  return text == nullptr ? QString() : QCoreApplication::translate("StringTable", text);
}

} // namespace qm
