// Carving an image of real files end to end, as a user would: files made
// by real tools lie in clusters of an image (each starting a cluster, the
// rest of its last sector zero and the rest of its last cluster old data);
// every sector goes through the analysers in their default priority, the
// records become the RAW tree, and each listed file is saved and compared
// with the file that was put in. Every file must come back whole, once,
// and nothing else may be listed: no tar member header as a tar of its own,
// no picture stored in the tar, no MP3 frame inside an MP3, no MP3 that
// runs on into the next one.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/raw_file_collection.h"
#include "format_fixture.h"
#include "raw/raw_search_type_list.h"
#include "raw/raw_tree_builder.h"
#include "storage/app_settings.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class Progress : public IDIRBuildCallback {
public:
  int OnBegin(const char*, std::uint32_t) override { return 0; }
  int OnStep(std::uint32_t) override { return 0; }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override { return 0; }
  int Poll() override { return 0; }
};

class SettingsGuard {
public:
  SettingsGuard() : saved_(*GetAppSettings()) {}
  ~SettingsGuard() { *GetAppSettings() = saved_; }

private:
  AppSettings saved_;
};

// The default analyser list, without user-defined types, for the life of
// the guard; the list of every class is put back afterwards.
class AnalyserListGuard {
public:
  AnalyserListGuard() {
    RawSearchTypeList::Get().Refill(AppSettings::AllRawTypes(),
                                    [] { return std::unique_ptr<IRawFileAnalyser>(); });
  }
  ~AnalyserListGuard() {
    RawSearchTypeList& list = RawSearchTypeList::Get();
    list.Clear();
    RegisterRawAnalysersA(list.Analysers());
  }
};

constexpr std::size_t kSector = 512;
constexpr std::size_t kCluster = 8 * kSector;

// Old data in the unused part of a cluster: text and numbers as a disk
// that was used before holds them (never a zero first word).
void FillStale(Bytes& image, std::size_t from, std::size_t to, std::uint32_t& seed) {
  static const char kWords[] = "old data of a deleted file, line 0123456789 of a log kept here\n";
  for (std::size_t i = from; i < to; ++i) {
    seed = seed * 1103515245u + 12345u;
    image[i] = static_cast<std::uint8_t>(kWords[(seed >> 16) % (sizeof kWords - 1)]);
  }
}

struct Placed {
  const char* name;
  const char* folder;
};

// The files, cluster-aligned, as a file system would have stored them.
Bytes MakeImage(const std::vector<Placed>& files, std::vector<Bytes>& contents) {
  Bytes image(4 * kCluster, 0);
  std::uint32_t seed = 7;
  for (const Placed& f : files) {
    contents.push_back(qm::ReadFormatFixture(f.name));
    const Bytes& file = contents.back();
    const std::size_t at = image.size();
    image.insert(image.end(), file.begin(), file.end());
    image.resize((image.size() + kSector - 1) / kSector * kSector, 0);
    const std::size_t sectorEnd = image.size();
    image.resize((image.size() + kCluster - 1) / kCluster * kCluster, 0);
    FillStale(image, sectorEnd, image.size(), seed);
    EXPECT_EQ(at % kCluster, 0u);
  }
  image.resize(image.size() + 4 * kCluster, 0);
  return image;
}

void CollectFiles(CFileNode* node, const std::string& folder,
                  std::vector<std::pair<std::string, CFileNode*>>& out) {
  for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    if ((child->GetProperties()->GetAttributes() & qm::kAttrFolder) != 0)
      CollectFiles(child, folder.empty() ? child->GetProperties()->GetName() : folder, out);
    else
      out.emplace_back(folder, child);
  }
}

TEST(CarvedImage, RealFilesComeBackWholeAndOnce) {
  SettingsGuard settings;
  GetAppSettings()->vecRawTypes = AppSettings::AllRawTypes();
  AnalyserListGuard analysers;

  const std::vector<Placed> files = {
      {"carve_blocked.tar", "TAR archive file"},  // members, a folder and a PNG stored inside
      {"carve_id3v2_only.mp3", "MP3 Music file"}, // no ID3v1 tag: its frames just stop
      {"carve_tagless.mp3", "MP3 Music file"},    // the next file: no ID3v2 tag either
      {"mpeg1_l3_id3.mp3", "MP3 Music file"},
      {"carve_page.htm", "HTML Documents file"},
      {"carve_page_utf16.htm", "HTML Documents file"},
      {"carve_update.pdf", "Adobe Portable Document"},
      {"carve_linearized.pdf", "Adobe Portable Document"},
      {"carve_text.gz", "GZIP compression file"},
      {"carve_two.gz", "GZIP compression file"},
      {"carve_picture.eps", "Encapsulated Postscript file"},
      {"carve_drawing.eps", "Encapsulated Postscript file"},
      {"media_picture.png", "Portable Network Graphic file"},
      {"archive.tar", "TAR archive file"}, // unpadded, a picture-free archive
  };
  std::vector<Bytes> contents;
  qm::MemoryDevice device(MakeImage(files, contents), static_cast<std::int32_t>(kSector));
  const Bytes before = device.bytes();

  // The sweep: every sector whose first word is not zero, the first
  // analyser that accepts it wins; lengths not given by headers are found
  // by the tree build.
  CRawFileCollection carved;
  for (std::uint64_t s = 0; s < device.GetSectorCount(); ++s) {
    std::uint32_t first = 0;
    std::memcpy(&first, device.sector(s), 4);
    if (first == 0) continue;
    auto record = std::make_unique<CRawFileInfo>();
    record->SetStartSector(s);
    if (RawSearchTypeList::Get().MatchSector(qm::ByteView(device.sector(s), kSector), record.get()) !=
        nullptr)
      carved.Add(std::move(record));
  }

  Progress progress;
  CRawTreeBuilder builder;
  const std::unique_ptr<CFileNode, void (*)(CFileNode*)> root(
      builder.Start(&device, &carved.GetIterator(), nullptr, &progress, 0), DeleteFileTree);
  ASSERT_NE(root, nullptr);
  std::vector<std::pair<std::string, CFileNode*>> listed;
  CollectFiles(root.get(), "", listed);

  std::vector<int> found(files.size(), 0);
  qm::SaveContext context;
  context.device = &device;
  for (const auto& [folder, node] : listed) {
    const std::string name = node->GetProperties()->GetName();
    const fs::path target = qm::ScratchPath("carved_image_" + name);
    fs::remove(target);
    EXPECT_EQ(SaveOneFile(context, node, target.string()), 0u) << name;
    const Bytes saved = qm::ReadFileBytes(target);
    fs::remove(target);
    bool matched = false;
    for (std::size_t i = 0; i < files.size() && !matched; ++i) {
      if (saved == contents[i] && folder == files[i].folder && found[i] == 0) {
        found[i] = 1;
        matched = true;
      }
    }
    EXPECT_TRUE(matched) << folder << "/" << name << ": " << saved.size()
                         << " bytes, not one of the files put in";
  }
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(found[i], 1) << files[i].name << " (" << contents[i].size()
                           << " bytes) did not come back whole";
  EXPECT_EQ(listed.size(), files.size());
  EXPECT_EQ(device.bytes(), before);
}

} // namespace
