// The scan-result bundle: export and import of the state files, the byte
// layout, and imports of damaged and hostile bundles that must leave the
// current state files as they were.
#include "filemodel/state_file_bundle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "filemodel/rs_crc.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Files = std::map<std::string, Bytes>;

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = qm::ScratchPath("bundle_" + name);
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

Bytes RandomBundleBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(n);
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(random());
  return bytes;
}

void WriteWhole(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Fill(const fs::path& folder, const Files& files) {
  for (const auto& [name, bytes] : files)
    WriteWhole(folder / name, bytes);
}

// Everything in a folder, by name (so left-over temporary files show).
Files Contents(const fs::path& folder) {
  Files files;
  for (const auto& item : fs::directory_iterator(folder))
    files[item.path().filename().string()] = qm::ReadFileBytes(item.path());
  return files;
}

std::uint64_t Le(const Bytes& b, std::size_t at, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i)
    v = v << 8 | b.at(at + i);
  return v;
}
void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i)
    b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

// A bundle laid out by hand from the format, with its checksum computed
// over the finished bytes.
struct HandEntry {
  std::string name;
  Bytes bytes;
};
std::uint32_t BundleChecksum(const Bytes& bundle) {
  const std::size_t n = Le(bundle, 24, 8);
  const std::size_t headerSize = 32 + 280 * (n + 1);
  Bytes header(bundle.begin(), bundle.begin() + headerSize);
  PutLe(header, 4, 0, 4);
  std::uint32_t sum = Crc32(header.data(), header.size(), 0x1770);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t length = Le(bundle, 32 + 280 * i + 264, 8), offset = Le(bundle, 32 + 280 * i + 272, 8);
    if (offset > bundle.size() || length > bundle.size() - offset) continue; // hostile rows
    for (std::size_t at = 0; at < length; at += 4096)
      sum += Crc32(&bundle[offset + at], std::min<std::size_t>(4096, length - at), 0x1770);
  }
  return sum;
}
Bytes HandBundle(const std::vector<HandEntry>& entries) {
  const std::size_t headerSize = 32 + 280 * (entries.size() + 1);
  Bytes bundle(headerSize, 0);
  std::memcpy(bundle.data(), "CMBK", 4);
  PutLe(bundle, 8, 5800, 4);
  PutLe(bundle, 24, entries.size(), 8);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::memcpy(&bundle[32 + 280 * i], entries[i].name.data(),
                std::min<std::size_t>(entries[i].name.size(), 260));
    PutLe(bundle, 32 + 280 * i + 264, entries[i].bytes.size(), 8);
    PutLe(bundle, 32 + 280 * i + 272, bundle.size(), 8);
    bundle.insert(bundle.end(), entries[i].bytes.begin(), entries[i].bytes.end());
  }
  PutLe(bundle, 16, bundle.size(), 8);
  PutLe(bundle, 4, BundleChecksum(bundle), 4);
  return bundle;
}

TEST(StateFileBundle, ExportAndImportRoundTrip) {
  const fs::path source = FreshFolder("source");
  const Files states = {{"cslast.rdf", RandomBundleBytes(10000, 1)},
                        {"cstemp.rdf", {}},
                        {"lpslast.rdf", RandomBundleBytes(4096, 2)}};
  Fill(source, states);
  Fill(source, {{"Quenmark.log", Bytes(100, 'x')}, {"notes.rdf.txt", Bytes(3, 'y')}});
  const fs::path bundlePath = qm::ScratchPath("bundle_round.rsf");

  CStateFile plan(1, {}, source);
  ASSERT_EQ(plan.GetEntries().size(), 3u);
  ASSERT_EQ(plan.Save(bundlePath.c_str()), 1);

  // The layout, read back as the format describes it.
  const Bytes bundle = qm::ReadFileBytes(bundlePath);
  const std::size_t headerSize = 32 + 280 * 4;
  ASSERT_EQ(bundle.size(), headerSize + 10000 + 4096);
  EXPECT_EQ(Le(bundle, 0, 4), 0x4B424D43u);
  EXPECT_EQ(Le(bundle, 4, 4), BundleChecksum(bundle));
  EXPECT_EQ(Le(bundle, 8, 4), 5800u);
  EXPECT_EQ(Le(bundle, 16, 8), bundle.size());
  EXPECT_EQ(Le(bundle, 24, 8), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bundle[32])), "cslast.rdf");
  EXPECT_EQ(Le(bundle, 32 + 272, 8), headerSize);
  EXPECT_EQ(Le(bundle, 32 + 280 * 2 + 272, 8), headerSize + 10000);
  EXPECT_EQ(Bytes(bundle.begin() + 32 + 280 * 3, bundle.begin() + headerSize), Bytes(280, 0));

  const fs::path target = FreshFolder("target");
  CStateFile import(0, {}, target);
  ASSERT_EQ(import.Load(bundlePath.c_str()), 1);
  EXPECT_EQ(Contents(target), states); // nothing else: no temporary names left
}

TEST(StateFileBundle, ImportsABundleLaidOutByHand) {
  const fs::path target = FreshFolder("hand");
  const Bytes big = RandomBundleBytes(3 * 4096 + 17, 3); // pieces of 4096 and a short last one
  const fs::path path = qm::ScratchPath("bundle_hand.rsf");
  WriteWhole(path, HandBundle({{"cslast.rdf", big}, {"LPSTEMP.RDF", {1, 2, 3}}}));
  CStateFile import(0, {}, target);
  ASSERT_EQ(import.Load(path.c_str()), 1);
  EXPECT_EQ(Contents(target), (Files{{"cslast.rdf", big}, {"LPSTEMP.RDF", {1, 2, 3}}}));
}

