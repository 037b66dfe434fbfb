// The first whole recovery a person does, end to end on the volumes made
// by the real tools: start page, Deleted, the volume, page 9, every
// deleted file ticked, Next, a folder picked in the save-path window, the
// recovering window, and the result window, with the recovered files
// compared byte for byte to the deleted ones. Also a run stopped midway
// and a read-only folder that is refused before anything is written.
#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/string_table.h"
#include "controls/device_select_ctrl.h"
#include "controls/file_tree_ctrl.h"
#include "deleted_road_fixture.h"
#include "save_road_walk.h"
#include "dialogs/partition_dialogs.h"
#include "dialogs/recovering_dlg.h"
#include "imaging/compress_controller.h"
#include "imaging/image_device.h"
#include "imaging/imaging_services.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "support_ui/gallery.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/pages/save_result_page.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = ScratchPath("save_road/" + name);
  fs::remove_all(folder);
  return folder;
}

using test::SaveRun;

class DeletedFileSaveRoad : public test::DeletedRoadTest {
protected:
  CSaveFilePage& SavePage() { return *static_cast<CSaveFilePage*>(frame_->Sheet().Page(kPageSaveFile)); }
  CSaveResultPage& ResultPage() {
    return *static_cast<CSaveResultPage*>(frame_->Sheet().Page(kPageSaveResult));
  }
  CSaveFileController& SaveController() { return context_.saveFileController(); }

  // On page 9: ticks "Deleted Files", presses Next, picks each folder of
  // `targets` in turn in the save-path window (a refused one leaves the
  // window open), and closes the result window. `onRecovering` runs on the
  // recovering window before it opens.
  SaveRun Recover(const std::vector<fs::path>& targets, const QString& picture,
                  std::function<void(CRecoveringDlg&)> onRecovering = {}) {
    return test::RecoverThroughWindows(*frame_, context_, prompter_, targets, picture, std::move(onRecovering));
  }

  // Ctrl+O on the volume page, its file dialog answered with the image;
  // the filter the dialog offered first.
  QString OpenWithCtrlO(const fs::path& image) {
    QString firstFilter;
    context_.services().chooseOpenFile = [&](QWidget*, const QString&, const QString& filter) {
      firstFilter = filter.section(QStringLiteral(";;"), 0, 0);
      return QString::fromStdString(image.string());
    };
    frame_->activateWindow();
    QTest::keyClick(frame_.get(), Qt::Key_O, Qt::ControlModifier);
    context_.services().chooseOpenFile = {};
    return firstFilter;
  }

  // The rows of the page whose caption holds the text: the caption and
  // the information, two blanks apart.
  static QStringList RowsWith(CDeviceListPage& page, const QString& text) {
    QStringList rows;
    for (int i = 0; i < page.DeviceCtrl().GetCount(); ++i) {
      const auto& cells = page.DeviceCtrl().View()->RowAt(i).cells;
      if (!cells[0].text.contains(text)) continue;
      rows << (cells[2].text.isEmpty() ? cells[0].text : cells[0].text + QStringLiteral("  ") + cells[2].text);
    }
    return rows;
  }

  // The image opened on the volume page with Ctrl+O, lists `rows`; the
  // volume whose row names `volume` walked to page 9 and recovered whole.
  void RecoverFromImage(const fs::path& image, const QStringList& rows, const char* volume,
                        const std::set<std::string>& listed, const std::multiset<std::string>& hashes,
                        const std::string& name) {
    ASSERT_FALSE(image.empty()) << "making the images failed";
    CDeviceListPage& page = OpenVolumePage();
    ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageDeleteRecoveryDevice);
    EXPECT_EQ(OpenWithCtrlO(image), QStringLiteral("All files (*)"));
    const QString file = QString::fromStdString(image.filename().string());
    EXPECT_EQ(RowsWith(page, file), rows);
    ASSERT_TRUE(SelectVolume(page, volume)) << volume;
    EXPECT_TRUE(NextClosingHint());
    ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect) << volume;
    EXPECT_EQ(DeletedPaths(), listed) << volume;
    RecoverTo(hashes, name);
  }

  // The whole road on one volume into a fresh folder.
  void RecoverEverything(const char* label, const std::set<std::string>& listed,
                         const std::multiset<std::string>& hashes, const std::string& name) {
    WalkTo(label, listed, QString());
    RecoverTo(hashes, name);
  }

  // From page 9: every deleted file saved into a fresh folder, byte for byte.
  void RecoverTo(const std::multiset<std::string>& hashes, const std::string& name) {
    ASSERT_TRUE(hintShown_);
    const fs::path target = FreshFolder(name);
    const SaveRun run =
        Recover({target}, QStringLiteral("save_road_result_%1").arg(QString::fromStdString(name)));
    EXPECT_TRUE(run.sawPathWindow);
    EXPECT_EQ(run.recoveringWindows, 1);
    ASSERT_TRUE(run.sawResult);
    EXPECT_TRUE(run.shown.isEmpty()) << run.shown.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(run.headline, QStringLiteral("Recovery Completed"));
    EXPECT_EQ(run.report.selected, hashes.size());
    EXPECT_EQ(run.report.recovered, hashes.size());
    EXPECT_EQ(run.report.failed, 0u);
    EXPECT_EQ(run.report.target, QString::fromStdString(target.string()));
    ASSERT_EQ(run.report.folders.size(), 1);
    EXPECT_EQ(fs::path(run.report.folders[0].toStdString()).parent_path(), target);
    EXPECT_EQ(test::FileHashesBelow(target), hashes)
        << "the recovered files are the deleted ones, byte for byte";
  }
};

