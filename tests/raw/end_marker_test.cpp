#include "raw/end_marker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "format_fixture.h"
#include "platform/message_pump.h"

namespace {

using namespace std::string_view_literals;

constexpr EndMarker kHtml{"</HTML>", 0x100000};
constexpr EndMarker kDxf{"EOF\r\n", 0};
constexpr EndMarker kFreeHand{"Decode\0\xFF\xFF\xFF\xFF"sv, 0};

struct Result {
  int result;
  std::uint64_t length;
};

Result Find(IStorageDevice* device, std::uint64_t firstSector, const EndMarker& marker) {
  CRawFileInfo record;
  record.SetStartSector(firstSector);
  record.SetLength(4242);
  const int result = FindEndMarker(&record, device, marker);
  return {result, record.GetLength()};
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(EndMarker, FindsTheMarkerIgnoringCaseWhereverItFalls) {
  std::string page = "<html><head><title>t</title></head><body>";
  while (page.size() < 70000)
    page += "<p>a paragraph of the page, with </HTM and </htmX that are not the end</p>\n";
  struct Case {
    const char* what;
    std::size_t at; // where the end marker is put
  } cases[] = {
      {"in the first sector", 100},
      {"across a sector boundary", 509},
      {"across the end of a window (128 sectors)", 65536 - 3},
      {"in a later window", 69000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = page.substr(0, c.at) + "</Html>\r\n" + page;
    auto device = qm::DeviceWithFile(Bytes(text), 5, 0);
    const Result r = Find(device.get(), 5, kHtml);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.length, c.at + 7);
  }
}

TEST(EndMarker, MarkersWithBytesOutsideLettersAndAtTheLastPossiblePlace) {
  std::string drawing =
      std::string(3000, 'x') + "Decode" + std::string(1, '\0') + "\xFF\xFF\xFF\xFF" + "tail";
  auto device = qm::DeviceWithFile(Bytes(drawing), 0, 0);
  EXPECT_EQ(Find(device.get(), 0, kFreeHand).length, 3011u);

  // A marker that ends exactly at the device's end.
  std::string dxf = "  0\r\nSECTION\r\n" + std::string(1024 - 14 - 5, ' ') + "eof\r\n";
  ASSERT_EQ(dxf.size(), 1024u);
  qm::MemoryDevice exact(Bytes(dxf), 512);
  const Result r = Find(&exact, 0, kDxf);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.length, 1024u);
}

TEST(EndMarker, TheLimitEndsTheSearchThereAndTheDeviceEndGivesNothing) {
  std::string text(5000, 'a');
  qm::MemoryDevice device(Bytes(text + std::string(3192, 'b')), 512);
  // No marker within the limit: the length is the first offset past it.
  Result r = Find(&device, 0, EndMarker{"</html>", 1000});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.length, 1001u);
  // A marker that starts at the limit itself still counts.
  text.replace(1000, 7, "</html>");
  qm::MemoryDevice marked(Bytes(text + std::string(3192, 'b')), 512);
  r = Find(&marked, 0, EndMarker{"</html>", 1000});
  EXPECT_EQ(r.length, 1007u);
  // Without a limit of its own the maximum carved size holds.
  {
    qm::MaxRawFileSizeGuard maximum(700);
    r = Find(&device, 0, EndMarker{"</html>", 0});
    EXPECT_EQ(r.length, 701u);
  }
  // The device ends before the marker and the limit: no length.
  r = Find(&device, 0, kHtml);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.length, 4242u);
  // An unreadable sector on the way: no length either.
  device.AddFailingRange(3, 4);
  EXPECT_EQ(Find(&device, 0, EndMarker{"</html>", 4000}).result, 0);
}

TEST(EndMarker, NothingToSearchForOrNothingToReadGivesNoLength) {
  qm::MemoryDevice device(std::uint64_t{4}, 512);
  EXPECT_EQ(Find(&device, 0, EndMarker{"", 100}).result, 0);
  EXPECT_EQ(Find(&device, 9, kHtml).result, 0);
  EXPECT_EQ(Find(nullptr, 0, kHtml).result, 0);
  EXPECT_EQ(FindEndMarker(nullptr, &device, kHtml), 0);
}

TEST(EndMarker, PumpsOneMessageEvery512Bytes) {
  qm::MemoryDevice device(std::uint64_t{20}, 512);
  int pumped = 0;
  qm::SetMessagePump([&] { ++pumped; });
  const Result r = Find(&device, 0, EndMarker{"</html>", 5119});
  qm::SetMessagePump({});
  EXPECT_EQ(r.length, 5120u);
  EXPECT_EQ(pumped, 11); // at 0, 512, ..., 5120
}

} // namespace
