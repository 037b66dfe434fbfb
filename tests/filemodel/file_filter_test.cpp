#include <gtest/gtest.h>

#include <cstring>

#include "filemodel/file_filter.h"
#include "filemodel/find_file_criteria.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/name_pattern.h"

namespace {

CMyFileProperties File(std::uint16_t attributes, std::uint16_t state, std::uint32_t validFields,
                       const char* name = "file.txt") {
  CMyFileProperties::Record record;
  std::strcpy(record.name, name);
  record.attributes = attributes;
  record.state = state;
  record.validFields = validFields;
  CMyFileProperties properties;
  properties.CopyRecord(record);
  return properties;
}

TEST(FileFilter, AttributeTable) {
  struct Row {
    std::uint32_t mask;
    std::uint16_t attributes;
    std::uint32_t valid;
    bool match;
  } rows[] = {
      {kFilterAnything, 0, qm::kValidAll, true},
      {kFilterAnything, 0x40, 0xFF & ~qm::kValidAttributes, false}, // attributes not known
      {0x40, 0x40, qm::kValidAttributes, true},
      {0x40, 0x20, qm::kValidAll, false},
      {0x40, 0x40, 0, false},
      {0x200, 0x200, qm::kValidAll, false}, // sparse is never tested
      {0x100, 0x100, qm::kValidAll, false}, // nor temporary
      {0x800 | 0x400, 0x400, qm::kValidAll, true},
      {0x08, 0x08, qm::kValidAll, true},
      {0x02 | 0x10, 0x10, qm::kValidAll, true},
      {0, 0xFFFF, qm::kValidAll, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mask);
    auto file = File(row.attributes, 0, row.valid);
    CFileAttributeFilter filter(row.mask);
    EXPECT_EQ(filter.IsMatch(&file), row.match) << std::hex << row.attributes;
  }
  EXPECT_FALSE(CFileAttributeFilter().IsMatch(nullptr));
}

TEST(FileFilter, StateTable) {
  struct Row {
    std::uint32_t mask;
    std::uint16_t state;
    std::uint32_t valid;
    bool match;
  } rows[] = {
      {kFilterAnything, 0, qm::kValidState, true},
      {kFilterAnything, 1, qm::kValidAll & ~qm::kValidState, false},
      {2, 1, qm::kValidAll, false},
      {2, 2, qm::kValidAll, true},
      {7, 4, qm::kValidAll, true},
      {7, 8, qm::kValidAll, false}, // only the bits 1, 2 and 4 count
      {8, 8, qm::kValidAll, false},
      {7, 0, qm::kValidAll, false},
  };
  for (const Row& row : rows) {
    auto file = File(0, row.state, row.valid);
    CFileStateFilter filter(row.mask);
    EXPECT_EQ(filter.IsMatch(&file), row.match) << row.mask << " " << row.state;
  }
  EXPECT_FALSE(CFileStateFilter(7).IsMatch(nullptr));
}

TEST(FileFilter, NamePatternOverProperties) {
  NameFilterRegex filter;
  filter.Set("*.jpg", false, false, qm::kWildcardFileMask);
  auto photo = File(0, 0, qm::kValidAll, "Holiday.JPG");
  auto text = File(0, 0, qm::kValidAll, "notes.txt");
  EXPECT_TRUE(filter.IsMatch(&photo));
  EXPECT_FALSE(filter.IsMatch(&text));
  EXPECT_FALSE(filter.IsMatch(static_cast<const IFileProperties*>(nullptr)));
}

TEST(FileFilter, FindCriteriaCombineNameTypeListAndEncryption) {
  auto plain = File(0x20, 0, qm::kValidAll, "Budget 2024.xls");
  auto encrypted = File(0x40, 0, qm::kValidAll, "budget old.XLS");
  auto other = File(0x40, 0, qm::kValidAll, "budget.doc");
  FindFileCriteria criteria;
  criteria.Set("budget", false, false, qm::kWildcardNamePart, "*.xls;*.xlsx", false);
  EXPECT_TRUE(criteria.IsMatch(&plain));
  EXPECT_TRUE(criteria.IsMatch(&encrypted));
  EXPECT_FALSE(criteria.IsMatch(&other));
  criteria.Set("budget", false, false, qm::kWildcardNamePart, "*.xls;*.xlsx", true);
  EXPECT_FALSE(criteria.IsMatch(&plain));
  EXPECT_TRUE(criteria.IsMatch(&encrypted));
  criteria.Set("", false, false, qm::kWildcardNamePart, "", false);
  EXPECT_TRUE(criteria.IsMatch(&other));
  EXPECT_FALSE(criteria.IsMatch(nullptr));
}

} // namespace