TEST_F(DeletedFileSaveRoad, NtfsDeletedFilesComeBackByteForByte) {
  RecoverEverything("QM Fixture", test::kNtfsDeleted, test::DeletedFileHashesNtfs(), "ntfs");
}

TEST_F(DeletedFileSaveRoad, Fat32DeletedFilesComeBackByteForByte) {
  RecoverEverything("DELFAT", test::kFatDeleted, test::DeletedFileHashesFatExt2(), "fat32");
}

TEST_F(DeletedFileSaveRoad, Ext2DeletedFilesComeBackByteForByte) {
  RecoverEverything("DELEXT", test::kExt2Deleted, test::DeletedFileHashesFatExt2(), "ext2");
}

// A disk rescued with dd or ddrescue into an image file, opened on the
// volume page with Ctrl+O: the volumes of its partition table are listed,
// each read through its window, and the deleted files of the one chosen
// come back.
TEST_F(DeletedFileSaveRoad, AnImageOfAWholeMbrDiskListsItsVolume) {
  RecoverFromImage(test::RescuedDiskImages().mbr,
                   {QStringLiteral("Image File, rescued_mbr_disk.img:1  DELFAT  [FAT32]")}, "rescued_mbr_disk.img:1",
                   test::kFatDeleted, test::DeletedFileHashesFatExt2(), "image_mbr");
}

TEST_F(DeletedFileSaveRoad, AnImageOfAWholeGptDiskListsBothVolumes) {
  const QStringList rows = {QStringLiteral("Image File, rescued_gpt_disk.img:1  DELFAT  [FAT32]"),
                            QStringLiteral("Image File, rescued_gpt_disk.img:2  DELEXT  [EXT2]")};
  RecoverFromImage(test::RescuedDiskImages().gpt, rows, "rescued_gpt_disk.img:2", test::kExt2Deleted,
                   test::DeletedFileHashesFatExt2(), "image_gpt_ext2");
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("save_road_image_gpt_files")).isEmpty());
}

TEST_F(DeletedFileSaveRoad, TheSecondVolumeOfAGptImageIsReadThroughItsOwnWindow) {
  const QStringList rows = {QStringLiteral("Image File, rescued_gpt_disk.img:1  DELFAT  [FAT32]"),
                            QStringLiteral("Image File, rescued_gpt_disk.img:2  DELEXT  [EXT2]")};
  RecoverFromImage(test::RescuedDiskImages().gpt, rows, "rescued_gpt_disk.img:1", test::kFatDeleted,
                   test::DeletedFileHashesFatExt2(), "image_gpt_fat");
}

TEST_F(DeletedFileSaveRoad, AnImageOfABareVolumeUnderAnyName) {
  RecoverFromImage(test::RescuedDiskImages().bare,
                   {QStringLiteral("Image File, rescued_volume.ddrescue (FAT32)")}, "rescued_volume.ddrescue",
                   test::kFatDeleted, test::DeletedFileHashesFatExt2(),
                   "image_bare");
}

