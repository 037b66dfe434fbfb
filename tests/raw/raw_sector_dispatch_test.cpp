// The prefilters of the analysers never refuse a sector that an
// analyser's header test accepts, so the dispatch returns exactly what
// asking every analyser in list order returns. Proved on the first sectors
// of all the real fixture files, on crafted headers of the formats that
// have no fixture file, and on every one-byte change of each of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <typeindex>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "format_fixture.h"
#include "raw/raw_search_type_list.h"
#include "raw/raw_sector_dispatch.h"

namespace {

using Sector = std::vector<std::uint8_t>;

Sector Header(std::initializer_list<std::pair<std::size_t, std::string_view>> parts) {
  Sector s(512, 0);
  for (const auto& [at, bytes] : parts)
    std::copy(bytes.begin(), bytes.end(), s.begin() + static_cast<std::ptrdiff_t>(at));
  return s;
}

std::string_view Le32(std::uint32_t v) {
  static thread_local char b[4];
  for (int i = 0; i < 4; ++i)
    b[i] = static_cast<char>(v >> (8 * i));
  return {b, 4};
}

// Headers of the formats that no fixture file shows, each one the
// format's analyser accepts.
std::vector<Sector> CraftedHeaders() {
  using namespace std::string_view_literals;
  std::vector<Sector> headers = {
      Header({{0, "CPT9FILE"}, {52, Le32(316)}}),
      Header({{0, "II\x1a\0\0\0HEAPCCDR\x02\0"sv}}),
      Header({{0, "JMF6\x03\x00\x10\x00"sv}}),
      Header({{0, "\xCF\xAD\x12\xFE\xC5\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0"sv}}),
      Header({{0, "AC1015"}}),
      Header({{0, "\x1C\x01\x00\x00\x02\x00\x04\x1C\x01\x14\x00\x02\x00\x14\x1C\x01"sv}, {34, "11"}}),
      Header({{0, "\x3F\x5F\x03\x00"sv}, {12, Le32(4096)}}),
      Header({{0, "\x00\x01\x00\x00Standard Jet DB\x00"sv}}),
      Header({{0, "\x00\x01\x00\x00Standard ACE DB\x00"sv}}),
      Header({{0, "\x00\x01\x00\x00"sv}, {4, "MSISAM Database"}}),
      Header({{0, "\xE4\x52\x5C\x7B\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3"sv}}),
      Header({{0, "!BDN"}}),
      Header({{0, "Paint Shop Pro Image File\n\x1a"}}),
      Header({{0, "\xFFWPC"}, {8, "\x01\x0A\x02\x01"sv}, {14, "\x00\x02\x05\x00"sv}}),
      Header({{0, "\xFFWPC"}, {8, "\x0F\x0F\x01\x00"sv}, {14, "\x00\x00\x03\x00"sv}}),
      Header({{0, "\xDB\xA5\x2D\x00"sv}}),
      Header({{0, "\x94\xA6\x2E\x00"sv}}),
      Header({{0, "\0\0\2\0"sv},
              {4, "\x01\x00"sv},
              {6, "\x10\x10\x00\x00\x01\x00\x20\x00\x28\x01\x00\x00\x16\x00\x00\x00"sv}}),
      Header({{0, "CWS\x09"}, {4, Le32(300)}}),
      Header({{0, "\x00\x00\x00\x18"sv}, {4, "FTYPMP42"}}),
      Header({{0, "\x00\x00\x00\x18"sv}, {4, "ftyp3gp4"}}),
      Header({{0, "ID3\x04"}}),
      Header({{0, "<!-- x --><html>"}}),
  };
  return headers;
}

std::vector<Sector> Seeds() {
  std::vector<Sector> seeds = CraftedHeaders();
  const char* source = std::getenv("QM_SOURCE_DIR");
  const auto folder =
      std::filesystem::path(source != nullptr ? source : ".") / "tests" / "fixtures" / "formats";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".sh") continue;
    Sector first = qm::ReadFormatFixture(entry.path().filename().string());
    first.resize(512, 0);
    seeds.push_back(std::move(first));
  }
  return seeds;
}

TEST(RawSectorDispatch, NoPrefilterRefusesAHeaderItsAnalyserAccepts) {
  RawSearchTypeList::List list;
  RegisterRawAnalysersA(list, {});
  std::set<std::type_index> proved;
  for (const Sector& seed : Seeds()) {
    for (int change = -1; change < 2 * 520; ++change) {
      Sector sector = seed;
      sector.resize(520, 0);
      if (change >= 0) {
        const std::size_t at = static_cast<std::size_t>(change / 2);
        sector[at] = change % 2 == 0 ? static_cast<std::uint8_t>(sector[at] ^ 0x20) : std::uint8_t{0};
      }
      sector.resize(512);
      for (const auto& analyser : list) {
        CRawFileInfo record;
        if (analyser->CheckHeader(qm::ByteView(sector.data(), sector.size()), &record) == 0) continue;
        proved.insert(std::type_index(typeid(*analyser)));
        const RawPrefilter filter = GetRawPrefilter(*analyser);
        if (filter.Any()) continue;
        ASSERT_LT(static_cast<std::size_t>(filter.offset), sector.size());
        EXPECT_NE(filter.bytes.find(static_cast<char>(sector[static_cast<std::size_t>(filter.offset)])),
                  std::string_view::npos)
            << typeid(*analyser).name() << " accepts a sector its prefilter refuses (change " << change
            << ")";
      }
    }
  }
  // Every class accepted at least one of the sectors, so every prefilter
  // was put to the test.
  EXPECT_EQ(proved.size(), list.size());
  for (const auto& analyser : list)
    EXPECT_EQ(proved.count(std::type_index(typeid(*analyser))), 1u) << typeid(*analyser).name();
}

TEST(RawSectorDispatch, AsksInListOrderAndOnlyTheFirstOfInterchangeableInstances) {
  RawSearchTypeList list;
  const std::vector<int> every = [] {
    std::vector<int> ids;
    for (int id = 1; id <= 73; ++id)
      ids.push_back(id);
    return ids;
  }();
  list.Refill(every, {});
  CRawSectorDispatch dispatch;
  dispatch.Build(list.Analysers());
  // One instance per class: 47 built-in classes.
  EXPECT_EQ(dispatch.Entries().size(), 47u);
  for (const Sector& seed : Seeds()) {
    CRawFileInfo plainRecord, fastRecord;
    const IRawFileAnalyser* plain = list.MatchSector(qm::ByteView(seed.data(), 512), &plainRecord);
    std::vector<IRawFileAnalyser*> asked;
    const IRawFileAnalyser* fast =
        dispatch.FirstAccepting(qm::ByteView(seed.data(), 512), [&](IRawFileAnalyser* a) {
          asked.push_back(a);
          fastRecord = CRawFileInfo();
          return a->CheckHeader(qm::ByteView(seed.data(), 512), &fastRecord) != 0;
        });
    EXPECT_EQ(plain, fast);
    if (plain != nullptr) {
      EXPECT_EQ(plainRecord.GetType(), fastRecord.GetType());
      EXPECT_EQ(plainRecord.GetLength(), fastRecord.GetLength());
    }
    // Few analysers are asked per sector, and in list order.
    EXPECT_LE(asked.size(), 6u);
    std::size_t last = 0;
    for (IRawFileAnalyser* a : asked) {
      std::size_t index = 0;
      while (dispatch.Entries()[index] != a)
        ++index;
      EXPECT_GE(index, last);
      last = index;
    }
  }
}

} // namespace
