#include "raw/exif_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "format_fixture.h"

namespace {

struct Segment {
  std::uint64_t offset = 0; // of the APP1 marker in the file
  std::uint16_t length = 0; // the segment's own length field
};

// The first APP1 segment that holds EXIF data, found by walking the JPEG
// markers from the start of the picture.
Segment FindExifSegment(const std::vector<std::uint8_t>& jpeg) {
  const qm::ByteView bytes(jpeg.data(), jpeg.size());
  std::uint64_t at = 2;
  while (bytes.has(at, 4) && bytes.u8(at) == 0xFF && bytes.u8(at + 1) != 0xDA) {
    if (bytes.u8(at + 1) == 0xE1 && bytes.matches(at + 4, std::string_view("Exif\0\0", 6)))
      return {at, bytes.be16(at + 2)};
    at += 2 + bytes.be16(at + 2);
  }
  return {};
}

// Reads a picture's EXIF segment into info as the picture analyser does.
int ReadPicture(const std::vector<std::uint8_t>& jpeg, ExifInfo& info) {
  const Segment segment = FindExifSegment(jpeg);
  EXPECT_NE(segment.offset, 0u);
  info = ExifInfo{};
  SetExifInfo(&info);
  const qm::ByteView bytes(jpeg.data(), jpeg.size());
  return ProcessExif(bytes.from(segment.offset), segment.offset, 4, segment.length - 2u);
}

TEST(ExifReader, PicturesFromBothByteOrdersGiveTheSameFacts) {
  ExifInfo little{}, big{};
  ASSERT_EQ(ReadPicture(qm::ReadFormatFixture("exif_II.jpg"), little), 1) << GetExifError();
  ASSERT_EQ(ReadPicture(qm::ReadFormatFixture("exif_MM.jpg"), big), 1) << GetExifError();
  for (const ExifInfo* info : {&little, &big}) {
    EXPECT_STREQ(info->cameraMake, "Walker Camera Works");
    EXPECT_STREQ(info->cameraModel, "WC-100 Mark II");
    EXPECT_STREQ(info->dateTime, "2009:08:07 06:05:04");
    EXPECT_STREQ(info->dateTimeDigitized, "2009:08:07 06:05:05");
    EXPECT_EQ(std::string(info->exifVersion).substr(0, 2), "02");
    EXPECT_EQ(info->orientation, 6);
    EXPECT_EQ(info->isoEquivalent, 400);
    EXPECT_EQ(info->flashUsed, 1);
    EXPECT_DOUBLE_EQ(info->exposureTime, 0.004);
    EXPECT_DOUBLE_EQ(info->fNumber, 2.8);
    EXPECT_DOUBLE_EQ(info->focalLength, 35.0);
    EXPECT_DOUBLE_EQ(info->focalPlaneXResolution, 1500.0);
    EXPECT_DOUBLE_EQ(info->ccdWidth, 2.0); // 3000 pixels x 1 / 1500 per inch
  }
  EXPECT_STREQ(little.exifVersion, big.exifVersion);
}

// A TIFF structure for one EXIF segment, in either byte order: directories
// of entries, each value inline or placed after its directory.
struct Entry {
  std::uint16_t tag;
  std::uint16_t format;
  std::uint32_t count;
  std::uint32_t value = 0;  // inline number, when no payload
  std::string payload = {}; // bytes in file order; more than 4 go after the directory
};

Entry Text(std::uint16_t tag, const std::string& text) {
  return {tag, 2, static_cast<std::uint32_t>(text.size() + 1), 0, text + std::string(1, '\0')};
}
Entry Short(std::uint16_t tag, std::uint16_t value) { return {tag, 3, 1, value}; }
Entry Long(std::uint16_t tag, std::uint32_t value) { return {tag, 4, 1, value}; }

class ExifBuilder {
public:
  explicit ExifBuilder(bool bigEndian) : big_(bigEndian) {
    bytes_.assign({'E', 'x', 'i', 'f', 0, 0});
    bytes_.resize(6 + 8);
    bytes_[6] = bytes_[7] = big_ ? 'M' : 'I';
    Put16(2, 42);
    Put32(4, 8);
  }
  std::uint32_t End() const { return static_cast<std::uint32_t>(bytes_.size() - 6); }
  void Put16(std::uint32_t at, std::uint16_t v) {
    Grow(at + 2);
    for (int i = 0; i < 2; ++i)
      bytes_[6 + at + i] = static_cast<std::uint8_t>(big_ ? v >> (8 - 8 * i) : v >> (8 * i));
  }
  void Put32(std::uint32_t at, std::uint32_t v) {
    Grow(at + 4);
    for (int i = 0; i < 4; ++i)
      bytes_[6 + at + i] = static_cast<std::uint8_t>(big_ ? v >> (24 - 8 * i) : v >> (8 * i));
  }
  std::string Rational(std::uint32_t num, std::uint32_t den) {
    ExifBuilder scratch(big_);
    scratch.Put32(0, num);
    scratch.Put32(4, den);
    return std::string(scratch.bytes_.begin() + 6, scratch.bytes_.begin() + 14);
  }
  // Appends a directory at the end; returns its offset.
  std::uint32_t Directory(const std::vector<Entry>& entries, std::uint32_t next = 0) {
    const std::uint32_t at = End();
    const std::uint32_t n = static_cast<std::uint32_t>(entries.size());
    Put16(at, static_cast<std::uint16_t>(n));
    Put32(at + 2 + 12 * n, next);
    for (std::uint32_t i = 0; i < n; ++i) {
      const Entry& e = entries[i];
      const std::uint32_t entry = at + 2 + 12 * i;
      Put16(entry, e.tag);
      Put16(entry + 2, e.format);
      Put32(entry + 4, e.count);
      if (e.payload.empty() && (e.format == 3 || e.format == 8)) {
        Put16(entry + 8, static_cast<std::uint16_t>(e.value)); // a short stands first in the field
      } else if (e.payload.empty()) {
        Put32(entry + 8, e.value);
      } else if (e.payload.size() <= 4) {
        std::memcpy(&bytes_[6 + entry + 8], e.payload.data(), e.payload.size());
      } else {
        const std::uint32_t data = End();
        Put32(entry + 8, data);
        bytes_.insert(bytes_.end(), e.payload.begin(), e.payload.end());
      }
    }
    return at;
  }
  static std::uint32_t ValueAt(std::uint32_t directory, std::uint32_t index) {
    return directory + 2 + 12 * index + 8;
  }
  static std::uint32_t LinkAt(std::uint32_t directory, std::uint32_t entries) {
    return directory + 2 + 12 * entries;
  }