// A compressed, split image of the same GPT disk, opened the same way: it
// is told from a raw image by its content and lists the same volumes,
// which give the same files.
TEST_F(DeletedFileSaveRoad, ACompressedImageOfTheDiskGivesWhatTheRawImageGives) {
  const fs::path raw = test::RescuedDiskImages().gpt;
  ASSERT_FALSE(raw.empty());
  const fs::path folder = FreshFolder("compressed_gpt");
  fs::create_directories(folder);
  const std::string index = (folder / "rescued_gpt.qmi").string();
  {
    struct Quiet : ICompressCallBack {
      void ProcessMessages() override {}
      int IsCancelled() override { return 0; }
      void OnBlockDone(std::uint64_t) override {}
      void OnStart(std::uint64_t, std::uint64_t) override {}
      void OnBlockStored(std::uint32_t) override {}
    } callback;
    CImageFileDevice source(raw.c_str());
    CCompressController writer;
    writer.SetSource(&source, "rescued GPT disk", 0, source.GetSectorCount(), 12);
    writer.SetCompression(2, 6, 16384); // zlib, parts of 8 MiB
    writer.SetTargetPath(index);
    ASSERT_EQ(writer.Run(&callback), 1) << writer.LastError();
  }
  InstallImagingServices(context_.services());
  const QStringList rows = {QStringLiteral("Image File, rescued_gpt.qmi:1  DELFAT  [FAT32]"),
                            QStringLiteral("Image File, rescued_gpt.qmi:2  DELEXT  [EXT2]")};
  RecoverFromImage(index, rows, "rescued_gpt.qmi:2", test::kExt2Deleted, test::DeletedFileHashesFatExt2(),
                   "compressed_gpt_ext2");
  auto* volume = static_cast<DeviceListItem*>(context_.deleteDeviceController().Chosen());
  ASSERT_NE(volume, nullptr);
  EXPECT_NE(dynamic_cast<CImageFileDeviceWithDecompress*>(volume->image.get()), nullptr);
}

TEST_F(DeletedFileSaveRoad, AnImageOpenedTwiceIsListedOnce) {
  const fs::path image = test::RescuedDiskImages().gpt;
  ASSERT_FALSE(image.empty());
  CDeviceListPage& page = OpenVolumePage();
  OpenWithCtrlO(image);
  const int rows = page.DeviceCtrl().GetCount();
  prompter_.shown.clear();
  // The same file under another spelling of its path.
  OpenWithCtrlO(image.parent_path() / "." / image.filename());
  EXPECT_EQ(page.DeviceCtrl().GetCount(), rows);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("This image file is open!"));
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("wizard_page1_raw_gpt_image")).isEmpty());
  // Removing one of its rows removes the image, both volumes.
  ASSERT_TRUE(SelectVolume(page, "rescued_gpt_disk.img:2"));
  page.OnCommand(kCmdDeleteImage);
  EXPECT_EQ(page.DeviceCtrl().GetCount(), rows - 2);
  EXPECT_TRUE(RowsWith(page, QStringLiteral("rescued_gpt_disk.img")).isEmpty());
}

