#include "raw/carved_file_spans.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Span {
  std::uint64_t start;
  std::uint64_t length;
};

TEST(CarvedFileSpans, ARecordInsideAnEarlierFileIsContained) {
  struct Case {
    const char* what;
    std::vector<Span> added;
    Span record;
    bool contained;
  };
  const Case cases[] = {
      {"nothing added", {}, {10, 5}, false},
      {"strictly inside", {{100, 1000}}, {200, 100}, true},
      {"ends exactly where the file ends", {{100, 1000}}, {600, 500}, true},
      {"one byte past the end", {{100, 1000}}, {600, 501}, false},
      {"starts where the file starts", {{100, 1000}}, {100, 10}, false},
      {"starts before", {{100, 1000}}, {99, 10}, false},
      {"starts at the file's end", {{100, 1000}}, {1100, 1}, false},
      {"inside the first of two", {{100, 1000}, {5000, 100}}, {200, 10}, true},
      {"between two", {{100, 1000}, {5000, 100}}, {2000, 10}, false},
      {"from one overlapping file into the next", {{100, 1000}, {600, 1000}}, {500, 1000}, false},
      {"inside the first of two overlapping", {{100, 1000}, {600, 1000}}, {200, 100}, true},
      {"inside the second of two overlapping", {{100, 1000}, {600, 1000}}, {700, 900}, true},
      {"a small file added inside a big one changes nothing", {{100, 1000}, {200, 10}}, {300, 700}, true},
      {"a big file added after a small one inside it", {{200, 10}, {100, 1000}}, {300, 700}, true},
      {"a length that would wrap", {{100, 1000}}, {200, UINT64_MAX}, false},
      {"a file reaching the top of the range", {{100, UINT64_MAX}}, {200, UINT64_MAX - 300}, true},
      {"an empty file contains nothing", {{100, 0}}, {100, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CarvedFileSpans spans;
    for (const Span& s : c.added)
      spans.Add(s.start, s.length);
    EXPECT_EQ(spans.Contains(c.record.start, c.record.length), c.contained);
  }
}

TEST(CarvedFileSpans, ArchiveAndMp3AnalysersAreTold) {
  for (int type : {10, 34, 54, 59, 68})
    EXPECT_TRUE(CarvedFileSpans::IsArchiveAnalyser(type)) << type;
  for (int type : {-1, 0, 29, 33, 41, 44, 69, 1000})
    EXPECT_FALSE(CarvedFileSpans::IsArchiveAnalyser(type)) << type;
  EXPECT_TRUE(CarvedFileSpans::IsMp3Analyser(41));
  EXPECT_FALSE(CarvedFileSpans::IsMp3Analyser(59));
}

} // namespace
