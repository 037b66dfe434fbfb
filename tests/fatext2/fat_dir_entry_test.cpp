#include "fatext2/fat_dir_entry.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "storage/app_settings.h"

namespace {

using Entry = std::array<std::uint8_t, 32>;

// A live file entry: name and extension blank-padded, a plausible date and
// time, first cluster and size.
Entry FileEntry(const char* base, const char* extension, std::uint32_t cluster, std::uint32_t size,
                std::uint8_t attributes = 0x20) {
  Entry e{};
  std::memset(e.data(), ' ', 11);
  std::memcpy(e.data(), base, std::strlen(base));
  std::memcpy(e.data() + 8, extension, std::strlen(extension));
  e[0x0B] = attributes;
  const std::uint16_t date = static_cast<std::uint16_t>(((2024 - 1980) << 9) | (5 << 5) | 17);
  const std::uint16_t time = static_cast<std::uint16_t>((13 << 11) | (45 << 5) | 10);
  qm::StoreLe16(&e[0x0E], time);
  qm::StoreLe16(&e[0x10], date);
  qm::StoreLe16(&e[0x12], date);
  qm::StoreLe16(&e[0x14], static_cast<std::uint16_t>(cluster >> 16));
  qm::StoreLe16(&e[0x16], time);
  qm::StoreLe16(&e[0x18], date);
  qm::StoreLe16(&e[0x1A], static_cast<std::uint16_t>(cluster));
  qm::StoreLe32(&e[0x1C], size);
  return e;
}

// A long-name piece holding up to 13 UTF-16 units, zero-terminated and
// padded with 0xFFFF when shorter.
Entry LongNamePiece(std::uint8_t sequence, const std::u16string& units) {
  static constexpr std::size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  Entry e{};
  e[0] = sequence;
  e[0x0B] = 0x0F;
  for (std::size_t i = 0; i < 13; ++i) {
    const std::uint16_t unit = i < units.size() ? units[i] : (i == units.size() ? 0 : 0xFFFF);
    qm::StoreLe16(&e[kOffsets[i]], unit);
  }
  return e;
}

CFatDirEntry View(const Entry& e) { return CFatDirEntry(qm::ByteView(e.data(), e.size())); }

// Restores the FAT options the tests toggle.
class FatDirEntryTest : public ::testing::Test {
protected:
  void TearDown() override {
    GetAppSettings()->bCheckFatDate = 1;
    GetAppSettings()->bCheckFatTime = 1;
  }
};

struct ValidCase {
  const char* what;
  std::function<void(Entry&)> patch;
  bool strict;
  bool lenient;
};

TEST_F(FatDirEntryTest, Plausibility) {
  const auto none = [](Entry&) {};
  const ValidCase cases[] = {
      {"sound file", none, true, true},
      {"empty file at cluster 0",
       [](Entry& e) {
         qm::StoreLe32(&e[0x1C], 0);
         qm::StoreLe16(&e[0x1A], 0);
       },
       true, true},
      {"size without a cluster", [](Entry& e) { qm::StoreLe16(&e[0x1A], 0); }, false, true},
      {"cluster without a size", [](Entry& e) { qm::StoreLe32(&e[0x1C], 0); }, false, true},
      {"folder with a size and a high cluster word",
       [](Entry& e) {
         e[0x0B] = 0x10;
         qm::StoreLe16(&e[0x14], 1);
       },
       false, true},
      {"folder with a size and a low cluster", [](Entry& e) { e[0x0B] = 0x10; }, true, true},
      {"month 13", [](Entry& e) { qm::StoreLe16(&e[0x18], (44 << 9) | (13 << 5) | 1); }, false, false},
      {"day 0 of the access date", [](Entry& e) { qm::StoreLe16(&e[0x12], (44 << 9) | (3 << 5)); }, false,
       false},
      {"no creation date", [](Entry& e) { qm::StoreLe16(&e[0x10], 0); }, true, true},
      {"hour 24", [](Entry& e) { qm::StoreLe16(&e[0x16], 24 << 11); }, false, false},
      {"minute 60", [](Entry& e) { qm::StoreLe16(&e[0x0E], 60 << 5); }, false, false},
      {"seconds field 30", [](Entry& e) { qm::StoreLe16(&e[0x0E], 30); }, false, false},
      {"reserved attribute bit", [](Entry& e) { e[0x0B] = 0x60; }, false, false},
      {"blank first character", [](Entry& e) { e[0] = ' '; }, false, false},
      {"control byte", [](Entry& e) { e[3] = 0x19; }, false, false},
      {"question mark", [](Entry& e) { e[9] = '?'; }, false, false},
      {"lead byte hides a bad byte",
       [](Entry& e) {
         e[1] = 0x81;
         e[2] = '?';
       },
       true, true},
      {"allowed punctuation", [](Entry& e) { std::memcpy(e.data(), "A+,;=[]B", 8); }, true, true},
      {"deleted mark", [](Entry& e) { e[0] = 0xE5; }, true, true},
      {"volume label with a blank first byte",
       [](Entry& e) {
         e[0] = ' ';
         e[0x0B] = 0x08;
         qm::StoreLe32(&e[0x1C], 0);
         qm::StoreLe16(&e[0x1A], 0);
       },
       true, true},
      {"long-name piece with garbage",
       [](Entry& e) {
         e.fill(0xFF);
         e[0x0B] = 0x0F;
       },
       true, true},
  };
  for (const auto& c : cases) {
    Entry e = FileEntry("REPORT", "DOC", 7, 5000);
    c.patch(e);
    EXPECT_EQ(View(e).IsValid(true), c.strict) << c.what;
    EXPECT_EQ(View(e).IsValid(false), c.lenient) << c.what;
  }
}

TEST_F(FatDirEntryTest, DateAndTimeChecksFollowTheSettings) {
  Entry e = FileEntry("REPORT", "DOC", 7, 5000);
  qm::StoreLe16(&e[0x18], (44 << 9) | (13 << 5) | 1);
  qm::StoreLe16(&e[0x16], 24 << 11);
  EXPECT_FALSE(View(e).IsValid(false));
  GetAppSettings()->bCheckFatDate = 0;
  EXPECT_FALSE(View(e).IsValid(false));
  GetAppSettings()->bCheckFatTime = 0;
  EXPECT_TRUE(View(e).IsValid(false));
}

TEST_F(FatDirEntryTest, ShortNames) {
  struct NameCase {
    Entry entry;
    bool noDot;
    const char* name;
  };
  Entry deleted = FileEntry("\xE5"
                            "EADME",
                            "TXT", 3, 10);
  Entry lower = FileEntry("README", "TXT", 3, 10);
  lower[0x0C] = 0x18;
  Entry lowerBase = FileEntry("README", "TXT", 3, 10);
  lowerBase[0x0C] = 0x08;
  Entry label = FileEntry("MY DISK", "LBL", 0, 0, 0x08);
  const NameCase cases[] = {
      {FileEntry("README", "", 3, 10), false, "README"},
      {deleted, false, "#EADME.TXT"},
      {FileEntry("A", "B", 3, 10), false, "A.B"},
      {lower, false, "readme.txt"},
      {lowerBase, false, "readme.TXT"},
      {label, true, "MY DISKLBL"},
      {FileEntry("MY DISK", "", 0, 0, 0x08), true, "MY DISK"},
      {FileEntry("\x80"
                 "BC",
                 "\xE1", 3, 10),
       false,
       "\xC3\x87"
       "BC.\xC3\x9F"}, // code page 437
  };
  for (const auto& c : cases)
    EXPECT_EQ(View(c.entry).GetShortName(c.noDot), c.name);
}

TEST_F(FatDirEntryTest, EntryKinds) {
  Entry dot = FileEntry(".", "", 5, 0, 0x10);
  Entry dotDot = FileEntry("..", "", 0, 0, 0x10);
  Entry dotFile = FileEntry(".", "", 5, 0, 0x20);
  EXPECT_TRUE(View(dot).IsDotEntry());
  EXPECT_FALSE(View(dot).IsDotDotEntry());
  EXPECT_TRUE(View(dotDot).IsDotDotEntry());
  EXPECT_FALSE(View(dotFile).IsDotEntry()) << "a dot entry is a directory";

  Entry big = FileEntry("BIG", "BIN", 0x00123456, 0xFFFFFFFF);
  EXPECT_EQ(View(big).GetFirstCluster(), 0x00123456u);
  EXPECT_EQ(View(big).GetFileSize(), 0xFFFFFFFFu);

  Entry zero{};
  EXPECT_TRUE(View(zero).IsAllZero());
  EXPECT_TRUE(View(zero).IsEndOfDirectory());
  EXPECT_FALSE(View(zero).IsValid(false));
  EXPECT_TRUE(View(FileEntry("L", "", 0, 0, 0x08)).IsVolumeLabel());
  EXPECT_FALSE(View(FileEntry("L", "", 0, 0, 0x28)).IsVolumeLabel());

  // A view shorter than an entry reads zeros past its end and is never valid.
  Entry file = FileEntry("REPORT", "DOC", 7, 5000);
  const CFatDirEntry cut(qm::ByteView(file.data(), 20));
  EXPECT_FALSE(cut.IsValid(false));
  EXPECT_EQ(cut.GetFileSize(), 0u);
  EXPECT_FALSE(cut.IsAllZero());
}

TEST_F(FatDirEntryTest, LongNamePieces) {
  std::string text;
  EXPECT_EQ(View(LongNamePiece(0x41, u"short.txt")).GetLongNamePiece(text), 1);
  EXPECT_EQ(text, "short.txt");
  View(LongNamePiece(0x02, u"thirteen unit")).GetLongNamePiece(text);
  EXPECT_EQ(text, "thirteen unit");
  View(LongNamePiece(0x01, u"Grüße \u65E5\u672C")).GetLongNamePiece(text);
  EXPECT_EQ(text, "Grüße 日本");
  View(LongNamePiece(0x01, u"")).GetLongNamePiece(text);
  EXPECT_EQ(text, "");
}

TEST_F(FatDirEntryTest, FileNameCharacters) {
  EXPECT_EQ(IsValidFileName(nullptr), 0);
  EXPECT_EQ(IsValidFileName(""), 0);
  EXPECT_EQ(IsValidFileName("Report 2024 (final).doc"), 1);
  for (const char* bad : {"a?b", "a*b", "a|b", "a\\b", "a/b", "a:b", "a\"b", "a<b", "a>b"})
    EXPECT_EQ(IsValidFileName(bad), 0) << bad;
}

} // namespace