TEST(StateFileBundle, DamagedAndHostileBundlesLeaveTheStateFilesAlone) {
  const Files current = {{"cslast.rdf", Bytes(50, 7)}};
  const Bytes good = HandBundle({{"cslast.rdf", RandomBundleBytes(5000, 4)}});
  struct Case {
    const char* what;
    Bytes bundle;
  };
  auto patched = [&](std::size_t at, std::uint64_t value, int n, bool fixSum = true) {
    Bytes b = good;
    PutLe(b, at, value, n);
    if (fixSum) PutLe(b, 4, BundleChecksum(b), 4);
    return b;
  };
  auto named = [&](std::string name) {
    Bytes b = HandBundle({{"placeholder.rdf", {1}}});
    std::fill(b.begin() + 32, b.begin() + 32 + 260, 0);
    std::memcpy(&b[32], name.data(), std::min<std::size_t>(name.size(), 260));
    PutLe(b, 4, BundleChecksum(b), 4);
    return b;
  };
  std::vector<HandEntry> eleven;
  for (int i = 0; i < 11; ++i)
    eleven.push_back({"s" + std::to_string(i) + ".rdf", {1}});
  const std::vector<Case> cases = {
      {"wrong magic", patched(0, 0x4B424D44, 4)},
      {"eleven files", HandBundle(eleven)},
      {"count near 2^64", patched(24, ~0ull, 8, false)},
      {"count near 2^32", patched(24, 0x100000000ull, 8, false)},
      {"checksum differs", patched(4, Le(good, 4, 4) + 1, 4, false)},
      {"content flipped",
       [&] {
         Bytes b = good;
         b.back() ^= 1;
         return b;
       }()},
      {"traversal", named("../escape.rdf")},
      {"folder part", named("sub/cslast.rdf")},
      {"back slash", named("..\\cslast.rdf")},
      {"dot dot", named("..")},
      {"not a state file", named("evil.sh")},
      {"no terminator", named(std::string(260, 'a'))},
      {"empty name", named("")},
      {"duplicate", HandBundle({{"cslast.rdf", {1}}, {"cslast.rdf", {2}}})},
      {"length near 2^64", patched(32 + 264, ~0ull - 100, 8)},
      {"offset past total", patched(32 + 272, good.size() + 1, 8)},
      {"offset inside header", patched(32 + 272, 40, 8)},
      {"total past the file", patched(16, good.size() + 4096, 8)},
      {"cut short", Bytes(good.begin(), good.end() - 1)},
      {"header only", Bytes(good.begin(), good.begin() + 20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = FreshFolder("hostile");
    Fill(target, current);
    const fs::path path = qm::ScratchPath("bundle_hostile.rsf");
    WriteWhole(path, c.bundle);
    int messages = 0;
    CStateFile import(
        0, [&](const char*) { ++messages; }, target);
    EXPECT_EQ(import.Load(path.c_str()), 0);
    EXPECT_EQ(Contents(target), current);
    EXPECT_FALSE(fs::exists(qm::ScratchPath("escape.rdf")));
    EXPECT_EQ(messages, 1); // the user is told once, whatever was wrong
  }
}

TEST(StateFileBundle, EveryTruncationFailsCleanly) {
  const fs::path source = FreshFolder("trunc_source");
  Fill(source, {{"a.rdf", RandomBundleBytes(700, 5)}, {"b.rdf", RandomBundleBytes(300, 6)}});
  const fs::path full = qm::ScratchPath("bundle_full.rsf");
  ASSERT_EQ(CStateFile(1, {}, source).Save(full.c_str()), 1);
  const Bytes bundle = qm::ReadFileBytes(full);
  const fs::path target = FreshFolder("trunc_target");
  const fs::path path = qm::ScratchPath("bundle_trunc.rsf");
  for (std::size_t size = 0; size < bundle.size(); size += 7) {
    WriteWhole(path, Bytes(bundle.begin(), bundle.begin() + size));
    EXPECT_EQ(CStateFile(0, {}, target).Load(path.c_str()), 0) << size;
    ASSERT_TRUE(fs::is_empty(target)) << size;
  }
}

TEST(StateFileBundle, ExportsThatCannotBeReadBackAreRefused) {
  const fs::path source = FreshFolder("many");
  for (int i = 0; i < 11; ++i)
    Fill(source, {{"s" + std::to_string(i) + ".rdf", {1}}});
  const fs::path path = qm::ScratchPath("bundle_many.rsf");
  fs::remove(path);
  EXPECT_EQ(CStateFile(1, {}, source).Save(path.c_str()), 0);
  EXPECT_FALSE(fs::exists(path));

  const fs::path few = FreshFolder("few");
  Fill(few, {{"a.rdf", {1}}});
  EXPECT_EQ(CStateFile(1, {}, few).Save((few / "missing" / "x.rsf").c_str()), 0);
}

TEST(StateFileBundle, ExportNameFromTheTime) {
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 0, t.tm_mday = 5, t.tm_hour = 7, t.tm_min = 3;
  EXPECT_EQ(qm::MakeScanResultFileName(t, ""), "2026-01-05_07_03_ZORV.rsf");
  EXPECT_EQ(qm::MakeScanResultFileName(t, "_sdb"), "2026-01-05_07_03_ZORV_sdb.rsf");
}

TEST(StateFileBundle, LeafNames) {
  for (const char* good : {"cslast.rdf", "a.RDF", "x y.rdf"})
    EXPECT_TRUE(qm::IsStateFileLeafName(good)) << good;
  for (const char* bad : {".rdf", "a.rdfx", "a/b.rdf", "a\\b.rdf", "..", ".", "", "rdf"})
    EXPECT_FALSE(qm::IsStateFileLeafName(bad)) << bad;
}

} // namespace
