// The search-files parameters and the filter built from them: name
// patterns, refused characters, swapped dates, sizes, types, encrypted
// files, and the walk that collects matches.
#include <gtest/gtest.h>

#include "filemodel/file_node.h"
#include "filemodel/search_file_params.h"
#include "filemodel/test_properties.h"

namespace {

using qm::test::TestProperties;

class DatedProperties : public TestProperties {
public:
  DatedProperties(const char* name, std::uint16_t attributes, std::uint64_t size, qm::FileTime written)
      : TestProperties(attributes, size), written_(written) {
    SetName(name);
  }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override {
    *out = written_;
    return out;
  }

private:
  qm::FileTime written_;
};

TEST(SearchFileParams, NamePatternAndRefusedCharacters) {
  EXPECT_EQ(qm::MakeNamePattern(""), "*");
  EXPECT_EQ(qm::MakeNamePattern("abc"), "*abc*");
  EXPECT_EQ(qm::MakeNamePattern(std::string(300, 'a')).size(), qm::kMaxNamePattern);
  for (const char* bad : {"a|b", "c:", "x/y", "x\\y", "\"q\"", "<", ">"}) {
    EXPECT_FALSE(qm::IsValidSearchName(bad, false)) << bad;
    EXPECT_FALSE(qm::IsValidSearchName(bad, true)) << bad;
  }
  EXPECT_TRUE(qm::IsValidSearchName("*abc*", false));
  EXPECT_TRUE(qm::IsValidSearchName("a?c.txt", false));
  EXPECT_FALSE(qm::IsValidSearchName("", false));
  EXPECT_TRUE(qm::IsValidSearchName("", true));
}

TEST(SearchFileParams, DateBlocksAndSwappedRange) {
  const qm::FileTime day = 24ull * 3600 * 10000000;
  const qm::FileTime now = 1000 * day;
  EXPECT_EQ(qm::LastDays(qm::kDateModified, 3, now).start, now - 3 * day);
  EXPECT_EQ(qm::LastMonths(qm::kDateCreated, 2, now).start, now - 60 * day);
  EXPECT_EQ(qm::LastMonths(qm::kDateCreated, 120, 5 * day).start, 0u); // never below the epoch
  qm::SearchDateBlock block{qm::kDateModified, 50, 10};
  qm::DateRangeParam range;
  range.Set(&block);
  EXPECT_EQ(block.start, 10u);
  EXPECT_EQ(block.end, 50u);
  EXPECT_GT(qm::CurrentFileTime(), 130000000000000000ull); // after 2012
}

TEST(SearchFileParams, FilterByNameTypeDateSizeAndEncryption) {
  struct File {
    const char* name;
    std::uint16_t attributes;
    std::uint64_t size;
    qm::FileTime written;
  };
  const File files[] = {
      {"abc.txt", 0, 100, 20},
      {"xABCx.jpg", 0, 5000, 40},
      {"other.txt", 0, 2048, 30},
      {"secret-abc.doc", 0x40, 10, 25},
  };
  auto names = [&](const qm::SearchFileParams& params) {
    auto filter = qm::BuildNameFilter(params);
    std::string out;
    for (const File& f : files) {
      DatedProperties properties(f.name, f.attributes, f.size, f.written);
      if (filter->IsMatch(&properties)) out += std::string(out.empty() ? "" : " ") + f.name;
    }
    return out;
  };
  qm::SearchFileParams params;
  params.namePattern = qm::MakeNamePattern("abc");
  EXPECT_EQ(names(params), "abc.txt xABCx.jpg secret-abc.doc");
  params.caseSensitive = true;
  EXPECT_EQ(names(params), "abc.txt secret-abc.doc");
  params.caseSensitive = false;

  // Other parameters: encrypted files left out when not included.
  params.flags = qm::kSearchOther;
  params.includeEncrypted = false;
  EXPECT_EQ(names(params), "abc.txt xABCx.jpg");
  params.includeEncrypted = true;

  // Type: the entry's extensions.
  params.namePattern = "*";
  params.flags = qm::kSearchByType;
  params.typePattern = ".jpg;.jpeg";
  EXPECT_EQ(names(params), "xABCx.jpg");
  params.typePattern = "*";
  EXPECT_EQ(names(params), "abc.txt xABCx.jpg other.txt secret-abc.doc");

  // Dates: a reversed range finds the same files as the swapped one.
  params.flags = qm::kSearchByDate;
  params.date = {qm::kDateModified, 35, 22};
  EXPECT_EQ(names(params), "other.txt secret-abc.doc");
  params.date = {qm::kDateModified, 22, 35};
  EXPECT_EQ(names(params), "other.txt secret-abc.doc");

  // Sizes: the number times 1024; the largest number is accepted.
  params.flags = qm::kSearchBySize;
  params.size = {qm::kSizeMoreThan, 2 * 1024};
  EXPECT_EQ(names(params), "xABCx.jpg");
  params.size = {qm::kSizeLessThan, 2 * 1024};
  EXPECT_EQ(names(params), "abc.txt secret-abc.doc");
  params.size = {qm::kSizeLessThan, qm::kMaxSearchKilobytes * 1024};
  EXPECT_EQ(params.size.bytes, 1024000000000ull);
  EXPECT_EQ(names(params), "abc.txt xABCx.jpg other.txt secret-abc.doc");
}

TEST(SearchFileParams, CollectsFilesNeverFoldersAndAutoSelects) {
  CFileNode* root = CreateFileNode();
  root->SetProperties(new TestProperties(qm::kAttrFolder, 0));
  root->GetProperties()->SetName("Root");
  auto add = [](CFileNode* parent, const char* name, std::uint16_t attributes, std::uint8_t check) {
    CFileNode* node = CreateFileNode();
    node->SetProperties(new TestProperties(attributes, 10, check));
    node->GetProperties()->SetName(name);
    return parent->AddChild(node);
  };
  CFileNode* folder = add(root, "abc-folder", qm::kAttrFolder, 0);
  CFileNode* inner = add(folder, "inner-abc.txt", 0, 0);
  CFileNode* checked = add(root, "abc-checked.txt", 0, qm::kChecked);
  add(root, "nothing.txt", 0, 0);

  qm::SearchFileParams params;
  params.namePattern = qm::MakeNamePattern("abc");
  auto filter = qm::BuildNameFilter(params);
  qm::SearchFilterSet set;
  std::vector<CFileNode*> ticked;
  EXPECT_EQ(qm::CollectMatches(root, *filter, set, true, [&](CFileNode* node) { ticked.push_back(node); }),
            2u);
  EXPECT_EQ(set.GetCount(), 2u);
  for (CFileNode* node : set.GetItems())
    EXPECT_FALSE(node->GetProperties()->IsFolder());
  // Only the unchecked match is ticked.
  EXPECT_EQ(ticked, std::vector<CFileNode*>{inner});
  (void)checked;
  DeleteFileTree(root);
}

} // namespace
