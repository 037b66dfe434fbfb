// Which files may be previewed, which viewer takes a copy, the copy's
// progress figures, the thumbnail queue and the temporary names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "filemodel/test_properties.h"
#include "preview/preview_paging.h"
#include "preview/preview_rules.h"
#include "preview/temp_path_names.h"
#include "preview/thumbnail_queue.h"
#include "support/scratch_files.h"

namespace {

class MaskedProperties : public qm::test::TestProperties {
public:
  MaskedProperties(std::uint16_t attributes, std::uint64_t size, std::uint32_t valid)
      : TestProperties(attributes, size), valid_(valid) {}
  std::uint32_t GetValidFields() const override { return valid_; }

private:
  std::uint32_t valid_;
};

TEST(PreviewRules, WhichFilesMayBePreviewed) {
  using qm::PreviewRefusal;
  struct Case {
    const char* what;
    std::uint16_t attributes;
    std::uint64_t size;
    std::uint32_t valid;
    PreviewRefusal expected;
  };
  const Case cases[] = {
      {"ordinary file", 0, 10, qm::kValidAll, PreviewRefusal::None},
      {"empty file", 0, 0, qm::kValidAll, PreviewRefusal::CannotPreview},
      {"folder", qm::kAttrFolder, 10, qm::kValidAll, PreviewRefusal::Folder},
      {"encrypted", qm::kAttrEncrypted, 10, qm::kValidAll, PreviewRefusal::Encrypted},
      {"exactly 100 MiB", 0, qm::kPreviewMaxFileSize, qm::kValidAll, PreviewRefusal::None},
      {"100 MiB and one byte", 0, qm::kPreviewMaxFileSize + 1, qm::kValidAll, PreviewRefusal::TooBig},
      {"too big, attributes unknown", qm::kAttrFolder, qm::kPreviewMaxFileSize + 1, qm::kValidSize,
       PreviewRefusal::TooBig},
      {"folder bit but attributes unknown", qm::kAttrFolder, 10, qm::kValidSize, PreviewRefusal::None},
      {"size unknown", 0, qm::kPreviewMaxFileSize + 1, qm::kValidAttributes, PreviewRefusal::None},
  };
  for (const Case& c : cases) {
    MaskedProperties properties(c.attributes, c.size, c.valid);
    EXPECT_EQ(qm::CheckPreviewable(&properties), c.expected) << c.what;
  }
  EXPECT_EQ(qm::CheckPreviewable(nullptr), PreviewRefusal::CannotPreview);
}

TEST(PreviewRules, OfficeRoute) {
  using qm::OfficeRoute;
  EXPECT_EQ(qm::ChooseOfficeRoute(true, "report.bin"), OfficeRoute::Viewer);
  EXPECT_EQ(qm::ChooseOfficeRoute(false, "Report.DOC"), OfficeRoute::NotADocument);
  EXPECT_EQ(qm::ChooseOfficeRoute(false, "sheet.xls"), OfficeRoute::NotADocument);
  EXPECT_EQ(qm::ChooseOfficeRoute(false, "new.docx"), OfficeRoute::ViewerUntested);
  EXPECT_EQ(qm::ChooseOfficeRoute(false, "new.XLSX"), OfficeRoute::ViewerUntested);
  EXPECT_EQ(qm::ChooseOfficeRoute(false, "notes.txt"), OfficeRoute::Next);
  EXPECT_EQ(qm::ChooseOfficeRoute(false, "doc"), OfficeRoute::Next);
  EXPECT_EQ(qm::ExtensionOf("a.b.jpeg"), ".jpeg");
  EXPECT_EQ(qm::ExtensionOf("plain"), "");
}

TEST(PreviewRules, CopyProgress) {
  EXPECT_EQ(qm::CopyPercent(0, 0), 100);
  EXPECT_EQ(qm::CopyPercent(0, 10), 0);
  EXPECT_EQ(qm::CopyPercent(5, 10), 50);
  EXPECT_EQ(qm::CopyPercent(12, 10), 100);
  EXPECT_EQ(qm::CopyPercent(1ull << 62, 1ull << 63), 50);
  EXPECT_EQ(qm::RemainingSeconds(0, 100, 5000), 0u);
  // Half done in 10 s: 10 s more, shown as 11.
  EXPECT_EQ(qm::RemainingSeconds(50, 100, 10000), 11u);
  EXPECT_EQ(qm::RemainingSeconds(1ull << 40, 1ull << 41, 1000), 2u);
  EXPECT_EQ(qm::FormatHms(0), "00:00:00");
  EXPECT_EQ(qm::FormatHms(3723), "01:02:03");
  EXPECT_EQ(qm::FormatHms(360000), "100:00:00");
}

TEST(ThumbnailQueue, NewestFirstAtMost40NoDuplicates) {
  qm::ThumbnailQueue queue;
  queue.Request(0, 4, nullptr);
  EXPECT_EQ(queue.Rows(), (std::deque<int>{4, 3, 2, 1, 0}));
  // Rows already waiting keep their place; rows with a thumbnail are skipped.
  queue.Request(3, 7, [](int row) { return row == 6; });
  EXPECT_EQ(queue.Rows(), (std::deque<int>{7, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(queue.Take(), 7);
  // Scrolling quickly over many rows keeps only the latest 40.
  queue.Clear();
  queue.Request(0, 99, nullptr);
  ASSERT_EQ(queue.Rows().size(), qm::ThumbnailQueue::kMaxWaiting);
  EXPECT_EQ(queue.Rows().front(), 99);
  EXPECT_EQ(queue.Rows().back(), 60);
  queue.Request(200, 201, nullptr);
  EXPECT_EQ(queue.Rows().front(), 201);
  EXPECT_EQ(queue.Rows().back(), 62);
  queue.Request(5, 4, nullptr); // an empty range adds nothing
  EXPECT_EQ(queue.Rows().size(), qm::ThumbnailQueue::kMaxWaiting);
  while (queue.Take()) {
  }
  EXPECT_FALSE(queue.Take().has_value());
}

TEST(TempPathNames, EachCopyHasItsOwnNameAndLeavesNothing) {
  auto& names = qm::CTempPathNameSignle::GetInstance();
  const auto folder = qm::ScratchPath("temp_names");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  names.SetFolder(folder.string());
  // Names made at the same time on several threads never meet.
  std::vector<std::string> made(64);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 16; ++i)
        made[static_cast<std::size_t>(t * 16 + i)] = names.MakeTempName();
    });
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(std::set<std::string>(made.begin(), made.end()).size(), made.size());
  for (const auto& name : made) {
    EXPECT_EQ(std::filesystem::path(name).filename().string().substr(0, 3), "~@!");
    EXPECT_EQ(std::filesystem::path(name).extension(), ".tmp");
  }
  // Deleting one removes its ".doc" and ".xls" twins and nothing else.
  const std::string first = made[0];
  const std::string stem = first.substr(0, first.size() - 4);
  std::ofstream(stem + ".doc") << "x";
  std::ofstream(stem + ".xls") << "x";
  names.DeleteTempFile(first);
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_FALSE(std::filesystem::exists(stem + ".doc"));
  EXPECT_FALSE(std::filesystem::exists(stem + ".xls"));
  EXPECT_TRUE(std::filesystem::exists(made[1]));
  // What is left is swept.
  const std::string kept = folder.string() + "/viewer-copy.doc";
  std::ofstream(kept) << "x";
  names.KeepUntilExit(kept);
  names.SweepAll();
  EXPECT_EQ(names.Outstanding(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  names.SetFolder({});
}

} // namespace