  int Process(ExifInfo& info, std::int64_t lengthChange = 0) {
    info = ExifInfo{};
    SetExifInfo(&info);
    return ProcessExif(qm::ByteView(bytes_.data(), bytes_.size()), 1000, 0,
                       static_cast<std::uint32_t>(static_cast<std::int64_t>(bytes_.size()) + lengthChange));
  }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
  void Grow(std::uint32_t tiffEnd) {
    if (bytes_.size() < 6 + tiffEnd) bytes_.resize(6 + tiffEnd);
  }
  bool big_;
  std::vector<std::uint8_t> bytes_;
};

TEST(ExifReader, TagsOfACraftedSegmentInBothByteOrders) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    ExifBuilder b(big);
    const std::uint32_t ifd0 = b.Directory({
        Text(271, std::string(40, 'M')), // cut to 31 characters
        Text(272, "Model<with angle>"),
        Short(274, 3),
        {282, 5, 1, 0, b.Rational(300, 1)},
        {283, 5, 1, 0, b.Rational(150, 0)}, // no denominator: 0
        Short(296, 3),
        Long(34665, 0), // the EXIF sub-directory, patched below
        Long(513, 400),
        Long(514, 1234),
    });
    const std::uint32_t exif = b.Directory({
        Short(34855, 2), // a multiple of 200
        Text(36867, "2011:02:03 04:05:06 and more"),
        {36864, 7, 4, 0, "0231"},
        Short(37385, 0x18), // not fired
        {37380, 10, 1, 0, b.Rational(static_cast<std::uint32_t>(-2), 3)},
        {37510, 7, 10, 0, "ASCII\0\0\0ab"},
        {41486, 5, 1, 0, b.Rational(1000, 1)},
        Short(41488, 4),
        Long(40962, 4000),
        Short(40963, 3000),
        {37386, 12, 1, 0, std::string(8, '\0')},
    });
    b.Put32(ExifBuilder::ValueAt(ifd0, 6), exif);
    ExifInfo info;
    ASSERT_EQ(b.Process(info), 1) << GetExifError();
    EXPECT_EQ(GetExifError(), "");
    EXPECT_EQ(std::string(info.cameraMake), std::string(31, 'M'));
    EXPECT_STREQ(info.cameraModel, "Model<with angle>");
    EXPECT_EQ(info.orientation, 3);
    EXPECT_DOUBLE_EQ(info.xResolution, 300);
    EXPECT_DOUBLE_EQ(info.yResolution, 0);
    EXPECT_DOUBLE_EQ(info.resolutionUnit, 0.3937007);
    EXPECT_EQ(info.thumbnailOffset, 1000u + 6u + 400u);
    EXPECT_EQ(info.thumbnailLength, 1234u);
    EXPECT_EQ(info.isoEquivalent, 400);
    EXPECT_STREQ(info.dateTime, "2011:02:03 04:05:06"); // 19 characters
    EXPECT_STREQ(info.exifVersion, "0231");
    EXPECT_EQ(info.flashUsed, 0);
    EXPECT_NEAR(info.exposureBias, -2.0 / 3.0, 1e-12);
    EXPECT_EQ(info.userCommentLength, 10u);
    EXPECT_EQ(std::memcmp(b.bytes().data() + (info.userCommentOffset - 1000), "ASCII", 5), 0);
    EXPECT_DOUBLE_EQ(info.focalPlaneUnit, 0.03937008);
    EXPECT_DOUBLE_EQ(info.ccdWidth, 4000 * 0.03937008 / 1000);
  }
}