TEST_F(DeletedFileSaveRoad, AReadOnlyFolderIsRefusedBeforeAnythingIsWritten) {
  WalkTo("DELFAT", test::kFatDeleted, QString());
  ASSERT_TRUE(hintShown_);
  // A folder the user may not write to; the superuser writes through
  // permissions, so it gets a place no one may write to.
  fs::path readOnly;
  if (::geteuid() != 0) {
    const fs::path folder = FreshFolder("read_only");
    fs::create_directories(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    readOnly = folder / "recovered";
  } else {
    readOnly = "/proc/self/fdinfo/recovered";
  }
  const fs::path good = FreshFolder("after_refusal");
  const SaveRun run = Recover({readOnly, good}, QString());
  // Refused with its reason, the window stayed for another choice; the
  // recovering window opened once, for the good folder.
  EXPECT_EQ(run.shown, QStringList({LoadAppString(154)}));
  EXPECT_EQ(run.recoveringWindows, 1);
  EXPECT_FALSE(fs::exists(readOnly));
  if (::geteuid() != 0) {
    EXPECT_TRUE(fs::is_empty(readOnly.parent_path()));
    fs::permissions(readOnly.parent_path(), fs::perms::owner_all);
  }
  EXPECT_EQ(run.headline, QStringLiteral("Recovery Completed"));
  EXPECT_EQ(test::FileHashesBelow(good), test::DeletedFileHashesFatExt2());

  // Only the read-only folder, then Cancel: nothing is recovered at all.
  const SaveRun refused = Recover({readOnly}, QString());
  EXPECT_TRUE(refused.sawPathWindow);
  EXPECT_EQ(refused.recoveringWindows, 0);
  EXPECT_FALSE(refused.sawResult);
  EXPECT_FALSE(fs::exists(readOnly));
}

TEST_F(DeletedFileSaveRoad, ACancelMidwayShowsAStoppedResult) {
  WalkTo("QM Fixture", test::kNtfsDeleted, QString());
  ASSERT_TRUE(hintShown_);
  const fs::path target = FreshFolder("stopped");
  prompter_.answers = {true};
  const SaveRun run =
      Recover({target}, QStringLiteral("save_road_result_stopped"), [](CRecoveringDlg& dialog) {
        auto begun = std::make_shared<int>(0);
        dialog.SetFileBeginHook([begun](CRecoveringDlg& running) {
          if (++*begun != 2) return;
          // Cancel from the window's own thread, confirmed; the copy waits for
          // the answer and stops before the next file.
          QMetaObject::invokeMethod(
              &running, [&running] { running.CancelButton()->click(); }, Qt::QueuedConnection);
          for (int i = 0; i < 5000 && !running.StopRequested(); ++i)
            QThread::msleep(1);
        });
      });
  EXPECT_EQ(run.recoveringWindows, 1);
  ASSERT_TRUE(run.sawResult);
  EXPECT_EQ(run.shown, QStringList({LoadAppString(246)}));
  EXPECT_EQ(run.headline, QStringLiteral("Recovery stopped"));
  EXPECT_EQ(run.report.selected, 4u);
  EXPECT_LT(run.report.recovered, 4u);
  EXPECT_GE(run.report.recovered, 1u);
  const std::multiset<std::string> written = test::FileHashesBelow(target);
  EXPECT_EQ(written.size(), run.report.recovered);
  const std::multiset<std::string> deleted = test::DeletedFileHashesNtfs();
  for (const std::string& hash : written)
    EXPECT_EQ(deleted.count(hash), 1u) << "every file written whole";
}

// A bare FAT32 volume from whose folder "docs" alpha.bin and bravo.bin were
// deleted, and then xray.bin written to the root over the start of
// alpha.bin's clusters (the volume's allocation hint forgotten, so that the
// new file takes the first free clusters, as on a volume in use for a
// while). Returns the image and bravo.bin's bytes.
std::pair<fs::path, std::vector<std::uint8_t>> OverwrittenFat32Volume() {
  const fs::path host = ScratchPath("save_road/overwritten_files");
  fs::remove_all(host);
  fs::create_directories(host);
  const auto bytesOf = [](std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<std::uint8_t>(seed + i * 13 + i / 251);
    return bytes;
  };
  const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(host / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  };
  const std::vector<std::uint8_t> bravo = bytesOf(6000, 2);
  write("alpha.bin", bytesOf(6000, 1));
  write("bravo.bin", bravo);
  write("xray.bin", bytesOf(3000, 3));
  // Written a year apart (mcopy -m keeps the times): where alpha.bin's
  // guessed clusters run on into bravo.bin's, the later file keeps its state.
  if (RunCommand("touch -d 2020-01-02 " + (host / "alpha.bin").string() + " && touch -d 2021-01-02 " +
                 (host / "bravo.bin").string()) != 0)
    return {};
  const fs::path image = MakeSparseImage("overwritten_volume.img", 36u << 20);
  const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
  const std::string in = " -i " + image.string() + " ";
  if (RunCommand("mkfs.fat -F 32 -s 1 -n OVERWRITTEN " + image.string() + " 36864 >/dev/null && " + mtools +
                 "mmd" + in + "::/docs && " + mtools + "mcopy -m" + in + (host / "alpha.bin").string() + " " +
                 (host / "bravo.bin").string() + " ::/docs && " + mtools + "mdel" + in +
                 "::/docs/alpha.bin ::/docs/bravo.bin") != 0)
    return {};
  std::vector<std::uint8_t> volume = ReadFileBytes(image);
  const std::size_t fsInfo = (volume[0x30] | volume[0x31] << 8) * std::size_t{512};
  WriteFileBytes(image, fsInfo + 0x1EC, {0xFF, 0xFF, 0xFF, 0xFF});
  if (RunCommand(mtools + "mcopy" + in + (host / "xray.bin").string() + " ::/") != 0) return {};
  return {image, bravo};
}

// Both deleted files are listed and saved whole, but the result window
// counts the overwritten one as not recovered: its bytes are partly
// another file's. The intact one comes back byte for byte.
TEST_F(DeletedFileSaveRoad, AnOverwrittenDeletedFileIsCountedAsNotRecovered) {
  const auto [image, bravo] = OverwrittenFat32Volume();
  ASSERT_FALSE(image.empty()) << "making the volume failed";
  CDeviceListPage& page = OpenVolumePage();
  OpenWithCtrlO(image);
  ASSERT_TRUE(SelectVolume(page, "overwritten_volume.img"));
  EXPECT_TRUE(NextClosingHint());
  ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect);
  EXPECT_EQ(DeletedPaths(), (std::set<std::string>{"docs/", "docs/#lpha.bin", "docs/#ravo.bin"}));

  const fs::path target = FreshFolder("overwritten");
  const SaveRun run = Recover({target}, QString());
  ASSERT_TRUE(run.sawResult);
  EXPECT_EQ(run.headline, QStringLiteral("1 of 2 files could not be recovered"));
  EXPECT_EQ(run.report.selected, 2u);
  EXPECT_EQ(run.report.recovered, 1u);
  EXPECT_EQ(run.report.failed, 1u);
  const std::multiset<std::string> saved = test::FileHashesBelow(target);
  EXPECT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved.count(test::Sha256Hex(bravo)), 1u);
}

} // namespace
} // namespace qm
