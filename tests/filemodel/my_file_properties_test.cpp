#include "filemodel/my_file_properties.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/memory_stream.h"

namespace {

TEST(MyFileProperties, NameRules) {
  auto properties = CreateMyFileProperties();
  EXPECT_STREQ(properties->GetName(), "");
  properties->SetName("Root");
  EXPECT_STREQ(properties->GetName(), "Root");
  EXPECT_EQ(properties->GetNameLength(), 4u);
  properties->SetName(nullptr); // changes nothing
  EXPECT_STREQ(properties->GetName(), "Root");
  const std::string longest(259, 'a');
  properties->SetName(longest.c_str());
  EXPECT_EQ(properties->GetName(), longest);
  const std::string tooLong(260, 'b');
  properties->SetName(tooLong.c_str()); // refused, name left empty
  EXPECT_STREQ(properties->GetName(), "");
  EXPECT_EQ(properties->GetNameLength(), 0u);
}

TEST(MyFileProperties, RecordAnswersEveryGetter) {
  CMyFileProperties::Record record;
  std::strcpy(record.name, "Root");
  record.nameLength = 999; // recounted from the name
  record.size = 42;
  record.attributes = qm::kAttrFolder;
  record.description = "synthetic";
  record.creationTime = 1;
  record.lastWriteTime = 2;
  record.lastAccessTime = 3;
  record.state = qm::kStateDeleted;
  record.checkState = qm::kChecked;
  record.extraValue = 9;
  record.validFields = qm::kValidName | qm::kValidAttributes;
  CMyFileProperties properties;
  properties.CopyRecord(record);
  EXPECT_STREQ(properties.GetName(), "Root");
  EXPECT_EQ(properties.GetNameLength(), 4u);
  EXPECT_EQ(properties.GetSize(), 42u);
  EXPECT_TRUE(properties.IsFolder());
  EXPECT_STREQ(properties.GetDescription(), "synthetic");
  qm::FileTime t = 0;
  EXPECT_EQ(*properties.GetCreationTime(&t), 1u);
  EXPECT_EQ(*properties.GetLastWriteTime(&t), 2u);
  EXPECT_EQ(*properties.GetLastAccessTime(&t), 3u);
  EXPECT_EQ(properties.GetState(), qm::kStateDeleted);
  EXPECT_EQ(properties.GetCheckState(), qm::kChecked);
  EXPECT_EQ(properties.GetValidFields(), qm::kValidName | qm::kValidAttributes);
  EXPECT_EQ(properties.SetExtraValue(5), 9u);
  EXPECT_EQ(properties.GetExtraValue(), 5u);
  EXPECT_EQ(properties.GetDataRunList(), nullptr);
  EXPECT_EQ(properties.GetTypeCode(), qm::kPropertiesGeneric);

  // A record without a terminator cannot make GetName run off the field.
  std::memset(record.name, 'z', sizeof record.name);
  properties.CopyRecord(record);
  EXPECT_EQ(properties.GetNameLength(), CMyFileProperties::kNameCapacity - 1);
}

TEST(MyFileProperties, NeverTakesPartInSavedResults) {
  CMyFileProperties properties;
  qm::test::MemoryStream stream;
  EXPECT_EQ(properties.Save(&stream), 0);
  EXPECT_EQ(properties.Load(&stream), 0);
  EXPECT_TRUE(stream.bytes.empty());
}

} // namespace