TEST(ExifReader, RefusalsLeaveTheirMessage) {
  struct Case {
    const char* what;
    void (*spoil)(ExifBuilder&, std::uint32_t ifd0);
    const char* error;
  };
  const Case cases[] = {
      {"not Exif", [](ExifBuilder& b, std::uint32_t) { b.bytes()[4] = 'X'; }, "Incorrect Exif header"},
      {"byte-order mark", [](ExifBuilder& b, std::uint32_t) { b.bytes()[7] = 'M'; },
       "Invalid Exif alignment marker."},
      {"not 42", [](ExifBuilder& b, std::uint32_t) { b.Put16(2, 43); }, "Invalid Exif start (1)"},
      {"first directory at 20", [](ExifBuilder& b, std::uint32_t) { b.Put32(4, 20); },
       "Suspicious offset of first IFD value"},
      {"first directory at 7", [](ExifBuilder& b, std::uint32_t) { b.Put32(4, 7); },
       "Suspicious offset of first IFD value"},
      {"more entries than the data holds", [](ExifBuilder& b, std::uint32_t d) { b.Put16(d, 500); },
       "Illegally sized directory"},
      {"format 13", [](ExifBuilder& b, std::uint32_t d) { b.Put16(d + 2 + 2, 13); },
       "Illegal format code in EXIF dir"},
      {"format 0", [](ExifBuilder& b, std::uint32_t d) { b.Put16(d + 2 + 2, 0); },
       "Illegal format code in EXIF dir"},
      {"value past the data",
       [](ExifBuilder& b, std::uint32_t d) { b.Put32(ExifBuilder::ValueAt(d, 0), b.End() - 3); },
       "Illegal pointer offset value in EXIF."},
      {"value count that wraps 32 bits",
       [](ExifBuilder& b, std::uint32_t d) { b.Put32(d + 2 + 4, 0x80000000u); },
       "Illegal pointer offset value in EXIF."},
      {"sub-directory past the data",
       [](ExifBuilder& b, std::uint32_t d) { b.Put32(ExifBuilder::ValueAt(d, 1), 0x7FFFFFFF); },
       "Illegal subdirectory link"},
      {"next directory past the data",
       [](ExifBuilder& b, std::uint32_t d) { b.Put32(ExifBuilder::LinkAt(d, 2), b.End()); },
       "Illegal subdirectory link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExifBuilder b(false);
    const std::uint32_t ifd0 = b.Directory({Text(271, "Maker Inc."), Long(34665, 0)});
    const std::uint32_t exif = b.Directory({Text(36867, "2001:01:01 01:01:01")});
    b.Put32(ExifBuilder::ValueAt(ifd0, 1), exif);
    c.spoil(b, ifd0);
    ExifInfo info;
    EXPECT_EQ(b.Process(info), 0);
    EXPECT_EQ(GetExifError(), c.error);
  }
  // Texts read before a failure stay.
  ExifBuilder b(false);
  const std::uint32_t ifd0 = b.Directory({Text(271, "Maker Inc."), Long(34665, 0x7FFFFFFF)});
  (void)ifd0;
  ExifInfo info;
  EXPECT_EQ(b.Process(info), 0);
  EXPECT_STREQ(info.cameraMake, "Maker Inc.");
}

TEST(ExifReader, AnUndefinedRotationIsNotedAndTheWalkGoesOn) {
  ExifBuilder b(true);
  b.Directory({Short(274, 9), Text(272, "After")});
  ExifInfo info;
  EXPECT_EQ(b.Process(info), 1);
  EXPECT_EQ(info.orientation, 0);
  EXPECT_EQ(GetExifError(), "Undefined rotation value");
  EXPECT_STREQ(info.cameraModel, "After");
}

TEST(ExifReader, DirectoryLinksThatLoopOrFanOutEnd) {
  // The first directory links to itself, its sub-directory back to it.
  ExifBuilder loop(false);
  const std::uint32_t ifd0 = loop.Directory({Text(271, "Loop"), Long(34665, 0)}, 8);
  const std::uint32_t sub = loop.Directory({Long(40965, ifd0), Text(272, "Sub")}, ifd0);
  loop.Put32(ExifBuilder::ValueAt(ifd0, 1), sub);
  ExifInfo info;
  EXPECT_EQ(loop.Process(info), 1);
  EXPECT_STREQ(info.cameraMake, "Loop");
  EXPECT_STREQ(info.cameraModel, "Sub");

  // A chain of a thousand directories, each also pointing at the next one
  // as a sub-directory: the walk is capped, and the stack of directories
  // never grows past the cap.
  ExifBuilder chain(true);
  std::uint32_t previous = chain.Directory({Long(34665, 0), Long(40965, 0)});
  for (int i = 0; i < 1000; ++i) {
    const std::uint32_t next = chain.Directory({Long(34665, 0), Long(40965, 0), Short(34855, 100)});
    chain.Put32(ExifBuilder::ValueAt(previous, 0), next);
    chain.Put32(ExifBuilder::ValueAt(previous, 1), next);
    chain.Put32(ExifBuilder::LinkAt(previous, previous == 8 ? 2 : 3), next);
    previous = next;
  }
  EXPECT_EQ(chain.Process(info), 1) << GetExifError();
  EXPECT_EQ(info.isoEquivalent, 100);
}

TEST(ExifReader, ReadsStayWithinTheSegment) {
  ExifBuilder b(false);
  b.Directory({Text(271, "Inside the segment")});
  ExifInfo info;
  // The segment says it ends before the value: refused, though the bytes
  // are at hand.
  EXPECT_EQ(b.Process(info, -4), 0);
  EXPECT_EQ(GetExifError(), "Illegal pointer offset value in EXIF.");
  // A segment that claims more than the bytes at hand is read as far as
  // they go.
  EXPECT_EQ(b.Process(info, 60000), 1);
  EXPECT_STREQ(info.cameraMake, "Inside the segment");
  // Nothing at all, or less than the TIFF header.
  SetExifInfo(&info);
  EXPECT_EQ(ProcessExif(qm::ByteView(), 0, 0, 100), 0);
  EXPECT_EQ(ProcessExif(qm::ByteView(b.bytes().data(), 10), 0, 0, 100), 0);
  EXPECT_EQ(ProcessExif(qm::ByteView(b.bytes().data(), b.bytes().size()), 0, 5000, 100), 0);
  // Without a current record the segment is still read safely.
  SetExifInfo(nullptr);
  EXPECT_EQ(ProcessExif(qm::ByteView(b.bytes().data(), b.bytes().size()), 0, 0, 200), 1);
}

} // namespace

namespace {

TEST(ExifReader, TwoThreadsReadTheirOwnSegmentsIntoTheirOwnRecords) {
  const std::vector<std::uint8_t> little = qm::ReadFormatFixture("exif_II.jpg");
  ExifBuilder other(true);
  other.Directory({Text(271, "Other Maker"), Short(274, 9)});
  std::atomic<int> wrong{0};
  auto readMany = [&](bool picture) {
    for (int i = 0; i < 300; ++i) {
      ExifInfo info{};
      const int result = picture ? ReadPicture(little, info) : other.Process(info);
      const bool ok = picture ? result == 1 && std::string(info.cameraMake) == "Walker Camera Works" &&
                                    GetExifError().empty()
                              : result == 1 && std::string(info.cameraMake) == "Other Maker" &&
                                    GetExifError() == "Undefined rotation value";
      if (!ok) ++wrong;
    }
  };
  std::thread a(readMany, true);
  std::thread b(readMany, false);
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
}

} // namespace
