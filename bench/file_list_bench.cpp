// The file list at the size of a huge folder: 1,000,000 files in one
// folder. Times listing the folder (the rows the list keeps), reading the
// cells of one screen of rows, sorting by each column both ways, and a
// check toggle of the folder, against the time to simply walk the folder's
// children once (the reference). Every step must stay well under a second.
#include <QtCore/QCoreApplication>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "controls/file_list_rows.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// The thread's processor time in ms: on a busy machine the wall time of a
// step swings with the other work, its processor time much less.
double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  constexpr int kFiles = 1000000;
  CFileSystemNode* root = CreateFileSystemNode();
  auto rootProperties = CreateMyFileProperties();
  rootProperties->SetName("Root");
  CMyFileProperties::Record folderRecord;
  folderRecord.attributes = qm::kAttrFolder;
  folderRecord.validFields = qm::kValidAll;
  std::snprintf(folderRecord.name, sizeof folderRecord.name, "huge");
  CFileNode* folder = CreateFileNode();
  auto folderProperties = CreateMyFileProperties();
  folderProperties->CopyRecord(folderRecord);
  folder->SetProperties(std::move(folderProperties));
  root->SetProperties(std::move(rootProperties));
  root->AddChild(folder);
  std::mt19937_64 random(7);
  static const char* const kExtensions[] = {"jpg", "DOC", "txt", "", "mp4", "Bin", "pdf"};
  for (int i = 0; i < kFiles; ++i) {
    CMyFileProperties::Record record;
    const char* extension = kExtensions[random() % 7];
    std::snprintf(record.name, sizeof record.name, "File_%07llu%s%s",
                  static_cast<unsigned long long>(random() % 10000000), *extension ? "." : "", extension);
    record.size = random() % (1ull << 30);
    record.lastWriteTime = 130000000000000000ull + random() % 10000000000000000ull;
    record.creationTime = 130000000000000000ull + random() % 10000000000000000ull;
    record.lastAccessTime = 130000000000000000ull + random() % 10000000000000000ull;
    record.state = qm::kStateDeleted;
    record.validFields = (i % 50 == 0) ? qm::kValidSize : qm::kValidAll;
    auto properties = CreateMyFileProperties();
    properties->CopyRecord(record);
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::move(properties));
    folder->AddChild(node);
  }
  root->UpdateSelectionSummary();

  auto start = Clock::now();
  std::size_t walked = 0;
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    walked += child->GetProperties()->GetNameLength();
  const double reference = Ms(start);
  std::printf("reference: walk %d children %.1f ms (%zu)\n", kFiles, reference, walked);

  start = Clock::now();
  std::vector<CFileNode*> rows;
  rows.reserve(3000);
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    if (!child->GetProperties()->IsFolder()) rows.push_back(child);
  std::printf("list the folder: %.1f ms (%.2f x reference)\n", Ms(start), Ms(start) / reference);

  start = Clock::now();
  std::size_t characters = 0;
  for (int row = 0; row < 60; ++row)
    for (int column = 0; column < qm::kFileListColumnCount; ++column)
      characters +=
          static_cast<std::size_t>(qm::FileListCellText(rows[static_cast<std::size_t>(row)], column).size());
  std::printf("cells of one screen (60 rows): %.3f ms (%zu characters)\n", Ms(start), characters);

  double worst = 0;
  for (int column = 0; column < qm::kFileListColumnCount; ++column) {
    for (bool descending : {false, true}) {
      start = Clock::now();
      const double cpu = CpuMs();
      qm::SortFileRows(rows, {column, descending});
      const double ms = Ms(start);
      worst = std::max(worst, ms);
      std::printf("sort column %d %s: %.1f ms (%.1f x reference), processor %.1f ms\n", column,
                  descending ? "down" : "up  ", ms, ms / reference, CpuMs() - cpu);
    }
  }
  start = Clock::now();
  const double toggleCpu = CpuMs();
  root->ToggleCheck(folder, 0);
  const double toggle = Ms(start);
  std::printf("toggle the folder: %.1f ms (%.1f x reference), processor %.1f ms\n", toggle,
              toggle / reference, CpuMs() - toggleCpu);
  std::printf("worst sort %.1f ms; every step %s one second\n", worst,
              std::max(worst, toggle) < 1000 ? "under" : "OVER");
  DeleteFileTree(root);
  return 0;
}
