#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "filemodel/file_type_map.h"

namespace {

std::vector<FileTypeChoice> Catalogue(int jpgState, int docState, int mutexOnDoc) {
  return {
      {0, 0, {}},                             // the root
      {jpgState, 0, {"jpg", "JPEG"}},         // pictures
      {docState, mutexOnDoc, {"doc", "txt"}}, // documents
      {0, 0, {"TXT", "log"}},                 // plain text, not chosen
  };
}

TEST(FileTypeMap, IncludeExcludeAndAllTable) {
  struct Row {
    const char* what;
    std::vector<FileTypeChoice> catalogue;
    int allTypes;
    int mode;
    std::vector<std::pair<const char*, int>> answers;
  } rows[] = {
      {"all types", Catalogue(2, 0, 0), 1, CFileTypeMap::kAllFiles, {{".jpg", 1}, {".exe", 1}}},
      {"pictures chosen",
       Catalogue(2, 0, 0),
       0,
       CFileTypeMap::kInclude,
       {{".jpg", 1}, {".JPG", 1}, {"jpeg", 1}, {".doc", 0}, {".log", 0}, {"", 0}}},
      {"exclusion: the types not chosen are left out",
       Catalogue(0, 2, 1),
       0,
       CFileTypeMap::kExclude,
       // txt is listed by a chosen entry too, so it stays
       {{".jpg", 0}, {".Jpeg", 0}, {".log", 0}, {".txt", 1}, {".doc", 1}, {".exe", 1}}},
      {"nothing chosen", Catalogue(0, 0, 0), 0, CFileTypeMap::kInclude, {{".jpg", 1}, {".exe", 1}}},
  };
  CFileTypeMap map;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    map.Build(row.catalogue, row.allTypes);
    EXPECT_EQ(map.GetMode(), row.mode);
    for (auto [extension, expected] : row.answers)
      EXPECT_EQ(map.IsFileTypeInList(extension), expected) << extension;
    EXPECT_EQ(map.IsFileTypeInList(nullptr), 0);
  }
}

TEST(FileTypeMap, EmptyExclusionSetLetsEverythingPass) {
  // Every type not chosen shares its extensions with a chosen one: nothing
  // is to be left out.
  std::vector<FileTypeChoice> catalogue = {{2, 1, {"txt"}}, {0, 0, {"TXT"}}};
  CFileTypeMap map;
  map.Build(catalogue, 0);
  EXPECT_EQ(map.GetMode(), CFileTypeMap::kExclude);
  EXPECT_FALSE(map.HasExtensions());
  EXPECT_EQ(map.IsFileTypeInList(".exe"), 1);
}

TEST(FileTypeMap, ProcessWideSetAndLookupsDuringRebuilds) {
  CFileTypeMap& map = CFileTypeMap::GetInstance();
  std::vector<FileTypeChoice> pictures = {{2, 0, {"jpg"}}};
  map.Build(pictures, 0);
  EXPECT_EQ(IsFileTypeInList(".jpg"), 1);
  EXPECT_EQ(IsFileTypeInList(".doc"), 0);

  // Scanning threads ask while the user interface rebuilds: every answer
  // is one of a consistent set (jpg always passes in both sets).
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t)
    readers.emplace_back([&] {
      while (!stop)
        if (IsFileTypeInList(".jpg") != 1) ++wrong;
    });
  std::vector<FileTypeChoice> more = {{2, 0, {"jpg", "png", "gif"}}};
  for (int i = 0; i < 200; ++i)
    map.Build(i % 2 ? pictures : more, 0);
  stop = true;
  for (auto& reader : readers)
    reader.join();
  EXPECT_EQ(wrong, 0);
  map.Build({}, 1);
  EXPECT_EQ(IsFileTypeInList(".doc"), 1);
}

} // namespace
